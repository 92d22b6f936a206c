#!/bin/sh
# Every test: the native suite, the same suite under ASan and UBSan, the
# Windows suite under Wine, the race test under ThreadSanitizer, and a
# bounded fuzzing run. Installs what is missing first.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
status=0
for target in native sanitize tsan win32; do
  echo "=== $target ==="
  "$root/scripts/build.sh" "$target"
  selection=""
  [ "$target" = tsan ] && selection="-R ^server_race_test$"
  (cd "$root/build/$target" && ctest --output-on-failure --timeout 600 $selection) || status=1
done
echo "=== fuzz ==="
"$root/scripts/fuzz-registration.sh" 45 || status=1
[ "$status" -eq 0 ] && echo "all tests passed" || echo "some tests FAILED"
exit "$status"
