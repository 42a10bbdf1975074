#include "Configuration.h"
#include "app/Startup.h"

#include <iostream>
#include <span>
#include <string_view>

namespace {

constexpr std::string_view kUsage = R"(Użycie: zwojnik [PLIK.lit]...
       zwojnik --help | --version

Zamienia e-booki Microsoft Reader (pliki .lit) na strony HTML.

Podane pliki zamienia po kolei; przy każdym pyta o teczkę, w której ma się
znaleźć jego zawartość. Gdy Zwojnik już działa, pliki trafiają do działającego
programu. Uruchomiony bez plików czeka na polecenia z menu.

Opcje:
  --help      wypisuje ten opis i kończy działanie
  --version   wypisuje wersję programu i kończy działanie

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
    return app::Run(argc, argv);
}
