# Cross build for 64-bit Windows with the MinGW-w64 win32 thread-model compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VELANDOR_TRIPLET x86_64-w64-mingw32)
set(VELANDOR_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
