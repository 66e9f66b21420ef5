#!/bin/sh
# Makes a Debian 12 machine (run as root) ready to build and test Dormex.
# Quick when everything is already installed: it only checks.
set -eu

PACKAGES="cmake make git python3
g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
wine wine64 wine32:i386 xvfb xauth xdotool
googletest
locales fonts-ipafont-gothic
espeak-ng sox imagemagick librsvg2-bin
nsis zip"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    if [ "$(id -u)" != 0 ]; then
        echo "setup: missing packages:$missing (run this script as root)" >&2
        exit 1
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

# Japanese UI tests need the Linux locale generated, or Wine silently falls back to en-US.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    if [ "$(id -u)" != 0 ]; then
        echo "setup: locale ja_JP.UTF-8 is not generated (run this script as root)" >&2
        exit 1
    fi
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
fi
