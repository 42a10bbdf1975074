#!/usr/bin/env bash
# Installs what Zwojnik needs to build, run and test on Debian 12. Uses sudo when not run as root.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev qt6-translations-l10n librsvg2-bin
    # the window icon: Qt's SVG plugins
    libqt6svg6
    # the converter
    convlit
    # tests
    googletest libgtest-dev
)
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(
        xvfb openbox xdotool xclip x11-utils imagemagick man-db
        desktop-file-utils appstream gocr libglib2.0-bin dpkg-dev file
        clang-14 libclang-rt-14-dev
    )
fi

run_as_root() {
    if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
    run_as_root apt-get update -qq
    DEBIAN_FRONTEND=noninteractive run_as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
