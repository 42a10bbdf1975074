#pragma once

#include "conversion/StagingFolder.h"
#include "framework/Text.h"

#include <cstdint>
#include <optional>

namespace conversion {

using framework::String;

inline constexpr std::int32_t kPowerPCArchitecture = 2;

inline const String kDoneMessage = "Gotowe!";
inline const String kProcessorErrorMessage = "Błąd rozpoznawania procesora.";
// The gap between the two words is a no-break space.
inline const String kErrorMessagePrefix = "Wystąpił\u00A0błąd: ";
// A conversion that exits with 0 but leaves its destination without free space has not written all.
inline const String kDestinationFullMessage = kErrorMessagePrefix +
                                              "w teczce docelowej zabrakło miejsca, więc "
                                              "zawartość pliku .lit nie została zapisana w całości.";

// The converter command line before quoting: the shell runs what printf prints.
String CommandText(std::int32_t architecture, const String& appFolderPath, const String& sourcePath,
                   const String& targetFolderPath);

// The command text as the shell gets it: CommandText with its paths quoted.
String ConverterCommand(std::int32_t architecture, const String& appFolderPath, const String& sourcePath,
                        const String& targetFolderPath);

// The first of the paths in a quoted command whose wildcards match more than one existing name, as
// the system names it; nothing when each matches one name or none.
std::optional<String> AmbiguousPath(std::int32_t architecture, const String& appFolderPath,
                                    const String& sourcePath, const String& targetFolderPath);
String AmbiguityMessage(const String& path);
// Why a conversion of the book at this path cannot start.
String BookProblemMessage(StagingFolder::Problem problem, const String& bookPath);

// Converts the e-book at sourcePath into the folder targetFolderPath with the Convert LIT executable
// in appFolderPath (all three in shell form) and tells the user how it went. The converter is given
// links to the three in a private staging folder; a book that is not there or is no regular file is
// reported, and the converter does not start.
void Konwertuj(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath);

} // namespace conversion
