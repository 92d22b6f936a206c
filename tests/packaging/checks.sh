# Sourced by the packaging tests: failure counting, and the check that a
# client printed the demo workstation's versions.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# shows_demo_versions <what> <output of a client>: the client printed the
# three versions of the demo workstation and error code 0.
shows_demo_versions() {
  shown="$(printf '%s\n' "$2" | tr -d '\r' | grep -E '^(MXT|RVK|ECM/PCM) version:|^Error code:')"
  if [ "$shown" != "$(cat "$(dirname "$0")/expected_versions.txt")" ]; then
    fail "$1 printed:"
    printf '%s\n' "$2"
  fi
}
finish() {
  [ "$failures" -eq 0 ] && echo "$1: all checks passed"
  [ "$failures" -eq 0 ]
}
