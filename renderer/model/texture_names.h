// Which texture names from a model file may be opened. A model in the exchange folder is input
// like any other: a name must not make the renderer reach out of this computer (a share on
// another host receives the user's network credentials), open a device or a pipe (which may
// hang), or read a file's hidden stream.
#pragma once

#include <string>

// True for a plain path of the file system: relative, rooted ("\x.bmp") or on a drive ("c:\x",
// "c:x"). False for an empty name; a name starting with two slashes of either kind (a share
// "\\host\...", "//host/...", or the device spaces "\\.\..." and "\\?\..."); a colon anywhere but
// after a leading drive letter (a stream "x.bmp:s", a device prefix); and a reserved device
// name as any part of the path (CON, PRN, AUX, NUL, COM0-COM9, LPT0-LPT9, CONIN$, CONOUT$, with
// or without an extension, in any case).
bool TextureNameIsLocal(const std::string& name);

// True when the path, as the file system resolves it from here, lies on a disk of this computer
// rather than on a network drive or share. (The platform's answer; always true off Windows.)
bool PathIsOnLocalDisk(const char* path);

// At most this many distinct texture names of one model are read.
constexpr int kMaxModelTextures = 16;
