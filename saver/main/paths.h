// Path helpers shared by the saver's parts. Paths are UTF-8 texts with "\" separators.
#pragma once

#include <string>

// The folder part of `path`: everything up to the last ":" or "\", without a trailing "\".
// "C:\Music\a.mp3" gives "C:\Music", "C:\a.mp3" gives "C:", "a.mp3" gives "".
std::string FolderOfPath(const std::string& path);
