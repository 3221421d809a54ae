# Cross build for 32-bit Windows with the MinGW-w64 win32 thread-model compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VELANDOR_TRIPLET i686-w64-mingw32)
set(VELANDOR_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
