#!/bin/sh
# Runs the host stand-in with the plug-in under Wine, in the build's private
# prefix. Usage: wine-demo.sh BUILD_DIR
build_dir=$1
here=$(dirname "$0")
"$here/wine-server.sh" "$build_dir" start || exit 1
"$here/wine-run.sh" "$build_dir" "$build_dir/bin/velandor-host.exe"
status=$?
"$here/wine-server.sh" "$build_dir" stop
exit $status
