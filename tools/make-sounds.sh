#!/bin/sh
# Makes the spoken announcements and the test sound of the player (support/sounds/*.wav) with
# espeak-ng and sox: 16-bit PCM mono, 22050 Hz, the canonical 44-byte header. The files are kept
# in the repository; run this again only to change them.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/support/sounds
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# say FILE TEXT: one announcement, a little silence before and after, peaks at -1 dBFS.
say() {
    espeak-ng -v en-us -s 145 -w "$work/raw.wav" "$2"
    sox -D -R "$work/raw.wav" -r 22050 -c 1 -b 16 -e signed-integer "$work/$1" norm -1 pad 0.15 0.3
    # The player accepts "data" right after the format chunk; sox writes it so, keep it checked.
    if [ "$(od -An -c -j36 -N4 "$work/$1" | tr -d ' ')" != data ]; then
        echo "make-sounds: $1 has no canonical 44-byte header" >&2
        exit 1
    fi
    mv "$work/$1" "$out/$1"
}

mkdir -p "$out"
say Dx2Sound60.wav "This computer will shut down in 60 minutes."
say Dx2Sound30.wav "This computer will shut down in 30 minutes."
say Dx2Sound10.wav "This computer will shut down in 10 minutes."
say Dx2Sound03.wav "This computer will shut down in 3 minutes."
say Dx2Sound99.wav "This is a test sound of Dormex."
