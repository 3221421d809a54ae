#!/usr/bin/env bash
# The recipe of the arm64 test root: a Debian arm64 tree with arm64 Wine, a
# virtual display, CTest, the fonts of the Japanese texts and the locales of
# the six code pages, made into DIR from one release alone, of the Debian
# archive that this machine's apt uses. This machine runs it through qemu's
# user-mode emulator, which the caller has registered for aarch64 programs.
#
# The release is Debian 13 whatever this machine runs: Debian 12's arm64
# Wine has its built-in DLLs as Linux libraries, whose va_list is not
# Windows', so any call that hands one over (_vsnprintf, wvsprintfA) reads
# garbage and faults. Debian 13's are Windows DLLs, as on Windows on Arm.
# Usage: make-root-arm64.sh DIR
set -euo pipefail
tree=$1

release=trixie
packages=(wine64 wine xvfb xauth cmake locales fonts-ipafont-gothic)
# The code pages 1252, 932, 936, 950 and 949, which Wine takes from these,
# and UTF-8 (65001), which it gives for a locale that Windows has no ANSI
# code page for. Each takes a minute under the emulator: they are compiled
# side by side, one a processor.
locales=(en_US ja_JP zh_CN zh_TW ko_KR hi_IN)

host_release=$(. /etc/os-release && echo "$VERSION_CODENAME")
archive=$(apt-get indextargets --format '$(SITE)' "Release: $host_release" | head -n 1)
[ -n "$archive" ] || { echo "apt knows no archive of $host_release: run apt-get update" >&2; exit 1; }

mmdebstrap --quiet --variant=minbase --architectures=arm64 --components=main \
    --aptopt='APT::Install-Recommends "false"' --dpkgopt='path-exclude=/usr/share/doc/*' \
    --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*' \
    --include="$(IFS=,; echo "${packages[*]}")" \
    --customize-hook="printf '%s\\n' ${locales[*]} | xargs -P $(nproc) -I {} chroot \"\$1\" localedef -i {} -f UTF-8 {}.UTF-8" \
    --customize-hook='rm -rf "$1/var/cache/apt" "$1/var/lib/apt/lists"' \
    "$release" "$tree" "$archive"
