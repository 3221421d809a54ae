#!/usr/bin/env bash
# The recipe of the test root: a Debian tree with 32-bit and 64-bit Wine, a
# virtual display, CTest, the fonts of the Japanese texts and the locales of
# the six code pages that the tests run in, made into DIR from the release
# alone, of the Debian archive that this machine's apt uses. The release
# alone has its amd64 and i386 halves at the same versions, which its
# updates may not have on a mirror.
# Usage: make-root.sh DIR
set -euo pipefail
tree=$1

packages=(wine64 wine32:i386 xvfb xauth cmake locales fonts-ipafont-gothic)
# The code pages 1252, 932, 936, 950 and 949, which Wine takes from these,
# and UTF-8 (65001), which it gives for a locale that Windows has no ANSI
# code page for.
locales=(en_US ja_JP zh_CN zh_TW ko_KR hi_IN)

release=$(. /etc/os-release && echo "$VERSION_CODENAME")
archive=$(apt-get indextargets --format '$(SITE)' "Release: $release" | head -n 1)
components=$(apt-get indextargets --format '$(COMPONENT)' "Release: $release" | sort -u | paste -sd,)
[ -n "$archive" ] || { echo "apt knows no archive of $release: run apt-get update" >&2; exit 1; }

mmdebstrap --quiet --variant=minbase --architectures=amd64,i386 --components="$components" \
    --aptopt='APT::Install-Recommends "false"' --dpkgopt='path-exclude=/usr/share/doc/*' \
    --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*' \
    --include="$(IFS=,; echo "${packages[*]}")" \
    --customize-hook="for locale in ${locales[*]}; do chroot \"\$1\" localedef -i \$locale -f UTF-8 \$locale.UTF-8; done" \
    --customize-hook='rm -rf "$1/var/cache/apt" "$1/var/lib/apt/lists"' \
    "$release" "$tree" "$archive"
