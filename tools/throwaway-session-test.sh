#!/bin/bash
# Tests that really shut down or restart the Wine session run here, in a throw-away prefix with a
# wineserver of its own, never in the session the other tests live in. Each case of the driver
# (a GoogleTest program) runs in a freshly started session of that prefix; the prefix is removed
# at the end. Usage: throwaway-session-test.sh BUILD_DIR DRIVER CASE... (BUILD_DIR: one width's
# tree; DRIVER: a test program in BUILD_DIR/tests; CASE: Suite.Test).
set -u
build=$1
driver=$2
shift 2
if [ -z "${DISPLAY:-}" ]; then
    echo "throwaway-session-test: needs DISPLAY (the notification area and windows)" >&2
    exit 77
fi
prefix=$(mktemp -d /tmp/dormex-throwaway.XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPATH="Z:$build/bin"
unset ALSA_CONFIG_PATH

end_session() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}
cleanup() {
    end_session
    rm -rf "$prefix"
}
trap cleanup EXIT

wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# No audio driver: the settings dialog finds no output device.
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null 2>&1
end_session

status=0
for case in "$@"; do
    wineserver -p
    wine "$build/tests/$driver" --gtest_filter="$case" || status=1
    end_session
done
exit $status
