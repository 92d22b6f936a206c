#!/bin/sh
# The main job: builds Korvel.DLL, prepares a demo workstation (a Wine
# prefix with the MXT registry value and the two version files at their
# default places), registers the DLL with regsvr32 and runs the VBScript
# example, which prints the three versions, the error code and the
# description string.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" win32
export KORVEL_WINEPREFIX="$root/build/demo-workstation"
"$root/scripts/wine-prefix.sh"
. "$root/scripts/wine-env.sh"
demo="$root/examples/demo-workstation"
wine regedit /S "$(winepath -w "$demo/mxt-version.reg")"
mkdir -p "$WINEPREFIX/drive_c/RVKTESTER" "$WINEPREFIX/drive_c/ECMPCM"
cp "$demo/RVKTESTER/ver.txt" "$WINEPREFIX/drive_c/RVKTESTER/ver.txt"
cp "$demo/ECMPCM/ver.txt" "$WINEPREFIX/drive_c/ECMPCM/ver.txt"
# The component goes where an installer would put it.
mkdir -p "$WINEPREFIX/drive_c/Program Files/Korvel"
cp "$root/build/win32/server/Korvel.DLL" "$WINEPREFIX/drive_c/Program Files/Korvel/Korvel.DLL"
wine regsvr32 /s 'C:\Program Files\Korvel\Korvel.DLL'
cp "$root/examples/scripts/korvel_versions.vbs" "$WINEPREFIX/drive_c/Program Files/Korvel/"
wineserver -w
echo "--- versions on the demo workstation ---"
wine cscript //nologo 'C:\Program Files\Korvel\korvel_versions.vbs' | tr -d '\r'
echo "---"
echo "The demo workstation is the Wine prefix $WINEPREFIX,"
echo "with Korvel.DLL registered from C:\\Program Files\\Korvel. Run the example again with:"
echo "  KORVEL_WINEPREFIX=$WINEPREFIX $root/scripts/wine-run.sh cscript //nologo 'C:\\Program Files\\Korvel\\korvel_versions.vbs'"
