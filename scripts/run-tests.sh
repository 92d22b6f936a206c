#!/bin/sh
# Every test: the native suite, the same suite under ASan and UBSan, the
# Windows suite under Wine, and a bounded fuzzing run of the type-library
# reader. Installs what is missing first.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
status=0
for target in native sanitize win32; do
  echo "=== $target ==="
  "$root/scripts/build.sh" "$target"
  (cd "$root/build/$target" && ctest --output-on-failure --timeout 600) || status=1
done
echo "=== fuzz ==="
"$root/scripts/build.sh" fuzz
fuzz="$root/build/fuzz/tests/fuzz"
mkdir -p "$fuzz/type_library_findings"
# New inputs go to the first folder; the second holds the seeds.
"$fuzz/type_library_fuzzer" -max_total_time="${KORVEL_FUZZ_SECONDS:-60}" -max_len=8192 \
  -artifact_prefix="$fuzz/" "$fuzz/type_library_findings" "$fuzz/type_library_corpus" || status=1
[ "$status" -eq 0 ] && echo "all tests passed" || echo "some tests FAILED"
exit "$status"
