#!/usr/bin/env python3
# -*- coding: utf-8 -*-
"""Generate the HTML source of the multi-chapter test book "Dziennik flisaka".

The text is built deterministically: hand-written chapter openings are
followed by sentences assembled from phrase lists, a table of daily river
measurements and a cargo list.  A small self-contained pseudo-random
generator (xorshift64*) is used instead of Python's `random` module so that
the output is byte-for-byte identical on every Python 3 version.

Usage:
    generate-rozdzialy.py [--size normal|large] [-o OUT.html]

Without -o the HTML is written to standard output.
"""

import argparse
import html
import sys

# ---------------------------------------------------------------------------
# Deterministic pseudo-random numbers
# ---------------------------------------------------------------------------


class Rng:
    MASK = (1 << 64) - 1

    def __init__(self, seed):
        self.state = (seed * 0x9E3779B97F4A7C15 + 0x2545F4914F6CDD1D) & self.MASK
        if self.state == 0:
            self.state = 1

    def next(self):
        x = self.state
        x ^= (x >> 12)
        x ^= (x << 25) & self.MASK
        x ^= (x >> 27)
        self.state = x
        return ((x * 0x2545F4914F6CDD1D) & self.MASK) >> 11

    def below(self, n):
        return self.next() % n

    def between(self, lo, hi):
        """Integer in [lo, hi]."""
        return lo + self.below(hi - lo + 1)

    def pick(self, seq):
        return seq[self.below(len(seq))]

    def chance(self, percent):
        return self.below(100) < percent


# ---------------------------------------------------------------------------
# Polish helpers
# ---------------------------------------------------------------------------


def plural(n, one, few, many):
    """Polish noun form after the numeral n (1 kilometr, 3 kilometry, 5 kilometrów)."""
    if n == 1:
        return one
    if n % 10 in (2, 3, 4) and n % 100 not in (12, 13, 14):
        return few
    return many


def capitalize(s):
    return s[:1].upper() + s[1:]


# ---------------------------------------------------------------------------
# Material
# ---------------------------------------------------------------------------

CHAPTERS = [
    ("Wyruszamy spod Starego Młyna",
     "Pierwszego dnia wody było tyle, że sięgała kamiennych schodów przy młynie. "
     "Wiązaliśmy tratwę do późna, bo sznur konopny namókł i trzeba go było "
     "dociągać dwa razy. Gospodarz młyna przyniósł nam bochen razowca i dzban "
     "maślanki, a na pożegnanie powiedział, że żaden flisak nie wrócił z tej "
     "rzeki taki sam, jaki na nią wypłynął."),
    ("Mielizny pod Kępą",
     "Za Kępą rzeka rozlewa się szeroko i udaje spokojną, ale pod powierzchnią "
     "przesuwają się piaszczyste łachy. Ignacy stał na dziobie z długą tyczką "
     "i co kilka minut wołał głębokość. Gdy tyczka weszła w piach do połowy, "
     "wszyscy rzucili się do wioseł, a ja zapisałem w zeszycie kolejną "
     "przestrogę dla tych, którzy popłyną tędy po nas."),
    ("Burza nad olszyną",
     "Niebo ściemniało nagle, jakby ktoś zaciągnął nad doliną wełniany koc. "
     "Pierwszy grzmot uderzył tak blisko, że kocioł zadzwonił na haku. "
     "Przybiliśmy do brzegu pod olszyną i przeczekaliśmy ulewę w szałasie, "
     "licząc sekundy między błyskiem a hukiem. Wawrzyniec twierdził, że to "
     "najpewniejszy zegar, jaki zna."),
    ("Targ w Żurawicach",
     "W Żurawicach był akurat dzień targowy. Na rynku sprzedawano miód "
     "gryczany, gliniane garnki, wędzone węgorze i koguty w wiklinowych "
     "koszach. Kupiliśmy nowe łyko, trzy bochenki chleba i worek grochu. "
     "Jadźka, która handlowała przy studni ziołami, obiecała, że jej napar "
     "z dziurawca leczy każdy ból krzyża, nawet flisacki."),
    ("Nocna straż",
     "Noce na rzece są głośniejsze niż dni. Pluskają ryby, w trzcinach "
     "szeleszczą kaczki, a z daleka dochodzi szczekanie psów z zagród. "
     "Pełniliśmy straż na zmianę, po dwie godziny, pilnując, żeby cuma nie "
     "puściła i żeby ogień w palenisku nie zgasł. Nad ranem mgła położyła się "
     "na wodzie jak mleko rozlane na stole."),
    ("Śluza i stary śluzowy",
     "Śluzowy Hieronim Ćwikła miał siedemdziesiąt lat i pamiętał czasy, gdy "
     "przez jego wrota przepływało dwadzieścia tratw dziennie. Długo oglądał "
     "nasze wiązania, cmokał i kręcił głową, a potem sam poprawił dwa węzły. "
     "Dopiero wtedy otworzył wrota i pozwolił nam opaść razem z wodą do "
     "dolnego stanowiska."),
    ("Łąki pod Dębowcem",
     "Za Dębowcem rzeka płynie między łąkami, na których pasą się konie. "
     "Źrebięta biegły wzdłuż brzegu, jakby chciały nas prześcignąć. Było tak "
     "cicho, że słyszeliśmy brzęczenie pszczół w koniczynie. Ignacy wyjął "
     "fujarkę i grał, dopóki nie zaczęło zmierzchać, a my nie śpieszyliśmy się "
     "nigdzie."),
    ("Ujście i koniec spływu",
     "Ostatniego dnia woda zmieniła kolor i zapach, bo zbliżaliśmy się do "
     "ujścia. Na przystani czekał już kupiec z ludźmi, którzy mieli rozebrać "
     "tratwę i policzyć kłody. Każda miała wypalony nasz znak. Gdy rachunek "
     "się zgodził, usiedliśmy na pomoście i długo patrzyliśmy na rzekę, którą "
     "przepłynęliśmy od źródeł aż tutaj."),
]

FIRST_NAMES = [
    "Bazyli", "Ignacy", "Wawrzyniec", "Hieronim", "Teodor", "Maciej",
    "Bartłomiej", "Józef", "Łukasz", "Szczepan", "Florian", "Gabriel",
    "Ambroży", "Dionizy", "Kajetan", "Leon", "Mikołaj", "Onufry",
    "Przemysław", "Sebastian", "Tadeusz", "Walenty", "Zdzisław", "Żegota",
]

SURNAMES = [
    "Wrzosek", "Ćwikła", "Łoziński", "Żmuda", "Kępa", "Dąbek", "Śliwa",
    "Gałąź", "Mrówka", "Pająk", "Sójka", "Źrebiec", "Olszak", "Kołodziej",
    "Grzęda", "Jaworek", "Niedźwiedź", "Bocian", "Jeżyk", "Kruk",
]

ROLES = [
    "sternik", "stary flisak", "młody pomocnik", "kucharz", "retman",
    "cieśla", "kupiecki pisarz", "przewoźnik", "rybak", "kowal",
]

TIMES = [
    "o świcie", "przed południem", "w samo południe", "po obiedzie",
    "pod wieczór", "o zmierzchu", "tuż po burzy", "gdy opadła mgła",
    "przy pełni księżyca", "zanim zapiał kogut", "kiedy wiatr ucichł",
    "w czasie postoju", "na drugiej zmianie", "nad ranem",
]

ACTIONS = [
    "naprawiał pękniętą wiązkę przy rufie",
    "gotował kaszę ze skwarkami w żeliwnym kotle",
    "mierzył głębokość długą, oznaczoną tyczką",
    "suszył mokre onuce na drążku",
    "opowiadał o powodzi sprzed dwudziestu lat",
    "liczył kłody i zapisywał wynik kredą na desce",
    "łatał dziurawy worek na mąkę",
    "wypatrywał zdradliwych wirów za zakrętem",
    "strugał nowe wiosło z jesionowego drewna",
    "śpiewał przyśpiewkę o dziewczynie znad Bugu",
    "zaciągał węzły na konopnych linach",
    "łowił ryby na wędkę z leszczyny",
    "wylewał wodę z szałasu cynowym czerpakiem",
    "targował się z przewoźnikiem o cenę przeprawy",
    "przeglądał zeszyt z zapiskami o mieliznach",
    "rąbał suche gałęzie na opał",
    "przyglądał się chmurom nad lasem",
    "uczył młodszych wiązać węzeł flisacki",
    "grał na fujarce, aż zamilkły żaby",
    "oliwił zawiasy skrzyni z narzędziami",
]

OBSERVATIONS = [
    "woda była mętna i niosła liście",
    "nurt przyśpieszył przy wysokim brzegu",
    "na łachach wygrzewały się mewy",
    "nad rzeką krążyła para bocianów",
    "z pobliskiej wsi dochodził dźwięk dzwonu",
    "przy brzegu stały łodzie rybackie",
    "wiatr pędził chmury ku wschodowi",
    "w trzcinach kryły się łyski i perkozy",
    "na skarpie pasło się stado krów",
    "z lasu wyszła sarna z młodym",
    "dym z kominów kładł się nisko nad łąką",
    "rzeka zakręcała ostro pod starą wierzbą",
    "pod mostem woda kłębiła się i pieniła",
    "po wodzie płynęły kępy wyrwanej trawy",
    "ktoś palił ognisko na drugim brzegu",
    "nad wodą unosiły się roje komarów",
]

COMMENTS = [
    "Zapisałem to, żeby nie zapomnieć na przyszły rok.",
    "Nikt z nas nie widział tego wcześniej.",
    "Ignacy uznał to za dobry znak.",
    "Wawrzyniec splunął przez lewe ramię na szczęście.",
    "Postanowiliśmy płynąć dalej bez postoju.",
    "Trzeba będzie wrócić tu z lepszą liną.",
    "Nikomu nie chciało się o tym rozmawiać.",
    "Kucharz twierdził, że przyniesie to deszcz.",
    "Był to najspokojniejszy odcinek całej drogi.",
    "Długo potem wspominaliśmy ten widok.",
    "Zeszyt zamókł, więc część zapisków trzeba było odtworzyć z pamięci.",
    "Wieczorem każdy dostał podwójną porcję grochówki.",
]

SAYINGS = [
    "Rzeka nie lubi pośpiechu",
    "Kto śpi na tratwie, ten budzi się w innym powiecie",
    "Lepsza mielizna znana niż głębia obca",
    "Sznur trzeba kochać jak brata",
    "Po burzy woda zawsze przybiera",
    "Nie ufaj spokojnemu nurtowi",
    "Grochówka z dymem smakuje najlepiej",
    "Jutro popłyniemy szybciej",
    "Tu mój dziadek stracił czapkę",
    "Słyszę młyn, więc Żurawice blisko",
    "Łyko trzeba moczyć przez noc",
    "Źle zawiązany węzeł poznasz po skrzypieniu",
]

SPEECH_VERBS = [
    "powiedział", "mruknął", "zawołał", "zauważył", "szepnął", "przypomniał",
    "westchnął", "orzekł",
]

GAUGES = [
    ("łata wodowskazowa", "wskazywała"),
    ("kreska na filarze mostu", "wskazywała"),
    ("znak na kamieniu", "wskazywał"),
    ("miara przy śluzie", "wskazywała"),
    ("pal przy przystani", "wskazywał"),
]

ROOTS = [
    "Brzoz", "Dęb", "Wierzb", "Łęk", "Olsz", "Jabłon", "Głog", "Sosn",
    "Grab", "Kalin", "Żuraw", "Sól", "Mszan", "Czereśn", "Ślaz", "Źródł",
    "Gęsi", "Kozi", "Lip", "Ostrzesz",
]

SUFFIXES = ["owo", "ów", "ice", "ino", "any", "ówka", "nica", "owiec", "ewo"]

PLACE_TYPES = [
    "we wsi", "koło przysiółka", "za osadą", "przed miasteczkiem",
    "naprzeciw folwarku", "przy przystani", "pod kościołem we wsi",
]

CARGO = [
    # (nominative singular, accusative singular, nominative plural, genitive plural)
    ("kłoda sosnowa", "kłodę sosnową", "kłody sosnowe", "kłód sosnowych"),
    ("beczka smoły", "beczkę smoły", "beczki smoły", "beczek smoły"),
    ("worek grochu", "worek grochu", "worki grochu", "worków grochu"),
    ("skrzynia gwoździ", "skrzynię gwoździ", "skrzynie gwoździ", "skrzyń gwoździ"),
    ("bela płótna", "belę płótna", "bele płótna", "bel płótna"),
    ("kosz jabłek", "kosz jabłek", "kosze jabłek", "koszy jabłek"),
    ("dzban miodu", "dzban miodu", "dzbany miodu", "dzbanów miodu"),
    ("wiązka łyka", "wiązkę łyka", "wiązki łyka", "wiązek łyka"),
    ("zwój liny", "zwój liny", "zwoje liny", "zwojów liny"),
    ("garniec soli", "garniec soli", "garnce soli", "garnców soli"),
    ("kopa jaj", "kopę jaj", "kopy jaj", "kop jaj"),
    ("skóra wołowa", "skórę wołową", "skóry wołowe", "skór wołowych"),
]

WEATHER = [
    "pogodnie", "pochmurno", "mżawka", "ulewa", "mgła", "wiatr z zachodu",
    "upał", "przymrozek nad ranem", "burza po południu", "silny wiatr",
]

REMARKS = [
    "bez zmian", "mielizna po lewej", "wir za mostem", "postój w karczmie",
    "naprawa wiązań", "przeprawa promowa", "płycizna przy kępie",
    "spokojny nurt", "zatopione drzewo", "kontrola na śluzie",
]


def place(rng):
    return "%s %s%s" % (rng.pick(PLACE_TYPES), rng.pick(ROOTS), rng.pick(SUFFIXES))


def person(rng):
    r = rng.below(3)
    if r == 0:
        return "%s %s" % (rng.pick(FIRST_NAMES), rng.pick(SURNAMES))
    if r == 1:
        return "%s %s" % (rng.pick(ROLES), rng.pick(FIRST_NAMES))
    return rng.pick(FIRST_NAMES)


def sentence(rng):
    kind = rng.below(8)
    if kind == 6:
        return "„%s” — %s %s." % (rng.pick(SAYINGS), rng.pick(SPEECH_VERBS), person(rng))
    if kind == 7:
        level = rng.between(80, 460)
        diff = rng.between(1, 39)
        gauge, shows = rng.pick(GAUGES)
        return "O godzinie %d:%02d %s %s %d cm, o %d cm %s niż %s." % (
            rng.between(4, 22), rng.below(60), gauge, shows, level, diff,
            rng.pick(["więcej", "mniej"]),
            rng.pick(["wczoraj", "przed tygodniem", "rano", "na poprzednim postoju"]))
    if kind == 0:
        when = rng.pick(TIMES)
        comma = "," if when.split()[0] in ("gdy", "zanim", "kiedy") else ""
        return "%s%s %s %s." % (capitalize(when), comma, person(rng), rng.pick(ACTIONS))
    if kind == 1:
        return "%s %s, a %s." % (capitalize(place(rng)), rng.pick(OBSERVATIONS), rng.pick(OBSERVATIONS))
    if kind == 2:
        km = rng.between(1, 48)
        h = rng.between(1, 14)
        return "Do %s przepłynęliśmy %d %s w ciągu %d %s." % (
            rng.pick(["wieczora", "południa", "postoju", "zmroku", "przeprawy"]),
            km, plural(km, "kilometr", "kilometry", "kilometrów"),
            h, "godziny" if h == 1 else "godzin")
    if kind == 3:
        return "%s, %s, %s." % (capitalize(person(rng)), rng.pick(TIMES), rng.pick(ACTIONS))
    if kind == 4:
        n = rng.between(2, 97)
        _, acc, acc_plural, _ = rng.pick(CARGO)
        return "%s %s zapłacił %d %s za %s." % (
            capitalize(place(rng)), rng.pick(["kupiec", "młynarz", "karczmarz", "sołtys", "rybak"]),
            n, plural(n, "grosz", "grosze", "groszy"),
            rng.pick([acc, acc_plural]))
    return rng.pick(COMMENTS)


def paragraph(rng):
    return " ".join(sentence(rng) for _ in range(rng.between(3, 9)))


def measurements_table(rng, chapter_no, rows):
    out = ['<table border="1">',
           '<caption>Pomiary z rozdziału %d</caption>' % chapter_no,
           '<tr><th>Dzień</th><th>Odcinek (km)</th><th>Poziom wody (cm)</th>'
           '<th>Temperatura (°C)</th><th>Pogoda</th><th>Uwagi</th></tr>']
    for i in range(rows):
        out.append('<tr><td>%d.%d</td><td>%d,%d</td><td>%d</td><td>%d,%d</td><td>%s</td><td>%s</td></tr>' % (
            chapter_no, i + 1, rng.between(0, 52), rng.below(10), rng.between(80, 460),
            rng.between(-3, 31), rng.below(10), rng.pick(WEATHER), rng.pick(REMARKS)))
    out.append('</table>')
    return "\n".join(out)


def cargo_list(rng):
    out = ['<p>Ładunek sprawdzony na postoju:</p>', '<ul>']
    for one, _, few, many in CARGO:
        if rng.chance(70):
            n = rng.between(1, 240)
            out.append('<li>%d %s</li>' % (n, plural(n, one, few, many)))
    out.append('</ul>')
    return "\n".join(out)


SIZES = {
    # name: (paragraphs per chapter, table rows per chapter, repetitions of chapter set)
    "normal": (760, 200, 1),
    "large": (760, 200, 6),
}


def generate(size):
    paragraphs, rows, rounds = SIZES[size]
    rng = Rng(20240611)
    parts = ['<?xml version="1.0" encoding="utf-8"?>',
             '<!DOCTYPE html>',
             '<html xmlns="http://www.w3.org/1999/xhtml" lang="pl" xml:lang="pl">',
             '<head>',
             '<meta http-equiv="Content-Type" content="text/html; charset=utf-8"/>',
             '<title>Dziennik flisaka</title>',
             '</head>',
             '<body>']
    number = 0
    for r in range(rounds):
        for title, opening in CHAPTERS:
            number += 1
            heading = "Rozdział %d. %s" % (number, title)
            if r > 0:
                heading += " (spływ %d)" % (r + 1)
            parts.append('<h1 style="page-break-before: always">%s</h1>' % html.escape(heading))
            parts.append('<p>%s</p>' % html.escape(opening))
            half = paragraphs // 2
            parts.append('<h2>Zapiski z drogi</h2>')
            for _ in range(half):
                parts.append('<p>%s</p>' % html.escape(paragraph(rng)))
            parts.append(measurements_table(rng, number, rows))
            parts.append('<h2>Postoje i rozmowy</h2>')
            for _ in range(paragraphs - half):
                parts.append('<p>%s</p>' % html.escape(paragraph(rng)))
            parts.append(cargo_list(rng))
    parts.append('</body>')
    parts.append('</html>')
    return "\n".join(parts) + "\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--size", choices=sorted(SIZES), default="normal")
    ap.add_argument("-o", "--output", help="output file (default: standard output)")
    args = ap.parse_args()
    text = generate(args.size).encode("utf-8")
    if args.output:
        with open(args.output, "wb") as f:
            f.write(text)
    else:
        sys.stdout.buffer.write(text)


if __name__ == "__main__":
    main()
