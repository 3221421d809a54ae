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
#
# The root's folder is named by the digest of its recipe (make-root.sh and
# the PC's init, which goes into the tree), the PC's folder inside it by
# the digest of this file: a changed recipe makes a new one, and the old
# one goes. Each is made in a scratch folder and renamed into place
# only when whole, so an interrupted making leaves nothing that the next run
# would use.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/boot.sh"

digest() {
    cat "$@" | sha256sum | cut -c1-16
}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/velandor
root=$cache/root-$(digest "$here/make-root.sh" "$here/init")
pc=$root/pc-$(digest "$here/make.sh")

# Runs a scratch making under the lock: whatever stops it, nothing
# half-made stays. A tree may still have the host's /proc and /dev mounted
# in it.
scratch_folder() {
    # Under the lock, any other scratch folder is what a killed making left.
    rm -rf --one-file-system "$cache"/making.*/
    scratch=$(mktemp -d "$cache/making.XXXXXX")
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

# One maker at a time: a second one waits, then finds it made.
made_or_make() { # WHAT FOLDER
    if [ ! -d "$2" ]; then
        mkdir -p "$cache"
        exec 9>"$cache/making.lock"
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
*)
    echo "usage: make.sh root | make.sh pc" >&2
    exit 2
    ;;
esac
