# Corvane's Wine prefixes (sourced by wine-run.sh, scripts/screenshot and scripts/run-corvane).
#
#   corvane_prefix <source folder> <build folder> [null]
#
# Makes $WINEPREFIX when it is missing or was made by an older version of this file, and waits
# for it. Every prefix gets the same drive map: a scan in it walks the prefix's own Windows, never
# the host.
#   C:  the prefix's drive_c, the only fixed drive
#   S:  the source tree (the build folder lies inside it as build/): executables, the program
#       folder, the keys and the test data are reached here. A network drive, so neither a full
#       scan nor the custom scan's fixed-drive list ever walks it.
#   T:  the build folder, only when it lies outside the source tree (also a network drive).
# Wine's Z: (the host's whole file system) is removed. A host path outside these folders is still
# open to the tools as \\?\unix\..., which no drive list shows.
# With "null" the prefix gets the null graphics driver (windows without a display).

CORVANE_WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
CORVANE_WINESERVER=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)
[ -x "$CORVANE_WINESERVER" ] || CORVANE_WINESERVER=/usr/lib/wine/wineserver
# A prefix made by an older version lacks this marker and is made again.
CORVANE_PREFIX_MARKER=.corvane-prefix-2

corvane_make_prefix() {
  local source build graphics link try
  source=$(cd "$1" && pwd -P) || return 1
  build=$(cd "$2" && pwd -P) || return 1
  graphics=${3:-}
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  for try in 1 2 3; do
    if DISPLAY= "$CORVANE_WINE" wineboot -i >/dev/null 2>&1 && "$CORVANE_WINESERVER" -w &&
       [ -f "$WINEPREFIX/system.reg" ]; then
      break
    fi
    "$CORVANE_WINESERVER" -k >/dev/null 2>&1 || true
    sleep 1
  done
  [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-prefix: could not create $WINEPREFIX" >&2; return 1; }
  # The user's folders (Desktop, Documents, ...) are links to the host's home: make them folders
  # of the prefix, so that nothing a scan or a test does reaches the host through them.
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
  done
  # The drive map (see above). Every letter but C: goes: z: and whatever else Wine found.
  for link in "$WINEPREFIX"/dosdevices/?:; do
    [ "${link##*/}" = c: ] || rm -f "$link"
  done
  ln -s "$source" "$WINEPREFIX/dosdevices/s:"
  DISPLAY= "$CORVANE_WINE" reg add 'HKLM\Software\Wine\Drives' /v s: /d network /f >/dev/null 2>&1 || return 1
  case "$build/" in
    "$source"/*) ;;
    *)
      ln -s "$build" "$WINEPREFIX/dosdevices/t:"
      DISPLAY= "$CORVANE_WINE" reg add 'HKLM\Software\Wine\Drives' /v t: /d network /f >/dev/null 2>&1 || return 1
      ;;
  esac
  # A crashing program ends at once instead of waiting for Wine's debugger.
  DISPLAY= "$CORVANE_WINE" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
    >/dev/null 2>&1 || true
  if [ "$graphics" = null ]; then
    DISPLAY= "$CORVANE_WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 || return 1
  fi
  "$CORVANE_WINESERVER" -w || true
  touch "$WINEPREFIX/$CORVANE_PREFIX_MARKER"
}

# Makes the prefix once, under a lock (parallel callers wait for the first).
corvane_prefix() {
  local status=0
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/$CORVANE_PREFIX_MARKER" ]; then
    corvane_make_prefix "$@" || status=1
  fi
  flock -u 9
  exec 9>&-
  return $status
}

# The Windows path of a host path in this prefix (wine's own mapping).
corvane_windows_path() {
  DISPLAY= "$CORVANE_WINE" winepath -w "$1" 2>/dev/null
}
