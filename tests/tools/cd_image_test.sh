#!/usr/bin/env bash
# The game CD image: the files Windows shows (its Joliet names), the volume labels,
# AUTORUN.INF, which starts the menu, and programs that 32-bit Windows runs.
set -euo pipefail
image=$1
failed=0
expect() {  # what, expected, actual
  [ "$2" = "$3" ] && return 0
  printf 'cd_image_test: %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3" >&2
  failed=1
}

joliet_files=$(xorriso -read_fs norock -indev "$image" -find / -type f 2>/dev/null | tr -d "'" | sort | tr '\n' ' ')
expect "files" "/AUTORUN.INF /Leeme.txt /Leggimi.txt /Liesmich.txt /Lisezmoi.txt /Readme.txt /korv.exe /korv3dfx.exe /korvk6.exe /korvsw.exe /mprofile.exe \
/netlaunc.exe /redist/directx/dxsetup.exe /setup.exe /startup.exe " "$joliet_files"

# The ISO 9660 label, and the Joliet one (UCS-2, big-endian) in the descriptor that follows.
iso_label=$(xorriso -indev "$image" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: //p')
expect "ISO 9660 label" KORVAMUND "$iso_label"
joliet_label=$(dd if="$image" bs=1 skip=$((17 * 2048 + 40)) count=32 status=none | iconv -f UTF-16BE -t ASCII | tr -d ' ')
expect "Joliet label" KORVAMUND "$joliet_label"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
xorriso -osirrox on -indev "$image" -extract /AUTORUN.INF "$scratch/AUTORUN.INF" 2>/dev/null
autorun=$(od -An -c "$scratch/AUTORUN.INF" | tr -s ' \n' ' ')
expect "AUTORUN.INF" "$(printf '[autorun]\r\nopen=startup.exe\r\nicon=startup.exe,0\r\nlabel=Korvamund\r\n' | od -An -c | tr -s ' \n' ' ')" "$autorun"
# Every program is 32-bit x86 code (PE machine 0x014c), so one disc runs on 32- and 64-bit
# Windows.
xorriso -osirrox on -indev "$image" -extract / "$scratch/disc" 2>/dev/null
for program in $(cd "$scratch/disc" && find . -iname '*.exe' | sort); do
  pe=$(od -An -tu4 -j 60 -N4 "$scratch/disc/$program" | tr -d ' ')
  expect "machine of $program" "4c 01" "$(od -An -tx1 -j $((pe + 4)) -N2 "$scratch/disc/$program" | sed 's/^ //')"
done
exit $failed
