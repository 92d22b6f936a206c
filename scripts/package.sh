#!/bin/sh
# Makes what ships, from the release modules (build.sh release-win32 and
# release-win64), in dist/ (or the folder KORVEL_DIST names):
#   Korvel-1.0.0.6/               the integrator's kit (see packaging/README.txt)
#   Korvel-1.0.0.6.zip            the kit as one file
#   Korvel-1.0.0.6-symbols/       the modules' debug information, x86/ and x64/
#   Korvel-1.0.0.6-setup.exe      the 64-bit installer (packaging/korvel-setup.nsi)
# The kit and the zip come out the same, byte for byte, from every build
# of the same commit: their files carry the commit's time.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
version=1.0.0.6
builds="${KORVEL_BUILD_ROOT:-$root/build}"
dist="${KORVEL_DIST:-$root/dist}"
name="Korvel-$version"
for target in release-win32 release-win64; do
  "$root/scripts/build.sh" "$target" Korvel korvel_client_header
  python3 "$root/scripts/check-module.py" --release "$builds/$target/server/Korvel.DLL" "${target#release-}"
done

kit="$dist/$name"
symbols="$dist/$name-symbols"
rm -rf "$kit" "$symbols" "$dist/$name.zip"
mkdir -p "$kit/x86" "$kit/x64" "$kit/include" "$kit/idl" "$kit/examples" "$symbols/x86" "$symbols/x64"
cp "$builds/release-win32/server/Korvel.DLL" "$kit/x86/"
cp "$builds/release-win64/server/Korvel.DLL" "$kit/x64/"
cp "$builds/release-win32/server/Korvel.DLL.debug" "$symbols/x86/"
cp "$builds/release-win64/server/Korvel.DLL.debug" "$symbols/x64/"
# The declarations are the same for both bitnesses.
cp "$builds/release-win64/resources/client/korvel.h" "$builds/release-win64/resources/client/korvel_i.c" \
  "$kit/include/"
cp "$root/resources/korvel.idl" "$kit/idl/"
cp "$root/examples/scripts/korvel_versions.vbs" "$root/examples/scripts/korvel_versions.js" \
  "$root/examples/cpp_client/korvel_client.cpp" "$kit/examples/"
# Windows line ends for the text a Windows user opens.
sed 's/$/\r/' "$root/packaging/README.txt" >"$kit/README.txt"

# Every file and folder with the commit's time, so the zip is the same
# every time; its entries in name order, without extra attributes.
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}"
find "$kit" "$symbols" -exec touch -h -d "@$epoch" {} +
(cd "$dist" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D "$name.zip" -@)
touch -d "@$epoch" "$dist/$name.zip"

makensis -V2 -NOCD -DVERSION="$version" -DKIT="$kit" -DOUTFILE="$dist/$name-setup.exe" \
  "$root/packaging/korvel-setup.nsi"
echo "made $kit, $dist/$name.zip, $symbols and $dist/$name-setup.exe"
