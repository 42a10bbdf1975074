#include "conversion/KonwertujEpub.h"

#include "conversion/FirstPage.h"
#include "conversion/Konwertuj.h"
#include "conversion/Opening.h"
#include "conversion/Quoting.h"
#include "conversion/WorkingFolder.h"
#include "framework/Messages.h"

#include <filesystem>

namespace conversion {

namespace {

namespace fs = std::filesystem;

// The EPUB of the book the converter wrote into the working folder.
epub::EpubResult pack(const WorkingFolder& working, const String& bookPath, const String& destination)
{
    const auto packages = PackageNames(working.Path());
    const fs::path opf = packages.empty() ? String() : *packages.begin();
    // The book gone meanwhile has left its pages: the EPUB is dated now.
    const auto source =
        epub::EpubSourceOf(bookPath).value_or(epub::EpubSource{.modified = std::chrono::system_clock::now()});
    return epub::PackEpub(working.Path(), opf, source, destination, fs::path(bookPath).stem().string());
}

// Converts into a working folder and, when the converter succeeds, packs what it wrote; the working
// folder is gone by the time this returns.
ConversionRun convertAndPack(const String& appFolder, const String& book, const String& destination,
                             epub::EpubResult& packed)
{
    // The shell goes last: a signal that ends the program during the run does so once the working
    // folder has gone.
    framework::Shell shell(kStopQuestion);
    const auto working = WorkingFolder::Make();
    if (!working) {
        return BookProblemMessage(StagingFolder::Problem::NoPrivateFolder, book);
    }
    auto run = RunConvertLit(shell, appFolder, book, working->Path());
    if (const auto* finished = std::get_if<FinishedConversion>(&run); finished && !finished->failure) {
        packed = pack(*working, book, destination);
    }
    return run;
}

} // namespace

String ExplainEpubFailure(epub::EpubFailure failure, const String& folder, const String& bookFileName)
{
    using epub::EpubFailure;
    switch (failure) {
    case EpubFailure::BookUnreadable:
        return "Konwerter Convert LIT nie zostawił z tej książki niczego, co dałoby się odczytać: "
               "brakuje jej opisu (pliku .opf) albo stron.";
    case EpubFailure::NameUnusable:
        return "Z nazwy pliku „" + bookFileName +
               "” nie da się utworzyć nazwy pliku .epub. Zmień nazwę pliku .lit i spróbuj jeszcze raz.";
    case EpubFailure::DestinationMissing:
        return "Teczki „" + folder + "” już nie ma: została przeniesiona albo usunięta.";
    case EpubFailure::DestinationReadOnly:
        return "W teczce „" + folder + "” nie wolno zapisywać. Wskaż inną teczkę.";
    case EpubFailure::DestinationFull:
        return "W teczce „" + folder + "” zabrakło miejsca. Zwolnij trochę miejsca albo wskaż inną teczkę.";
    case EpubFailure::None:
    case EpubFailure::WriteFailed:
        break;
    }
    return "System nie pozwolił zapisać pliku w teczce „" + folder + "”.";
}

void KonwertujEpub(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath)
{
    const auto book = SystemPath(sourcePath);
    const auto destination = SystemPath(targetFolderPath);
    epub::EpubResult packed;
    auto run = convertAndPack(SystemPath(appFolderPath), book, destination, packed);
    if (const auto* refusal = std::get_if<String>(&run)) {
        framework::MsgBox(*refusal);
        return;
    }
    auto* finished = std::get_if<FinishedConversion>(&run);
    if (finished == nullptr) {
        return;
    }
    if (finished->failure) {
        finished->destinationPath = destination;
        finished->destinationGained = false; // what it wrote went with the working folder
        ReportOutcome(*finished);
        return;
    }
    if (!packed.ok()) {
        framework::MsgBox(kEpubFailedMessage,
                          ExplainEpubFailure(packed.failure, destination, fs::path(book).filename().string()),
                          packed.detail);
        return;
    }
    const auto written = packed.written.string();
    framework::MsgBox(kDoneMessage, "Książka jest w pliku „" + written + "”.", "",
                      {{kOpenBookCaption, [written] { OpenEpubFile(written); }},
                       {kShowFolderCaption, [destination] { OpenBookFolder(destination); }}});
}

} // namespace conversion
