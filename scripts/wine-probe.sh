#!/bin/sh
# Finds out whether this machine can run Windows programs of the bitness
# KORVEL_WINEARCH names (win32 or win64), by starting the probe program $1
# (built for that bitness) under that loader in the prefix the environment
# names. Exits 0 if it ran; otherwise prints why not, in one line, and
# exits 1.
set -u
probe="$1"
here="$(dirname "$0")"
. "$here/wine-env.sh"
bits=64
if [ "$WINEARCH" = win32 ]; then
  bits=32
  # The 32-bit loader is itself a 32-bit Linux program.
  if ! reason="$(sh "$here/x86-32-probe.sh")"; then
    echo "this machine cannot execute 32-bit x86 programs ($reason)"
    exit 1
  fi
fi
if [ ! -x "$WINELOADER" ]; then
  echo "the $bits-bit Wine loader $WINELOADER is not installed"
  exit 1
fi
output="$(timeout 300 "$here/wine-run.sh" "$probe" 2>&1)"
case "$output" in
  *"probe ran"*) exit 0 ;;
esac
echo "a $bits-bit Windows program does not run under Wine ($(echo "$output" | tr -d '\r' | tail -n 1))"
exit 1
