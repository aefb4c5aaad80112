#!/usr/bin/env bash
# Builds setup.exe (and the uninstaller inside it) from korvamund.nsi:
#
#   tools/demo/make_setup.sh BIN OUT_FILE ICON INSTALL_DIR_LIMIT
#
# setup.exe copies the game's files from the CD rather than carrying them, so it is told
# their size (in KiB) for its folder page: the files korvamund.nsi lists, from BIN. INSTALL_DIR_LIMIT is the longest game folder
# the menu can use. Setup carries BIN/folder_rights.exe, which sets the game folder's rights.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bin=$1 out=$2 icon=$3 install_dir_limit=$4
# shellcheck source=game_files.sh
. "$here/game_files.sh"
mapfile -t files < <(game_files "$bin")
size_kb=$(du -c -k "${files[@]}" | tail -n1 | cut -f1)
makensis -V2 "-DOUT_FILE=$out" "-DICON=$icon" "-DGAME_SIZE_KB=$size_kb" "-DINSTALL_DIR_LIMIT=$install_dir_limit" \
  "-DFOLDER_RIGHTS=$bin/folder_rights.exe" "$here/korvamund.nsi"
