# Sourced by the Wine scripts: the settings every Wine run of ours uses.
# KORVEL_WINEPREFIX (or WINEPREFIX) names the prefix.
export WINEPREFIX="${KORVEL_WINEPREFIX:-${WINEPREFIX:-$HOME/.korvel-wine}}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The Windows locale, and with it the ANSI code page (1252), follows the
# host's; pin it so runs agree everywhere.
export LC_ALL=C.UTF-8
