#!/bin/sh
# Configures and builds one target: native, sanitize (native with ASan and
# UBSan), win32 (the MinGW cross-build) or fuzz (the libFuzzer targets, built
# with clang). Build trees live in build/.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-native}"
case "$target" in
  native) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo" ;;
  sanitize) options="-DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON" ;;
  fuzz) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++" ;;
  win32) options="-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-i686.cmake" ;;
  *) echo "unknown target $target" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$root/build/$target" -G Ninja $options >/dev/null
cmake --build "$root/build/$target"
