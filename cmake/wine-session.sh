#!/usr/bin/env bash
# One Wine session for a whole test run: a private prefix (made once), one Xvfb display
# and one persistent wineserver, so each test process starts in a fraction of a second.
#
#   cmake/wine-session.sh start   make the prefix if needed, start Xvfb and wineserver
#   cmake/wine-session.sh stop    end both, by process id
#   cmake/wine-session.sh env     print the session's variables (for `eval`)
#   cmake/wine-session.sh fonts   give the prefix Wine's own fonts (start does it too)
#
# KORV_WINE_DIR chooses the session folder (default build/wine), so that separate runs
# (the tests, the demo, a second developer's build) never share a prefix or a display.
# KORV_XVFB_SCREEN chooses the virtual screen (default 1280x1024x24).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
dir=${KORV_WINE_DIR:-$repo/build/wine}
prefix=$dir/prefix
envfile=$dir/session.env
wine=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
wineserver=/usr/lib/wine/wineserver
# No Mono or Gecko prompts, and no desktop entries on the host for the shortcuts setup makes.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEPREFIX=$prefix

alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

start_xvfb() {
  rm -f "$dir/display"
  # -displayfd picks a free display number and writes it to fd 3 once the server is up.
  Xvfb -displayfd 3 -screen 0 "${KORV_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  [ -s "$dir/display" ] || { echo "wine-session: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$dir/display")"
}

# The prefix runs 64- and 32-bit programs: one made while 32-bit Wine was missing has no
# 32-bit system and is made again.
prefix_complete() {
  [ -f "$prefix/system.reg" ] && grep -q '"Managed"="N"' "$prefix/user.reg" &&
    { [ ! -x "$wine32" ] || [ -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; }
}

make_prefix() {
  prefix_complete && return 0
  rm -rf "$prefix"
  mkdir -p "$dir" "$dir/drive-e"
  "$wine" wineboot -i >"$dir/wineboot.log" 2>&1 || true
  # Windows are not handed to a window manager (there is none on Xvfb): Wine's X11 driver
  # otherwise waits about 2 s for one whenever a window closes.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$dir/wineboot.log" 2>&1
  # Let the first server exit before the persistent one starts: the other order gave
  # two services.exe and long stalls.
  "$wineserver" -w
  # A second drive for tests that need a current directory on another drive.
  ln -sfn "$dir/drive-e" "$prefix/dosdevices/e:"
}

# On drive E:, a folder that is a link to another place, as a junction is on Windows.
make_junction() {
  mkdir -p "$dir/drive-e" "$dir/junction-target"
  ln -sfn "$dir/junction-target" "$dir/drive-e/junction"
}

# Wine's own fonts (Debian's fonts-wine): Marlett draws the caption buttons, the others
# stand in for the fonts Windows programs ask for by name. Debian's Wine looks for them
# beside its data folder and misses them, so the prefix's font folder links to them; a
# prefix made before the package came gets them at its next start.
link_wine_fonts() {
  local font
  [ -d /usr/share/wine/fonts ] || return 0
  mkdir -p "$prefix/drive_c/windows/Fonts"
  for font in /usr/share/wine/fonts/*; do ln -sfn "$font" "$prefix/drive_c/windows/Fonts/"; done
}

case "${1:-}" in
  fonts) link_wine_fonts ;;
  start)
    mkdir -p "$dir"
    if [ -f "$envfile" ]; then
      # shellcheck disable=SC1090
      . "$envfile"
      if alive "${XVFB_PID:-}" && alive "${WINESERVER_PID:-}"; then exit 0; fi
      "$0" stop
    fi
    start_xvfb
    make_prefix
    make_junction
    link_wine_fonts
    "$wineserver" -f -p >"$dir/wineserver.log" 2>&1 &
    server_pid=$!
    # The first program of a new session pays for Wine's one-time set-up (fonts, the
    # desktop); pay it here rather than inside the first test's time limit.
    DISPLAY=$DISPLAY timeout 300 "$wine" cmd /c exit >"$dir/warmup.log" 2>&1 || true
    cat >"$envfile" <<ENV
DISPLAY=$DISPLAY
WINEPREFIX=$prefix
XVFB_PID=$xvfb_pid
WINESERVER_PID=$server_pid
ENV
    ;;
  stop)
    [ -f "$envfile" ] || exit 0
    # shellcheck disable=SC1090
    . "$envfile"
    # Ending the server ends every Wine process of the prefix with it.
    WINEPREFIX=$WINEPREFIX "$wineserver" -k 2>/dev/null || true
    for pid in "${WINESERVER_PID:-}" "${XVFB_PID:-}"; do
      alive "$pid" && kill "$pid" 2>/dev/null || true
    done
    for pid in "${WINESERVER_PID:-}" "${XVFB_PID:-}"; do
      for _ in $(seq 50); do alive "$pid" || break; sleep 0.1; done
      alive "$pid" && kill -9 "$pid" 2>/dev/null || true
    done
    rm -f "$envfile"
    ;;
  env)
    [ -f "$envfile" ] || { echo "wine-session: no session in $dir" >&2; exit 1; }
    sed 's/^/export /' "$envfile"
    echo "export WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'"
    ;;
  *)
    echo "usage: $0 start|stop|env|fonts" >&2
    exit 2
    ;;
esac
