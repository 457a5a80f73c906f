# Sourced by ./dev demo --wine and the Wine checks.
# new_wine_prefix DIR WINE64 WINESERVER: a fresh 64-bit Wine prefix in DIR, ready for the
# add-in (no display: its message boxes are real windows that orvan-sim reads and answers).
# Making one takes about two minutes, most of it Wine's 32-bit half under emulation, so when
# ORVAN_WINE_BASE names a prefix being made (./dev test makes one for all its Wine runs),
# DIR is a copy of it instead.
new_wine_prefix() {
  local dir=$1 wine=$2 server=$3
  if [ -n "${ORVAN_WINE_BASE:-}" ]; then
    while [ ! -e "$ORVAN_WINE_BASE.ready" ] && [ ! -e "$ORVAN_WINE_BASE.failed" ]; do sleep 2; done
    if [ -e "$ORVAN_WINE_BASE.ready" ]; then
      rm -rf "$dir"
      cp -a "$ORVAN_WINE_BASE" "$dir"
      return
    fi
  fi
  mkdir -p "$dir"
  WINEPREFIX=$dir "$wine" wineboot -i >/dev/null 2>&1
  # The null display driver takes effect when Wine's desktop starts again.
  WINEPREFIX=$dir "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  WINEPREFIX=$dir "$server" -w
}
