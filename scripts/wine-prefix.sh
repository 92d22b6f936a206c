#!/bin/sh
# Makes the private Wine prefix given as $1 (or by the environment), of the
# kind KORVEL_WINEARCH names, if it does not exist yet, and waits until Wine
# has finished setting it up.
set -eu
[ $# -ge 1 ] && export KORVEL_WINEPREFIX="$1"
. "$(dirname "$0")/wine-env.sh"
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # A win64 prefix reports that it cannot start the 32-bit rundll32 of
    # syswow64 where 32-bit programs cannot run; that is harmless.
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  [ -f "$WINEPREFIX/system.reg" ] || { echo "no Wine prefix at $WINEPREFIX" >&2; exit 1; }
) 9>"$WINEPREFIX.lock"
