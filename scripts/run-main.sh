#!/bin/sh
# The main job: builds everything, prepares a demo workstation (a Wine
# prefix with the MXT registry value and the two version files at their
# default places) and asks for the three versions.
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
wineserver -w
echo "--- versions on the demo workstation ---"
wine "$root/build/win32/examples/version_probe.exe"
echo "---"
echo "The demo workstation is the Wine prefix $WINEPREFIX."
echo "Run the probe again with:"
echo "  KORVEL_WINEPREFIX=$WINEPREFIX $root/scripts/wine-run.sh $root/build/win32/examples/version_probe.exe"
