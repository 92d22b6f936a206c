# Sourced by the Wine scripts: the settings every Wine run of ours uses.
# KORVEL_WINEPREFIX (or WINEPREFIX) names the prefix.
export WINEPREFIX="${KORVEL_WINEPREFIX:-${WINEPREFIX:-$HOME/.korvel-wine}}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
