#!/bin/bash
# Runs bench/app_bench.exe of one width in the current Wine session (WINEPREFIX, DISPLAY set and
# the session booted) and measures the application's idle CPU time and memory from /proc, which
# Wine's own figures for another process do not reflect.
# Usage: tools/app-bench.sh BUILD_DIR [IDLE_SECONDS]
set -eu
build=$1
idle=${2:-300}
export WINEPATH="Z:$build/bin"
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
wine "$build/bench/app_bench.exe" "$idle" | while IFS= read -r line; do
    case "$line" in
    "IDLE START"*)
        pid=$(pgrep -n -f 'OrvDx2App(32|64)\.exe')
        before=$(cpu "$pid")
        ;;
    "IDLE END"*)
        after=$(cpu "$pid")
        awk -v t=$((after - before)) -v hz="$ticks" -v s="$idle" \
            'BEGIN { printf "idle CPU (Linux process): %.2f s in %d s = %.2f s per hour\n", t / hz, s, t / hz * 3600 / s }'
        grep -E '^(VmRSS|RssAnon|VmData)' "/proc/$pid/status" | sed 's/^/memory: /'
        ;;
    *) echo "$line" ;;
    esac
done
