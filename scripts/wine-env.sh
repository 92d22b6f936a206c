# Sourced by the Wine scripts: the settings every Wine run of ours uses.
# KORVEL_WINEARCH picks the kind of prefix and the loader that runs it:
# win64 (the default; the 64-bit loader, which runs on every machine of
# ours) or win32 (the 32-bit loader, where this machine can execute it).
# KORVEL_WINEPREFIX (or WINEPREFIX) names the prefix.
#
# The loader is called by its own path: the `wine` wrapper would take the
# 32-bit loader whenever wine32 is installed. The functions below stand for
# the usual Wine commands in the scripts that source this file.
KORVEL_WINE32_LOADER=/usr/lib/wine/wine
KORVEL_WINE64_LOADER=/usr/lib/wine/wine64
export WINEARCH="${KORVEL_WINEARCH:-win64}"
case "$WINEARCH" in
  win64) export WINELOADER="$KORVEL_WINE64_LOADER" ;;
  win32) export WINELOADER="$KORVEL_WINE32_LOADER" ;;
  *) echo "KORVEL_WINEARCH must be win32 or win64, not $WINEARCH" >&2; exit 2 ;;
esac
# One server serves prefixes of both kinds.
export WINESERVER=/usr/lib/wine/wineserver64
export WINEPREFIX="${KORVEL_WINEPREFIX:-${WINEPREFIX:-$HOME/.korvel-$WINEARCH}}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The Windows locale, and with it the ANSI code page (1252), follows the
# host's; pin it so runs agree everywhere.
export LC_ALL=C.UTF-8

wine() { "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }
wineboot() { "$WINELOADER" wineboot "$@"; }
# The Windows form (-w) or host form (-u) of a path, without the console's CR.
winepath() { "$WINELOADER" winepath "$@" | tr -d '\r'; }
