#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks it as a desktop and a user meet it: what it
# holds and depends on, that its desktop entry, MIME type and AppStream data pass their validators and
# make the desktop offer Zwojnik for .lit files, and that the program unpacked from it converts a book
# under X.
#
# Usage: test-package.sh BUILD_DIR SOURCE_DIR
# Exits 77 (skipped) when a checking tool is missing, after the checks that could run;
# scripts/install-deps.sh --tests installs them all.
set -euo pipefail

build=$(readlink -f "$1")
source=$(readlink -f "$2")
missing=()

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

have() {
    if command -v "$1" >/dev/null; then
        return 0
    fi
    missing+=("$1")
    return 1
}

for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/zwojnik-package-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The package.
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
architecture=$(dpkg --print-architecture)
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack could not build the package"
}
deb="$work/out/zwojnik_${version}_${architecture}.deb"
[[ -f "$deb" ]] || fail "no $(basename "$deb") among: $(ls "$work/out")"
echo "ok: built $(basename "$deb")"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
depended_on=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
# The converter comes with the program, unless the build links the system's own.
system_converter=$(sed -n 's/^ZWOJNIK_SYSTEM_CONVERTER:BOOL=//p' "$build/CMakeCache.txt")
if [[ "$system_converter" == ON ]]; then
    converter_package=convlit converter_entry="./usr/lib/zwojnik/clit-intel -> /usr/bin/clit"
else
    converter_package="libtommath1 libseccomp2" converter_entry="./usr/lib/zwojnik/clit-intel"
    grep -qxF convlit <<<"$depended_on" && fail "Depends names convlit, though the package carries its converter"
fi
for package in $converter_package libzip4 libxml2 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6svg6 libc6 libstdc++6; do
    grep -qxF "$package" <<<"$depended_on" || fail "Depends does not name $package"
done

dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' >"$work/contents"
for entry in \
    "./usr/lib/zwojnik/zwojnik" \
    "./usr/lib/zwojnik/zwojnik-supervisor" \
    "$converter_entry" \
    "./usr/bin/zwojnik -> ../lib/zwojnik/zwojnik" \
    "./usr/share/applications/zwojnik.desktop" \
    "./usr/share/mime/packages/zwojnik.xml" \
    "./usr/share/icons/hicolor/scalable/apps/zwojnik.svg" \
    "./usr/share/man/man1/zwojnik.1.gz" \
    "./usr/share/metainfo/pl.orvel.zwojnik.metainfo.xml" \
    "./usr/share/doc/zwojnik/copyright"; do
    if [[ "$architecture" == powerpc || "$architecture" == ppc64* ]]; then
        entry=${entry/clit-intel/clit-ppc}
    fi
    grep -qxF "$entry" "$work/contents" || fail "the package lacks $entry"
done
echo "ok: the package holds the program, its supervisor and converter, bin/zwojnik and the desktop files"

root="$work/root"
dpkg -x "$deb" "$root"
share="$root/usr/share"

# The desktop's view of it.
if have desktop-file-validate; then
    desktop-file-validate "$share/applications/zwojnik.desktop" || fail "desktop-file-validate"
    echo "ok: desktop-file-validate"
fi
if have appstreamcli; then
    appstreamcli validate --no-net --pedantic "$share/metainfo/pl.orvel.zwojnik.metainfo.xml" ||
        fail "appstreamcli validate"
fi
if have update-mime-database; then
    update-mime-database "$share/mime" || fail "update-mime-database rejects the MIME package"
    echo "ok: update-mime-database"
    if have gio; then
        cp "$source/tests/data/krotka.lit" "$work/książka.lit"
        cp "$source/tests/data/krotka.lit" "$work/bez rozszerzenia"
        for file in "$work/książka.lit" "$work/bez rozszerzenia"; do
            type=$(XDG_DATA_HOME="$share" XDG_DATA_DIRS="$share" gio info -a standard::content-type "$file" |
                sed -n 's/^ *standard::content-type: //p')
            [[ "$type" == application/x-ms-reader ]] || fail "$(basename "$file") is taken for $type"
        done
        echo "ok: a .lit file, and an e-book without the extension, are application/x-ms-reader"
    fi
fi
if have update-desktop-database; then
    update-desktop-database "$share/applications"
    grep -qx 'application/x-ms-reader=zwojnik.desktop;' "$share/applications/mimeinfo.cache" ||
        fail "the desktop does not learn that Zwojnik opens application/x-ms-reader"
    if have gio; then
        # GIO offers only programs that it finds on the PATH.
        PATH="$root/usr/bin:$PATH" XDG_DATA_HOME="$work/nobody" XDG_DATA_DIRS="$share" \
            XDG_CONFIG_HOME="$work/nobody" gio mime application/x-ms-reader >"$work/handlers" 2>&1 || true
        grep -qx $'\tzwojnik.desktop' "$work/handlers" || {
            cat "$work/handlers"
            fail "gio does not offer Zwojnik for .lit files"
        }
    fi
    echo "ok: Zwojnik is offered for application/x-ms-reader"
fi
if have rsvg-convert && have identify; then
    rsvg-convert --width 64 --height 64 "$share/icons/hicolor/scalable/apps/zwojnik.svg" -o "$work/icon.png" ||
        fail "the icon does not render"
    [[ "$(identify -format '%wx%h' "$work/icon.png")" == 64x64 ]] || fail "the icon renders at the wrong size"
    for size in 16 24 32 48 64 128 256; do
        icon="$share/icons/hicolor/${size}x${size}/apps/zwojnik.png"
        [[ -f "$icon" ]] || fail "the package lacks the ${size} px icon"
        [[ "$(identify -format '%m %wx%h' "$icon")" == "PNG ${size}x${size}" ]] ||
            fail "the ${size} px icon is $(identify -format '%m %wx%h' "$icon")"
        # Drawn, not blank: opaque in the middle, transparent in the corner.
        [[ "$(convert "$icon" -format '%[fx:p{w/2,h/2}.a] %[fx:p{0,0}.a]' info:)" == "1 0" ]] ||
            fail "the ${size} px icon is not drawn as expected"
    done
    echo "ok: the icon renders, and the package holds it as PNG at every size from 16 to 256 px"
fi
if have man && have lexgrog; then
    manual="$share/man/man1/zwojnik.1.gz"
    gzip -t "$manual" || fail "the manual page is not gzipped"
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$manual" >"$work/manual.txt" 2>"$work/manual.err" ||
        fail "man cannot show the manual page"
    [[ ! -s "$work/manual.err" ]] || fail "man warns about the manual page: $(cat "$work/manual.err")"
    [[ "$(lexgrog "$manual")" == "$manual: \"zwojnik - zamiana e-booków .lit na strony HTML\"" ]] ||
        fail "the manual page's NAZWA says: $(lexgrog "$manual")"
    for heading in NAZWA SKŁADNIA OPIS OPCJE PLIKI "STATUS WYJŚCIA" "ZOBACZ TAKŻE"; do
        grep -qx "$heading" "$work/manual.txt" || fail "the manual page has no $heading"
    done
    grep -q "Zwojnik $version" "$work/manual.txt" || fail "the manual page does not name version $version"
    # Every page it points to comes with a package that this one depends on or recommends.
    recommended=$(dpkg-deb -f "$deb" Recommends | sed 's/ *([^)]*)//g; s/, */\n/g')
    see_also=$(sed -n '/^ZOBACZ TAKŻE$/,/^[^ ]/{/^ /p}' "$work/manual.txt" | grep -o '[[:alnum:]_.-]*([0-9])' || true)
    [[ -n "$see_also" ]] || fail "ZOBACZ TAKŻE names no page"
    for page in $see_also; do
        name=${page%(*} section=${page#*(} section=${section%)}
        owner=$(dpkg -S "/usr/share/man/man$section/$name.$section.gz" 2>/dev/null | cut -d: -f1 || true)
        [[ -n "$owner" ]] && grep -qxF "$owner" <<<"$depended_on"$'\n'"$recommended" ||
            fail "ZOBACZ TAKŻE names $page, which comes with no package that zwojnik depends on or recommends"
    done
    echo "ok: man shows zwojnik(1) without warnings, and the pages it points to come with its dependencies"
fi
# Every screenshot of docs/ is in the AppStream data, as a web address.
for screenshot in "$source"/docs/*.png; do
    grep -Eq "<image>https?://[^<]*/$(basename "$screenshot")</image>" "$share/metainfo/pl.orvel.zwojnik.metainfo.xml" ||
        fail "the AppStream data does not show $(basename "$screenshot")"
done
echo "ok: the AppStream data lists the screenshots"
if have apt-get; then
    apt-get install --simulate --no-install-recommends "$deb" >"$work/apt.log" 2>&1 || {
        cat "$work/apt.log"
        fail "apt-get cannot install the package"
    }
    echo "ok: apt-get can install the package with its dependencies"
fi

# The program from the package converts, from the menu and when handed a book.
status=0
bash "$source/tests/x11/convert-under-x11.sh" "$root/usr/bin/zwojnik" "$source/tests/data/krotka.lit" || status=$?
if ((status == 77)); then
    missing+=("the X tools")
elif ((status != 0)); then
    fail "the packaged program did not convert"
fi

if ((${#missing[@]})); then
    echo "SKIPPED in part, missing: ${missing[*]}"
    exit 77
fi
echo "ok: all package checks passed"
