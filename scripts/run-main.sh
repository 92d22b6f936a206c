#!/bin/sh
# The main job: builds both modules of Korvel.DLL, prepares a demo
# workstation (a 64-bit Wine prefix with the MXT registry value and the two
# version files at their default places), installs and registers the
# 64-bit module as an installer would, and runs the VBScript example with
# the 64-bit cscript: it prints the three versions, the error code and the
# description string. Where this machine runs 32-bit programs, it does the
# same with the 32-bit module and the 32-bit cscript of SysWOW64.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" win64 Korvel
"$root/scripts/build.sh" win32 Korvel wine_probe
export KORVEL_WINEARCH=win64
export KORVEL_WINEPREFIX="$root/build/demo-workstation"
# A demo workstation left by an earlier, 32-bit only version of this job is
# made anew.
if grep -qs '^#arch=win32' "$KORVEL_WINEPREFIX/system.reg"; then
  echo "replacing the 32-bit demo workstation at $KORVEL_WINEPREFIX"
  rm -rf "$KORVEL_WINEPREFIX"
fi
"$root/scripts/demo-workstation.sh"
. "$root/scripts/wine-env.sh"

# windows_path <folder under drive_c>: the folder as Windows names it.
windows_path() { printf 'C:\\%s\n' "$1" | tr / '\\'; }
# install_module <build> <folder under drive_c> <regsvr32>: puts the module
# and the example where an installer would and registers the module with
# the regsvr32 of its own bitness.
install_module() {
  mkdir -p "$WINEPREFIX/drive_c/$2"
  cp "$root/build/$1/server/Korvel.DLL" "$root/examples/scripts/korvel_versions.vbs" \
    "$WINEPREFIX/drive_c/$2/"
  wine "$3" /s "$(windows_path "$2")\\Korvel.DLL"
  wineserver -w
}
# show_versions <cscript> <folder under drive_c> <which>: runs the example.
show_versions() {
  echo "--- versions on the demo workstation, through the $3 ---"
  wine "$1" //nologo "$(windows_path "$2")\\korvel_versions.vbs" | tr -d '\r'
  echo "---"
}

install_module win64 'Program Files/Korvel' 'C:\windows\system32\regsvr32.exe'
show_versions 'C:\windows\system32\cscript.exe' 'Program Files/Korvel' \
  "64-bit module (C:\\Program Files\\Korvel, System32 cscript)"
ran="the 64-bit module, registered from C:\\Program Files\\Korvel"
if reason="$("$root/scripts/wine-probe.sh" 32 "$root/build/win32/tests/wine_probe.exe")"; then
  install_module win32 'Program Files (x86)/Korvel' 'C:\windows\syswow64\regsvr32.exe'
  show_versions 'C:\windows\syswow64\cscript.exe' 'Program Files (x86)/Korvel' \
    "32-bit module (C:\\Program Files (x86)\\Korvel, SysWOW64 cscript)"
  ran="$ran, and the 32-bit module, registered from C:\\Program Files (x86)\\Korvel"
  other=""
else
  other="The 32-bit module did not run: $reason."
fi
echo "The demo workstation is the 64-bit Wine prefix $WINEPREFIX."
echo "Ran: $ran."
[ -n "$other" ] && echo "$other"
echo "Run the example again with:"
echo "  KORVEL_WINEPREFIX=$WINEPREFIX $root/scripts/wine-run.sh cscript //nologo 'C:\\Program Files\\Korvel\\korvel_versions.vbs'"
