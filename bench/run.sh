#!/usr/bin/env bash
# Runs the benchmarks of a 64-bit and a 32-bit build under Wine, in code
# pages 1252 and 932, then prints the command's, the recent lists' and the
# path compaction's figures of both builds side by side. Every program's full
# output goes to the terminal and stays in BUILD/bench-logs/. Needs an X
# display.
# Usage: bench/run.sh BUILD_X64 BUILD_X86
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: bench/run.sh BUILD_X64 BUILD_X86" >&2
    exit 2
fi
cmake_dir=$(cd "$(dirname "$0")/../cmake" && pwd) || exit 1
x64=$(cd "$1" && pwd) || exit 1
x86=$(cd "$2" && pwd) || exit 1
programs="text_bench recent_bench command_bench"
# Each locale gives Wine its ANSI code page.
locales="en_US.UTF-8:1252 ja_JP.UTF-8:932"

# One core for the programs and the Wine servers alike, which inherit it
# from this shell: across two cores every server call costs ten times as
# much and hides the plug-in's share.
taskset -cp 1 $$ >/dev/null || exit 1

started=()
stop_servers() {
    local build
    for build in "${started[@]}"; do
        "$cmake_dir/wine-server.sh" "$build" stop
    done
}
trap stop_servers EXIT

# Starts the build's Wine server. Its status is 77 where this machine
# cannot run the build's code, which the caller reports.
start_server() {
    "$cmake_dir/wine-server.sh" "$1" start >/dev/null
    local status=$?
    [ "$status" -eq 0 ] && started+=("$1")
    return "$status"
}

# The Wine loader of the build's programs.
loader() {
    (. "$1/wine.env" && echo "$wine_loader")
}

failed=0
# Runs every program of the build in every code page; a program that fails
# is reported and the others still run.
run_programs() {
    local build=$1 name=$2 entry locale program status
    mkdir -p "$build/bench-logs"
    for entry in $locales; do
        locale=${entry%%:*}
        for program in $programs; do
            echo "== $name $program, LC_ALL=$locale"
            LC_ALL=$locale "$cmake_dir/wine-run.sh" "$build" "$build/bin/$program.exe" 2>&1 |
                tee "$build/bench-logs/$program.${entry#*:}.log"
            status=${PIPESTATUS[0]}
            if [ "$status" -ne 0 ]; then
                echo "$name $program, LC_ALL=$locale: exit status $status"
                failed=1
            fi
        done
    done
}

start_server "$x64"
case $? in
0) ;;
77) echo "x64: this machine cannot run 64-bit code ($(loader "$x64") does not start)"; exit 1 ;;
*) exit 1 ;;
esac
run_programs "$x64" x64
builds=("$x64")
names=(x64)
start_server "$x86"
case $? in
0)
    run_programs "$x86" x86
    builds+=("$x86")
    names+=(x86)
    ;;
77)
    # qemu's emulator would run it, but its timings would measure qemu.
    echo "x86: this machine cannot run 32-bit code ($(loader "$x86") does not start), so the figures are x64's alone"
    ;;
*) exit 1 ;;
esac

# The figures in the logs, whose lines end in CR LF as Wine's console
# writes them.

# command_bench's summary, a row per line: entries per list and what the
# entries are labelled from|command us, bare us and overhead %.
command_figures() {
    awk '{ sub(/\r$/, "") }
         /^summary, / { in_summary = 1; next }
         in_summary && $1 ~ /^[0-9]+$/ { printf "%s %s|%11s %9s %9s %%\n", $1, $2, $3, $4, $5 }' "$1"
}

# command_bench's run on servers that never answer, one row: the profile|
# milliseconds up to the menu.
unanswered_figures() {
    awk '{ sub(/\r$/, "") }
         /^== .* servers that never answer/ { in_run = 1; next }
         in_run && /up to the menu:/ { printf "32 entries|%8s\n", $(NF - 1) }' "$1"
}

# recent_bench's reads, a row per line: values|milliseconds and the growth
# per doubling of the length, "-" for the first length.
recent_figures() {
    awk '{ sub(/\r$/, "") }
         /^ReadRecentList, / { in_table = 1; next }
         in_table && $1 ~ /^[0-9]+$/ { printf "%s|%11s %7s\n", $1, $2, (NF > 3 ? $4 : "-") }' "$1"
}

# text_bench's path compaction, a row per line: CompactPath's form|its ns,
# PathCompactPathExA's ns and their ratio.
compaction_figures() {
    awk '{ sub(/\r$/, "") }
         /^CompactPath, / {
             form = substr($0, 14, 21)
             sub(/ +$/, "", form)
             printf "%s|%8s %8s %6s\n", form, $(NF - 6), $(NF - 3), $NF
         }' "$1"
}

# One table row per row of figures (one of the two above) in the log of
# each build that ran: the code page, the row's key in a column of width,
# then each build's figures, "-" where a build has none.
side_by_side() {
    local figures=$1 log=$2 page=$3 width=$4 build
    for build in "${builds[@]}"; do
        echo "$build"
        "$figures" "$build/bench-logs/$log"
    done | awk -F'|' -v page="$page" -v width="$width" -v builds=${#builds[@]} '
        # A line without a | names the build whose figures follow.
        NF == 1 { build++; next }
        {
            if (!($1 in seen)) { seen[$1]; keys[++rows] = $1 }
            row[build, $1] = $2
        }
        END {
            for (r = 1; r <= rows; r++) {
                line = sprintf("   %9s  %-" width "s", page, keys[r])
                for (b = 1; b <= builds; b++)
                    line = line " | " ((b, keys[r]) in row ? row[b, keys[r]] : "-")
                print line
            }
        }'
}

# A table of the figures (one of the two above) in the program's logs of
# every code page: the title, a header of the key's name in a column of
# width and each build's columns, then the rows.
print_table() {
    local title=$1 figures=$2 program=$3 key=$4 width=$5 columns=$6 name entry
    echo "$title"
    printf "   code page  %-${width}s" "$key"
    for name in "${names[@]}"; do
        printf " | %-3s%s" "$name" "$columns"
    done
    echo
    for entry in $locales; do
        side_by_side "$figures" "$program.${entry#*:}.log" "${entry#*:}" "$width"
    done
}

echo
title=${names[*]}
echo "== figures of ${title// / and }, each run on one core with its Wine server"
print_table "command_bench: one run up to the menu loop against its bare calls, microseconds; entries labelled from ANSI or from stored UTF-16 text" \
    command_figures command_bench "entries, labels" 15 "$(printf '%8s %9s %11s' command bare overhead)"
print_table "command_bench: 16 files and 16 folders on servers that never answer, milliseconds up to the menu" \
    unanswered_figures command_bench profile 10 "$(printf '%5s' ms)"
print_table "recent_bench: ReadRecentList by the list's length, milliseconds, and the growth per doubling" \
    recent_figures recent_bench values 6 "$(printf '%8s %7s' ms growth)"
print_table "text_bench: CompactPath to 50 bytes against PathCompactPathExA, nanoseconds a path" \
    compaction_figures text_bench CompactPath 17 "$(printf '%5s %8s %6s' ours shell ratio)"
exit "$failed"
