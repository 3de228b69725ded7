#include "texture_names.h"

// Off Windows there are no drives or network drives to tell apart: the native tests read local
// files by their names.
std::string LocalDiskPath(const char* name) { return name; }
