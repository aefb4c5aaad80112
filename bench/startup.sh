#!/usr/bin/env bash
# Start-up benchmark (by hand, under Wine): time from process start to the first painted
# window, for the menu and for a bare Win32 window program built with the same compiler
# and flags, in one run, as medians and their ratio; and the menu's size with and without
# its picture (a variant linked from the same objects with the bitmap left out).
#
#   bench/startup.sh [RUNS]     default 21 runs; uses build/windows (built if needed)
#   KORV_WINDOWS_BUILD=dir KORV_WINE_DIR=dir bench/startup.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-21}
build=$(realpath -m "${KORV_WINDOWS_BUILD:-$root/build/windows}")
export KORV_WINE_DIR=${KORV_WINE_DIR:-$root/build/bench-wine}
out=$build/startup-bench
cd "$root"

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target startup >/dev/null
mkdir -p "$out"

# The flags the windows preset gives the menu (Release, static, stripped, GUI).
cxx=x86_64-w64-mingw32-g++-posix
compile=(-O3 -DNDEBUG -std=c++17 -fno-exceptions -fno-rtti -DNOMINMAX -DWIN32_LEAN_AND_MEAN
         -D_WIN32_WINNT=0x0501)
link=(-static -static-libgcc -static-libstdc++ -s)
flags=("${compile[@]}" "${link[@]}")
"$cxx" "${flags[@]}" -mwindows bench/startup/bare_window.cpp -o "$out/bare_window.exe" -luser32 -lgdi32
"$cxx" "${flags[@]}" bench/startup/startup_timer.cpp -o "$out/startup_timer.exe" -luser32 -lgdi32
cp "$build/bin/startup.exe" "$out/startup.exe"

# The menu without bitmap 127: the same objects and libraries, resources without the picture.
objects=$build/launcher/CMakeFiles/startup.dir
sed '/ BITMAP /d' resources/startup.rc >"$out/startup_without_picture.rc"
x86_64-w64-mingw32-windres -DNOMINMAX -DWIN32_LEAN_AND_MEAN -D_WIN32_WINNT=0x0501 \
  -I launcher -I resources -I . -O coff "$out/startup_without_picture.rc" "$out/startup_without_picture.res"
(cd "$build/launcher" &&
  "$cxx" -O3 -mwindows "${link[@]}" "$objects/startup.cpp.obj" "$out/startup_without_picture.res" \
    -o "$out/startup_without_picture.exe" $(cat "$objects/linkLibs.rsp"))

started_session=0
if [ ! -f "$KORV_WINE_DIR/session.env" ]; then
  cmake/wine-session.sh start
  started_session=1
fi
trap '[ $started_session = 1 ] && cmake/wine-session.sh stop' EXIT

echo "== first paint under Wine ($runs runs each, alternating; ratio to the bare window)"
cmake/wine-exec.sh "$out/startup_timer.exe" "$runs" "$out/startup.exe" "$out/bare_window.exe" | tr -d '\r'

size() { stat -c %s "$1"; }
echo "== sizes (bytes)"
printf '%-34s %8d\n' "startup.exe" "$(size "$out/startup.exe")"
printf '%-34s %8d\n' "startup.exe without the picture" "$(size "$out/startup_without_picture.exe")"
printf '%-34s %8d\n' "the picture (resources/title.bmp)" "$(size resources/title.bmp)"
printf '%-34s %8d\n' "bare_window.exe" "$(size "$out/bare_window.exe")"
