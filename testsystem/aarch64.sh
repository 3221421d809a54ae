# Sourced by run and make.sh: the arm64 root's programs run on this machine
# through qemu's user-mode emulator, which the kernel starts for them by a
# binfmt_misc handler. The handler takes 64-bit little-endian aarch64 ELF
# programs alone, never i386 or x86-64 ones, and is there only while a
# making or a run needs it: the first to start registers it, the last to
# end removes it. The F flag makes the kernel open the emulator once, at
# registration, so that it serves inside any sandbox.
#
# The handler has the name that mmdebstrap looks for, so that it needs no
# emulator of its own on the machine. A handler of that name that the
# machine already has, whose emulator is not one of this cache's, is used
# as it is and left alone.
# Usage: with_aarch64_emulator QEMU COMMAND [ARG...]
# A caller that may be interrupted calls release_aarch64_handler on exit too.

aarch64_handler=/proc/sys/fs/binfmt_misc/qemu-aarch64
aarch64_magic='\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00'
aarch64_mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

as_superuser() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

register_aarch64_handler() { # QEMU
    local binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || as_superuser mount -t binfmt_misc binfmt_misc "$binfmt"
    [ -e "$aarch64_handler" ] && return
    # Two that start at once may both register: the second's refusal is
    # harmless once the handler is there.
    printf ':%s:M::%s:%s:%s:F' "${aarch64_handler##*/}" "$aarch64_magic" "$aarch64_mask" "$1" |
        as_superuser tee "$binfmt/register" >/dev/null 2>&1 || [ -e "$aarch64_handler" ]
}

with_aarch64_emulator() { # QEMU COMMAND...
    local qemu=$1 status=0
    shift
    mkdir -p "$cache"
    # Every user holds the lock shared; who can then take it alone is the last.
    exec 8>>"$cache/aarch64-handler.lock"
    flock -s 8
    register_aarch64_handler "$qemu" || {
        echo "Could not register the aarch64 emulator with binfmt_misc." >&2
        release_aarch64_handler
        return 1
    }
    "$@" || status=$?
    release_aarch64_handler
    return "$status"
}

release_aarch64_handler() {
    { true >&8; } 2>/dev/null || return 0
    if flock -n -x 8; then
        case $(sed -n 's/^interpreter //p' "$aarch64_handler" 2>/dev/null) in
        "$cache"/*) echo -1 | as_superuser tee "$aarch64_handler" >/dev/null ;;
        esac
    fi
    exec 8>&-
}
