#!/bin/sh
# Starts or stops the Wine server of the build's private prefix. The tests
# share one server for the whole run, and the prefix is made once, before
# any test starts, so no two tests race to make it.
# Usage: wine-server.sh BUILD_DIR start|stop
build_dir=$(cd "$1" && pwd) || exit 1
export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$2" in
start)
    mkdir -p "$WINEPREFIX"
    /usr/lib/wine/wineserver -k 2>/dev/null
    /usr/lib/wine/wineserver -w
    # The server and the prefix's own processes outlive this script: they
    # must not hold the caller's output open, or the caller waits for them.
    /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || exit 1
    /usr/lib/wine/wine64 wineboot -u </dev/null >"$build_dir/wineboot.log" 2>&1 || exit 1
    # Without a window manager, Wine waits two seconds for every managed
    # window that is hidden or destroyed; unmanaged windows skip that wait.
    exec /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        </dev/null >>"$build_dir/wineboot.log" 2>&1
    ;;
stop)
    /usr/lib/wine/wineserver -k 2>/dev/null
    /usr/lib/wine/wineserver -w
    exit 0
    ;;
esac
echo "usage: wine-server.sh BUILD_DIR start|stop" >&2
exit 2
