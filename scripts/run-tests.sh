#!/bin/sh
# Every test: the native suite, the same suite under ASan and UBSan, the
# race test under ThreadSanitizer, the Windows suite of the 64-bit module
# under 64-bit Wine, that of the 32-bit module under 32-bit Wine where this
# machine can run it, both modules checked as files, the shipped modules,
# kit and installer (built twice, to compare, and tested under 64-bit
# Wine), and bounded fuzzing runs of the type-library reader, the registry
# file and the registration script. Installs what is missing first.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
status=0
# run_suite <target> [ctest options]: builds the target and runs its tests.
run_suite() {
  target="$1"
  shift
  (cd "$root/build/$target" && ctest --output-on-failure --timeout 600 "$@") || status=1
}
for target in native sanitize tsan win64; do
  echo "=== $target ==="
  "$root/scripts/build.sh" "$target"
  if [ "$target" = tsan ]; then run_suite tsan -R '^server_race_test$'; else run_suite "$target"; fi
done
echo "=== win32 ==="
# The 32-bit module is built and checked as a file on every machine; its
# suite runs where 32-bit Windows programs can.
"$root/scripts/build.sh" win32
run_suite win32 -L '^file$'
if reason="$(KORVEL_WINEARCH=win32 KORVEL_WINEPREFIX="$root/build/win32/wineprefix" \
    "$root/scripts/wine-probe.sh" 32 "$root/build/win32/tests/wine_probe.exe")"; then
  run_suite win32 -LE '^file$'
else
  echo "win32 suite not run: $reason"
fi
echo "=== packaging ==="
# The release modules (checked as files by package.sh), the kit, its zip
# and the setup program; built once more to show the same bytes come out;
# the kit and the installer under 64-bit Wine.
packaging="$root/build/packaging"
if sh "$root/scripts/package.sh"; then
  dist="$root/dist"
  sh "$root/tests/packaging/reproducible_test.sh" "$dist" "$packaging/reproducible" || status=1
  sh "$root/tests/packaging/kit_test.sh" "$dist/Korvel-1.0.0.6.zip" "$packaging/kit" || status=1
  # The test build's module without a type library cannot register where
  # no Korvel.tlb lies beside it: the installer's failing registration.
  sh "$root/tests/packaging/installer_test.sh" "$dist/Korvel-1.0.0.6-setup.exe" "$packaging/setup" \
    "$root/build/win32/tests/wine_probe.exe" "$dist/Korvel-1.0.0.6" \
    "$root/build/win64/tests/untyped/Korvel.DLL" || status=1
else
  echo "packaging FAILED"
  status=1
fi
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
