# Sourced by make_setup.sh and make_cd.sh: the files setup copies from the CD into the game
# folder, as korvamund.nsi lists them in FOR_EACH_GAME_FILE (the one list of them), each
# with the path it is taken from: the built programs in BIN, or this folder (the Readme).
game_files() {  # game_files BIN
  local here name
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  sed -n '/^!macro FOR_EACH_GAME_FILE/,/^!macroend/s/.*\${DO} "\(.*\)".*/\1/p' "$here/korvamund.nsi" |
    while read -r name; do
      if [ -f "$1/$name" ]; then echo "$1/$name"; else echo "$here/$name"; fi
    done
}
