// The OpenGL 1.1 and GLU declarations for the scene code, on Windows and in the native builds.
// On Windows the GL headers need the calling-convention macros that <windows.h> would bring;
// they are defined here so that the portable drawing code stays free of the OS header.
#pragma once

#if defined(_WIN32) && !defined(APIENTRY)
#define APIENTRY __stdcall
#define QM_DEFINED_APIENTRY
#endif
#if defined(_WIN32) && !defined(WINGDIAPI)
#define WINGDIAPI __declspec(dllimport)
#define QM_DEFINED_WINGDIAPI
#endif
#if defined(_WIN32) && !defined(CALLBACK)
#define CALLBACK __stdcall
#define QM_DEFINED_CALLBACK
#endif

#include <GL/gl.h>
#include <GL/glu.h>

// Keep the macros from clashing with a later <windows.h> in the same translation unit.
#ifdef QM_DEFINED_APIENTRY
#undef APIENTRY
#undef QM_DEFINED_APIENTRY
#endif
#ifdef QM_DEFINED_WINGDIAPI
#undef WINGDIAPI
#undef QM_DEFINED_WINGDIAPI
#endif
#ifdef QM_DEFINED_CALLBACK
#undef CALLBACK
#undef QM_DEFINED_CALLBACK
#endif
