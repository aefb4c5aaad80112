#!/usr/bin/env bash
# Runs a Windows program of the build under the Wine session that wine-session.sh started
# (CTest uses this as the emulator of the windows presets):
#
#   cmake/wine-exec.sh LOADER PROGRAM [ARGUMENT...]
#
# LOADER is Wine's loader for the program's word size: /usr/lib/wine/wine64 or, for 32-bit
# programs, /usr/lib/wine/wine. Both run in the session's one prefix.
loader=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
dir=${KORV_WINE_DIR:-$(dirname "$here")/build/wine}
if [ ! -f "$dir/session.env" ]; then
  echo "wine-exec: no Wine session in $dir; use './run test' or 'cmake/wine-session.sh start'" >&2
  exit 1
fi
set -a
# shellcheck disable=SC1091
. "$dir/session.env"
set +a
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine takes a program's display language from LC_ALL: the programs under test speak English,
# whatever the caller's locale, unless a test chooses another one in KORV_LOCALE.
export LC_ALL=${KORV_LOCALE:-C.UTF-8}
case " $* " in
  *" --gtest_list_tests "*)
    # The test list is parsed by CTest, which does not expect Windows line ends.
    "$loader" "$@" | tr -d '\r'
    exit "${PIPESTATUS[0]}"
    ;;
esac
# A test program prints before anything can fail; one that ends without a word never ran,
# which Wine does now and then on a loaded machine. Only that is tried a second time.
out=$(mktemp) && err=$(mktemp) || exit 1
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  "$loader" "$@" >"$out" 2>"$err"
  code=$?
  [ "$code" -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ] && [ "$attempt" -eq 1 ] || break
  echo "wine-exec: $1 ended with code $code before printing anything; starting it again" >&2
done
cat "$out"
cat "$err" >&2
exit "$code"
