#!/usr/bin/env bash
# Makes the test system, once per machine, into the user's cache folder, so
# that every checkout on the machine shares it, and prints the folder of
# what was asked for:
#
#   make.sh root   the test root: the tree that make-root.sh makes, which
#                  runs show read-only in a sandbox
#   make.sh pc     the emulated PC that runs the same tree where this
#                  machine runs no 32-bit code: Debian's kernel and initrd
#                  from the tree, and a disk image of the tree with a
#                  32-bit Wine prefix made into it
#   make.sh arm64-root
#                  the arm64 test root that make-root-arm64.sh makes, and
#                  beside it (in the printed folder's parent) the
#                  user-mode emulator that runs it, from Debian's package
#   make.sh arm64-toolchain
#                  what builds the arm64 product and its tests: the sysroot
#                  and runtimes that toolchain/make-arm64.sh makes
#
# The root's folder is named by the digest of its recipe (make-root.sh and
# the PC's init, which goes into the tree), the PC's folder inside it by
# the digest of this file, the arm64 root's and the toolchain's by their
# recipes': a changed recipe makes a new one, and the old
# one goes. Each is made in a scratch folder and renamed into place
# only when whole, so an interrupted making leaves nothing that the next run
# would use.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/boot.sh"
. "$here/aarch64.sh"

digest() {
    cat "$@" | sha256sum | cut -c1-16
}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/velandor
root=$cache/root-$(digest "$here/make-root.sh")
pc=$root/pc-$(digest "$here/make.sh")
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
    rm -rf --one-file-system "$cache"/root-*/ "$cache"/x86-pc-*/
    mkdir "$root"
    mv "$scratch/tree" "$root/tree"
    echo "Made the test root in $((SECONDS - started)) s: $(du -sh "$root/tree" | cut -f1) on disk"
}

# The PC boots the tree's own kernel from a disk image of the tree, and
# makes its Wine prefix into that image once, where 32-bit code runs: in the
# PC itself. The guest's init names the prefix's folder.
make_pc() {
    local started=$SECONDS
    scratch_folder
    echo "Making the emulated PC in $pc (once per machine; about 3 minutes)"
    cp "$root"/tree/boot/vmlinuz-* "$scratch/vmlinuz"
    cp "$root"/tree/boot/initrd.img-* "$scratch/initrd.img"
    # Room for the Wine prefix and the runs' own files beside the tree.
    local megabytes=$(($(du -sm "$root/tree" | cut -f1) + 1024))
    truncate -s "${megabytes}M" "$scratch/root.img"
    mkfs.ext4 -q -F -L velandor-pc -d "$root/tree" "$scratch/root.img"
    local job=$scratch/job
    mkdir "$job"
    cat >"$job/run" <<'EOF'
mkdir -p "$VELANDOR_WINEPREFIX"
WINEARCH=win32 WINEPREFIX="$VELANDOR_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    /usr/lib/wine/wine wineboot -u &&
    WINEPREFIX="$VELANDOR_WINEPREFIX" /usr/lib/wine/wineserver -w
EOF
    boot "$scratch" "$job" "" || true
    if [ "$(cat "$job/status" 2>/dev/null)" != 0 ]; then
        echo "The emulated PC could not make its Wine prefix:"
        cat "$job/output" "$job/console.log" 2>/dev/null
        exit 1
    fi
    rm -rf "$job"
    rm -rf "$root"/pc-*/
    mv "$scratch" "$pc"
    echo "Made the emulated PC in $((SECONDS - started)) s: $(du -sh "$pc" | cut -f1) on disk"
}

# The emulator comes from Debian's package without installing it, which
# would register handlers for every architecture it emulates.
make_arm64_root() {
    local started=$SECONDS
    scratch_folder
    trap 'release_aarch64_handler; rm -rf --one-file-system "$scratch"' EXIT
    echo "Making the arm64 test root in $arm64_root (once per machine; about 13 minutes)"
    (cd "$scratch" && apt-get download -qq -o APT::Sandbox::User=root qemu-user-static) ||
        { echo "apt cannot fetch qemu-user-static: run apt-get update" >&2; exit 1; }
    dpkg-deb --fsys-tarfile "$scratch"/qemu-user-static_*.deb |
        tar -x -C "$scratch" --strip-components=3 ./usr/bin/qemu-aarch64-static
    with_aarch64_emulator "$scratch/qemu-aarch64-static" as_root "$here/make-root-arm64.sh" "$scratch/tree"
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
# The PC is made from the root, so they share one lock; the arm64 root and
# the toolchain have their own, and are made beside them.
made_or_make() { # WHAT FOLDER
    case $1 in
    root | pc) making=making ;;
    *) making=making-${1//_/-} ;;
    esac
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
pc)
    made_or_make root "$root/tree"
    made_or_make pc "$pc"
    echo "$pc"
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
    echo "usage: make.sh root | pc | arm64-root | arm64-toolchain" >&2
    exit 2
    ;;
esac
