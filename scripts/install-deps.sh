#!/usr/bin/env bash
# Installs what Zwojnik needs to build, run and test on Debian 12, and fetches the source of the converter
# it builds (Convert LIT). Uses sudo when not run as root.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev qt6-translations-l10n librsvg2-bin
    # the window icon: Qt's SVG plugins
    libqt6svg6
    # the converter, built from its source, and its seccomp filter
    gcc patch libtommath-dev libseccomp-dev
    # the package file (OPF) and the EPUB engine: pages, package, archive and its entries deflated
    libxml2-dev libzip-dev zlib1g-dev
    # tests
    googletest libgtest-dev
)
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(
        xvfb openbox xdotool xclip x11-utils imagemagick man-db
        # remounting a small file system of the tests' own read-only mid-run
        mount
        # a private session bus for the programs the tests show on a private X display; the pages that
        # the manual names
        dbus-daemon xdg-utils
        desktop-file-utils appstream gocr libglib2.0-bin dpkg-dev file
        clang-14 libclang-rt-14-dev
        # the EPUB checker the EPUB tests run (a jar, run with Java)
        epubcheck
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

# Convert LIT's source: the upstream tarball of Debian's source package convlit, from the archive this
# system installs from. A private apt configuration adds deb-src entries for the system's own sources;
# nothing is written outside it. Debian's patch tarball is not needed: apt fetches the upstream tarball
# first, and its failure on the rest is expected.
tarball_name=convlit_1.8.orig.tar.gz
tarball_sha256=1ff1989b419218ec4660f05d4ef62b13b3588ac61915a6a259705676c360cc0f
downloads="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/converter/downloads"
tarball="$downloads/$tarball_name"

verified() {
    [[ -f "$1" ]] && sha256sum "$1" | cut -d' ' -f1 | grep -qx "$tarball_sha256"
}

# In a subshell of its own, which removes the private apt folder when it ends.
fetch_converter_source() (
    apt_dir=$(mktemp -d)
    trap 'rm -rf "$apt_dir"' EXIT
    mkdir -p "$apt_dir/etc/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" \
        "$apt_dir/download"
    # One-line sources (sources.list and *.list) and deb822 ones (*.sources).
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -f "$file" ]] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file"
    done >"$apt_dir/etc/sources.list.d/source.list"
    for file in /etc/apt/sources.list.d/*.sources; do
        [[ -f "$file" ]] || continue
        sed 's/^Types:.*\<deb\>.*$/Types: deb-src/' "$file"
        echo
    done >"$apt_dir/etc/sources.list.d/source.sources"
    options=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/etc/sources.list.d"
        -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
    # Some archives serve no sources; convlit's must be among those that do.
    apt-get "${options[@]}" -qq update >"$apt_dir/update.log" 2>&1 || true
    (cd "$apt_dir/download" && apt-get "${options[@]}" -qq source --download-only convlit) \
        >"$apt_dir/source.log" 2>&1 || true
    if ! verified "$apt_dir/download/$tarball_name"; then
        cat "$apt_dir/update.log" "$apt_dir/source.log" >&2
        echo "install-deps.sh: could not fetch $tarball_name (SHA-256 $tarball_sha256) with apt-get source" >&2
        exit 1
    fi
    mkdir -p "$downloads"
    mv "$apt_dir/download/$tarball_name" "$tarball"
    echo "install-deps.sh: fetched $tarball"
)

verified "$tarball" || fetch_converter_source
