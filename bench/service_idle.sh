#!/bin/bash
# Idle cost of the shutdown service under Wine, beside a service that only sleeps (the floor):
# CPU time per hour of running and peak private memory (Private_Clean + Private_Dirty of the
# process, sampled every 5 s). Runs in a Wine prefix of its own; ends everything it starts.
# Usage: bench/service_idle.sh [minutes]   (after `make build`)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-3}
build=$root/build/win32
export WINEPREFIX=$root/build/bench-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
unset DISPLAY

cleanup() {
    local name
    for name in DormexBenchServ DormexBenchIdle; do
        wine sc stop "$name" </dev/null >/dev/null 2>&1 || true
        wine sc delete "$name" </dev/null >/dev/null 2>&1 || true
    done
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}
trap cleanup EXIT

[ -d "$WINEPREFIX" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
wineserver -p
# Booted by its first program: an explicit `wineboot -i` would start a second services.exe.
wine cmd /c exit </dev/null >/dev/null 2>&1

# The Linux process of a running service program of this prefix.
service_pid() {
    local exe=$1 pid
    for pid in $(pgrep -f "$exe"); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$pid"
            return
        fi
    done
    # services.exe starts programs with its own environment: take the newest match then.
    pgrep -n -f "$exe"
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
private_kb() { awk '/^Private_(Clean|Dirty):/ {sum += $2} END {print sum}' "/proc/$1/smaps_rollup"; }

declare -A exe=([DormexBenchServ]="$build/bin/OrvDx2Serv32.exe" [DormexBenchIdle]="$build/bench/idle_service.exe")
declare -A pid start_ticks peak
for name in DormexBenchServ DormexBenchIdle; do
    wine sc create "$name" binpath= "$(winepath -w "${exe[$name]}")" </dev/null >/dev/null
    wine sc start "$name" </dev/null >/dev/null
done
sleep 5 # let both finish their start before measuring
for name in "${!exe[@]}"; do
    pid[$name]=$(service_pid "$(basename "${exe[$name]}")")
    [ -n "${pid[$name]}" ] || { echo "service_idle: $name is not running" >&2; exit 1; }
    start_ticks[$name]=$(cpu_ticks "${pid[$name]}")
    peak[$name]=$(private_kb "${pid[$name]}")
done

start=$(date +%s)
end=$((start + minutes * 60))
while [ "$(date +%s)" -lt "$end" ]; do
    sleep 5
    for name in "${!exe[@]}"; do
        kb=$(private_kb "${pid[$name]}")
        [ "$kb" -gt "${peak[$name]}" ] && peak[$name]=$kb
    done
done
elapsed=$(($(date +%s) - start))
hz=$(getconf CLK_TCK)

printf '%-22s %18s %22s\n' "service" "CPU s per hour" "peak private memory"
for name in DormexBenchServ DormexBenchIdle; do
    ticks=$(($(cpu_ticks "${pid[$name]}") - start_ticks[$name]))
    per_hour=$(awk -v t="$ticks" -v hz="$hz" -v s="$elapsed" 'BEGIN {printf "%.2f", t / hz * 3600 / s}')
    label=$([ "$name" = DormexBenchServ ] && echo "OrvDx2Serv32" || echo "do-nothing service")
    printf '%-22s %18s %19s KB\n' "$label" "$per_hour" "${peak[$name]}"
done
echo "($elapsed s of idle running, Wine $(wine --version))"
