#!/bin/bash
# Runs every test of both widths under Wine (arguments, e.g. -R pattern, go to every CTest run): a private prefix per language inside build/, an Xvfb
# of our own, one persistent Wine session per language. Everything it starts, it ends.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
. "$root/tools/wine-session.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=""
session_prefix=""
status=0
extra_args=("$@")

stop_session() {
    if [ -n "$session_prefix" ]; then
        WINEPREFIX=$session_prefix wine_end_session
        session_prefix=""
    fi
}
cleanup() {
    stop_session
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Sound played by Wine goes to a file (no sound card needed); tests compare it with the samples.
write_sound_capture_config() {
    export DORMEX_SOUND_CAPTURE=$build/sound-capture.raw
    export ALSA_CONFIG_PATH=$build/alsa-capture.conf
    cat > "$ALSA_CONFIG_PATH" <<CONF
pcm.!default { type file slave { pcm { type null } } file "$DORMEX_SOUND_CAPTURE" format "raw" }
CONF
}

# boot_session PREFIX LOCALE: a booted, persistent Wine session in its own prefix.
boot_session() {
    export WINEPREFIX=$1 LANG=$2 LC_ALL=$2
    session_prefix=$WINEPREFIX
    wine_keep_prefix alsa
    wine_boot_session
}

# run_ctest WIDTH ARGS...: one CTest run in a build tree; a failure marks the whole run failed.
run_ctest() {
    local width=$1
    shift
    echo "=== win$width: ctest $*"
    ctest --test-dir "$build/win$width" --output-on-failure -j2 "$@" "${extra_args[@]}" || status=1
}

if ! wine_start_xvfb; then
    echo "run-tests: Xvfb did not start" >&2
    exit 1
fi
write_sound_capture_config

boot_session "$build/wineprefix" C.UTF-8
for w in 32 64; do run_ctest $w -LE 'ja|slow'; done
for w in 32 64; do run_ctest $w -L slow -LE ja; done
stop_session

boot_session "$build/wineprefix-ja" ja_JP.UTF-8
for w in 32 64; do run_ctest $w -L ja; done
stop_session

exit $status
