#pragma once

#include "conversion/Command.h"
#include "conversion/StagingFolder.h"

#include <optional>

namespace conversion {

using framework::String;

inline const String kDoneMessage = "Gotowe!";
// Asked when the person quits while the converter runs.
inline const String kStopQuestion = "Zamiana pliku .lit jeszcze trwa. Przerwać ją i zamknąć Zwojnik?";
inline const String kProcessorErrorMessage = "Błąd rozpoznawania procesora.";
// The gap between the two words is a no-break space.
inline const String kErrorMessagePrefix = "Wystąpił\u00A0błąd: ";

// Why a conversion of the book at this path cannot start.
String BookProblemMessage(StagingFolder::Problem problem, const String& bookPath);

// Why the book at this path (as the system names it) cannot be converted: it is not there, or it is no
// regular file. Nothing when the converter may try it.
std::optional<String> BookRefusal(const String& bookPath);

// Converts the e-book at sourcePath into the folder targetFolderPath with the Convert LIT executable
// in appFolderPath (all three in shell form) and tells the user how it went. The converter is given
// links to the three in a private staging folder, which is gone before any message; a book that is not
// there or is no regular file is reported, and the converter does not start.
void Konwertuj(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath);

} // namespace conversion
