#!/usr/bin/env bash
# Builds Qt 6.4.2's qtbase for 64-bit Windows with Debian's MinGW-w64 toolchain, from Debian's
# own source package, with Debian's host Qt 6.4.2 tools (moc, rcc, uic) as QT_HOST_PATH. Only
# what Varnok needs: Core, Gui, Widgets, Test, Network (plain TCP for network serial ports, no
# TLS) and the Windows platform and style plugins; no SQL, OpenGL, D-Bus, examples or tests. Varnok's Windows serial port is the Win32 API
# (link/WinSerialPort.cpp), so Qt Serial Port is not needed. The result is cached at
# $VARNOK_QT_MINGW (default ~/.cache/varnok/qt-6.4.2-mingw) and reused: a second run returns at
# once, and an interrupted build goes on where it stopped.
# Needs: dpkg-dev, g++-mingw-w64-x86-64-posix, qt6-base-dev-tools, cmake, ninja-build, perl.
# The compiler runs at the lowest priority (nice 19): the build is long and the machine shared.
set -euo pipefail

qt_version=6.4.2
cache="${VARNOK_CACHE:-$HOME/.cache/varnok}"
prefix="${VARNOK_QT_MINGW:-$cache/qt-$qt_version-mingw}"
jobs="${VARNOK_JOBS:-2}"
here="$(cd "$(dirname "$0")" && pwd)"
toolchain="$here/mingw-toolchain.cmake"

mkdir -p "$cache"
# One build at a time: a second caller waits for the first and then finds the cache.
exec 9>"$cache/qt-build.lock"
flock 9
# A cache from before Qt Network was part of the build is built again, once.
if [ -f "$prefix/.varnok-complete" ] && [ -d "$prefix/lib/cmake/Qt6Network" ]; then
    echo "Qt $qt_version for MinGW: $prefix (cached)"
    exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# Debian's source package: add deb-src entries mirroring the machine's own deb entries
# (same archive, suites and components), unless source entries are there already.
if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q "^Version: $qt_version"; then
    list=/etc/apt/sources.list.d/varnok-deb-src.sources
    tmp="$(mktemp)"
    for f in /etc/apt/sources.list.d/debian.sources; do
        [ -f "$f" ] || continue
        # deb822 stanzas: every "Types: deb" stanza again as "Types: deb-src".
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)Types:[^\n]*deb([ \n]|$)/ && !/deb-src/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f" >>"$tmp"
    done
    if [ -f /etc/apt/sources.list ]; then
        # One-line entries: "deb [opts] URI suite components" again as "deb-src ...".
        grep -E '^deb[[:space:]]' /etc/apt/sources.list | sed -E 's/^deb([[:space:]])/deb-src\1/' \
            >"$tmp.list" || true
        [ -s "$tmp.list" ] && "${sudo_cmd[@]}" cp "$tmp.list" /etc/apt/sources.list.d/varnok-deb-src.list
        rm -f "$tmp.list"
    fi
    [ -s "$tmp" ] && "${sudo_cmd[@]}" cp "$tmp" "$list"
    rm -f "$tmp"
    "${sudo_cmd[@]}" apt-get update
fi

src="$cache/src"
mkdir -p "$src"
cd "$src"
if ! ls -d "$src/qt6-base-$qt_version"*/ >/dev/null 2>&1; then
    # apt runs its download as the unprivileged _apt user, which cannot write to a root-only
    # folder; the warning about it is harmless.
    apt-get source qt6-base </dev/null
fi
qtbase_src="$(ls -d "$src"/qt6-base-"$qt_version"*/ | head -n1)"

# Debian's source package leaves out the Wintab header (src/3rdparty/wintab: its license forbids
# changes), which only the Windows plugin's tablet support needs. That support is left out: the
# plugin's tablet code is compiled as if tablet events were off, so a pen acts as a mouse. These
# edits are idempotent and touch nothing outside the Windows plugin.
win="$qtbase_src/src/plugins/platforms/windows"
sed -i 's/CONDITION QT_FEATURE_tabletevent/CONDITION FALSE/' "$win/CMakeLists.txt"
sed -i 's/QT_CONFIG(tabletevent)/0/' "$win/qwindowscontext.cpp" "$win/qwindowspointerhandler.cpp" \
    "$win/qwindowspointerhandler.h"
# Qt Gui builds its optional DirectWrite font database (chosen only by
# -platform windows:fontengine=directwrite) only with Direct2D, which is off here; the plugin
# asks for it without that condition and would not link.
sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    "$win/qwindowsintegration.cpp"

start=$(date +%s)
build="$cache/build-qt-mingw"
mkdir -p "$build"

cmake -S "$qtbase_src" -B "$build/qtbase" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DBUILD_WITH_PCH=ON \
    -DFEATURE_sql=OFF -DFEATURE_network=ON -DFEATURE_ssl=OFF -DFEATURE_openssl=OFF \
    -DFEATURE_schannel=OFF \
    -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
    -DINPUT_opengl=no -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF -DFEATURE_accessibility=ON \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF \
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_sql_sqlite=OFF
nice -n 19 cmake --build "$build/qtbase" -j "$jobs"
cmake --install "$build/qtbase"

echo "$(( $(date +%s) - start ))" >"$prefix/.varnok-build-seconds"
touch "$prefix/.varnok-complete"
echo "Qt $qt_version for MinGW built in $(( ($(date +%s) - start) / 60 )) min: $prefix"
