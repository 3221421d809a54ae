#!/bin/sh
# Runs one Windows program of the 64-bit build under Wine, in the build's own
# private prefix, never the user's.
# Usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
build_dir=$(cd "$1" && pwd) || exit 1
shift
export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export LOCPATH="${LOCPATH:-$build_dir/locale}"
exec /usr/lib/wine/wine64 "$@"
