#!/usr/bin/env bash
# Builds Corvale on Debian/Ubuntu, installing the packages it needs where they are missing.
#   ./build.sh run      build and start the program
#   ./build.sh test     build and run every test (ends with ctest's summary)
#   ./build.sh package  build the Debian package corvale_<version>_<arch>.deb in build-deb/
#   ./build.sh windows  cross-build for 64-bit Windows in build-win/, with the portable zip and
#                       the installer; against ../shared/qt6-mingw, or the Qt 6 MinGW prefix
#                       named by CORVALE_WIN_QT (Qwt in it too, or in CORVALE_WIN_QWT). Further
#                       arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake make g++ pkg-config qtbase5-dev libqt5serialport5-dev libqwt-qt5-dev
          libqt5svg5-dev libkissfft-dev fonts-dejavu-core)
# The install-tree test validates the menu entry and the AppStream metadata; the window test
# lays the form out with the default fonts of the common Linux desktops (DejaVu Sans is above).
test_packages=(desktop-file-utils appstream fonts-noto-core fonts-cantarell)
# clang and its runtime build the byte-path fuzzer that CI runs; the tests do without them.
fuzz_packages=(clang libclang-rt-dev)
# cpack finds the package's dependencies with dpkg-shlibdeps, which needs file(1).
package_packages=(dpkg-dev file)
# The cross compiler, Qt 6's host tools (moc, rcc, uic) matching the prefix's 6.4, and NSIS.
windows_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools nsis)

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Configures build/ with the options given, then builds the targets in $targets (all if empty).
targets=()
build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build build -j2 ${targets[@]+--target "${targets[@]}"}
}

case "${1:-}" in
run)
    install_missing "${packages[@]}"
    # Only the program: the tests and benchmarks wait for ./build.sh test.
    targets=(corvale)
    build
    exec ./build/app/corvale
    ;;
test)
    install_missing "${packages[@]}" "${test_packages[@]}"
    install_missing "${fuzz_packages[@]}" || echo "clang is not installed: no fuzzing here"
    build -DBUILD_TESTING=ON
    cd build
    ctest --output-on-failure -j2
    ;;
package)
    install_missing "${packages[@]}" "${package_packages[@]}"
    # Debian's own optimisation and hardening flags, as its packages are built with.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF -DCORVALE_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
    cmake --build build-deb -j2
    cd build-deb
    cpack -G DEB
    ;;
windows)
    shift
    install_missing "${windows_packages[@]}"
    win_qt=${CORVALE_WIN_QT:-../shared/qt6-mingw}
    if [ ! -e "$win_qt/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
        echo "No Qt 6 for MinGW at $win_qt: put the prefix in ../shared/qt6-mingw or name it" \
            "with CORVALE_WIN_QT" >&2
        exit 1
    fi
    win_qt=$(cd "$win_qt" && pwd -P)
    win_qwt=$(cd "${CORVALE_WIN_QWT:-$win_qt}" && pwd -P)
    cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$win_qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$(pwd -P)/cmake/mingw-w64-x86_64.cmake" \
        -DCORVALE_QT_MAJOR=6 -DQWT_ROOT="$win_qwt" -DBUILD_TESTING=OFF -DCORVALE_BUILD_BENCH=OFF "$@"
    cmake --build build-win -j2
    cmake --build build-win --target windows_packages
    ;;
*)
    echo "usage: $0 run|test|package|windows" >&2
    exit 2
    ;;
esac
