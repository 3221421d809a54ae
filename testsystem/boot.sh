# Sourced by run and make.sh: boots the emulated PC in a folder (its
# kernel, initrd and disk image) to run one job, under qemu's software
# emulation on both cores. The host shares JOB_DIR with the guest's init,
# and CHECKOUT, if given, at its own path.
# Usage: boot PC_DIR JOB_DIR CHECKOUT [QEMU_OPTION...]

# What one run in the test root may take, a boot to power-off included,
# before it counts as hung.
time_limit_seconds=${VELANDOR_RUN_LIMIT:-3600}

boot() {
    local pc=$1 job=$2 checkout=$3
    shift 3
    local shares=(-virtfs "local,path=$job,mount_tag=job,security_model=none,multidevs=remap")
    [ -z "$checkout" ] ||
        shares+=(-virtfs "local,path=$checkout,mount_tag=checkout,security_model=none,multidevs=remap")
    printf 'checkout=%q\n' "$checkout" >"$job/env"
    # The maximal CPU less SMAP and PKU, with which 32-bit code dies on its
    # first return from the kernel, and less 5-level paging, which only
    # slows the emulation. No network, no screen: the job needs neither.
    timeout --foreground -k 10 "$time_limit_seconds" \
        qemu-system-x86_64 -accel tcg,thread=multi -smp 2 -m 4G \
        -cpu max,-smap,-pku,-la57 -nodefaults -display none -no-reboot \
        -kernel "$pc/vmlinuz" -initrd "$pc/initrd.img" \
        -append "root=/dev/vda rw rootfstype=ext4 console=ttyS0 panic=-1 quiet init=/usr/local/sbin/velandor-init" \
        -drive "file=$pc/root.img,format=raw,if=virtio,cache=unsafe" \
        -serial "file:$job/console.log" "${shares[@]}" "$@"
}
