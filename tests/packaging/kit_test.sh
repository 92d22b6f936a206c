#!/bin/sh
# The integrator's kit as an integrator gets it: unpacks the zip into a
# fresh 64-bit demo workstation, registers the x64 module from there with
# the 64-bit regsvr32 and runs the VBScript example; compiles the C++
# example against the kit's include/ alone and runs it too.
#   kit_test.sh <Korvel-<version>.zip> <work folder>
set -u
zip="$1"
work="$2"
here="$(cd "$(dirname "$0")" && pwd)"
scripts="$here/../../scripts"
. "$here/checks.sh"
name="$(basename "$zip" .zip)"
rm -rf "$work"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
export KORVEL_WINEARCH=win64 KORVEL_WINEPREFIX="$work/prefix"
"$scripts/demo-workstation.sh" || { fail "no demo workstation"; finish kit; exit; }
. "$scripts/wine-env.sh"

unzip -q "$zip" -d "$WINEPREFIX/drive_c/Kit" || fail "unzip"
kit="$WINEPREFIX/drive_c/Kit/$name"
for file in x86/Korvel.DLL x64/Korvel.DLL include/korvel.h include/korvel_i.c idl/korvel.idl \
    examples/korvel_versions.vbs examples/korvel_versions.js examples/korvel_client.cpp README.txt; do
  [ -f "$kit/$file" ] || fail "the kit has no $file"
done
windowsKit="C:\\Kit\\$name"
wine regsvr32 /s "$windowsKit\\x64\\Korvel.DLL" || fail "regsvr32 of the kit's x64 module"
shows_demo_versions "the VBScript example" \
  "$(wine cscript //nologo "$windowsKit\\examples\\korvel_versions.vbs")"

# Nothing of the source tree: only the kit's files, in a folder of their own.
mkdir -p "$work/client"
cp "$kit/examples/korvel_client.cpp" "$kit/include/korvel.h" "$kit/include/korvel_i.c" "$work/client/"
(cd "$work/client" &&
  x86_64-w64-mingw32-g++ -std=c++17 -Wall -Wextra -Werror -I. korvel_client.cpp korvel_i.c \
    -static -lole32 -loleaut32 -luuid -o korvel_client.exe) || fail "compiling the C++ example"
[ -f "$work/client/korvel_client.exe" ] &&
  shows_demo_versions "the C++ example" "$(wine "$work/client/korvel_client.exe")"

wine regsvr32 /u /s "$windowsKit\\x64\\Korvel.DLL" || fail "regsvr32 /u"
wineserver -w
finish "kit"
