#!/bin/sh
# Runs one test program under Wine with heap validation on: Wine checks every
# heap block on every heap call and reports damage as "err:heap" lines, and a
# block freed twice as a "warn:heap" line. The rest of what heap tracing
# prints is discarded. Fails when the program fails
# or when any heap error was reported. VELANDOR_LIGHT_WORKLOAD tells the tests to
# shrink their bulk workloads, since every heap call is slow under the check.
# Usage: wine-heapcheck.sh BUILD_DIR PROGRAM [ARGS...]
build_dir=$1
shift
errors=$(mktemp)
status_file=$(mktemp)
# The program's own output goes to fd 3, the caller's output; only what
# Wine prints on stderr passes through the filter.
{
    {
        VELANDOR_LIGHT_WORKLOAD=1 WINEDEBUG=+heap "$(dirname "$0")/wine-run.sh" "$build_dir" "$@" 2>&1 >&3 3>&-
        echo $? >"$status_file"
    } | grep -E '(err|warn):heap' >"$errors"
} 3>&1
status=$(cat "$status_file")
count=$(wc -l <"$errors")
if [ "$status" -eq 77 ]; then # the program could not start here at all
    rm -f "$errors" "$status_file"
    exit 77
fi
head -n 20 "$errors"
rm -f "$errors" "$status_file"
echo "heap errors: $count"
[ "$status" -eq 0 ] && [ "$count" -eq 0 ]
