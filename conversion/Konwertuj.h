#pragma once

#include "conversion/Command.h"
#include "conversion/StagingFolder.h"

namespace conversion {

using framework::String;

inline const String kDoneMessage = "Gotowe!";
// Asked when the person quits while the converter runs.
inline const String kStopQuestion = "Zamiana pliku .lit jeszcze trwa. Przerwać ją i zamknąć Zwojnik?";
inline const String kProcessorErrorMessage = "Błąd rozpoznawania procesora.";
// The gap between the two words is a no-break space.
inline const String kErrorMessagePrefix = "Wystąpił\u00A0błąd: ";
// A conversion that leaves its destination without free space has not written all.
inline const String kDestinationFullMessage = kErrorMessagePrefix +
                                              "w teczce docelowej zabrakło miejsca, więc "
                                              "zawartość pliku .lit nie została zapisana w całości.";

// Why a conversion of the book at this path cannot start.
String BookProblemMessage(StagingFolder::Problem problem, const String& bookPath);

// Converts the e-book at sourcePath into the folder targetFolderPath with the Convert LIT executable
// in appFolderPath (all three in shell form) and tells the user how it went. The converter is given
// links to the three in a private staging folder; a book that is not there or is no regular file is
// reported, and the converter does not start.
void Konwertuj(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath);

} // namespace conversion
