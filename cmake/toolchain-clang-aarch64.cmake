# Cross build for Windows on Arm with Debian's clang and lld, on the sysroot
# and runtimes that toolchain/make-arm64.sh makes from Debian's sources:
# VELANDOR_ARM64_TOOLCHAIN names that folder (testsystem/make.sh
# arm64-toolchain prints it; ./dev sets it). The runtime is linked in
# statically, as by the MinGW builds, with libc++ on compiler-rt and
# libunwind in place of libstdc++ on libgcc.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(VELANDOR_TRIPLET aarch64-w64-mingw32)
set(VELANDOR_ARM64_TOOLCHAIN "$ENV{VELANDOR_ARM64_TOOLCHAIN}")
if(NOT IS_DIRECTORY "${VELANDOR_ARM64_TOOLCHAIN}/${VELANDOR_TRIPLET}")
  message(FATAL_ERROR "VELANDOR_ARM64_TOOLCHAIN names no arm64 toolchain: set it to what testsystem/make.sh arm64-toolchain prints")
endif()
set(flags "--target=${VELANDOR_TRIPLET} --sysroot=${VELANDOR_ARM64_TOOLCHAIN} -resource-dir=${VELANDOR_ARM64_TOOLCHAIN}/clang")
set(CMAKE_C_COMPILER clang-16)
set(CMAKE_CXX_COMPILER clang++-16)
set(CMAKE_C_COMPILER_TARGET ${VELANDOR_TRIPLET})
set(CMAKE_CXX_COMPILER_TARGET ${VELANDOR_TRIPLET})
set(CMAKE_C_FLAGS_INIT "${flags}")
set(CMAKE_CXX_FLAGS_INIT "${flags} -stdlib=libc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld-16 --rtlib=compiler-rt --unwindlib=libunwind")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld-16 --rtlib=compiler-rt --unwindlib=libunwind")
set(CMAKE_RC_COMPILER llvm-windres-16)
set(CMAKE_RC_FLAGS_INIT "--target=${VELANDOR_TRIPLET} --preprocessor-arg=--target=${VELANDOR_TRIPLET} --codepage=65001")
set(CMAKE_AR llvm-ar-16)
set(CMAKE_RANLIB llvm-ranlib-16)
set(CMAKE_OBJDUMP llvm-objdump-16)
set(CMAKE_FIND_ROOT_PATH ${VELANDOR_ARM64_TOOLCHAIN}/${VELANDOR_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
