#!/usr/bin/env python3
# -*- coding: utf-8 -*-
"""Generate the source of the illustrated test book "Ryciny flisackie".

Fourteen short chapters, each opening on a new page (calibre writes each into
a file of its own), a table of contents that links to every chapter, links
from each chapter to the previous and the next one and to a note in another
chapter, and eleven pictures shown in turn: chapter N shows picture
((N - 1) mod 11) + 1, whose alt text is its name.  The pictures are small PNG
files drawn here, each of its own size and colours, so that a wrong one is
told by its bytes.  More than ten of each (pages, pictures) gives internal
names that begin with others (html1 and html14, added1 and added10), and the
pictures' names are not in the order of their use, as the book lists them.

Usage:
    generate-ryciny.py OUT_FOLDER

Writes OUT_FOLDER/ryciny.html and the pictures OUT_FOLDER/NAME.png.
The output is byte-for-byte repeatable.
"""

import os
import struct
import sys
import zlib

CHAPTERS = 14
# In the order of their first use.
PICTURES = ["tratwa", "mlyn", "karczma", "most", "wir", "targ", "burza", "sznur", "zeszyt", "sluza", "brzeg"]

TITLES = [
    "Wyruszamy spod Starego Młyna",
    "Mielizna pod Wierzbnem",
    "Noc w karczmie Pod Śpiącą Łodzią",
    "Żółta mgła nad olszyną",
    "Most kolejowy i ośmiu chłopców",
    "Wir za kamieniem jak sum",
    "Targ w Zawichoście",
    "Burza nad łąkami",
    "Łyko, sznur i dwadzieścia sześć kłód",
    "Zeszyt Bazylego",
    "Śluza, której nie było na mapie",
    "Żuraw na piaszczystej wyspie",
    "Ostatni zakręt przed Gdańskiem",
    "Wypłata i powrót piechotą",
]

SENTENCES = [
    "Bazyli pchnął drągiem od brzegu i tratwa powoli weszła w nurt.",
    "Woda była tego dnia leniwa, a nad rzeką wisiał zapach siana.",
    "Flisacy śpiewali przy kotle, w którym gotowała się kasza ze smalcem.",
    "Na rufie skrzypiał szałas z desek, przywiązany konopnym sznurem.",
    "Zeszyt z mieliznami leżał na beczce, przyciśnięty kamieniem.",
    "Z brzegu machały dzieci, a pies biegł za tratwą aż do zakrętu.",
]


def png(width, height, colours):
    """A PNG of vertical stripes, one per colour (RGB tuples)."""
    stripe = max(1, width // len(colours))
    row = bytearray([0])  # filter: none
    for x in range(width):
        row += bytes(colours[min(x // stripe, len(colours) - 1)])
    raw = bytes(row) * height

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def picture_shape(number):
    """Width, height and stripe colours of picture NUMBER, unlike every other one."""
    colours = [((number * 53 + k * 97) % 256, (number * 31 + k * 67) % 256, (number * 89 + k * 41) % 256)
               for k in range(1 + number % 4)]
    return 12 + 2 * number, 8 + number, colours


def picture_of(chapter):
    return PICTURES[(chapter - 1) % len(PICTURES)]


def chapter_html(n):
    paragraphs = []
    for k in range(3):
        paragraphs.append(" ".join(SENTENCES[(n + k + j) % len(SENTENCES)] for j in range(4)))
    picture = picture_of(n)
    previous_link = f'<a href="#rozdzial-{n - 1}">Poprzedni rozdział</a> · ' if n > 1 else ""
    next_link = f'<a href="#rozdzial-{n + 1}">Następny rozdział</a> · ' if n < CHAPTERS else ""
    # A note in another chapter: links that name an anchor inside a page, not its top.
    other = CHAPTERS + 1 - n if CHAPTERS + 1 - n != n else 1
    return f"""
<h1 id="rozdzial-{n}" style="page-break-before: always">Rozdział {n}. {TITLES[n - 1]}</h1>
<p>{paragraphs[0]}</p>
<p class="rycina"><img src="{picture}.png" alt="{picture}"/></p>
<p>{paragraphs[1]}</p>
<p id="uwaga-{n}">Uwaga do rozdziału {n}: {paragraphs[2]} Zobacz też <a href="#uwaga-{other}">uwagę do rozdziału {other}</a>.</p>
<p>{previous_link}{next_link}<a href="#spis">Spis treści</a></p>
"""


def book_html():
    contents = "\n".join(
        f'<li><a href="#rozdzial-{n}">Rozdział {n}. {TITLES[n - 1]}</a></li>' for n in range(1, CHAPTERS + 1))
    chapters = "".join(chapter_html(n) for n in range(1, CHAPTERS + 1))
    return f"""<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE html>
<html xmlns="http://www.w3.org/1999/xhtml" lang="pl" xml:lang="pl">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8"/>
<title>Ryciny flisackie</title>
</head>
<body>
<h1 id="spis">Spis treści</h1>
<ul>
{contents}
</ul>
{chapters}
</body>
</html>
"""


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "ryciny.html"), "w", encoding="utf-8") as f:
        f.write(book_html())
    for number, name in enumerate(PICTURES, start=1):
        width, height, colours = picture_shape(number)
        with open(os.path.join(out, f"{name}.png"), "wb") as f:
            f.write(png(width, height, colours))
    return 0


if __name__ == "__main__":
    sys.exit(main())
