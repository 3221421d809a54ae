# Sourced by run and make.sh: an emulated route's programs run on this
# machine through qemu's user-mode emulator, which the kernel starts for them
# by a binfmt_misc handler: aarch64 for the arm64 root, i386 for the 32-bit
# lane where this kernel runs no 32-bit code. A handler takes its
# architecture's ELF programs alone, never x86-64 ones.
#
# Where the kernel lets a user namespace mount a binfmt_misc of its own, the
# handler goes there: only that namespace and the sandboxes inside it see
# it, and it goes with them, however they end. Elsewhere (before Linux 6.7),
# or with VELANDOR_BINFMT=global, the aarch64 handler goes on the machine's
# own binfmt_misc while a making or a run needs it: the first to start
# registers it, the last to end removes it, and one that the machine already
# has, whose emulator is not one of this cache's, is used as it is and left
# alone. An i386 handler never goes there: it would take every 32-bit
# program from a kernel that can run them itself.
#
# Handlers have the names that mmdebstrap looks for, and the F flag: the
# kernel opens the emulator once, at registration, so that it serves inside
# any sandbox, whose tree does not have it.
# Usage: use_emulator ARCH QEMU [making], then "${emulated[@]}" COMMAND
# [ARG...], then release_global_handler, which a caller that may be
# interrupted also calls on exit.

declare -A binfmt_magic=(
    [aarch64]='\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00'
    [i386]='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
)
declare -A binfmt_mask=(
    [aarch64]='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    [i386]='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
)
binfmt=/proc/sys/fs/binfmt_misc

# Mounts a binfmt_misc, registers ARCH's handler in it and runs COMMAND: in
# a user namespace of its own, the new instance is that namespace's alone.
# The magic and mask go as text, their \x escapes for the kernel to read: a
# NUL byte written as such would end the magic early.
register_then='mount -t binfmt_misc binfmt_misc '$binfmt' || exit 125
printf ":qemu-%s:M::%s:%s:%s:F" "$1" "$2" "$3" "$4" >'$binfmt'/register || exit 126
shift 4 && exec "$@"'

private_handlers_work() {
    [ "${VELANDOR_BINFMT:-}" != global ] &&
        unshare --user --map-root-user --mount mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null
}

# Every user id of the machine as itself, which only root may ask for: a
# making's tree holds files of several users. The namespace's maps are
# written from outside before COMMAND runs, in a process namespace of its
# own, where it can mount /proc.
identity_namespace() { # COMMAND...
    local go
    go=$(mktemp -u) && mkfifo "$go"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" unshare --user --mount sh -c 'read -r _ <"$0" && exec unshare --pid --fork --kill-child "$@"' \
        "$go" "$@" &
    # unshare is the job itself, or sudo's child.
    local namespace=$! status=0
    [ ${#sudo[@]} -eq 0 ] || until namespace=$(pgrep -n -P "$!"); do sleep 0.05; done
    while [ "$(as_superuser readlink "/proc/$namespace/ns/user")" = "$(readlink /proc/self/ns/user)" ]; do sleep 0.05; done
    echo '0 0 4294967295' | as_superuser tee "/proc/$namespace/uid_map" "/proc/$namespace/gid_map" >/dev/null &&
        echo go >"$go" || kill "$!"
    wait "$!" || status=$?
    rm -f "$go"
    return "$status"
}

# Sets emulated to what runs a command with ARCH's handler: a namespace of
# the command's own, where the kernel allows it, as the caller or, for a
# making, as root with every user; else nothing, the handler having gone on
# the machine's own binfmt_misc, or as root for a making.
use_emulator() { # ARCH QEMU [making]
    local arch=$1 qemu=$2
    if private_handlers_work; then
        local namespace=(unshare --user --map-root-user --mount)
        [ "${3:-}" != making ] || namespace=(identity_namespace)
        emulated=("${namespace[@]}" sh -c "$register_then" sh "$arch" "${binfmt_magic[$arch]}" "${binfmt_mask[$arch]}" "$qemu")
        return
    fi
    if [ "$arch" != aarch64 ]; then
        echo "The $arch emulator needs a binfmt_misc handler of the sandbox's own, which this kernel cannot give" \
            "(Linux 6.7 can): a handler for the whole machine would take every $arch program from it." >&2
        return 1
    fi
    emulated=()
    [ "${3:-}" != making ] || emulated=(as_superuser)
    mkdir -p "$cache"
    # Every user holds the lock shared; who can then take it alone is the last.
    exec 8>>"$cache/aarch64-handler.lock"
    flock -s 8
    register_global_handler "$arch" "$qemu" || {
        echo "Could not register the $arch emulator with the machine's binfmt_misc." >&2
        release_global_handler
        return 1
    }
}

# What a failed start in the namespace means.
explain_emulated_status() { # STATUS ARCH
    case $1 in
    125) echo "Could not mount a binfmt_misc of the sandbox's own." >&2 ;;
    126) echo "Could not register the $2 emulator in the sandbox's binfmt_misc." >&2 ;;
    esac
    return "$1"
}

as_superuser() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

register_global_handler() { # ARCH QEMU
    [ -e "$binfmt/register" ] || as_superuser mount -t binfmt_misc binfmt_misc "$binfmt"
    [ -e "$binfmt/qemu-$1" ] && return
    # Two that start at once may both register: the second's refusal is
    # harmless once the handler is there.
    printf ':qemu-%s:M::%s:%s:%s:F' "$1" "${binfmt_magic[$1]}" "${binfmt_mask[$1]}" "$2" |
        as_superuser tee "$binfmt/register" >/dev/null 2>&1 || [ -e "$binfmt/qemu-$1" ]
}

# Removes the machine's aarch64 handler if this was its last user and it is
# this cache's; does nothing where none was registered.
release_global_handler() {
    { true >&8; } 2>/dev/null || return 0
    if flock -n -x 8; then
        case $(sed -n 's/^interpreter //p' "$binfmt/qemu-aarch64" 2>/dev/null) in
        "$cache"/*) echo -1 | as_superuser tee "$binfmt/qemu-aarch64" >/dev/null ;;
        esac
    fi
    exec 8>&-
}
