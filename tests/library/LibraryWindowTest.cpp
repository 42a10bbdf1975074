#include "library_window/ProgressWindow.h"
#include "library_window/ReportWindow.h"
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

using library::BookResult;
using namespace testsupport;

namespace {

const std::string kBuild = ZWOJNIK_BUILD_DIR;

library::Settings settingsFor(const std::string& converterFolder, const std::string& destination)
{
    return {.converter = converterFolder + "/clit-intel",
            .supervisor = kBuild + "/zwojnik-supervisor",
            .architecture = 10,
            .destination = destination,
            .format = library::Format::Html,
            .parallel = 2};
}

} // namespace

// The window runs the library to its end from the event loop; the report lists every book, opens the
// converted ones and copies itself as text.
TEST(LibraryWindowTest, TheProgressWindowRunsEveryBookAndTheReportTellsOfEach)
{
    TempDir books;
    TempDir destination;
    CopyTestBook("krotka.lit", books / "krotka.lit");
    CopyTestBook("rozdzialy.lit", books / "seria/rozdzialy.lit");
    CopyTestBook("uszkodzona.lit", books / "uszkodzona.lit");
    library::Library run(settingsFor(kBuild, destination.path()),
                         {books / "krotka.lit", books / "seria/rozdzialy.lit", books / "uszkodzona.lit"});
    library_window::ProgressWindow progress(run);
    progress.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress.result() == QDialog::Accepted; }, 60000));
    EXPECT_EQ(progress.Bar()->value(), 3);
    EXPECT_EQ(progress.Bar()->maximum(), 3);
    EXPECT_EQ(FileNames(destination.path()), (std::set<std::string>{"krotka", "rozdzialy"}));

    library_window::ReportWindow report(run.Results());
    ASSERT_EQ(report.Books()->topLevelItemCount(), 3);
    int openButtons = 0;
    for (int row = 0; row < 3; ++row) {
        auto* item = report.Books()->topLevelItem(row);
        EXPECT_EQ(item->text(0).toStdString(),
                  library::ReportLine(run.Results()[static_cast<std::size_t>(row)]));
        auto* open = qobject_cast<QPushButton*>(report.Books()->itemWidget(item, 1));
        openButtons += open != nullptr;
        EXPECT_EQ(open != nullptr,
                  run.Results()[static_cast<std::size_t>(row)].state == BookResult::State::Converted);
    }
    EXPECT_EQ(openButtons, 2);
    QApplication::clipboard()->clear();
    report.CopyButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), library::ReportText(run.Results()));
}

// Zatrzymaj, as a termination signal, ends the running conversions and removes what they wrote; the
// finished books stay. After a signal the window tells its caller, which ends the program by it.
TEST(LibraryWindowTest, ZatrzymajAndSignalsStopTheRunningBooksAndRemoveWhatTheyWrote)
{
    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "Zatrzymaj");
        TempDir program;
        TempDir books;
        TempDir destination;
        const auto started = program / "zaczęta";
        MakeConverterScript(program.path(), "echo część > \"$2/część.html\"; sleep 600 & echo $! > '" +
                                                started + ".tmp'; mv '" + started + ".tmp' '" + started +
                                                "'; wait");
        for (const auto* name : {"a.lit", "b.lit", "c.lit"}) {
            CopyTestBook("krotka.lit", books / name);
        }
        library::Library run(settingsFor(program.path(), destination.path()),
                             {books / "a.lit", books / "b.lit", books / "c.lit"});
        library_window::ProgressWindow progress(run);
        progress.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(started) && run.Running().size() == 2; }, 60000));
        if (bySignal) {
            raise(SIGTERM);
            ASSERT_TRUE(QTest::qWaitFor([&] { return progress.TerminatedBy() != 0; }, 60000));
            EXPECT_EQ(progress.TerminatedBy(), SIGTERM);
            EXPECT_FALSE(progress.isVisible());
        } else {
            EXPECT_EQ(progress.StopButton()->text(), library_window::kStopCaption);
            progress.StopButton()->click();
            EXPECT_EQ(progress.result(), QDialog::Accepted);
            EXPECT_EQ(progress.TerminatedBy(), 0);
        }
        EXPECT_TRUE(run.Finished());
        for (const auto& result : run.Results()) {
            EXPECT_EQ(result.state, BookResult::State::NotConverted);
        }
        EXPECT_TRUE(FileNames(destination.path()).empty())
            << ::testing::PrintToString(FileNames(destination.path()));
        EXPECT_FALSE(ProcessRunning(std::stoi(ReadFile(started))));
    }
}
