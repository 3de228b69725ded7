// Where an open file lies. A model's textures are read only from this computer's own disks: a
// name can be checked before it is opened, but a link on a local disk may still lead elsewhere,
// so the file is judged again by its handle once open.
#pragma once

#include <string>

// The drive letter of a file's final path as the system gives it for an open handle, with DOS
// names ("\\?\C:\folder\x.bmp" gives 'C'); 0 for any other form: a share ("\\?\UNC\host\..."),
// a volume without a letter, an NT name.
char DriveOfFinalPath(const std::string& finalPath);

// True when drive `letter` is a disk of this computer (fixed, removable, optical, a RAM disk),
// not a network drive. (The platform's answer; always true off Windows, where the native tests
// read local files.)
bool DriveIsLocal(char letter);
