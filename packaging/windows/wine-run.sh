#!/usr/bin/env bash
# CTest's emulator for the cross-built tests: runs a Windows program under Wine with the Qt and
# MinGW runtime libraries on its path.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh"
varnok_wine_prefix
qt="${VARNOK_QT_MINGW:-${VARNOK_CACHE:-$HOME/.cache/varnok}/qt-6.4.2-mingw}"
runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
WINEPATH="$(varnok_wine_path "$qt/bin");$(varnok_wine_path "$runtime");$(varnok_wine_path /usr/x86_64-w64-mingw32/lib)"
export WINEPATH
exec wine "$@"
