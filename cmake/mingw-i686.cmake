# The 32-bit Windows programs (the reference build), with MinGW-w64 i686.
set(QM_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# SSE2 arithmetic: doubles are computed as doubles, as the scene expects, not in x87 extended
# precision, so the Windows programs step the scene exactly like the native tests.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# Large-address-aware: on 64-bit Windows a 32-bit program then has 4 GB of address space instead
# of 2 GB; an 8192 x 8192 photograph with its mipmap levels needs over 700 MB in the renderer.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--large-address-aware")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
