#pragma once

#include "conversion/Command.h"
#include "conversion/Outcome.h"
#include "conversion/StagingFolder.h"
#include "framework/Shell.h"

#include <optional>
#include <variant>

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

// Why a conversion did not start, or how it finished; neither when the program is ending.
using ConversionRun = std::variant<std::monostate, String, FinishedConversion>;

// Runs the Convert LIT executable in appFolderPath on the book, into the destination folder (all three as
// the system names them), on links in a private staging folder that is gone by the time this returns. An
// unknown processor is reported and ends the program. The shell is made before whatever has to be cleaned
// up after the converter, so that a signal which ends the program meanwhile does so once it has been.
ConversionRun RunConvertLit(framework::Shell& shell, const String& appFolderPath, const String& bookPath,
                            const String& destinationPath);

// Converts the e-book at sourcePath into the folder targetFolderPath with the Convert LIT executable
// in appFolderPath (all three in shell form) and tells the user how it went. The converter is given
// links to the three in a private staging folder, which is gone before any message; a book that is not
// there or is no regular file is reported, and the converter does not start.
void Konwertuj(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath);

} // namespace conversion
