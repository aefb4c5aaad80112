#!/usr/bin/env bash
# The demo installation: the game CD as an image, in the CD-ROM drive of a demo Wine
# prefix, and the menu started from it.
#
#   tools/demo/demo.sh            with DISPLAY: the menu on that display, to use by hand;
#                                 without: on Xvfb, a guided tour with a screenshot per step
#   tools/demo/demo.sh --cd       only make the image, build/korvamund-cd.iso
#   tools/demo/demo.sh --reset    forget the demo installation (remove the demo prefix)
#   tools/demo/demo.sh --dpi-shots
#                                 on Xvfb, the menu and Select Driver at 96, 144 and 192
#                                 DPI, saved as docs/images/{menu,select-driver}-DPIdpi.png
#   tools/demo/demo.sh --lang LANG
#                                 the menu by hand or the tour in another language: en, fr,
#                                 de, it or es (the tour's screenshots go to
#                                 build/demo-shots-LANG)
#   tools/demo/demo.sh --lang-shots
#                                 on Xvfb, the menu and Select Driver in each language,
#                                 saved as docs/images/{menu,select-driver}-LANG.png
#
# Drive D: of the prefix (build/demo-wine/prefix) is a CD-ROM drive holding the image's
# files as read back from it (build/korvamund-cd). Programs come from build/windows-x86/bin
# (the CD is 32-bit), or from KORV_DEMO_BIN; KORV_DIRECTX_DIR is read by make_cd.sh.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
bin=${KORV_DEMO_BIN:-$repo/build/windows-x86/bin}
image=$repo/build/korvamund-cd.iso
cd_dir=$repo/build/korvamund-cd
shots=$repo/build/demo-shots
export KORV_WINE_DIR=$repo/build/demo-wine
prefix=$KORV_WINE_DIR/prefix
session=$repo/cmake/wine-session.sh
# The disc's programs and the tour driver are 32-bit; the prefix is made by the 64-bit side.
wine=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEPREFIX=$prefix

menu_title="Korvamund Startup"
setup_title="Korvamund Setup"
uninstall_title="Korvamund Uninstall"
game_programs=(korv.exe korv3dfx.exe korvsw.exe korvk6.exe netlaunc.exe)

say() { echo "demo: $*"; }

# The languages of the menu and setup: the locale from which Wine takes a program's display
# language (LC_ALL), and the tour's window titles and button texts in that language, by
# their English text. Texts not listed read the same in every language.
declare -A locales=([en]=C [fr]=fr_FR [de]=de_DE [it]=it_IT [es]=es_ES)
lang=en
# shellcheck disable=SC2034 # read by in_language
declare -A texts_en=()
# shellcheck disable=SC2034 # read by in_language
declare -A texts_fr=(
  ["Korvamund Setup"]="Installation de Korvamund" ["Korvamund Uninstall"]="Désinstallation de Korvamund"
  ["&Install"]="&Installer" ["&Uninstall"]="&Désinstaller" ["&Next >"]="&Suivant >" ["&Finish"]="&Fermer"
  ["Select Driver"]="Choix du pilote" ["Graphics Troubleshooting"]="Dépannage graphique")
# shellcheck disable=SC2034 # read by in_language
declare -A texts_de=(
  ["Korvamund Setup"]="Installation von Korvamund" ["Korvamund Uninstall"]="Deinstallation von Korvamund"
  ["&Install"]="&Installieren" ["&Uninstall"]="&Deinstallieren" ["&Next >"]="&Weiter >"
  ["&Finish"]="&Fertigstellen" ["Select Driver"]="Treiber auswählen"
  ["Graphics Troubleshooting"]="Grafikprobleme beheben")
# shellcheck disable=SC2034 # read by in_language
declare -A texts_it=(
  ["Korvamund Setup"]="Installazione di Korvamund" ["Korvamund Uninstall"]="Disinstallazione di Korvamund"
  ["&Install"]="Ins&talla" ["&Uninstall"]="&Disinstalla" ["&Next >"]="&Avanti >" ["&Finish"]="&Chiudi"
  ["Select Driver"]="Selezione driver" ["Graphics Troubleshooting"]="Risoluzione problemi grafici")
# shellcheck disable=SC2034 # read by in_language
declare -A texts_es=(
  ["Korvamund Setup"]="Instalación de Korvamund" ["Korvamund Uninstall"]="Desinstalación de Korvamund"
  ["&Install"]="&Instalar" ["&Uninstall"]="&Desinstalar" ["&Next >"]="&Siguiente >" ["&Finish"]="&Terminar"
  ["Select Driver"]="Seleccionar controlador" ["Graphics Troubleshooting"]="Solucionar problemas gráficos")

in_language() {  # in_language TEXT: the text as the demo's language shows it
  local -n texts=texts_$lang
  printf '%s' "${texts[$1]-$1}"
}

# The locales of the languages, made once for the demo alone (LOCPATH): without them Wine
# still takes the display language from LC_ALL, but reads and writes Unix file names and
# arguments as ASCII, and loses the accents of "Désinstaller Korvamund.lnk", say.
make_locales() {
  local name
  export LOCPATH=$KORV_WINE_DIR/locales
  mkdir -p "$LOCPATH"
  for name in "${locales[@]}"; do
    [ "$name" = C ] || [ -d "$LOCPATH/$name.UTF-8" ] || localedef -i "$name" -f UTF-8 "$LOCPATH/$name.UTF-8"
  done
}

# The Wine programs the demo starts speak the language: Wine takes it from LC_ALL.
use_language() {
  [ -n "${locales[${1:-}]:-}" ] || { echo "demo: --lang takes one of: ${!locales[*]}" >&2; exit 2; }
  lang=$1
  make_locales
  export LC_ALL=${locales[$lang]}.UTF-8
  [ "$lang" = en ] || shots=$repo/build/demo-shots-$lang
}

make_image() {
  local name
  for name in startup.exe setup.exe mprofile.exe "${game_programs[@]}"; do
    [ -f "$bin/$name" ] || { echo "demo: $bin/$name is missing; build the windows-x86 preset first" >&2; exit 1; }
  done
  "$here/make_cd.sh" "$bin" "$image" "$cd_dir"
  say "the game CD: $image"
}

# The prefix for the display mode, where no session script runs (it would start Xvfb).
make_prefix() {
  [ -f "$prefix/system.reg" ] && return 0
  mkdir -p "$KORV_WINE_DIR"
  say "making the demo Wine prefix (once)"
  "$wine64" wineboot -i >"$KORV_WINE_DIR/wineboot.log" 2>&1 || true
  "$wineserver" -w
}

# D: is a CD-ROM drive holding the image's files, made as Wine's configuration program
# makes a drive (the letter stays in the prefix).
mount_cd() { tour cd-drive d "Z:$cd_dir"; }

reset() {
  if [ -f "$KORV_WINE_DIR/session.env" ]; then "$session" stop; fi
  if [ -d "$prefix" ]; then WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true; fi
  rm -rf "$KORV_WINE_DIR" "$shots"
  say "the demo installation is forgotten (build/demo-wine removed)"
}

# The menu by hand on the user's display. The server starts and ends with the programs.
run_on_display() {
  make_prefix
  "$session" fonts
  mount_cd
  # Window frames come from the desktop's window manager here (the tour lets Wine draw them).
  "$wine" reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true
  say "opening the menu on $DISPLAY (D: is $cd_dir)"
  cd "$cd_dir"
  exec "$wine" 'D:\startup.exe'
}

forget_installation() {
  "$wine" reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\korv.exe' /f >/dev/null 2>&1 || true
  "$wine" reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Korvamund' /f >/dev/null 2>&1 || true
  rm -rf "$prefix/drive_c/Program Files (x86)/Korvamund"
}

# The tour driver is no part of the CD: it runs from the build, given the texts of the demo's
# language.
tour() {
  local arguments=() argument
  for argument; do arguments+=("$(in_language "$argument")"); done
  "$wine" "$bin/tour.exe" "${arguments[@]}" | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

shot_number=0
shot() {
  shot_number=$((shot_number + 1))
  local file
  file=$shots/$(printf '%02d' "$shot_number")-$1.png
  sleep "${2:-1}"
  import -display "$DISPLAY" -window root "$file"
  say "screenshot $file"
}

# Walks through the menu on Xvfb: DirectX, install, change driver, troubleshooting, play,
# and uninstall, which leaves the demo as it began.
run_tour() {
  "$session" start
  trap '"$session" stop' EXIT
  eval "$("$session" env)"
  mount_cd
  say "D: is a drive of type $(tour drive 'D:\')"
  rm -rf "$shots"
  mkdir -p "$shots"

  # Xvfb has no window manager: Wine draws the title bars and frames itself.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  # The tour shows a first installation: forget an earlier one.
  forget_installation

  (cd "$cd_dir" && exec "$wine" 'D:\startup.exe' >"$KORV_WINE_DIR/menu.log" 2>&1) &
  local menu_pid=$!
  tour wait "$menu_title" 60
  shot menu-not-installed 2

  say "Install DirectX"
  tour click "$menu_title" 8004
  tour wait "DirectX Setup" 60
  shot directx
  tour click "DirectX Setup" 1
  tour gone "DirectX Setup" 60

  say "Install Game"
  tour click "$menu_title" 8001
  tour wait "$setup_title" 60
  shot setup-welcome
  tour click "$setup_title" 1
  tour ready "$setup_title" 1 "&Install" 60
  shot setup-folder
  tour click "$setup_title" 1
  # Next comes back once the files are in; the list shows each step, the rights of the
  # game folder among them.
  tour ready "$setup_title" 1 "&Next >" 600
  shot setup-progress
  tour click "$setup_title" 1
  tour ready "$setup_title" 1 "&Finish" 60
  shot setup-finish
  tour click "$setup_title" 1
  tour gone "$setup_title" 60
  # A closed window stays on the X screen for a moment after its process ends.
  shot menu-installed 4

  # The installed game starts without the CD: the menu from its Start menu entry, in the
  # game folder, takes over from the CD's.
  say "Exit, and the installed menu from the Start menu"
  tour click "$menu_title" 8005
  tour gone "$menu_title" 60
  wait "$menu_pid" 2>/dev/null || true
  "$wine" start 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Korvamund\Korvamund.lnk'
  tour wait "$menu_title" 60

  say "Change Video Driver"
  tour click "$menu_title" 8009
  tour wait "Select Driver" 60
  say "the Select Driver dialog lists:"
  tour list "Select Driver" 132 | sed 's/^/demo:   /'
  shot select-driver
  tour click "Select Driver" 1
  tour gone "Select Driver" 60

  say "Graphics Troubleshooting"
  tour click "$menu_title" 8010
  tour wait "Graphics Troubleshooting" 60
  tour check "Graphics Troubleshooting" 1021
  shot troubleshooting
  tour click "Graphics Troubleshooting" 1
  tour gone "Graphics Troubleshooting" 60

  say "Play"
  tour click "$menu_title" 8002
  tour wait Korvamund 60
  shot game 2
  tour gone "$menu_title" 60 || say "the menu is still open"
  tour close Korvamund
  # The menu does not start while the game's window is open.
  tour gone Korvamund 60

  say "Uninstall Game"
  (cd "$cd_dir" && exec "$wine" 'D:\startup.exe' >>"$KORV_WINE_DIR/menu.log" 2>&1) &
  menu_pid=$!
  tour wait "$menu_title" 60
  tour click "$menu_title" 8006
  tour ready "$uninstall_title" 1 "&Uninstall" 60
  shot uninstall-confirm
  tour click "$uninstall_title" 1
  tour ready "$uninstall_title" 1 "&Next >" 600
  shot uninstall-progress
  tour click "$uninstall_title" 1
  tour ready "$uninstall_title" 1 "&Finish" 60
  tour click "$uninstall_title" 1
  tour gone "$uninstall_title" 60
  shot menu-not-installed-again 4
  tour click "$menu_title" 8005
  tour gone "$menu_title" 60
  wait "$menu_pid" 2>/dev/null || true

  say "tour finished; screenshots:"
  ls "$shots"/*.png
}

# The menu and Select Driver at each DPI, each window shot alone. Wine takes the DPI from
# LogPixels when a program starts. The game is installed silently for Select Driver and
# forgotten afterwards; the screen is large enough for the menu at 192 DPI.
dpi_shot() {
  sleep 1
  import -display "$DISPLAY" -window "$1" "$repo/docs/images/$2.png"
  say "screenshot docs/images/$2.png"
}

run_dpi_shots() {
  KORV_XVFB_SCREEN=1600x1400x24 "$session" start
  trap '"$session" stop' EXIT
  eval "$("$session" env)"
  mount_cd
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  say "installing the game silently"
  (cd "$cd_dir" && "$wine" 'D:\setup.exe' /S >"$KORV_WINE_DIR/setup.log" 2>&1)
  local dpi menu_pid
  for dpi in 96 144 192; do
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
    (cd "$cd_dir" && exec "$wine" 'D:\startup.exe' >"$KORV_WINE_DIR/menu.log" 2>&1) &
    menu_pid=$!
    tour wait "$menu_title" 60
    dpi_shot "$menu_title" "menu-${dpi}dpi"
    tour click "$menu_title" 8009
    tour wait "Select Driver" 60
    dpi_shot "Select Driver" "select-driver-${dpi}dpi"
    tour click "Select Driver" 2
    tour gone "Select Driver" 60
    tour click "$menu_title" 8005
    tour gone "$menu_title" 60
    wait "$menu_pid" 2>/dev/null || true
  done
  "$wine" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
  forget_installation
}

# The X window of a title. Wine gives a window its title in UTF-8 (_NET_WM_NAME), which
# xwininfo shows; import looks only at the plain name, which loses the accents.
x_window() { xwininfo -display "$DISPLAY" -root -tree | grep -aF "\"$1\":" | awk '{ print $1; exit }'; }

# The menu and Select Driver in each language, each window shot alone, with the game
# installed silently for Select Driver and forgotten afterwards.
run_lang_shots() {
  "$session" start
  trap '"$session" stop' EXIT
  eval "$("$session" env)"
  mount_cd
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  say "installing the game silently"
  (cd "$cd_dir" && "$wine" 'D:\setup.exe' /S >"$KORV_WINE_DIR/setup.log" 2>&1)
  local menu_pid
  make_locales
  for lang in en fr de it es; do
    (cd "$cd_dir" && exec env LC_ALL="${locales[$lang]}.UTF-8" "$wine" 'D:\startup.exe' >"$KORV_WINE_DIR/menu.log" 2>&1) &
    menu_pid=$!
    tour wait "$menu_title" 60
    dpi_shot "$menu_title" "menu-$lang"
    tour click "$menu_title" 8009
    tour wait "Select Driver" 60
    dpi_shot "$(x_window "$(in_language "Select Driver")")" "select-driver-$lang"
    tour click "Select Driver" 2
    tour gone "Select Driver" 60
    tour click "$menu_title" 8005
    tour gone "$menu_title" 60
    wait "$menu_pid" 2>/dev/null || true
  done
  forget_installation
}

if [ "${1:-}" = --lang ]; then
  use_language "${2:-}"
  shift 2
fi
case "${1:-}" in
  --reset) reset ;;
  --dpi-shots)
    make_image
    run_dpi_shots
    ;;
  --lang-shots)
    make_image
    run_lang_shots
    ;;
  --cd) make_image ;;
  "")
    make_image
    if [ -n "${DISPLAY:-}" ]; then run_on_display; else run_tour; fi
    ;;
  *)
    echo "usage: $0 [--lang LANG] [--cd|--reset|--dpi-shots|--lang-shots]" >&2
    exit 2
    ;;
esac
