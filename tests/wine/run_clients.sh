#!/bin/sh
# End to end under Wine: registers Korvel.DLL with regsvr32, runs the
# VBScript, JScript and compiled clients against it, unregisters it and
# checks that its entries are gone.
#   run_clients.sh <Korvel.DLL> <korvel_client.exe> <tests/wine folder>
set -u
dll="$1"
client="$2"
scripts="$3"
here="$(cd "$(dirname "$0")/../../scripts" && pwd)"
"$here/wine-prefix.sh"
. "$here/wine-env.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

fixture="$WINEPREFIX/drive_c/KorvelE2E"
mkdir -p "$fixture"
printf '2.5.0\r\n' > "$fixture/rvk.txt"
printf '\r\n 1.0 beta\r\n' > "$fixture/ecm.txt"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\KorvelE2E]\r\n"Mxt"="9.9.1"\r\n' > "$fixture/fixture.reg"
wine regedit /S 'C:\KorvelE2E\fixture.reg' || fail "regedit"

dllWindows="$(winepath -w "$dll")"
wine regsvr32 /s "$dllWindows" || fail "regsvr32 $dllWindows"

clsidKey='HKCR\CLSID\{6E2A9C41-3B7D-4F58-A1C3-5D9E7B20F4A6}'
wine reg query "$clsidKey\\InprocServer32" /v ThreadingModel 2>/dev/null | grep -q Apartment ||
  fail "InprocServer32 has no ThreadingModel Apartment"
wine reg query "HKCR\\TevraOmbrin.KorvelA\\CurVer" >/dev/null 2>&1 || fail "no CurVer"

wine cscript //nologo "$(winepath -w "$scripts/script_client_test.vbs")" || fail "VBScript client"
wine cscript //nologo "$(winepath -w "$scripts/script_client_test.js")" || fail "JScript client"

output="$(wine "$client" 'C:\KorvelE2E\rvk.txt' | tr -d '\r')"
echo "$output"
echo "$output" | grep -q '^RVK version: *"2.5.0"$' || fail "compiled client"
echo "$output" | grep -q '^Component: *"Tevra Diagnostic' || fail "compiled client description"

wine regsvr32 /u /s "$dllWindows" || fail "regsvr32 /u"
wine reg query "$clsidKey" >/dev/null 2>&1 && fail "class key left after unregistration"
wine reg query 'HKCR\TevraOmbrin.KorvelA' >/dev/null 2>&1 && fail "ProgID left after unregistration"
wine reg query 'HKCR\CLSID' >/dev/null 2>&1 || fail "CLSID removed"

rm -rf "$fixture"
wine reg delete 'HKCU\Software\KorvelE2E' /f >/dev/null 2>&1
wineserver -w
[ "$failures" -eq 0 ] && echo "clients: all checks passed"
[ "$failures" -eq 0 ]
