#!/bin/bash
# Saves PNG pictures of the application's settings dialog and countdown, in English and in
# Japanese, into docs/. Needs a build (make build). Runs its own Xvfb and Wine sessions (the test
# prefixes inside build/) and ends them.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win32
docs=$root/docs
. "$root/tools/wine-session.sh"
mkdir -p "$docs"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPATH="Z:$build/bin"

xvfb_pid=""
prefix=""
cleanup() {
    if [ -n "$prefix" ]; then WINEPREFIX=$prefix wine_end_session || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
wine_start_xvfb

shoot() { # LANGUAGE-TAG LOCALE PREFIX
    prefix=$3
    export WINEPREFIX=$prefix LANG=$2 LC_ALL=$2
    wine_keep_prefix alsa
    wine_boot_session
    local tmp
    tmp=$(mktemp -d)
    wine "$build/tests/app_screenshot.exe" "Z:$tmp/settings.bmp" "Z:$tmp/countdown.bmp"
    convert "$tmp/settings.bmp" "$docs/settings-$1.png"
    convert "$tmp/countdown.bmp" "$docs/countdown-$1.png"
    rm -rf "$tmp"
    wine_end_session
    prefix=""
}

shoot en C.UTF-8 "$root/build/wineprefix"
shoot ja ja_JP.UTF-8 "$root/build/wineprefix-ja"
echo "Pictures in $docs"
