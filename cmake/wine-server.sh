#!/bin/sh
# Starts or stops the Wine server of the build's private prefix. The tests
# share one server for the whole run, and the prefix is made once, before
# any test starts, so no two tests race to make it.
# Usage: wine-server.sh BUILD_DIR start|stop
build_dir=$(cd "$1" && pwd) || exit 1
. "$(dirname "$0")/wine-env.sh"
export WINEDEBUG=-all
case "$2" in
start)
    require_runnable_loader
    mkdir -p "$WINEPREFIX"
    /usr/lib/wine/wineserver -k 2>/dev/null
    /usr/lib/wine/wineserver -w
    # The server and the prefix's own processes outlive this script: they
    # must not hold the caller's output open, or the caller waits for them.
    /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || exit 1
    # Wine makes the prefix where there is none and updates it where Wine
    # is newer; otherwise it only starts.
    "$wine_loader" wineboot </dev/null >"$build_dir/wineboot.log" 2>&1 || exit 1
    # The prefix's settings for unattended test runs.
    settings=$(printf 'Z:%s' "$(cd "$(dirname "$0")" && pwd)/wine-prefix.reg" | tr / '\\')
    exec "$wine_loader" regedit /S "$settings" </dev/null >>"$build_dir/wineboot.log" 2>&1
    ;;
stop)
    /usr/lib/wine/wineserver -k 2>/dev/null
    /usr/lib/wine/wineserver -w
    exit 0
    ;;
esac
echo "usage: wine-server.sh BUILD_DIR start|stop" >&2
exit 2
