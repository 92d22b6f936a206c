#!/bin/sh
# Two clean builds of the same commit give the same bytes: builds the
# release modules, the kit, its zip and the setup program once more, into
# folders of their own, and compares all of it with the first build's dist
# folder.
#   reproducible_test.sh <dist folder of the first build> <work folder>
set -u
first="$1"
work="$2"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/checks.sh"
rm -rf "$work"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
KORVEL_BUILD_ROOT="$work/build" KORVEL_DIST="$work/dist" sh "$here/../../scripts/package.sh" \
  >"$work/package.log" 2>&1 || { fail "the second build failed (see $work/package.log)"; finish reproducible; exit; }
compared=0
for name in $(cd "$first" && find . -name 'Korvel-*' -prune -print | LC_ALL=C sort); do
  compared=$((compared + 1))
  diff -r "$first/$name" "$work/dist/$name" >/dev/null ||
    fail "$name differs between two builds: $(diff -rq "$first/$name" "$work/dist/$name" | head -n 3)"
done
# The kit, its zip, the symbols and the setup program.
[ "$compared" -ge 4 ] || fail "found only $compared things to compare in $first"
finish reproducible
