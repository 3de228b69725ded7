# The 64-bit Windows programs, from the same sources, with MinGW-w64 x86_64 (SSE2 is its
# floating point already).
set(QM_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
