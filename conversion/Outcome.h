#pragma once

#include "framework/Text.h"

#include <set>

namespace conversion {

using framework::String;

inline const String kOpenBookCaption = "Otwórz książkę";
inline const String kShowFolderCaption = "Otwórz teczkę";

// A conversion once the converter has ended. Paths as the system names them.
struct FinishedConversion
{
    int status = 0;     // 128 + the signal for a converter ended by one
    String errorOutput; // the end of what the converter wrote on standard error
    String converterPath;
    String bookPath;
    String destinationPath;
    std::set<String> packagesBefore; // the destination's package files before the converter ran
};

// Tells the user how it went: the status, what it means and the converter's own words; or "Gotowe!",
// where the book is, and buttons that open its first page and its folder.
void ReportOutcome(const FinishedConversion& conversion);

} // namespace conversion
