#!/usr/bin/env bash
# Makes the emulated PC into an empty folder: Debian's kernel, which still
# runs i386 code, its initrd, and an ext4 disk image with 32-bit Wine and a
# Wine prefix made once into it; all from the Debian archive that this
# machine's apt uses.
# Usage: make-pc.sh DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/boot.sh"
pc=$1

# What the 32-bit tests need: 32-bit Wine, a virtual display for its
# windows, CTest to run them and a font with the Japanese texts.
packages=(linux-image-amd64 wine32:i386 xvfb xauth cmake fonts-ipafont-gothic)

# The release that this machine runs, from the archive that its apt uses:
# the release alone, without its updates, which change it rarely.
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
archive=$(apt-get indextargets --format '$(SITE)' "Release: $release" | head -n 1)
components=$(apt-get indextargets --format '$(COMPONENT)' "Release: $release" | sort -u | paste -sd,)
[ -n "$archive" ] || { echo "apt knows no archive of $release: run apt-get update" >&2; exit 1; }

tree=$pc/tree
mmdebstrap --quiet --variant=minbase --architectures=amd64,i386 --components="$components" \
    --aptopt='APT::Install-Recommends "false"' --dpkgopt='path-exclude=/usr/share/doc/*' \
    --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*' \
    --include="$(IFS=,; echo "${packages[*]}")" "$release" "$tree" "$archive"
install -m 755 "$here/init" "$tree/usr/local/sbin/velandor-init"
cp "$tree"/boot/vmlinuz-* "$pc/vmlinuz"
cp "$tree"/boot/initrd.img-* "$pc/initrd.img"
rm -rf "$tree/var/cache/apt" "$tree/var/lib/apt/lists" "$tree/boot"
# Room for the Wine prefix and the runs' own files beside what is there.
megabytes=$(($(du -sm "$tree" | cut -f1) + 1024))
truncate -s "${megabytes}M" "$pc/root.img"
mkfs.ext4 -q -F -L velandor-pc -d "$tree" "$pc/root.img"
rm -rf "$tree"

# The Wine prefix, made once into the image, where 32-bit code runs: in the
# PC itself. The guest's init names its folder.
job=$pc/job
mkdir -p "$job"
cat >"$job/run" <<'EOF'
mkdir -p "$VELANDOR_WINEPREFIX"
WINEARCH=win32 WINEPREFIX="$VELANDOR_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    /usr/lib/wine/wine wineboot -u &&
    WINEPREFIX="$VELANDOR_WINEPREFIX" /usr/lib/wine/wineserver -w
EOF
boot "$pc" "$job" "" || true
if [ "$(cat "$job/status" 2>/dev/null)" != 0 ]; then
    echo "The emulated PC could not make its Wine prefix:" >&2
    cat "$job/output" "$job/console.log" >&2 2>/dev/null || true
    exit 1
fi
rm -rf "$job"
