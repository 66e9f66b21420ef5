#!/bin/bash
# The application's real shutdown and restart, in a throw-away Wine prefix with a wineserver of its
# own: each case of app_endsession_driver runs in a freshly started session of that prefix, and
# the prefix is removed at the end. Usage: app-endsession-test.sh BUILD_DIR (one width's tree).
set -u
build=$1
if [ -z "${DISPLAY:-}" ]; then
    echo "app-endsession-test: needs DISPLAY (the notification area and windows)" >&2
    exit 77
fi
prefix=$(mktemp -d /tmp/dormex-endsession.XXXXXX)
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
for case in EmptyDeviceListThenShutdownNow RebootNow ShutdownCommandFromTheService; do
    wineserver -p
    wineboot -i >/dev/null 2>&1
    wine "$build/tests/app_endsession_driver.exe" --gtest_filter="AppEndSessionTest.$case" || status=1
    end_session
done
exit $status
