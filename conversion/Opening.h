#pragma once

#include "framework/Text.h"

namespace conversion {

using framework::String;

// Open a converted book's first page, or its folder, with the user's program for it. Where no program
// does, the user is told so and shown the path, to copy and open some other way.
void OpenBookPage(const String& pagePath);
void OpenBookFolder(const String& folderPath);
// Open a book's EPUB file likewise.
void OpenEpubFile(const String& filePath);

} // namespace conversion
