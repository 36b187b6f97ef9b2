#!/bin/sh
# viewer_e2e_scaled.sh LOGPIXELS VIEWER_EXE CHECKER_EXE
# viewer_e2e.sh in a prefix whose display scale is LOGPIXELS/96 (144: 150 %). The picture must
# still be pixel-exact and full screen must still cover the screen. Wine 8.0 treats every process
# as per-monitor DPI aware, whatever its manifest says, so this shows the viewer drawing in
# physical pixels at that scale, not what the manifest does on Windows.
# Environment: as viewer_e2e.sh, with WINEPREFIX a prefix for this scale alone.
set -u
OSTREVANE_WINE_LOGPIXELS=$1; export OSTREVANE_WINE_LOGPIXELS
shift
wineserver -k 2>/dev/null
# Programs must read the scale back; a run at 96 dpi would prove nothing.
"${OSTREVANE_WINE_RUN:?}" "${WINEPREFIX:?}" "$2" dpi "$OSTREVANE_WINE_LOGPIXELS" &&
  sh "$(dirname "$0")/viewer_e2e.sh" "$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
