#!/usr/bin/env python3
"""Makes ucieczka.lit from krotka.lit: the names its three stylesheets are written under, which the
book's manifest keeps, become names that climb out of the folder the book is opened into. Each new name
is as long as the old one, so the manifest keeps its size and the book stays readable.

Usage: make-ucieczka.py krotka.lit ucieczka.lit
"""
import sys

NAMES = {
    b"page_styles.css": b"b//../../X1.css",
    b"stylesheet.css": b"//../../X2.css",
    b"manglecase.css": b"..//..//X3.css",
}


def main(source, target):
    with open(source, "rb") as book:
        data = book.read()
    for old, new in NAMES.items():
        assert len(old) == len(new), (old, new)
        # In the manifest, each name follows a byte that gives its length.
        entry = bytes([len(old)]) + old
        if data.count(entry) != 1:
            sys.exit(f"make-ucieczka.py: {source} names {old.decode()} {data.count(entry)} times, not once")
        data = data.replace(entry, bytes([len(new)]) + new)
    with open(target, "wb") as book:
        book.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    main(sys.argv[1], sys.argv[2])
