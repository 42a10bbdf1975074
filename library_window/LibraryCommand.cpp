#include "library_window/LibraryCommand.h"

#include "conversion/Command.h"
#include "conversion/Konwertuj.h"
#include "framework/System.h"
#include "framework/supervisor/TerminationSignals.h"
#include "library/Books.h"
#include "library/Library.h"
#include "library_window/ProgressWindow.h"
#include "library_window/Questions.h"
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

// The processor family the converter is chosen for, or nothing after saying that it is unknown.
std::optional<std::int32_t> architecture()
{
    std::int32_t family = 0;
    if (!framework::System::Gestalt("sysa", family)) {
        QMessageBox::critical(nullptr, QApplication::applicationName(),
                              QString::fromStdString(conversion::kProcessorErrorMessage));
        return std::nullopt;
    }
    return family;
}

void convert(const std::string& programFolder, std::int32_t architecture,
             const std::vector<std::filesystem::path>& paths)
{
    auto found = library::FindBooks(paths);
    if (found.books.empty()) {
        QMessageBox::information(nullptr, QApplication::applicationName(), kNoBooksMessage);
        return;
    }
    const auto destination = QFileDialog::getExistingDirectory(
        nullptr, kDestinationTitle, QString::fromStdString(paths.front().parent_path()));
    if (destination.isEmpty()) {
        return;
    }
    const auto format = askForFormat();
    if (!format) {
        return;
    }
    library::Library books({.converter = programFolder + "/" + conversion::ConverterName(architecture),
                            .supervisor = programFolder + "/zwojnik-supervisor",
                            .architecture = architecture,
                            .destination = destination.toStdString(),
                            .format = *format},
                           std::move(found.books));
    ProgressWindow progress(books);
    progress.exec();
    // The stopped books' files are gone: the signal ends the program as it would have at once.
    framework::RaiseIfCame(progress.TerminatedBy());
    ReportWindow report(books.Results());
    report.exec();
}

} // namespace

bool ConvertLibraryFromDisk(const std::string& programFolder)
{
    const auto family = architecture();
    if (!family) {
        return false;
    }
    if (const auto paths = askForBooks(); !paths.empty()) {
        convert(programFolder, *family, paths);
    }
    return false;
}

void ConvertBooks(const std::string& programFolder, const std::vector<std::filesystem::path>& paths)
{
    if (const auto family = architecture()) {
        convert(programFolder, *family, paths);
    }
}

} // namespace library_window
