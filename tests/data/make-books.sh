#!/usr/bin/env bash
# Regenerate the test e-books (.lit) in this folder from the HTML sources in
# sources/.  Needs calibre (for ebook-convert) and python3.  The produced books
# are committed, so the tests themselves do not need calibre.
#
# Usage:
#   make-books.sh                      remake krotka.lit, rozdzialy.lit, ryciny.lit
#                                      (and its pictures in ryciny/), podfoldery.lit,
#                                      przypisy.lit, postoje.lit, uszkodzona.lit, ucieczka.lit
#   make-books.sh --large OUT.lit      also make the large benchmark book OUT.lit
#   make-books.sh --large OUT.lit --large-only
#                                      make only the large benchmark book
#
# calibre stores the conversion time, a random GUID and random key bytes in
# every .lit it writes, so remade books differ in a few bytes from the
# committed ones even though their content is the same.
set -euo pipefail

usage() {
    sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
}

large_out=""
large_only=0
while [ $# -gt 0 ]; do
    case "$1" in
        --large)
            [ $# -ge 2 ] || { echo "make-books.sh: --large needs an output file" >&2; exit 2; }
            large_out="$2"
            shift 2
            ;;
        --large-only)
            large_only=1
            shift
            ;;
        -h|--help)
            usage
            exit 0
            ;;
        *)
            echo "make-books.sh: unknown argument: $1" >&2
            usage >&2
            exit 2
            ;;
    esac
done

if [ "$large_only" -eq 1 ] && [ -z "$large_out" ]; then
    echo "make-books.sh: --large-only needs --large OUT.lit" >&2
    exit 2
fi

# Resolve the output path of the large book against the caller's directory
# before changing to the script's own folder.
if [ -n "$large_out" ]; then
    case "$large_out" in
        /*) ;;
        *) large_out="$PWD/$large_out" ;;
    esac
    if [ ! -d "$(dirname "$large_out")" ]; then
        echo "make-books.sh: folder of $large_out does not exist" >&2
        exit 2
    fi
fi

cd "$(dirname "${BASH_SOURCE[0]}")"

if ! command -v ebook-convert >/dev/null 2>&1; then
    echo "make-books.sh: ebook-convert not found; this script needs calibre" >&2
    echo "  (Debian/Ubuntu: apt-get install calibre)" >&2
    exit 1
fi
if ! command -v python3 >/dev/null 2>&1; then
    echo "make-books.sh: python3 not found" >&2
    exit 1
fi

AUTHORS="Zespół Zwojnika"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# convert SOURCE.html OUT.lit TITLE [MORE EBOOK-CONVERT OPTIONS…]
convert() {
    local src="$1" out="$2" title="$3"
    shift 3
    echo "==> $out"
    ebook-convert "$src" "$out" \
        --title "$title" \
        --authors "$AUTHORS" \
        --language pl \
        "$@" \
        >"$work/ebook-convert.log" 2>&1 || {
            cat "$work/ebook-convert.log" >&2
            echo "make-books.sh: ebook-convert failed for $src" >&2
            exit 1
        }
    ls -l "$out"
}

if [ "$large_only" -eq 0 ]; then
    # 1. Short book, one chapter.
    convert sources/krotka.html krotka.lit "Krótka opowieść"

    # 2. Book of several chapters, generated deterministically.  The name of
    #    the HTML file decides the names of the files inside the book
    #    (rozdzialy_split_NNN.html), so keep it.
    python3 sources/generate-rozdzialy.py --size normal -o "$work/rozdzialy.html"
    convert "$work/rozdzialy.html" rozdzialy.lit "Dziennik flisaka"

    # 3. Illustrated book: fourteen chapters, eleven pictures in turn, links between chapters and a
    #    table of contents.  The pictures are kept beside it, for the tests to compare with.
    python3 sources/generate-ryciny.py "$work/ryciny"
    convert "$work/ryciny/ryciny.html" ryciny.lit "Ryciny flisackie"
    rm -rf ryciny
    mkdir ryciny
    cp "$work"/ryciny/*.png ryciny/

    # 4. Book with folders of its own: made from a package whose page is in tekst/ and picture in
    #    obrazki/, names that calibre keeps in the book.
    convert sources/podfoldery/podfoldery.opf podfoldery.lit "Flisacka teczka"

    # 5. Book with Polish metadata of its own (author and sort form with Polish letters) and a cover;
    #    two parts of chapters make a nested table of contents; footnotes link to the notes and back;
    #    a table; a page with no heading. With it, a book of three pages and no contents at all, whose
    #    second page has no heading.
    python3 sources/generate-przypisy.py "$work/przypisy"
    convert "$work/przypisy/przypisy.html" przypisy.lit "Zażółć gęślą jaźń" \
        --authors "Józef Ćwikliński" --author-sort "Ćwikliński, Józef" --cover "$work/przypisy/okladka.png" \
        --level1-toc '//h:h1' --level2-toc '//h:h2'
    convert "$work/przypisy/postoje.html" postoje.lit "Postoje" \
        --no-chapters-in-toc --max-toc-links 0 --chapter '/'

    # 6. Corrupt book: only the first 4 KiB of the short one.
    head -c 4096 krotka.lit >uszkodzona.lit
    echo "==> uszkodzona.lit"
    ls -l uszkodzona.lit

    # 7. Crafted book: the short one, its stylesheets' names made to climb out of the destination.
    python3 sources/make-ucieczka.py krotka.lit ucieczka.lit
    echo "==> ucieczka.lit"
    ls -l ucieczka.lit
fi

if [ -n "$large_out" ]; then
    # Large benchmark book (not committed).
    python3 sources/generate-rozdzialy.py --size large -o "$work/duza.html"
    convert "$work/duza.html" "$large_out" "Dziennik flisaka (wydanie duże)"
fi
