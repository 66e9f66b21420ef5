#!/bin/bash
# Builds dist/ from the built trees (make build): Dormex-<version>-win.zip, the programs of both
# widths with the README for Windows administrators, and the installer Dormex-<version>-Setup.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
dist=$root/dist
version=$(sed -n 's/^project(Dormex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if [ -z "$version" ]; then
    echo "make-dist: no version in CMakeLists.txt" >&2
    exit 1
fi

bin32=$build/win32/bin
bin64=$build/win64/bin
files32="OrvDx2Serv32.exe OrvDx2App32.exe OrvDx2Demon32.exe OrvDx2Setup32.exe OrvDx2ReBoot32.exe
OrvDx2LogView32.exe OrvCtl32.dll OrvDl2SubFuncs32.dll
Dx2Sound60.wav Dx2Sound30.wav Dx2Sound10.wav Dx2Sound03.wav Dx2Sound99.wav"
files64="OrvDx2App64.exe OrvDx2Demon64.exe OrvCtl64.dll OrvDl2SubFuncs64.dll"

name=Dormex-$version
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/$name"
for f in $files32; do cp "$bin32/$f" "$work/$name/"; done
for f in $files64; do cp "$bin64/$f" "$work/$name/"; done
# Windows' Notepad before 2018 shows LF-only text as one line.
sed -e "s/@VERSION@/$version/g" -e 's/\r$//' -e 's/$/\r/' "$root/packaging/README-Windows.txt" \
    > "$work/$name/README.txt"

mkdir -p "$dist"
rm -f "$dist/$name-win.zip" "$dist/$name-Setup.exe"
(cd "$work" && zip -q -X -r "$dist/$name-win.zip" "$name")
makensis -V2 -WX -DVERSION="$version" -DBIN32="$bin32" -DBIN64="$bin64" -DREADME="$work/$name/README.txt" \
    -DOUTFILE="$dist/$name-Setup.exe" "$root/packaging/dormex.nsi"
echo "make-dist: $dist/$name-win.zip, $dist/$name-Setup.exe"
