# Cross build for 64-bit Windows with the posix thread-model compilers: the
# tests, the host stand-in and the benchmarks, which need the std::thread
# and std::mutex that the product's win32 thread model lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VELANDOR_TRIPLET x86_64-w64-mingw32)
set(VELANDOR_THREAD_MODEL posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
