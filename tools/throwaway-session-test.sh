#!/bin/bash
# Tests that really end the Wine session (a shutdown, a restart) or install Dormex run here, in a
# throw-away prefix with a wineserver and an Xvfb of its own, never in the session the other tests
# live in. Each case of the driver (a GoogleTest program) runs in a freshly started session of that
# prefix; the prefix is removed at the end. WINEARCH from the environment picks the prefix's width
# (64-bit by default).
# Usage: throwaway-session-test.sh [--logon] [--installed] BUILD_DIR DRIVER CASE...
#   --logon      each session is started as Windows starts one: the boot (services), then a logon
#                (the Run values of the registry)
#   --installed  nothing of the build tree on the search path: the installed programs stand alone
#   BUILD_DIR: one width's tree; DRIVER: a test program in BUILD_DIR/tests; CASE: Suite.Test.
set -u
. "$(dirname "$0")/wine-session.sh"
logon=0
installed=0
while [ $# -gt 0 ]; do
    case $1 in
    --logon) logon=1 ;;
    --installed) installed=1 ;;
    *) break ;;
    esac
    shift
done
build=$1
driver=$2
shift 2
prefix=$(mktemp -d /tmp/dormex-throwaway.XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPATH="Z:$build/bin"
unset ALSA_CONFIG_PATH
[ $installed = 1 ] && unset WINEPATH

xvfb_pid=""
cleanup() {
    wine_end_session
    rm -rf "$prefix"
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

# A display of its own: the session's windows (an always-on-top countdown among them) must not
# take the foreground from tests running meanwhile on the shared one.
if ! wine_start_xvfb; then
    echo "throwaway-session-test: Xvfb did not start" >&2
    exit 1
fi

# No audio driver: the settings dialog finds no output device.
wine_make_prefix ""

status=0
for case in "$@"; do
    echo "throwaway-session-test: $case (${WINEARCH:-win64} prefix)"
    wine_boot_session
    # A plain wineboot (not --init) does what a logon does: runs the Run values.
    [ $logon = 1 ] && wine wineboot </dev/null >/dev/null 2>&1
    wine "$build/tests/$driver" --gtest_filter="$case" || status=1
    wine_end_session
done
exit $status
