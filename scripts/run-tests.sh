#!/bin/sh
# Every test: the native suite, the same suite under ASan and UBSan, the
# Windows suite under Wine, the race test under ThreadSanitizer, and bounded
# fuzzing runs of the type-library reader and the registration script.
# Installs what is missing first.
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
"$root/scripts/build.sh" fuzz
# Each input has seconds and memory to spare: a slow or greedy one fails the
# run at once, saved beside its fuzzer's findings.
limits="-timeout=5 -rss_limit_mb=2048"
# The fuzzers of the type-library reader, the registry file and the
# registration script.
fuzz="$root/build/fuzz/tests/fuzz"
mkdir -p "$fuzz/type_library_findings"
# New inputs go to the first folder; the second holds the seeds.
"$fuzz/type_library_fuzzer" -max_total_time="${KORVEL_FUZZ_SECONDS:-60}" -max_len=8192 $limits \
  -artifact_prefix="$fuzz/" "$fuzz/type_library_findings" "$fuzz/type_library_corpus" || status=1
mkdir -p "$fuzz/registry_file_findings"
"$fuzz/registry_file_fuzzer" -max_total_time="${KORVEL_FUZZ_SECONDS:-45}" -max_len=4096 $limits \
  -artifact_prefix="$fuzz/registry-" "$fuzz/registry_file_findings" "$fuzz/registry_file_corpus" || status=1
seeds="$root/build/fuzz/registration/script_corpus"
mkdir -p "$seeds" "$root/build/fuzz/registration/script_findings"
cp "$root"/registration/fuzz/seeds/* "$seeds/"
"$root/build/fuzz/registration/registration_script_fuzzer" -max_total_time="${KORVEL_FUZZ_SECONDS:-45}" \
  -max_len=4096 $limits -artifact_prefix="$root/build/fuzz/registration/" \
  "$root/build/fuzz/registration/script_findings" "$seeds" || status=1
[ "$status" -eq 0 ] && echo "all tests passed" || echo "some tests FAILED"
exit "$status"
