#include "Configuration.h"
#include "app/LibraryCommand.h"
#include "app/Startup.h"

#include <algorithm>
#include <iostream>
#include <span>
#include <string_view>

namespace {

constexpr std::string_view kUsage = R"(Użycie: zwojnik [PLIK.lit]...
       zwojnik --output TECZKA [--epub] PLIK.lit|TECZKA...
       zwojnik --help | --version

Zamienia e-booki Microsoft Reader (pliki .lit) na strony HTML.

Podane pliki zamienia po kolei; przy każdym pyta o teczkę, w której ma się
znaleźć jego zawartość. Gdy Zwojnik już działa, pliki trafiają do działającego
programu. Uruchomiony bez plików czeka na polecenia z menu.

Z opcją --output zamienia całą bibliotekę bez okna: podane pliki i wszystkie
pliki .lit w podanych teczkach (także w podteczkach; dowiązań w nich nie
odwiedza), tyle naraz, ile procesor ma rdzeni. Każda książka trafia do nowej
podteczki TECZKI nazwanej tak jak książka, a z opcją --epub do pliku
„nazwa.epub”; nazwy już zajęte dostają dopisek „ (2)”, nic nie zostaje
nadpisane. Wypisuje po wierszu na książkę i podsumowanie; kończy się kodem 0,
gdy zamieniono wszystkie książki, a 1, gdy którejś nie. Ctrl+C przerywa
zamianę i usuwa to, co zapisały niedokończone książki.

Opcje:
  --help      wypisuje ten opis i kończy działanie
  --version   wypisuje wersję programu i kończy działanie
  --output TECZKA
              zamienia podane książki bez okna, każdą do nowej podteczki TECZKI
  --epub      z --output: zapisuje każdą książkę jako plik EPUB

Każdy inny argument to plik; plik o nazwie „--help” podaje się jako ./--help.
)";

// Only these exact words are options, wherever they stand: a file manager hands over absolute paths, so
// no book is taken for one.
bool PrintRequestedText(std::span<char*> arguments)
{
    for (const std::string_view argument : arguments) {
        if (argument == "--help") {
            std::cout << kUsage;
            return true;
        }
        if (argument == "--version") {
            std::cout << "Zwojnik " << configuration::kVersion << '\n';
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const std::span<char*> arguments(argv, argc > 0 ? static_cast<std::size_t>(argc) : 0);
    if (!arguments.empty() && PrintRequestedText(arguments.subspan(1))) {
        return std::cout.flush() ? 0 : 1;
    }
    if (const auto status =
            app::RunLibraryCommand(arguments.subspan(std::min<std::size_t>(arguments.size(), 1)))) {
        return *status;
    }
    return app::Run(argc, argv);
}
