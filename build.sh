#!/usr/bin/env bash
# Builds Corvale on Debian/Ubuntu, installing the packages it needs where they are missing.
#   ./build.sh run    build and start the program
#   ./build.sh test   build and run every test (ends with ctest's summary)
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake make g++ pkg-config qtbase5-dev libqt5serialport5-dev libqwt-qt5-dev
          libqt5svg5-dev fonts-dejavu-core)
# The install-tree test validates the menu entry and the AppStream metadata.
test_packages=(desktop-file-utils appstream)

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

build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build build -j2
}

case "${1:-}" in
run)
    install_missing "${packages[@]}"
    build
    exec ./build/app/corvale
    ;;
test)
    install_missing "${packages[@]}" "${test_packages[@]}"
    build -DBUILD_TESTING=ON
    cd build
    ctest --output-on-failure -j2
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
