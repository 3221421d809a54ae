# Cross build for 64-bit Windows: the tests and the host stand-in, run under
# 64-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VELANDOR_TRIPLET x86_64-w64-mingw32)
set(VELANDOR_THREAD_MODEL posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
