#pragma once

#include "epub/Epub.h"
#include "framework/Text.h"

namespace conversion {

using framework::String;

// The first line of the box that tells of an EPUB that could not be written.
inline const String kEpubFailedMessage = "Nie udało się zapisać pliku .epub.";

// What the user is told of a failure to write the EPUB of the book with this file name into the folder (as
// the system names it).
String ExplainEpubFailure(epub::EpubFailure failure, const String& folder, const String& bookFileName);

// Converts the e-book at sourcePath with the Convert LIT executable in appFolderPath (all three in shell
// form), as Konwertuj does, but into a private working folder, then makes its EPUB "<book>.epub" in the
// folder targetFolderPath, under a free name, and tells the user how it went. Only the EPUB lands there:
// the working folder is gone before any message.
void KonwertujEpub(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath);

} // namespace conversion
