#!/usr/bin/env bash
# The recipe of the arm64 toolchain: what Debian's clang and lld need to
# build a static-runtime Windows on Arm DLL, from Debian's source packages:
# mingw-w64's headers and CRT (msvcrt by default), compiler-rt's builtins,
# and libunwind, libc++abi and libc++, made into DIR.
#   DIR/aarch64-w64-mingw32/{include,lib}   the sysroot
#   DIR/clang                               a resource dir: clang's own
#                                           headers and the builtins
# Usage: make-arm64.sh DIR
set -euo pipefail
out=$(mkdir -p "$1" && cd "$1" && pwd)
triple=aarch64-w64-mingw32
llvm=16
sysroot=$out/$triple
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The sources of this release, through an apt source of their own that
# goes with the making.
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
archive=$(apt-get indextargets --format '$(SITE)' "Release: $release" | head -n 1)
mkdir -p "$work/apt/lists/partial" "$work/apt/sources.list.d"
echo "deb-src $archive $release main" >"$work/apt/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" -o APT::Sandbox::User=root)
apt-get "${apt_options[@]}" -qq update
cd "$work"
apt-get "${apt_options[@]}" -qq --download-only source mingw-w64 "llvm-toolchain-$llvm"
mingw=$(ls mingw-w64_*.orig.tar.bz2)
llvm_source=$(ls "llvm-toolchain-${llvm}_"*.orig.tar.xz)
mkdir mingw-w64 llvm
tar -xf "$mingw" -C mingw-w64 --strip-components=1 --wildcards '*/mingw-w64-headers' '*/mingw-w64-crt'
# LLVM's tarball takes a minute to read through: beside the CRT's build.
tar -xf "$llvm_source" -C llvm --strip-components=1 --wildcards --no-wildcards-match-slash \
    '*/compiler-rt' '*/libcxx' '*/libcxxabi' '*/libunwind' '*/runtimes' '*/cmake' '*/llvm/cmake' '*/llvm/utils/llvm-lit' &
extracting=$!

# What the builds print goes to a log, shown only when one fails.
log=$work/build.log
logged() {
    "$@" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "failed: $*" >&2; return 1; }
}

# Debian's clang, with its own headers beside the builtins made below.
mkdir -p "$out/clang/lib/windows"
cp -r "$(clang-$llvm -print-resource-dir)/include" "$out/clang/"
# The runtimes' messages name their source files: by paths of their own,
# not the scratch folders', so that every machine makes the same bytes.
# (Not -ffunction-sections: lld 16 then crashes in --gc-sections links.)
flags="--target=$triple --sysroot=$out -resource-dir=$out/clang"
flags+=" -ffile-prefix-map=$work=/arm64-toolchain -ffile-prefix-map=$out=/arm64-toolchain"
export CC="clang-$llvm $flags" CXX="clang++-$llvm $flags" AR=llvm-ar-$llvm RANLIB=llvm-ranlib-$llvm
export DLLTOOL=llvm-dlltool-$llvm NM=llvm-nm-$llvm

mkdir headers crt
logged sh -c "cd headers && ../mingw-w64/mingw-w64-headers/configure --host=$triple --prefix='$sysroot' \
    --with-default-msvcrt=msvcrt && make install"
logged sh -c "cd crt && ../mingw-w64/mingw-w64-crt/configure --host=$triple --prefix='$sysroot' \
    --disable-lib32 --disable-lib64 --disable-libarm32 --enable-libarm64 --with-default-msvcrt=msvcrt &&
    make -j$(nproc) && make install"
wait "$extracting"

# CMake for the LLVM runtimes: cross, with the compiler checks skipped,
# since nothing links before the builtins and the C++ runtime exist.
runtime_cmake() { # SOURCE BUILD PREFIX COMPILE_FLAGS [OPTION...]
    local source=$1 build=$2 prefix=$3 compile_flags=$4
    shift 4
    cmake -S "$source" -B "$build" -G "Unix Makefiles" -Wno-dev \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_SYSTEM_NAME=Windows \
        -DCMAKE_SYSTEM_PROCESSOR=ARM64 \
        -DCMAKE_C_COMPILER=clang-$llvm -DCMAKE_CXX_COMPILER=clang++-$llvm -DCMAKE_ASM_COMPILER=clang-$llvm \
        -DCMAKE_C_COMPILER_TARGET=$triple -DCMAKE_CXX_COMPILER_TARGET=$triple -DCMAKE_ASM_COMPILER_TARGET=$triple \
        -DCMAKE_C_FLAGS="$compile_flags" -DCMAKE_CXX_FLAGS="$compile_flags" -DCMAKE_ASM_FLAGS="$compile_flags" \
        -DCMAKE_C_COMPILER_WORKS=ON -DCMAKE_CXX_COMPILER_WORKS=ON \
        -DCMAKE_AR="$(command -v "$AR")" -DCMAKE_RANLIB="$(command -v "$RANLIB")" "$@" &&
        cmake --build "$build" -j"$(nproc)" &&
        cmake --install "$build"
}
logged runtime_cmake llvm/compiler-rt/lib/builtins builtins "$out/clang" "$flags" \
    -DCOMPILER_RT_DEFAULT_TARGET_ONLY=ON -DLLVM_CONFIG_PATH= -DCOMPILER_RT_BUILD_BUILTINS=ON
# A terminate that demangles the exception's type for a console drags the
# demangler in: the plug-in has no console, and ends at once instead. The
# runtimes' own assertions are their developers' checks, off as in any
# release build.
# libc++abi keeps each thread's exception globals in a thread_local rather
# than behind a fiber-local key whose destructor lives in the DLL: after the
# host unloaded the DLL, the process's exit would call into unmapped code.
# Their messages on the way to abort go through msvcrt's fprintf, not
# mingw-w64's own printf engine (some 20 KB), which C++ code gets by default.
logged runtime_cmake llvm/runtimes runtimes "$sysroot" "$flags -DHAS_THREAD_LOCAL -D__USE_MINGW_ANSI_STDIO=0" \
    -DLLVM_ENABLE_RUNTIMES="libunwind;libcxxabi;libcxx" -DLLVM_INCLUDE_TESTS=OFF \
    -DLIBUNWIND_USE_COMPILER_RT=ON -DLIBUNWIND_ENABLE_SHARED=OFF \
    -DLIBCXXABI_USE_COMPILER_RT=ON -DLIBCXXABI_USE_LLVM_UNWINDER=ON -DLIBCXXABI_ENABLE_SHARED=OFF \
    -DLIBCXXABI_SILENT_TERMINATE=ON -DLIBUNWIND_ENABLE_ASSERTIONS=OFF -DLIBCXXABI_ENABLE_ASSERTIONS=OFF \
    -DLIBCXX_USE_COMPILER_RT=ON -DLIBCXX_ENABLE_SHARED=OFF -DLIBCXX_ENABLE_STATIC_ABI_LIBRARY=ON \
    -DLIBCXX_CXX_ABI=libcxxabi -DLIBCXX_INCLUDE_TESTS=OFF -DLIBCXX_INCLUDE_BENCHMARKS=OFF \
    -DLIBCXX_ENABLE_ABI_LINKER_SCRIPT=OFF -DLIBCXX_LIBDIR_SUFFIX= -DLIBCXXABI_LIBDIR_SUFFIX= -DLIBUNWIND_LIBDIR_SUFFIX=
