#!/usr/bin/env bash
# Builds Corvale on Debian/Ubuntu, installing the packages it needs where they are missing.
#   ./build.sh run      build and start the program
#   ./build.sh test     build and run every test (ends with ctest's summary)
#   ./build.sh package  build the Debian package corvale_<version>_<arch>.deb in build-deb/
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
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
