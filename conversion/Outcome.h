#pragma once

#include "conversion/Failures.h"
#include "framework/Text.h"

#include <optional>
#include <set>

namespace conversion {

using framework::String;

inline const String kOpenBookCaption = "Otwórz książkę";
inline const String kShowFolderCaption = "Otwórz teczkę";
// Beside the explanation of a failure after which the destination holds names it did not hold before.
inline const String kPartialFilesMessage =
    "Część plików została już zapisana w teczce docelowej i mogą one być niekompletne.";

// A conversion once the converter has ended. Paths as the system names them.
struct FinishedConversion
{
    int status = 0;                 // 128 + the signal for a converter ended by one
    std::optional<Failure> failure; // none: the book was converted
    String errorOutput;             // the end of what the converter wrote on standard error, in whole lines
    String converterPath;
    String bookPath;
    String destinationPath;
    std::set<String> packagesBefore; // the destination's package files before the converter ran
    bool destinationGained = false;  // the destination holds names it did not hold before
};

// Tells the user how it went: the status, what it means and the converter's own words; or "Gotowe!",
// where the book is, and buttons that open its first page and its folder.
void ReportOutcome(const FinishedConversion& conversion);

} // namespace conversion
