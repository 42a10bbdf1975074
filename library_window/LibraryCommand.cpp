#include "library_window/LibraryCommand.h"

#include "conversion/Command.h"
#include "conversion/Konwertuj.h"
#include "framework/System.h"
#include "library/Books.h"
#include "library/Library.h"
#include "library_window/ProgressWindow.h"
#include "library_window/ReportWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace library_window {

namespace {

const QString kWhatQuestion = QStringLiteral("Co chcesz zamienić?");
const QString kFilesCaption = QStringLiteral("Wybrane pliki…");
const QString kFolderCaption = QStringLiteral("Całą teczkę…");
const QString kGiveUpCaption = QStringLiteral("Poniechaj");
const QString kFilesTitle = QStringLiteral("Wybierz pliki .lit do zamiany:");
const QString kFolderTitle = QStringLiteral("Wybierz teczkę z plikami .lit (także w podteczkach):");
const QString kDestinationTitle = QStringLiteral("Wskaż teczkę, w której mam zachować książki:");
const QString kFormatQuestion =
    QStringLiteral("W jakiej postaci zapisać książki? Każda trafi do nowej podteczki nazwanej tak jak "
                   "ona albo do pliku EPUB o swojej nazwie; nic, co już istnieje, nie zostanie nadpisane.");
const QString kNoBooksMessage = QStringLiteral("W wybranych miejscach nie ma żadnego pliku .lit.");

// The books' paths, or nothing when the person gives up.
std::vector<std::filesystem::path> askForBooks()
{
    QMessageBox what(QMessageBox::Question, QApplication::applicationName(), kWhatQuestion);
    auto* files = what.addButton(kFilesCaption, QMessageBox::AcceptRole);
    auto* folder = what.addButton(kFolderCaption, QMessageBox::AcceptRole);
    what.addButton(kGiveUpCaption, QMessageBox::RejectRole);
    what.exec();
    std::vector<std::filesystem::path> paths;
    if (what.clickedButton() == files) {
        for (const auto& file : QFileDialog::getOpenFileNames(nullptr, kFilesTitle, QDir::homePath(),
                                                              QStringLiteral("Książki .lit (*.lit *.LIT)"))) {
            paths.emplace_back(file.toStdString());
        }
    } else if (what.clickedButton() == folder) {
        const auto chosen = QFileDialog::getExistingDirectory(nullptr, kFolderTitle, QDir::homePath());
        if (!chosen.isEmpty()) {
            paths.emplace_back(chosen.toStdString());
        }
    }
    return paths;
}

std::optional<library::Format> askForFormat()
{
    QMessageBox format(QMessageBox::Question, QApplication::applicationName(), kFormatQuestion);
    auto* html = format.addButton(QStringLiteral("HTML"), QMessageBox::AcceptRole);
    auto* epub = format.addButton(QStringLiteral("EPUB"), QMessageBox::AcceptRole);
    format.addButton(kGiveUpCaption, QMessageBox::RejectRole);
    format.setDefaultButton(html);
    format.exec();
    if (format.clickedButton() == html) {
        return library::Format::Html;
    }
    if (format.clickedButton() == epub) {
        return library::Format::Epub;
    }
    return std::nullopt;
}

} // namespace

bool ConvertLibraryFromDisk(const std::string& programFolder)
{
    std::int32_t architecture = 0;
    if (!framework::System::Gestalt("sysa", architecture)) {
        QMessageBox::critical(nullptr, QApplication::applicationName(),
                              QString::fromStdString(conversion::kProcessorErrorMessage));
        return false;
    }
    const auto paths = askForBooks();
    if (paths.empty()) {
        return false;
    }
    auto found = library::FindBooks(paths);
    if (found.books.empty()) {
        QMessageBox::information(nullptr, QApplication::applicationName(), kNoBooksMessage);
        return false;
    }
    const auto destination = QFileDialog::getExistingDirectory(
        nullptr, kDestinationTitle, QString::fromStdString(paths.front().parent_path()));
    if (destination.isEmpty()) {
        return false;
    }
    const auto format = askForFormat();
    if (!format) {
        return false;
    }
    library::Library books({.converter = programFolder + "/" + conversion::ConverterName(architecture),
                            .supervisor = programFolder + "/zwojnik-supervisor",
                            .architecture = architecture,
                            .destination = destination.toStdString(),
                            .format = *format},
                           std::move(found.books));
    ProgressWindow progress(books);
    progress.exec();
    ReportWindow report(books.Results());
    report.exec();
    return false;
}

} // namespace library_window
