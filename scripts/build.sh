#!/bin/sh
# Configures and builds one target: native, sanitize (native with ASan and
# UBSan), tsan (native with ThreadSanitizer, only the race test and what it
# loads), or win32 (the MinGW cross-build). Build trees live in build/.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-native}"
case "$target" in
  native) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo" ;;
  sanitize) options="-DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON" ;;
  tsan) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_TSAN=ON" ;;
  win32) options="-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-i686.cmake" ;;
  *) echo "unknown target $target" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$root/build/$target" -G Ninja $options >/dev/null
if [ "$target" = tsan ]; then
  cmake --build "$root/build/$target" --target server_race_test
else
  cmake --build "$root/build/$target"
fi
