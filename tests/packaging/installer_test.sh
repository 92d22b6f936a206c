#!/bin/sh
# The setup program under 64-bit Wine, on a fresh demo workstation per
# variant: without the 32-bit module (/NO32) on every machine, and with it
# where 32-bit programs run. Each variant installs silently and runs the
# VBScript example through the installed module(s), installs a second time
# over the first and expects the same registry, then uninstalls silently
# and expects every entry and file of the component gone, and CLSID kept.
# Last, a setup program built from the kit with a 64-bit module that cannot
# register must fail with exit code 2 and leave nothing behind.
#   installer_test.sh <setup.exe> <work folder> <32-bit probe.exe> \
#                     <kit folder> <a 64-bit module that cannot register>
set -u
setup="$1"
work="$2"
probe="$3"
kit="$4"
unregistrable="$5"
here="$(cd "$(dirname "$0")" && pwd)"
scripts="$here/../../scripts"
root="$here/../.."
. "$here/checks.sh"

clsid='{6E2A9C41-3B7D-4F58-A1C3-5D9E7B20F4A6}'
libid='{3C7E5B92-D148-4A6F-8E2B-91F0A4D6C735}'
uninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvel'
# Every registry key of the component (none holds a space), and what reg
# prints of them.
componentKeys="HKCR\\CLSID\\$clsid HKLM\\Software\\Classes\\Wow6432Node\\CLSID\\$clsid
  HKCR\\TevraOmbrin.KorvelA HKCR\\TevraOmbrin.KorvelA.1 HKCR\\TypeLib\\$libid $uninstallKey"
registry() {
  for key in $componentKeys; do
    echo "[$key]"
    wine reg query "$key" /s 2>/dev/null | tr -d '\r'
  done
}
present() { wine reg query "$1" >/dev/null 2>&1; }

# variant <name> <setup options> <with32: yes|no>
variant() {
  name="$1"
  options="$2"
  with32="$3"
  export KORVEL_WINEARCH=win64 KORVEL_WINEPREFIX="$work/$name"
  "$scripts/demo-workstation.sh" || { fail "$name: no demo workstation"; return; }
  . "$scripts/wine-env.sh"
  cp "$setup" "$WINEPREFIX/drive_c/setup.exe"
  cp "$root/examples/scripts/korvel_versions.vbs" "$WINEPREFIX/drive_c/korvel_versions.vbs"
  drive="$WINEPREFIX/drive_c"

  wine 'C:\setup.exe' /S $options || fail "$name: setup exited with $?"
  wineserver -w
  [ -f "$drive/Program Files/Korvel/Korvel.DLL" ] || fail "$name: no 64-bit module installed"
  [ -f "$drive/Program Files/Korvel/uninstall.exe" ] || fail "$name: no uninstaller"
  if [ "$with32" = yes ]; then
    [ -f "$drive/Program Files (x86)/Korvel/Korvel.DLL" ] || fail "$name: no 32-bit module installed"
  else
    [ -e "$drive/Program Files (x86)/Korvel" ] && fail "$name: a 32-bit module was installed"
  fi
  for value in DisplayName DisplayVersion Publisher InstallLocation UninstallString \
      QuietUninstallString EstimatedSize; do
    wine reg query "$uninstallKey" /v "$value" >/dev/null 2>&1 || fail "$name: no $value"
  done
  wine reg query "$uninstallKey" /v DisplayVersion 2>/dev/null | grep -q '1\.0\.0\.6' ||
    fail "$name: DisplayVersion is not 1.0.0.6"
  shows_demo_versions "$name: the example through the installed 64-bit module" \
    "$(wine 'C:\windows\system32\cscript.exe' //nologo 'C:\korvel_versions.vbs')"
  if [ "$with32" = yes ]; then
    shows_demo_versions "$name: the example through the installed 32-bit module" \
      "$(wine 'C:\windows\syswow64\cscript.exe' //nologo 'C:\korvel_versions.vbs')"
  fi

  registry >"$work/$name.once"
  wine 'C:\setup.exe' /S $options || fail "$name: the second setup exited with $?"
  wineserver -w
  registry >"$work/$name.twice"
  cmp -s "$work/$name.once" "$work/$name.twice" ||
    { fail "$name: a second install changed the registry"; diff "$work/$name.once" "$work/$name.twice"; }

  # The uninstaller runs from a copy of itself; the wait is for that copy.
  wine 'C:\Program Files\Korvel\uninstall.exe' /S || fail "$name: the uninstaller exited with $?"
  wineserver -w
  nothing_left "$name: after uninstalling"
}

# Nothing of the component is left, but CLSID.
nothing_left() {
  for key in $componentKeys; do
    present "$key" && fail "$1: $key left"
  done
  present 'HKCR\CLSID' || fail "$1: CLSID removed"
  [ -e "$drive/Program Files/Korvel" ] && fail "$1: Program Files\\Korvel left"
  [ -e "$drive/Program Files (x86)/Korvel" ] && fail "$1: Program Files (x86)\\Korvel left"
}

# failing_registration: the setup program of a kit whose 64-bit module
# cannot register.
failing_registration() {
  name=failing-registration
  mkdir -p "$work/$name.kit"
  cp -r "$kit/." "$work/$name.kit/"
  cp "$unregistrable" "$work/$name.kit/x64/Korvel.DLL"
  makensis -V1 -NOCD -DVERSION=1.0.0.6 -DKIT="$work/$name.kit" -DOUTFILE="$work/$name.exe" \
    "$root/packaging/korvel-setup.nsi" || { fail "$name: makensis"; return; }
  export KORVEL_WINEARCH=win64 KORVEL_WINEPREFIX="$work/$name"
  "$scripts/wine-prefix.sh" || { fail "$name: no prefix"; return; }
  . "$scripts/wine-env.sh"
  drive="$WINEPREFIX/drive_c"
  cp "$work/$name.exe" "$drive/setup.exe"
  wine 'C:\setup.exe' /S /NO32
  code=$?
  wineserver -w
  [ "$code" -eq 2 ] || fail "$name: setup exited with $code, not 2"
  nothing_left "$name"
}

rm -rf "$work"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
variant without-32-bit /NO32 no
if reason="$(KORVEL_WINEARCH=win64 KORVEL_WINEPREFIX="$work/without-32-bit" \
    "$scripts/wine-probe.sh" 32 "$probe")"; then
  variant full "" yes
else
  echo "installer with the 32-bit module not tested: $reason"
fi
failing_registration
finish "installer"
