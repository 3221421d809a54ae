#!/usr/bin/env bash
# Makes the test system, once per machine, into the user's cache folder, so
# that every checkout on the machine shares it, and prints the folder of
# what was asked for:
#
#   make.sh root   the test root: the tree that make-root.sh makes, which
#                  runs show read-only in a sandbox
#   make.sh i386-emulator
#                  qemu's user-mode emulator of 32-bit x86 programs, from
#                  Debian 13's package: it runs the root's 32-bit Wine
#                  where this machine's kernel runs no 32-bit code
#   make.sh arm64-root
#                  the arm64 test root that make-root-arm64.sh makes, and
#                  beside it (in the printed folder's parent) the
#                  user-mode emulator that runs it, from Debian's package
#   make.sh arm64-toolchain
#                  what builds the arm64 product and its tests: the sysroot
#                  and runtimes that toolchain/make-arm64.sh makes
#
# Each folder is named by the digest of its recipe (the roots' and the
# toolchain's files, the emulator's making below): a changed recipe makes a
# new one, and the old one goes. Each is made in a scratch folder and
# renamed into place only when whole, so an interrupted making leaves
# nothing that the next run would use.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/binfmt.sh"

digest() {
    cat "$@" | sha256sum | cut -c1-16
}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/velandor
root=$cache/root-$(digest "$here/make-root.sh")
arm64_root=$cache/arm64-root-$(digest "$here/make-root-arm64.sh")
arm64_toolchain=$cache/arm64-toolchain-$(digest "$here/../toolchain/make-arm64.sh")

# Runs a scratch making under the lock: whatever stops it, nothing
# half-made stays. A tree may still have the host's /proc and /dev mounted
# in it.
scratch_folder() {
    # Under the lock, any other scratch folder is what a killed making left.
    rm -rf --one-file-system "$cache/$making".*/
    scratch=$(mktemp -d "$cache/$making.XXXXXX")
    trap 'rm -rf --one-file-system "$scratch"' EXIT
    trap 'exit 130' INT TERM HUP
}

# Unpacking Debian into a tree of root's files takes root; a user who is
# not root gets the result as their own.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
        sudo chown -R "$(id -u):$(id -g)" "$scratch"
    fi
}

make_root() {
    local started=$SECONDS
    scratch_folder
    echo "Making the test root in $root (once per machine; about 6 minutes)"
    as_root "$here/make-root.sh" "$scratch/tree"
    rm -rf --one-file-system "$cache"/root-*/
    mkdir "$root"
    mv "$scratch/tree" "$root/tree"
    echo "Made the test root in $((SECONDS - started)) s: $(du -sh "$root/tree" | cut -f1) on disk"
}

# The emulators come from Debian's packages, fetched through an apt source
# of their own that goes with the making, and are not installed: that would
# register handlers for every architecture they emulate, on the whole
# machine. Into the scratch folder.
fetch_emulator() { # RELEASE PACKAGE PROGRAM
    local archive apt=$scratch/apt
    archive=$(apt-get indextargets --format '$(SITE)' "Release: $(. /etc/os-release && echo "$VERSION_CODENAME")" | head -n 1)
    mkdir -p "$apt/lists/partial" "$apt/sources.list.d"
    echo "deb $archive $1 main" >"$apt/sources.list"
    local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User=root)
    (apt-get "${options[@]}" -qq update && cd "$scratch" && apt-get "${options[@]}" -qq download "$2") ||
        { echo "apt cannot fetch $2 of Debian $1 from '$archive'" >&2; exit 1; }
    dpkg-deb --fsys-tarfile "$scratch/$2"_*.deb | tar -x -C "$scratch" --strip-components=3 "./usr/bin/$3"
    rm -rf "$apt" "$scratch/$2"_*.deb
}

# Debian 12's qemu-i386 cannot run 32-bit Wine: it ignores the
# MAP_FIXED_NOREPLACE with which Wine's loader reserves its address space.
make_i386_emulator() {
    scratch_folder
    echo "Fetching the i386 emulator into $i386_emulator (once per machine)"
    fetch_emulator trixie qemu-user qemu-i386
    rm -rf "$cache"/i386-emulator-*/
    mkdir "$i386_emulator"
    mv "$scratch/qemu-i386" "$i386_emulator/"
}

# Debian 12's qemu-aarch64 runs the arm64 root's Wine faster than Debian
# 13's, whose exceptions are slow.
make_arm64_root() {
    local started=$SECONDS
    scratch_folder
    trap 'release_global_handler; rm -rf --one-file-system "$scratch"' EXIT
    echo "Making the arm64 test root in $arm64_root (once per machine; about 20 minutes)"
    fetch_emulator bookworm qemu-user-static qemu-aarch64-static
    use_emulator aarch64 "$scratch/qemu-aarch64-static" making
    "${emulated[@]}" "$here/make-root-arm64.sh" "$scratch/tree"
    release_global_handler
    [ "$(id -u)" -eq 0 ] || sudo chown -R "$(id -u):$(id -g)" "$scratch"
    rm -rf --one-file-system "$cache"/arm64-root-*/
    mkdir "$arm64_root"
    mv "$scratch/qemu-aarch64-static" "$scratch/tree" "$arm64_root/"
    echo "Made the arm64 test root in $((SECONDS - started)) s: $(du -sh "$arm64_root/tree" | cut -f1) on disk"
}

make_arm64_toolchain() {
    local started=$SECONDS
    scratch_folder
    echo "Making the arm64 toolchain in $arm64_toolchain (once per machine; about 6 minutes)"
    "$here/../toolchain/make-arm64.sh" "$scratch/toolchain"
    rm -rf --one-file-system "$cache"/arm64-toolchain-*/
    mv "$scratch/toolchain" "$arm64_toolchain"
    echo "Made the arm64 toolchain in $((SECONDS - started)) s: $(du -sh "$arm64_toolchain" | cut -f1) on disk"
}

# One maker of a kind at a time: a second one waits, then finds it made.
# Each kind has its own lock, and is made beside the others.
i386_emulator=$cache/i386-emulator-$(declare -f make_i386_emulator fetch_emulator | digest)
made_or_make() { # WHAT FOLDER
    making=making-${1//_/-}
    if [ ! -d "$2" ]; then
        mkdir -p "$cache"
        exec 9>"$cache/$making.lock"
        flock 9
        [ -d "$2" ] || "make_$1" >&2
        exec 9>&-
    fi
}

case "${1:-}" in
root)
    made_or_make root "$root/tree"
    echo "$root/tree"
    ;;
i386-emulator)
    made_or_make i386_emulator "$i386_emulator"
    echo "$i386_emulator/qemu-i386"
    ;;
arm64-root)
    made_or_make arm64_root "$arm64_root"
    echo "$arm64_root/tree"
    ;;
arm64-toolchain)
    made_or_make arm64_toolchain "$arm64_toolchain"
    echo "$arm64_toolchain"
    ;;
*)
    echo "usage: make.sh root | i386-emulator | arm64-root | arm64-toolchain" >&2
    exit 2
    ;;
esac
