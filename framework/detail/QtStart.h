#pragma once

#include <memory>

class QApplication;

namespace framework::detail {

// Polish, as the program speaks, whatever the system's language.
inline constexpr const char* kNoDisplayMessage =
    "Zwojnik nie może się uruchomić: nie udało się połączyć z ekranem. Uruchom go w sesji graficznej "
    "(zmienna DISPLAY albo WAYLAND_DISPLAY musi wskazywać działający serwer grafiki).\n";

// Qt's application object for a program whose only argument Qt sees is its name; nothing when one exists
// already. Without a display to show windows on, the program ends here with the message above and
// status 1. The settings that Qt's own parts keep (the file dialogs' history and last folder) are written
// nowhere: the program keeps no files of its own.
std::unique_ptr<QApplication> StartQt(char* programName);

} // namespace framework::detail
