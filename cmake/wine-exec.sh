#!/usr/bin/env bash
# Runs a Windows program of the build under the Wine session that wine-session.sh started
# (CTest uses this as the emulator of the windows preset).
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
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
case " $* " in
  *" --gtest_list_tests "*)
    # The test list is parsed by CTest, which does not expect Windows line ends.
    /usr/lib/wine/wine64 "$@" | tr -d '\r'
    exit "${PIPESTATUS[0]}"
    ;;
esac
exec /usr/lib/wine/wine64 "$@"
