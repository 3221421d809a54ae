#!/bin/sh
# Runs the demo: a Velandor.dll inside the host stand-in of a build, under
# Wine in the build's private prefix and in the double-byte code page 932,
# so its Japanese texts show.
# Usage: wine-demo.sh BUILD_DIR VELANDOR_DLL
#
# On the user's own display the user picks from the menu. On a virtual one
# (no DISPLAY, or the one that xvfb-run makes; VELANDOR_VIRTUAL_DISPLAY=1 or 0
# decides outright) the host opens the menu and its submenu by keyboard,
# saves a picture of them as BUILD_DIR/velandor-demo.png and picks a file.
build_dir=$(cd "$1" && pwd) || exit 1
plugin=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") || exit 1
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${DISPLAY:-}" ]; then
    VELANDOR_VIRTUAL_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
if [ -z "${VELANDOR_VIRTUAL_DISPLAY:-}" ]; then
    case "${XAUTHORITY:-}" in
    */xvfb-run.*) VELANDOR_VIRTUAL_DISPLAY=1 ;;
    *) VELANDOR_VIRTUAL_DISPLAY=0 ;;
    esac
fi

windows_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}

picture="$build_dir/velandor-demo.png"
set -- "$(windows_path "$plugin")"
if [ "$VELANDOR_VIRTUAL_DISPLAY" = 1 ]; then
    rm -f "$picture"
    set -- "$@" --screenshot "$(windows_path "$picture")"
fi

export LC_ALL=ja_JP.UTF-8
"$here/wine-server.sh" "$build_dir" start || exit 1
"$here/wine-run.sh" "$build_dir" "$build_dir/bin/velandor-host.exe" "$@"
status=$?
"$here/wine-server.sh" "$build_dir" stop
[ -f "$picture" ] && [ "$VELANDOR_VIRTUAL_DISPLAY" = 1 ] && echo "picture of the menu: $picture"
exit $status
