#!/bin/sh
# Finds out whether this machine can run Windows programs of one bitness:
#   wine-probe.sh 32|64 <probe.exe built for that bitness>
# starts the probe program in the prefix the environment names (see
# wine-env.sh), under its loader; a win64 prefix runs 32-bit programs too,
# where the machine can. Exits 0 if it ran; otherwise prints why not, in one
# line, and exits 1.
set -u
bits="$1"
probe="$2"
here="$(dirname "$0")"
. "$here/wine-env.sh"
if [ "$bits" = 32 ]; then
  # Wine's 32-bit loader is itself a 32-bit Linux program.
  if ! reason="$(sh "$here/x86-32-probe.sh")"; then
    echo "this machine cannot execute 32-bit x86 programs ($reason)"
    exit 1
  fi
  if [ ! -x "$KORVEL_WINE32_LOADER" ]; then
    echo "the 32-bit Wine loader (wine32:i386) is not installed"
    exit 1
  fi
fi
output="$(timeout 300 "$here/wine-run.sh" "$probe" 2>&1)"
case "$output" in
  *"probe ran"*) exit 0 ;;
esac
echo "a $bits-bit Windows program does not run under Wine ($(echo "$output" | tr -d '\r' | tail -n 1))"
exit 1
