#!/usr/bin/env bash
# One-step set-up on Debian 12: installs what is missing, builds, then
#   run   starts Varnok with the emulated device (varnok-demo), so it works without hardware
#   test  runs every test (CTest)
#   asan  builds with AddressSanitizer + UndefinedBehaviorSanitizer and runs every test
#   bench runs the performance benchmark (bench/varnok-bench) and prints its table
#   deb   builds the Debian package (build/varnok_<version>_amd64.deb) and checks it with lintian
#   windows       cross-builds Qt (once, cached) and Varnok for Windows: build-win/*.zip
#   windows-test  the Windows build's tests under Wine: unit tests and end to end (long: see
#                 README, "Building for Windows"); not part of CI
# Run as root, or as an ordinary user with sudo rights (apt-get is then called through sudo).
set -euo pipefail
cd "$(dirname "$0")"

what="${1:-run}"
# ser2net: the serial server that the tests of network ports run against.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev dpkg-dev file
          edid-decode fonts-dejavu-core appstream desktop-file-utils ser2net)
case "$what" in
    deb)
        packages+=(lintian)
        ;;
    windows | windows-test)
        # The MinGW-w64 cross compiler (POSIX threads), Wine to run the result, Xvfb for its window.
        packages+=(g++-mingw-w64-x86-64-posix qt6-base-dev-tools perl wine wine64 xvfb)
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
build() {  # build <dir> [cmake options...]
    local dir="$1"; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$jobs"
}

case "$what" in
    run)
        build build
        exec ./build/app/varnok-demo
        ;;
    test)
        build build
        QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"
        ;;
    asan)
        build build-asan -DVARNOK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
        ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen \
            ctest --test-dir build-asan --output-on-failure -j "$jobs"
        ;;
    deb)
        # The Debian package: build/varnok_<version>_amd64.deb, installed with
        # `sudo apt install ./build/varnok_*.deb`.
        build build
        (cd build && cpack -G DEB)
        # Debian's own checks of the package: no error and no warning may remain.
        lintian --fail-on error,warning build/varnok_*.deb
        ;;
    screenshots)
        # The README's pictures, rendered by the test suite from the real window.
        build build
        (cd build && QT_QPA_PLATFORM=offscreen ctest -R '^tst_screenshots$' --output-on-failure)
        mkdir -p docs/screenshots
        find build/screenshots -name '*.png' ! -name 'disconnected-*' -exec cp {} docs/screenshots/ \;
        ;;
    bench)
        # Times every device operation of the window against the emulated device paced at
        # 57600 baud, next to its floor; start-up, peak memory and idle CPU (about 2 minutes).
        # Further arguments go to the benchmark, e.g. ./setup.sh bench --repeat 5 --no-firmware
        build build
        QT_QPA_PLATFORM=offscreen ./build/bench/varnok-bench "${@:2}"
        ;;
    windows | windows-test)
        # Qt 6.4.2 for MinGW from Debian's sources, built once into ~/.cache/varnok (see README),
        # then Varnok cross-built against it; the folder and zip build-win/varnok-windows-x86_64.
        bash packaging/windows/build-qt.sh
        qt="${VARNOK_QT_MINGW:-${VARNOK_CACHE:-$HOME/.cache/varnok}/qt-6.4.2-mingw}"
        folder="$PWD/build-win/varnok-windows-x86_64"
        if [ "$what" = windows-test ]; then
            # The Linux emulated device serves the end-to-end test.
            cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
            cmake --build build -j "$jobs" --target varnok-emu
        fi
        cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$PWD/packaging/windows/mingw-toolchain.cmake" \
            -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/packaging/windows/wine-run.sh" \
            -DVARNOK_LINUX_EMU="$PWD/build/tools/emu/varnok-emu" -DVARNOK_WINDOWS_FOLDER="$folder"
        cmake --build build-win -j "$jobs"
        rm -rf "$folder"
        cmake --install build-win --prefix "$folder" --strip
        # Qt's libraries are under the LGPL v3: its text goes beside them.
        cp "${VARNOK_CACHE:-$HOME/.cache/varnok}"/src/qt6-base-6.4.2*/LICENSES/LGPL-3.0-only.txt \
            "$folder/Qt-LGPL-3.0-only.txt" 2>/dev/null || true
        # The Qt and runtime DLLs come with their debugging symbols: a third of the size.
        find "$folder" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
        rm -f build-win/varnok-windows-x86_64.zip
        (cd build-win && cmake -E tar cf varnok-windows-x86_64.zip --format=zip varnok-windows-x86_64)
        echo "Windows build: build-win/varnok-windows-x86_64.zip"
        if [ "$what" = windows-test ]; then
            ctest --test-dir build-win --output-on-failure -j "$jobs"
        fi
        ;;
    *)
        echo "usage: $0 run|test|asan|deb|screenshots|bench|windows|windows-test" >&2
        exit 2
        ;;
esac
