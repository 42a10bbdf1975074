#include "conversion/Opening.h"

#include "conversion/FirstPage.h"
#include "framework/Messages.h"

namespace conversion {

void OpenBookPage(const String& pagePath)
{
    framework::ShowURL(FileUrl(pagePath), [pagePath] {
        framework::MsgBox(
            "Nie udało się otworzyć książki.",
            "Żaden program jej nie otworzył. Oto ścieżka jej pierwszej strony, do skopiowania:\n" + pagePath);
    });
}

void OpenEpubFile(const String& filePath)
{
    framework::ShowURL(FileUrl(filePath), [filePath] {
        framework::MsgBox("Nie udało się otworzyć książki.",
                          "Żaden program jej nie otworzył. Oto ścieżka jej pliku, do skopiowania:\n" +
                              filePath);
    });
}

void OpenBookFolder(const String& folderPath)
{
    framework::ShowURL(FileUrl(folderPath), [folderPath] {
        framework::MsgBox("Nie udało się otworzyć teczki.",
                          "Żaden program jej nie otworzył. Oto jej ścieżka, do skopiowania:\n" + folderPath);
    });
}

} // namespace conversion
