#include "ui/HelpWindowRecords.h"

#include "ui/RecordBuilders.h"

namespace ui::help {

using namespace ui::records;

namespace {

// Paragraphs are separated by an empty line; texts break lines with a lone carriage return.
const char* const helpText =
    "Zwojnik to graficzna nakładka na program Convert-LIT, służący do zamiany plików .lit na format. html."
    "\r\r"
    "Do odczytania plików w formacie .lit niezbędny jest program Microsoft Reader. Niestety, firma "
    "Microsoft nie udostępniła jak dotąd czytnika tego formatu działającego w systemie Mac OS X."
    "\r\r"
    "Jedynym sposobem odczytania tych plików na Macintoshu jest ich zamiana na inny format. Zamiany tej "
    "można dokonać za pomocą programu Convert-LIT (znanego także pod frywolną nazwą clit), udostępnianego "
    "na licencji GNU. Program ten wymaga ręcznego podania ścieżek dostępu i parametrów z linii poleceń."
    "\r\r"
    "Zwojnik wzbogaca Convert-LIT o możliwość łatwej obsługi za pomocą myszy w systemie Mac OS X. "
    "Wystarczy przeciągnąć do tego programu plik .lit, wskazać katalog docelowy i kliknąć w przycisk "
    "Wykonaj."
    "\r\r"
    "Polecenie Plik → Zamień plik .lit na .epub… zapisuje książkę w jednym pliku .epub, który "
    "otworzy każdy czytnik e-booków. Istniejący plik nigdy nie zostaje zastąpiony: nowy dostaje kolejny "
    "numer, np. „Książka (2).epub”.";

} // namespace

const std::string& Window3Record()
{
    static const std::string record = WindowRecord({
        .width = 502,
        .height = 325,
        .minWidth = 300,
        .minHeight = 197,
        .maxWidth = 620,
        .maxHeight = 676,
        .frame = 7,
        .backColor = {0xB2, 0xB2, 0xB2},
        .title = "Pomoc Zwojnik",
        .resizeable = true,
        .liveResize = true,
        .maximizeButton = true,
    });
    return record;
}

const std::string& EditField1Record()
{
    static const std::string record = EditFieldRecord({
        .name = "EditField1",
        .bounds = {20, 44, 462, 261},
        .locks = {.left = true, .top = true, .right = true, .bottom = true},
        .border = true,
        .multiline = true,
        .scrollbarHorizontal = false,
        .scrollbarVertical = true,
        .styled = true,
        .password = false,
        .useFocusRing = false,
        .textColor = {0x00, 0x00, 0x00},
        .backColor = {0xFF, 0xFF, 0xFF},
        .format = "",
        .style = {.size = 12, .bold = false},
        .text = helpText,
        .mask = "",
        .readOnly = true,
        .limitText = 0,
        .acceptTabs = false,
        .alignment = 0,
    });
    return record;
}

const std::string& StaticText1Record()
{
    static const std::string record = StaticTextRecord({
        .name = "StaticText1",
        .bounds = {20, 14, 100, 20},
        .locks = {},
        .text = "Zwojnik",
        .textAlign = 0,
        .textColor = {0x00, 0x00, 0x00},
        .multiline = false,
        .style = {.size = 14, .bold = true},
    });
    return record;
}

} // namespace ui::help
