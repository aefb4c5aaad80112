#!/usr/bin/env bash
# The demo installation: lays out a demo CD, makes a demo Wine prefix, and opens the menu.
#
#   tools/demo/demo.sh            with DISPLAY: the menu on that display, to use by hand;
#                                 without: on Xvfb, a guided tour with a screenshot per step
#   tools/demo/demo.sh --reset    forget the demo installation (remove the demo prefix)
#
# The CD (build/demo-cd) is drive D: of the prefix (build/demo-wine/prefix), so the menu
# runs from a drive root as it does from a real CD. Programs come from build/windows/bin,
# or from KORV_DEMO_BIN.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
bin=${KORV_DEMO_BIN:-$repo/build/windows/bin}
cd_dir=$repo/build/demo-cd
shots=$repo/build/demo-shots
export KORV_WINE_DIR=$repo/build/demo-wine
prefix=$KORV_WINE_DIR/prefix
session=$repo/cmake/wine-session.sh
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$prefix

menu_title="Korvamund Startup"
setup_title="Korvamund Setup"
uninstall_title="Korvamund Uninstall"
game_programs=(korv.exe korv3dfx.exe korvsw.exe korvk6.exe netlaunc.exe)

say() { echo "demo: $*"; }

lay_out_cd() {
  local name
  for name in startup.exe setup.exe mprofile.exe uninstall.exe dxsetup.exe tour.exe "${game_programs[@]}"; do
    [ -f "$bin/$name" ] || { echo "demo: $bin/$name is missing; build the windows preset first" >&2; exit 1; }
  done
  rm -rf "$cd_dir"
  mkdir -p "$cd_dir/redist/directx"
  for name in startup.exe setup.exe mprofile.exe uninstall.exe "${game_programs[@]}"; do
    cp "$bin/$name" "$cd_dir/"
  done
  cp "$bin/dxsetup.exe" "$cd_dir/redist/directx/"
}

# The prefix for the display mode, where no session script runs (it would start Xvfb).
make_prefix() {
  [ -f "$prefix/system.reg" ] && return 0
  mkdir -p "$KORV_WINE_DIR"
  say "making the demo Wine prefix (once)"
  "$wine" wineboot -i >"$KORV_WINE_DIR/wineboot.log" 2>&1 || true
  "$wineserver" -w
}

mount_cd() { ln -sfn "$cd_dir" "$prefix/dosdevices/d:"; }

reset() {
  if [ -f "$KORV_WINE_DIR/session.env" ]; then "$session" stop; fi
  if [ -d "$prefix" ]; then WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true; fi
  rm -rf "$KORV_WINE_DIR" "$cd_dir" "$shots"
  say "the demo installation is forgotten (build/demo-wine removed)"
}

# The menu by hand on the user's display. The server starts and ends with the programs.
run_on_display() {
  make_prefix
  mount_cd
  # Window frames come from the desktop's window manager here (the tour lets Wine draw them).
  "$wine" reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true
  say "opening the menu on $DISPLAY (D: is $cd_dir)"
  cd "$cd_dir"
  exec "$wine" 'D:\startup.exe'
}

tour() { "$wine" 'D:\tour.exe' "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

shot_number=0
shot() {
  shot_number=$((shot_number + 1))
  local file
  file=$shots/$(printf '%02d' "$shot_number")-$1.png
  sleep "${2:-1}"
  import -display "$DISPLAY" -window root "$file"
  say "screenshot $file"
}

# Walks through the menu on Xvfb: install, change driver, troubleshooting, play, and
# uninstall, which leaves the demo as it began.
run_tour() {
  "$session" start
  trap '"$session" stop' EXIT
  eval "$("$session" env)"
  mount_cd
  # The tour driver runs from the CD too, but the menu never starts it.
  cp "$bin/tour.exe" "$cd_dir/"
  rm -rf "$shots"
  mkdir -p "$shots"

  # Xvfb has no window manager: Wine draws the title bars and frames itself.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  # The tour shows a first installation: forget an earlier one.
  "$wine" reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\korv.exe' /f >/dev/null 2>&1 || true
  "$wine" reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Korvamund' /f >/dev/null 2>&1 || true
  rm -rf "$prefix/drive_c/Games/Korvamund"

  (cd "$cd_dir" && exec "$wine" 'D:\startup.exe' >"$KORV_WINE_DIR/menu.log" 2>&1) &
  local menu_pid=$!
  tour wait "$menu_title" 30
  shot menu-not-installed 2

  say "Install Game"
  tour click "$menu_title" 8001
  tour wait "$setup_title" 20
  shot setup-welcome
  tour click "$setup_title" 103
  shot setup-folder
  tour click "$setup_title" 103
  local waited=0
  until [ "$(tour text "$setup_title" 103)" = "&Finish" ]; do
    waited=$((waited + 1))
    [ $waited -lt 100 ] || { echo "demo: the installer did not finish" >&2; exit 1; }
    sleep 0.2
  done
  shot setup-done
  tour click "$setup_title" 103
  tour gone "$setup_title" 10
  # A closed window stays on the X screen for a moment after its process ends.
  shot menu-installed 4

  say "Change Video Driver"
  tour click "$menu_title" 8009
  tour wait "Select Driver" 30
  say "the Select Driver dialog lists:"
  tour list "Select Driver" 132 | sed 's/^/demo:   /'
  shot select-driver
  tour click "Select Driver" 1
  tour gone "Select Driver" 10

  say "Graphics Troubleshooting"
  tour click "$menu_title" 8010
  tour wait "Graphics Troubleshooting" 10
  tour check "Graphics Troubleshooting" 1021
  shot troubleshooting
  tour click "Graphics Troubleshooting" 1
  tour gone "Graphics Troubleshooting" 10

  say "Play"
  tour click "$menu_title" 8002
  tour wait Korvamund 30
  shot game 2
  tour gone "$menu_title" 10 || say "the menu is still open"
  tour close Korvamund
  # The menu does not start while the game's window is open.
  tour gone Korvamund 10
  wait "$menu_pid" 2>/dev/null || true

  say "Uninstall Game"
  (cd "$cd_dir" && exec "$wine" 'D:\startup.exe' >>"$KORV_WINE_DIR/menu.log" 2>&1) &
  menu_pid=$!
  tour wait "$menu_title" 30
  tour click "$menu_title" 8006
  tour wait "$uninstall_title" 20
  shot uninstall-question
  tour click "$uninstall_title" 6
  # Both message boxes have the same title; the second one tells that the game is gone
  # (65535 is a message box's text item).
  waited=0
  until tour text "$uninstall_title" 65535 2>/dev/null | grep -q removed; do
    waited=$((waited + 1))
    [ $waited -lt 100 ] || { echo "demo: the uninstaller did not finish" >&2; exit 1; }
    sleep 0.2
  done
  shot uninstall-done
  tour click "$uninstall_title" 1
  tour gone "$uninstall_title" 10
  shot menu-not-installed-again 4
  tour click "$menu_title" 8005
  tour gone "$menu_title" 10
  wait "$menu_pid" 2>/dev/null || true

  say "tour finished; screenshots:"
  ls "$shots"/*.png
}

case "${1:-}" in
  --reset) reset ;;
  "")
    lay_out_cd
    if [ -n "${DISPLAY:-}" ]; then run_on_display; else run_tour; fi
    ;;
  *)
    echo "usage: $0 [--reset]" >&2
    exit 2
    ;;
esac
