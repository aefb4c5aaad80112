#!/usr/bin/env bash
# Lays out the game CD and writes its image:
#
#   tools/demo/make_cd.sh BIN IMAGE [CONTENTS]
#
# BIN holds the built programs, setup.exe among them. IMAGE is the ISO 9660 image to
# write, with Joliet names (the ones Windows shows) and the volume label KORVAMUND.
# KORV_DIRECTX_DIR, when set, is a DirectX redistributable folder, put on the disc whole as
# redist\directx (its dxsetup.exe is what Install DirectX starts); otherwise the demo's
# dxsetup.exe stands alone there.
# CONTENTS, when given, receives the image's files as read back from it: a drive made of
# that folder shows exactly what the disc holds.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bin=$1 image=$2 contents=${3:-}
layout=$image.layout
label=KORVAMUND  # the installed menu finds the disc by it

# What the CD holds: the files setup copies (korvamund.nsi lists them), setup.exe itself,
# AUTORUN.INF and the DirectX setup.
# shellcheck source=game_files.sh
. "$here/game_files.sh"
mapfile -t files < <(game_files "$bin")

rm -rf "$layout"
mkdir -p "$layout/redist/directx"
cp "${files[@]}" "$bin/setup.exe" "$here/AUTORUN.INF" "$layout/"
if [ -n "${KORV_DIRECTX_DIR:-}" ]; then
  cp -R "$KORV_DIRECTX_DIR/." "$layout/redist/directx/"
else
  cp "$bin/dxsetup.exe" "$layout/redist/directx/"
fi

rm -f "$image"
# xorriso reports on standard error even when all goes well: shown only when it fails.
xorriso -as mkisofs -quiet -r -J -V "$label" -o "$image" "$layout" 2>"$image.log" || { cat "$image.log" >&2; exit 1; }
rm -f "$image.log"
rm -rf "$layout"

if [ -n "$contents" ]; then
  # Files read from a disc image are read-only; let the next run replace them.
  [ -d "$contents" ] && chmod -R u+w "$contents"
  rm -rf "$contents"
  xorriso -osirrox on -indev "$image" -extract / "$contents" 2>"$image.log" || { cat "$image.log" >&2; exit 1; }
  rm -f "$image.log"
  # Wine gives a drive made of a folder the volume label this file names, as the disc has.
  chmod u+w "$contents"
  echo "$label" >"$contents/.windows-label"
fi
