#!/bin/sh
# Runs a Windows program under Wine in the private prefix of the kind
# KORVEL_WINEARCH names; CTest's cross-compiling emulator for the Windows
# tests.
set -eu
here="$(dirname "$0")"
"$here/wine-prefix.sh"
. "$here/wine-env.sh"
exec "$WINELOADER" "$@"
