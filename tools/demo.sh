#!/bin/bash
# `make demo`: the whole system at work in a Wine prefix of its own (build/demo/wineprefix, made
# afresh each run, with a wineserver of its own; never the test prefixes). The programs of both
# widths, the DLLs and the wave files are copied into "C:\Program Files\Dormex", the setup tool
# installs from there, and OrvDx2Demo32 (demo/) opens the log viewer, schedules a shutdown about
# four minutes ahead through the settings dialog and follows the chain to the shutdown, printing
# every log line. With DISPLAY set the windows appear there; without, an Xvfb of our own is used
# and pictures are saved. Everything it starts it ends, also on Ctrl+C.
# Usage: tools/demo.sh [--forced] [--japanese]   (make demo [FORCED=1] [JA=1])
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-session.sh"
build=$(cd "$root" && realpath -m "${BUILD:-build}") # the Makefile's BUILD
demo=$build/demo
prefix=$demo/wineprefix
out=$demo/output
program_folder='C:\Program Files\Dormex'

forced=0
japanese=0
for argument in "$@"; do
    case $argument in
    --forced) forced=1 ;;
    --japanese) japanese=1 ;;
    *)
        echo "usage: $0 [--forced] [--japanese]" >&2
        exit 2
        ;;
    esac
done

lang=C.UTF-8
[ $japanese = 1 ] && lang=ja_JP.UTF-8
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=$lang LC_ALL=$lang
unset WINEPATH

xvfb_pid=""
server_pid=""
cleanup() {
    if [ -n "$server_pid" ]; then
        wineserver -k 2>/dev/null
        wait "$server_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

say() { printf '%s demo.sh: %s\n' "$(date '+%F %T.%3N')" "$*"; }
fail() {
    say "FAILED: $*"
    exit 1
}

# poll SECONDS COMMAND...: true as soon as the command succeeds, false after the time.
poll() {
    local tenths=$(($1 * 10))
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# The wineserver of the prefix runs in the foreground of a child of ours, so that we know its pid
# and can end it. It stays 10 s after the last program of the session has gone (a forced shutdown
# kills them all) and then exits. It is ready when its socket exists in its working folder (the
# server folder of the prefix).
start_session() {
    wineserver -f -p10 2>/dev/null &
    server_pid=$!
    poll 10 test -S "/proc/$server_pid/cwd/socket" || fail "the wineserver did not start"
}

session_running() { [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; }

started=$(date +%s)
files32="OrvDx2Setup32.exe OrvDx2Serv32.exe OrvDx2Demon32.exe OrvDx2App32.exe OrvDx2LogView32.exe
OrvDl2SubFuncs32.dll OrvCtl32.dll Dx2Sound60.wav Dx2Sound30.wav Dx2Sound10.wav Dx2Sound03.wav Dx2Sound99.wav"
files64="OrvDx2Demon64.exe OrvDx2App64.exe OrvDl2SubFuncs64.dll OrvCtl64.dll"
demo_program=$build/win32/demo/OrvDx2Demo32.exe
for f in $files32; do [ -f "$build/win32/bin/$f" ] || fail "build/win32/bin/$f is missing: run make build"; done
for f in $files64; do [ -f "$build/win64/bin/$f" ] || fail "build/win64/bin/$f is missing: run make build"; done
[ -f "$demo_program" ] || fail "$demo_program is missing: run make build"

rm -rf "$out"
mkdir -p "$out"
shots=0
if [ -z "${DISPLAY:-}" ]; then
    # Room for the log viewer (about 1300 pixels wide) beside the others.
    wine_start_xvfb 1600x1200x24 || fail "Xvfb did not start"
    shots=1
    display_note="headless: an Xvfb of its own ($DISPLAY), pictures saved"
else
    display_note="windows shown on DISPLAY=$DISPLAY"
fi

# No sound card needed: what Wine plays goes into a file.
capture=$out/sound-capture.raw
export ALSA_CONFIG_PATH=$demo/alsa-capture.conf
cat >"$ALSA_CONFIG_PATH" <<CONF
pcm.!default { type file slave { pcm { type null } } file "$capture" format "raw" }
CONF

say "a new Wine prefix $prefix (LANG=$lang; about 20 s)"
rm -rf "$prefix"
managed=Y
[ $shots = 1 ] && managed=N # no window manager on our own Xvfb
wine_make_prefix alsa $managed || fail "wineboot could not make the prefix"

install_dir="$prefix/drive_c/Program Files/Dormex"
say "copying the programs of both widths, the DLLs and the wave files into $program_folder"
mkdir -p "$install_dir"
for f in $files32; do cp "$build/win32/bin/$f" "$install_dir/"; done
for f in $files64; do cp "$build/win64/bin/$f" "$install_dir/"; done

start_session
say "OrvDx2Setup32.exe /Install (registers and starts the service Dormex_Serv, starts the watchdog)"
wine "$program_folder\\OrvDx2Setup32.exe" /Install </dev/null >/dev/null 2>&1

demo_args=("$program_folder")
[ $forced = 1 ] && demo_args+=(--forced)
[ $shots = 1 ] && demo_args+=(--screenshots "Z:$(echo "$out" | tr / '\\')")
# The demo proper starts once the application runs: Wine's end-session round takes processes in
# the order of their ids, and the demo must have its turn after the application's.
wine "$demo_program" "$program_folder" --await-application </dev/null 2>&1 ||
    fail "the watchdog did not start the application"
say "OrvDx2Demo32.exe: log viewer, settings, and the chain to the shutdown (about 6 minutes)"
timeout 900 wine "$demo_program" "${demo_args[@]}" </dev/null 2>&1 | tee "$out/demo.log"
demo_status=${PIPESTATUS[0]}

session_end=""
ended_itself=0
if [ $forced = 1 ]; then
    if poll 30 bash -c "! kill -0 $server_pid 2>/dev/null"; then
        wait "$server_pid" 2>/dev/null
        server_pid=""
        ended_itself=1
        session_end="the forced shutdown killed every program of the Wine session, and its wineserver exited"
    else
        session_end="the Wine session still ran after the demo; the demo ends it (wineserver -k)"
    fi
fi
if session_running; then
    wineserver -k
    wait "$server_pid" 2>/dev/null
    server_pid=""
    [ -n "$session_end" ] || session_end="the demo ended the Wine session (wineserver -k)"
fi

# Pictures: BMP from Wine, PNG for people.
pictures=""
for bmp in "$out"/*.bmp; do
    [ -f "$bmp" ] || continue
    png=${bmp%.bmp}.png
    if convert "$bmp" "$png" 2>/dev/null; then
        rm -f "$bmp"
        pictures="$pictures $(basename "$png")"
    fi
done

# The played announcement as a wave file, in the format of the one the service played.
sound_note="no sound was captured"
if [ -s "$capture" ]; then
    wave=$install_dir/Dx2Sound03.wav
    rate=$(soxi -r "$wave" 2>/dev/null)
    channels=$(soxi -c "$wave" 2>/dev/null)
    bits=$(soxi -b "$wave" 2>/dev/null)
    encoding=signed-integer
    [ "$bits" = 8 ] && encoding=unsigned-integer
    sound_note="$capture ($(stat -c %s "$capture") bytes of PCM)"
    if sox -t raw -r "$rate" -c "$channels" -b "$bits" -e "$encoding" "$capture" "$out/announcement.wav" 2>/dev/null; then
        sound_note="$sound_note, as a wave file: $out/announcement.wav"
    fi
fi

# key LABEL PATTERN: the first line of the run that holds PATTERN, with its time.
missing=0
key() {
    local line
    line=$(grep -m1 -F -- "$2" "$out/demo.log")
    if [ -n "$line" ]; then
        printf '  %-13s %s  %s\n' "$1" "$(echo "$line" | cut -d' ' -f2)" "$(echo "$line" | sed 's/^[^ ]* [^ ]* *//')"
    else
        printf '  %-13s (not seen: %s)\n' "$1" "$2"
        missing=1
    fi
}

elapsed=$(($(date +%s) - started))
mode="normal shutdown"
[ $forced = 1 ] && mode="forced shutdown"
ui="English UI"
[ $japanese = 1 ] && ui="Japanese UI"
echo
echo "==== Dormex demo: $mode, $ui (LANG=$lang), $display_note"
echo "What ran, in $prefix:"
echo "  OrvDx2Setup32.exe /Install from $program_folder: service Dormex_Serv (OrvDx2Serv32), watchdog"
echo "  OrvDx2Demon32, which started the application OrvDx2App32; the log viewer OrvDx2LogView32;"
echo "  OrvDx2Demo32, which entered the shutdown into the settings dialog and read the viewer."
echo "What was seen (times of the log lines):"
key install "SUP: ---------- End of Installation. ----------"
key settings "demo: settings entered:"
key saved "APP: Save setting information."
key reload "SVC: Received Command cmd=0x07"
key scheduled "SVC: Set resume time"
key announcement "SVC: Sound announced."
key wake-up "SVC: Waitable timer timeout"
key warning "SVC: -> SVM_WARNNING"
key countdown "demo: the countdown appears:"
if [ $forced = 1 ]; then
    key shutdown "SVC: Forced Shutdown is executed!"
else
    key shutdown "APP: Normal Shutdown is executed!"
    key end "APP: End of program."
fi
echo "  session end   $session_end"
echo "Output folder: $out"
echo "  demo.log (everything above)${pictures:+; pictures:$pictures}"
echo "  sound: $sound_note"
printf 'Run time: %d min %02d s\n' $((elapsed / 60)) $((elapsed % 60))

if grep -q 'demo: FAILED' "$out/demo.log" || [ $missing = 1 ]; then
    echo "RESULT: the chain did not complete (wine exit code $demo_status)"
    exit 1
fi
if [ $forced = 1 ] && [ $ended_itself = 0 ]; then
    echo "RESULT: the forced shutdown did not end the session"
    exit 1
fi
echo "RESULT: the chain completed"
