#!/bin/bash
# The installer's test: in a throw-away prefix with a wineserver of its own (WINEARCH from the
# environment picks its width; 64-bit by default), each case of the driver runs in a new session
# of that prefix, started as Windows starts one: the boot (services), then a logon (the Run
# values). The prefix is removed at the end.
# Usage: installer-test.sh BUILD_DIR DRIVER CASE... (BUILD_DIR: the 32-bit tree; DRIVER: a test
# program in BUILD_DIR/tests; CASE: Suite.Test). The driver finds the installer through
# DORMEX_INSTALLER.
set -u
build=$1
driver=$2
shift 2
if [ -z "${DISPLAY:-}" ]; then
    echo "installer-test: needs DISPLAY (the notification area and windows)" >&2
    exit 77
fi
prefix=$(mktemp -d /tmp/dormex-installer.XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Nothing of the build tree on the search path: the installed programs must stand alone.
unset WINEPATH ALSA_CONFIG_PATH

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
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null 2>&1
end_session

status=0
for case in "$@"; do
    echo "installer-test: $case (${WINEARCH:-win64} prefix)"
    wineserver -p
    # The first program boots the session (wineboot --init: services); a plain wineboot then does
    # what a logon does: runs the Run values.
    wine cmd /c exit </dev/null >/dev/null 2>&1
    wine wineboot </dev/null >/dev/null 2>&1
    wine "$build/tests/$driver" --gtest_filter="$case" || status=1
    end_session
done
exit $status
