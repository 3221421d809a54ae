#!/usr/bin/env bash
# An emulated x86-64 PC for the 32-bit lane on machines whose kernel runs
# 64-bit code only: qemu's software emulation boots Debian's own kernel,
# which runs i386 code, and 32-bit Wine, all from Debian's packages.
#
#   pc.sh image                  makes the PC if this machine has none yet
#                                and prints its folder
#   pc.sh run DIR COMMAND [ARG...]
#                                boots the PC, shares DIR at the same path,
#                                runs COMMAND in DIR there, prints its output
#                                as it comes and exits with its status
#
# The PC lives in the user's cache folder, so that every checkout on the
# machine shares it, in a folder named by the digest of its recipe
# (make-pc.sh and the guest's init): a changed recipe makes a new one. It is
# made in a scratch folder and renamed into place only when whole, so an
# interrupted making leaves nothing that the next run would use. Runs boot
# it with -snapshot: they never write to it, and any number may run at once.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/boot.sh"

cache=${XDG_CACHE_HOME:-$HOME/.cache}/velandor
pc=$cache/x86-pc-$(cat "$here/make-pc.sh" "$here/init" | sha256sum | cut -c1-16)

make_pc() {
    local started=$SECONDS
    # Under the lock, any other scratch folder is what a killed making left.
    rm -rf --one-file-system "$cache"/making.*/
    scratch=$(mktemp -d "$cache/making.XXXXXX")
    # Whatever stops the making, nothing half-made stays. The tree may still
    # have the host's /proc and /dev mounted in it.
    trap 'rm -rf --one-file-system "$scratch"' EXIT
    trap 'exit 130' INT TERM HUP
    echo "Making the emulated PC for the 32-bit lane in $pc (once per machine; about 6 minutes)"
    if [ "$(id -u)" -eq 0 ]; then
        "$here/make-pc.sh" "$scratch"
    else
        # Unpacking Debian into a tree of root's files takes root.
        sudo "$here/make-pc.sh" "$scratch"
        sudo chown -R "$(id -u):$(id -g)" "$scratch"
    fi
    rm -rf "$cache"/x86-pc-*
    mv "$scratch" "$pc"
    trap - EXIT
    echo "Made the emulated PC in $((SECONDS - started)) s: $(du -sh "$pc" | cut -f1) on disk"
}

case "${1:-}" in
image)
    if [ ! -f "$pc/root.img" ]; then
        # One maker at a time: a second run waits, then finds it made.
        mkdir -p "$cache"
        exec 9>"$cache/making.lock"
        flock 9
        [ -f "$pc/root.img" ] || make_pc >&2
    fi
    echo "$pc"
    ;;
run)
    [ $# -ge 3 ] || { echo "usage: pc.sh run DIR COMMAND [ARG...]" >&2; exit 2; }
    checkout=$(cd "$2" && pwd)
    shift 2
    [ -f "$pc/root.img" ] || { echo "no emulated PC in $pc: run 'pc.sh image' first" >&2; exit 1; }
    job=$(mktemp -d "${TMPDIR:-/tmp}/velandor-pc.XXXXXX")
    # However the run ends, Ctrl-C included, its PC goes with it.
    trap '[ -s "$job/qemu.pid" ] && kill "$(cat "$job/qemu.pid")" 2>/dev/null; rm -rf "$job"' EXIT
    trap 'exit 130' INT TERM HUP
    printf 'cd %q && exec' "$checkout" >"$job/run"
    printf ' %q' "$@" >>"$job/run"
    : >"$job/output"
    started=$SECONDS
    boot "$pc" "$job" "$checkout" -snapshot -pidfile "$job/qemu.pid" & booting=$!
    # The job's output as the guest writes it, until the PC is off.
    tail -n +1 -f --pid="$booting" "$job/output"
    wait "$booting" && booted=0 || booted=$?
    if [ ! -f "$job/status" ]; then
        if [ "$booted" = 124 ]; then
            echo "The emulated PC did not finish within $boot_limit_seconds s: stopped it."
        else
            echo "The emulated PC stopped before its job ended (qemu's status $booted)."
        fi
        echo "Its console's last lines:"
        tail -n 30 "$job/console.log" 2>/dev/null
        exit 1
    fi
    echo "The emulated PC ran for $((SECONDS - started)) s."
    exit "$(cat "$job/status")"
    ;;
*)
    echo "usage: pc.sh image | pc.sh run DIR COMMAND [ARG...]" >&2
    exit 2
    ;;
esac
