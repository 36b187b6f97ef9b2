#!/bin/sh
# wine-run PREFIX program.exe [args...]
# Runs a Windows program in a private Wine prefix. The session is booted once with its output
# on /dev/null: Wine's helper processes would otherwise hold CTest's output pipe open.
# OSTREVANE_WINE_MANAGED=1 leaves a new prefix's windows to the desktop's window manager.
# OSTREVANE_WINE_LOGPIXELS=N sets the prefix's display scale to N/96 (144: 150 %).
WINEPREFIX=$1; shift; export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
{ flock 9
  if wineserver -p 60 </dev/null >/dev/null 2>&1 9>&-; then
    wine wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
  # Unmanaged windows for the tests: full screen works without a window manager.
  if [ "${OSTREVANE_WINE_MANAGED:-0}" != 1 ] && [ ! -e "$WINEPREFIX/.unmanaged" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&- &&
      touch "$WINEPREFIX/.unmanaged"
  fi
  dpi=${OSTREVANE_WINE_LOGPIXELS:-}
  if [ -n "$dpi" ] && [ ! -e "$WINEPREFIX/.logpixels-$dpi" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
      </dev/null >/dev/null 2>&1 9>&- && touch "$WINEPREFIX/.logpixels-$dpi"
  fi
} 9>"$WINEPREFIX.lock"
exec wine "$@"
