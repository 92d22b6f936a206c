#!/bin/sh
# Configures and builds one target: native, sanitize (native with ASan and
# UBSan), tsan (native with ThreadSanitizer, only the race test and what it
# loads), win32 (the MinGW cross-build) or fuzz (the libFuzzer targets, built
# with clang). Build trees live in build/.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-native}"
case "$target" in
  native) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo" ;;
  sanitize) options="-DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON" ;;
  tsan) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_TSAN=ON" ;;
  fuzz) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++" ;;
  win32) options="-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-i686.cmake" ;;
  *) echo "unknown target $target" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$root/build/$target" -G Ninja $options >/dev/null
if [ "$target" = tsan ]; then
  cmake --build "$root/build/$target" --target server_race_test
elif [ "$target" = fuzz ]; then
  # Only the fuzzers: the rest is built and tested by the other targets.
  cmake --build "$root/build/$target" --target type_library_fuzzer type_library_fuzz_corpus \
    registry_file_fuzzer registry_file_fuzz_corpus registration_script_fuzzer
else
  cmake --build "$root/build/$target"
fi
