#!/bin/sh
# Runs a cross-built Windows program under Wine for CTest. The caller (the
# test script) provides WINEPREFIX, DISPLAY and a running wineserver.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}"
exec "${LX_WINE:-wine}" "$@"
