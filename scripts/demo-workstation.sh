#!/bin/sh
# Makes the prefix the environment names (see wine-env.sh) a demo
# workstation: the MXT registry value and the two version files of
# examples/demo-workstation/ at their default places.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/wine-prefix.sh"
. "$root/scripts/wine-env.sh"
demo="$root/examples/demo-workstation"
wine regedit /S "$(winepath -w "$demo/mxt-version.reg")"
mkdir -p "$WINEPREFIX/drive_c/RVKTESTER" "$WINEPREFIX/drive_c/ECMPCM"
cp "$demo/RVKTESTER/ver.txt" "$WINEPREFIX/drive_c/RVKTESTER/ver.txt"
cp "$demo/ECMPCM/ver.txt" "$WINEPREFIX/drive_c/ECMPCM/ver.txt"
wineserver -w
