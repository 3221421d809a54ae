# Sourced by the Wine scripts: the environment of one build's private Wine
# prefix, never the user's. The build writes BUILD_DIR/wine.env, which names
# the prefix's architecture and its loader: the 64-bit build runs under
# 64-bit Wine, the 32-bit one under 32-bit Wine in a win32 prefix of its own.
# Expects build_dir to be set.
if [ ! -f "$build_dir/wine.env" ]; then
    echo "$build_dir/wine.env is missing: configure the build first" >&2
    exit 1
fi
. "$build_dir/wine.env"
export WINEARCH
export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

# Exits with 77 when the loader cannot run on this machine: a kernel without
# i386 support cannot execute 32-bit Wine at all. The bench reports it; a
# test fails on it, since ./dev test runs such a lane under an emulator.
require_runnable_loader() {
    case "$("$wine_loader" --version 2>/dev/null)" in
    wine-*) ;;
    *)
        if [ -e "$wine_loader" ]; then
            echo "this machine cannot run $WINEARCH code ($wine_loader does not start): ./dev test runs it under an emulator"
            exit 77
        fi
        echo "$wine_loader is missing: Wine comes with the test root, in which ./dev runs the tests (testsystem/run)" >&2
        exit 1
        ;;
    esac
}
