#!/bin/sh
# Runs one Windows program of a build under Wine, in the build's own private
# prefix, never the user's.
# Usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
build_dir=$(cd "$1" && pwd) || exit 1
shift
. "$(dirname "$0")/wine-env.sh"
require_runnable_loader
exec "$wine_loader" "$@"
