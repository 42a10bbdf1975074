#pragma once

#include <QString>

namespace library_window {

// What the library's dialogs ask and say.
inline const QString kDestinationTitle = QStringLiteral("Wskaż teczkę, w której mam zachować książki:");
inline const QString kFormatQuestion =
    QStringLiteral("W jakiej postaci zapisać książki? Każda trafi do nowej podteczki nazwanej tak jak "
                   "ona albo do pliku EPUB o swojej nazwie; nic, co już istnieje, nie zostanie nadpisane.");
inline const QString kNoBooksMessage = QStringLiteral("W wybranych miejscach nie ma żadnego pliku .lit.");

} // namespace library_window
