// Which texture names from a model file may be opened. A model in the exchange folder is input
// like any other: a name must not make the renderer reach out of this computer (a share on
// another host receives the user's network credentials), open a device or a pipe (its server
// sees a client connect, and it may hang), or read a file's hidden stream.
#pragma once

#include <string>

// True for a plain path of a drive: relative ("x.bmp", "pictures\x.bmp") or on a drive by its
// letter ("c:\x.bmp", "c:x.bmp"). False for anything else, whatever its spelling: an empty
// name; any name that starts with a slash of either kind, for every namespace other than a
// drive's is written so (shares "\\host\...", the device and object namespaces "\\.\",
// "\\?\", "\??\", "\GLOBAL??\", "\Device\...", and a path rooted on the current drive, which
// is not a drive-letter path either); a colon anywhere but after a leading drive letter (a
// stream "x.bmp:s"); and a reserved device name as any part of the path (CON, PRN, AUX, NUL,
// COM0-COM9, LPT0-LPT9, CONIN$, CONOUT$, with or without an extension, in any case).
bool TextureNameIsLocal(const std::string& name);

// The full path of `name` as the file system resolves it from here, where that is a
// drive-letter path ("X:\...") on a disk of this computer; "" for any other (a network drive, a
// name that resolves to another namespace). That full path is what is opened. (Off Windows the
// name as it is.)
std::string LocalDiskPath(const char* name);

// At most this many distinct texture names of one model are read, of the first
// kMaxExaminedTextureNames distinct names it gives (refused names count among those).
constexpr int kMaxModelTextures = 16;
constexpr size_t kMaxExaminedTextureNames = 4 * kMaxModelTextures;
