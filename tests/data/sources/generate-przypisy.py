#!/usr/bin/env python3
# -*- coding: utf-8 -*-
"""Generate the source of the test book "Zażółć gęślą jaźń", and the book without contents "Postoje".

przypisy.html: two parts (h1), each of chapters (h2) on pages of their own, so that calibre writes a
nested table of contents; footnote references that link to the notes and notes that link back; a table
with a head and a cell over two columns; a page with no heading. okladka.png is its cover.

postoje.html: three pages and no contents: the first and the third open with a heading, the second
with none.

Usage:
    generate-przypisy.py OUT_FOLDER

The output is byte-for-byte repeatable.
"""

import os
import struct
import sys
import zlib


def png(width, height, colours):
    rows = b"".join(b"\x00" + b"".join(bytes(colours[(x // 8 + y // 8) % len(colours)]) for x in range(width))
                    for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


NOTES = [
    "Śluza stała tu od czasów, gdy rzekę prostowano pod spław drewna.",
    "Flisacy liczyli kłody na palcach, a resztę na karbach.",
    "Żuraw wrócił na wyspę następnej wiosny.",
]

PAGE_BREAK = ' style="page-break-before: always"'


def note_ref(n):
    return f'<a id="odsylacz-{n}" href="#przypis-{n}"><sup>{n}</sup></a>'


def przypisy_html():
    return f"""<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE html>
<html xmlns="http://www.w3.org/1999/xhtml" lang="pl">
<head><meta charset="utf-8"/><title>Zażółć gęślą jaźń</title></head>
<body>
<h1 id="czesc-1"{PAGE_BREAK}>Część pierwsza. W górę rzeki</h1>
<p>Wiosną tratwa ruszyła w górę, ciągnięta przez konie wzdłuż brzegu.</p>
<h2 id="rozdzial-1"{PAGE_BREAK}>Rozdział 1. Śluza</h2>
<p>Przy śluzie czekaliśmy do południa{note_ref(1)}. Bazyli liczył kłody{note_ref(2)} i klął pod nosem.</p>
<h2 id="rozdzial-2"{PAGE_BREAK}>Rozdział 2. Łąki</h2>
<p>Za śluzą zaczynały się łąki. Oto, ile przepłynęliśmy każdego dnia:</p>
<table id="tabela">
<caption>Dzień po dniu</caption>
<thead><tr><th>Dzień</th><th>Wiorsty</th><th>Postój</th></tr></thead>
<tbody>
<tr><td>Poniedziałek</td><td>12</td><td>Kępa</td></tr>
<tr><td>Wtorek</td><td>9</td><td>Żurawice</td></tr>
<tr><td colspan="2">Środa: deszcz, bez drogi</td><td>Łąki</td></tr>
</tbody>
</table>
<h1 id="czesc-2"{PAGE_BREAK}>Część druga. W dół rzeki</h1>
<p>Jesienią woda niosła nas sama.</p>
<h2 id="rozdzial-3"{PAGE_BREAK}>Rozdział 3. Żuraw</h2>
<p>Na piaszczystej wyspie stał żuraw{note_ref(3)} i patrzył na nas bez lęku.</p>
<div{PAGE_BREAK}>
<p id="bez-naglowka">Ta strona nie ma nagłówka. Noc była cicha, tylko woda szemrała pod kłodami.</p>
<p>Rano mgła zeszła z rzeki i zobaczyliśmy wieże Gdańska.</p>
</div>
<h1 id="przypisy"{PAGE_BREAK}>Przypisy</h1>
""" + "".join(f'<p id="przypis-{n}"><a href="#odsylacz-{n}">{n}</a> {text}</p>\n'
              for n, text in enumerate(NOTES, 1)) + """</body>
</html>
"""


def postoje_html():
    return f"""<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE html>
<html xmlns="http://www.w3.org/1999/xhtml" lang="pl">
<head><meta charset="utf-8"/><title>Postoje</title></head>
<body>
<h2 id="pierwszy">Pierwszy postój</h2>
<p>Przybiliśmy do brzegu pod wierzbami.</p>
<div{PAGE_BREAK}>
<p>Drugiego dnia nikt nie miał siły mówić; tylko woda szumiała.</p>
</div>
<h3 id="trzeci"{PAGE_BREAK}>Trzeci postój</h3>
<p>Trzeciego dnia zobaczyliśmy miasto.</p>
</body>
</html>
"""


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        sys.exit(2)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "przypisy.html"), "w", encoding="utf-8") as f:
        f.write(przypisy_html())
    with open(os.path.join(out, "postoje.html"), "w", encoding="utf-8") as f:
        f.write(postoje_html())
    with open(os.path.join(out, "okladka.png"), "wb") as f:
        f.write(png(96, 144, [(150, 30, 40), (240, 220, 170), (40, 60, 120)]))


if __name__ == "__main__":
    main()
