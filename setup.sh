#!/usr/bin/env bash
# One-step set-up on Debian 12: installs what is missing, builds, then
#   run   starts Varnok with the emulated device (varnok-demo), so it works without hardware
#   test  runs every test (CTest)
#   asan  builds with AddressSanitizer + UndefinedBehaviorSanitizer and runs every test
#   bench runs the performance benchmark (bench/varnok-bench) and prints its table
# Run as root, or as an ordinary user with sudo rights (apt-get is then called through sudo).
set -euo pipefail
cd "$(dirname "$0")"

what="${1:-run}"
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev dpkg-dev file
          edid-decode fonts-dejavu-core)

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
    *)
        echo "usage: $0 run|test|asan|deb|screenshots|bench" >&2
        exit 2
        ;;
esac
