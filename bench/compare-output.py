#!/usr/bin/env python3
"""What two converters wrote for one book, side by side: prints Markdown for bench/results.md.

Usage: compare-output.py REFERENCE_FOLDER OURS_FOLDER

Counts the files that are byte for byte the same, and of the lines that differ, those that differ only
in where an href or src points. Then, for each folder, the faults a reader meets: links to a missing
file or anchor, files that the OPF gives to several ids, and pages that it leaves out.
"""

import os
import re
import sys

POINTER = re.compile(r'((?:href|src)=")[^"]*"')
LINK = re.compile(r'\s(?:href|src)="([^"#:]*)(?:#([^"]*))?"')
ANCHOR = re.compile(r'\s(?:id|name)="([^"]*)"')
OPF_ITEM = re.compile(r'<item\s+id="([^"]*)"\s+href="([^"]*)"')


def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read().decode("latin-1")


def is_page(name):
    return name.endswith((".html", ".xhtml"))


def faults(folder):
    names = set(os.listdir(folder))
    pages = sorted(n for n in names if is_page(n))
    anchors = {page: set(ANCHOR.findall(read(folder, page))) for page in pages}
    dangling = 0
    for page in pages:
        for file, anchor in LINK.findall(read(folder, page)):
            target = file or page
            if target not in names or (anchor and target in anchors and anchor not in anchors[target]):
                dangling += 1
    hrefs = []
    for opf in (n for n in names if n.endswith(".opf")):
        hrefs += [href for _, href in OPF_ITEM.findall(read(folder, opf))]
    shared = len(hrefs) - len(set(hrefs))
    unlisted = sum(1 for page in pages if page not in hrefs)
    return dangling, shared, unlisted


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    reference, ours = sys.argv[1:]
    reference_names, our_names = sorted(os.listdir(reference)), sorted(os.listdir(ours))
    common = [n for n in reference_names if n in our_names]
    identical = [n for n in common if read(reference, n) == read(ours, n)]
    differing = [n for n in common if n not in identical]
    lines = pointer_only = 0
    other = []
    for name in differing:
        a, b = read(reference, name).split("\n"), read(ours, name).split("\n")
        if len(a) != len(b):
            other.append(name)
            continue
        for x, y in zip(a, b):
            if x != y:
                lines += 1
                if POINTER.sub(r"\1\"", x) == POINTER.sub(r"\1\"", y):
                    pointer_only += 1
                elif name not in other:
                    other.append(name)

    print(f"- Files: {len(reference_names)} from Debian's clit, {len(our_names)} from ours; "
          f"{'the same names' if reference_names == our_names else 'names differ'}.")
    print(f"- Byte for byte the same: {len(identical)}; differing: {len(differing)}"
          + (f" ({', '.join(differing)})" if 0 < len(differing) <= 6 else "") + ".")
    print(f"- Differing lines: {lines}, of which {pointer_only} differ only in where an href or src points"
          + (f"; other differences in: {', '.join(other)}" if other else " (all of them)") + ".")
    print()
    print("| Faults a reader meets | Debian's clit | ours |")
    print("|---|---|---|")
    labels = ["links to a missing file or anchor", "OPF files given to more than one id",
              "pages the OPF leaves out"]
    for label, theirs, mine in zip(labels, faults(reference), faults(ours)):
        print(f"| {label} | {theirs} | {mine} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
