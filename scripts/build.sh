#!/bin/sh
# Configures and builds one target: native, sanitize (native with ASan and
# UBSan), tsan (native with ThreadSanitizer, only the race test and what it
# loads), win32 and win64 (the MinGW cross-builds for 32-bit and 64-bit
# Windows), release-win32 and release-win64 (the lean modules that ship,
# see KORVEL_RELEASE_MODULE) or fuzz (the libFuzzer targets, built with
# clang). Build trees live in build/, or in the folder KORVEL_BUILD_ROOT
# names. Names after the target build only those CMake targets.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-native}"
[ $# -gt 0 ] && shift
case "$target" in
  native) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo" ;;
  sanitize) options="-DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON" ;;
  tsan) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_TSAN=ON" ;;
  fuzz) options="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++" ;;
  win32) options="-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-i686.cmake" ;;
  win64) options="-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-x86_64.cmake" ;;
  release-win32|release-win64)
    # The modules that ship: only Korvel.DLL and its debug file.
    toolchain="$root/cmake/mingw-i686.cmake"
    [ "$target" = release-win64 ] && toolchain="$root/cmake/mingw-x86_64.cmake"
    options="-DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE=$toolchain -DBUILD_TESTING=OFF
      -DKORVEL_RELEASE_MODULE=ON -DKORVEL_MINGW_THREADS=win32"
    [ $# -gt 0 ] || set -- Korvel ;;
  *) echo "unknown target $target" >&2; exit 2 ;;
esac
tree="${KORVEL_BUILD_ROOT:-$root/build}/$target"
cmake -S "$root" -B "$tree" -G Ninja $options >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$tree" --target "$@"
elif [ "$target" = tsan ]; then
  cmake --build "$tree" --target server_race_test
elif [ "$target" = fuzz ]; then
  # Only the fuzzers: the rest is built and tested by the other targets.
  cmake --build "$tree" --target type_library_fuzzer type_library_fuzz_corpus \
    registry_file_fuzzer registry_file_fuzz_corpus registration_script_fuzzer
else
  cmake --build "$tree"
fi
