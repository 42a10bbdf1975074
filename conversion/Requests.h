#pragma once

#include "framework/Files.h"
#include "framework/Text.h"

namespace conversion {

using framework::String;

// The object that carries out conversions: the application.
class ConversionTarget
{
public:
    virtual ~ConversionTarget() = default;
    // The program's executable; the converter stands in its folder.
    virtual framework::FolderItemPtr ExecutableFile() const = 0;
    virtual void konwertuj(const String& appFolderPath, const String& sourcePath,
                           const String& targetFolderPath) = 0;
    // As konwertuj, but the book goes into the folder as one EPUB file.
    virtual void konwertujEpub(const String& appFolderPath, const String& sourcePath,
                               const String& targetFolderPath) = 0;

    // The folder where the user last chose a book in this run; nothing before the first.
    const framework::FolderItemPtr& LastBookFolder() const { return mLastBookFolder; }
    void SetLastBookFolder(const framework::FolderItemPtr& folder) { mLastBookFolder = folder; }

private:
    framework::FolderItemPtr mLastBookFolder;
};

inline const String kOpenDialogTitle = "Wybierz plik .lit do zamiany na .html:";
inline const String kOpenDialogPrompt =
    "Możesz także wskazać w Finderze Zwojnik jako domyślny program do otwierania plików .lit";
inline const String kFolderDialogTitle = "Wskaż teczkę, w której mam zachować zawartość pliku .lit:";
// The same dialogs of the command that makes an EPUB.
inline const String kEpubOpenDialogTitle = "Wybierz plik .lit do zamiany na .epub:";
inline const String kEpubFolderDialogTitle = "Wskaż teczkę, w której mam zachować plik .epub:";
inline const String kNextCaption = "Dalej";
inline const String kCarryOutCaption = "Wykonaj";
inline const String kGiveUpCaption = "Poniechaj";
inline const String kEbookFilter = "text/lit";

// A document opened with the program: asks for the destination folder, then converts. A book that is
// not there or is no regular file is reported instead.
void ConvertOpenedDocument(ConversionTarget& target, const framework::FolderItemPtr& ebook);

// The menu command: asks for the e-book and the destination folder, then converts. Yields false.
bool ConvertFileFromDisk(ConversionTarget& target);
// The same, making the book an EPUB file. Yields false.
bool ConvertFileFromDiskToEpub(ConversionTarget& target);

} // namespace conversion
