#!/bin/bash
# Saves PNG pictures of the application's settings dialog and countdown, in English and in
# Japanese, into docs/. Needs a build (make build). Runs its own Xvfb and Wine sessions (the test
# prefixes inside build/) and ends them.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win32
docs=$root/docs
mkdir -p "$docs"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPATH="Z:$build/bin"

fd_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" 2>/dev/null &
xvfb_pid=$!
prefix=""
cleanup() {
    if [ -n "$prefix" ]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; fi
    kill "$xvfb_pid" 2>/dev/null || true
    rm -f "$fd_file"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$fd_file")"

shoot() { # LANGUAGE-TAG LOCALE PREFIX
    prefix=$3
    export WINEPREFIX=$prefix LANG=$2 LC_ALL=$2
    if [ ! -f "$prefix/.dormex-ready" ]; then
        rm -rf "$prefix"
        wineboot -i >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
        wineserver -k; wineserver -w
        touch "$prefix/.dormex-ready"
    fi
    wineserver -p
    wineboot -i >/dev/null 2>&1
    local tmp
    tmp=$(mktemp -d)
    wine "$build/tests/app_screenshot.exe" "Z:$tmp/settings.bmp" "Z:$tmp/countdown.bmp"
    convert "$tmp/settings.bmp" "$docs/settings-$1.png"
    convert "$tmp/countdown.bmp" "$docs/countdown-$1.png"
    rm -rf "$tmp"
    wineserver -k; wineserver -w
    prefix=""
}

shoot en C.UTF-8 "$root/build/wineprefix"
shoot ja ja_JP.UTF-8 "$root/build/wineprefix-ja"
echo "Pictures in $docs"
