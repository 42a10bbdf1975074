#include "library/Library.h"

#include "conversion/Command.h"
#include "conversion/Failures.h"
#include "epub/EpubReader.h"
#include "library/Books.h"
#include "library/Naming.h"
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

using library::BookResult;
using namespace testsupport;

namespace {

const std::string kBuild = ZWOJNIK_BUILD_DIR;

// A library converted with the real converter beside the program, its staging and working folders in a
// private folder of the test's own, which the run leaves empty.
class LibraryTest : public ::testing::Test
{
protected:
    LibraryTest()
    {
        fs::permissions(privateFiles.path(), fs::perms::owner_all);
        fs::create_directory(destination);
    }
    ~LibraryTest() override { EXPECT_TRUE(FileNames(privateFiles.path()).empty()); }

    library::Settings settings(library::Format format = library::Format::Html,
                               const std::string& converter = kBuild + "/clit-intel") const
    {
        return {.converter = converter,
                .supervisor = kBuild + "/zwojnik-supervisor",
                .architecture = 10,
                .destination = destination,
                .format = format};
    }

    // Runs the library to its end as a caller does: waiting on its descriptors.
    static void runToEnd(
        library::Library& books, const std::function<bool()>& stopWhen = [] { return false; })
    {
        while (!books.Finished()) {
            books.Advance();
            if (stopWhen()) {
                books.Stop();
                return;
            }
            std::vector<pollfd> watched;
            for (const int descriptor : books.Descriptors()) {
                watched.push_back({.fd = descriptor, .events = POLLIN, .revents = 0});
            }
            // A stop waits for the test's own sign, which no descriptor gives.
            poll(watched.data(), watched.size(), stopWhen() ? -1 : 20);
        }
    }

    // The books: a clash of names across folders, a damaged book, a protected one, and what a folder
    // holds beside its books.
    void makeLibrary()
    {
        CopyTestBook("krotka.lit", books / "krotka.lit");
        CopyTestBook("krotka.lit", books / "podteczka/krotka.lit");
        CopyTestBook("podfoldery.lit", books / "podteczka/głębiej/Pod: foldery?.LIT");
        CopyTestBook("uszkodzona.lit", books / "uszkodzona.lit");
        MakeProtectedBook(books / "chroniona.lit");
        std::ofstream(books / "notatka.txt") << "To nie książka.\n";
        CopyTestBook("ryciny.lit", outside / "obca.lit");
        fs::create_directory_symlink(outside.path(), books / "dowiązanie");
        fs::create_symlink(outside / "obca.lit", books / "dowiązana.lit");
    }

    const BookResult& resultOf(const library::Library& run, const std::string& book)
    {
        for (const auto& result : run.Results()) {
            if (result.book == fs::path(books / book)) {
                return result;
            }
        }
        throw std::runtime_error("no result for " + book);
    }

    TempDir privateFiles;
    ScopedVariable runtimeFolder{"XDG_RUNTIME_DIR", privateFiles.path()};
    TempDir books;
    TempDir outside;
    TempDir root;
    std::string destination = root / "cel";
};

} // namespace

TEST(LibraryNamingTest, NamesAreMendedForTheirFileSystem)
{
    struct Case
    {
        std::string name;
        bool restricted;
        std::size_t maxBytes;
        std::string mended;
    };
    for (const auto& [name, restricted, maxBytes, mended] : std::vector<Case>{
             {"Pan Tadeusz", true, 200, "Pan Tadeusz"},
             {"a/b", false, 200, "a_b"},
             {std::string("a\0b", 3), false, 200, "a_b"},
             {"Co? <Kto>: \"ja\" \\ | *", false, 200, "Co? <Kto>: \"ja\" \\ | *"},
             {"Co? <Kto>: \"ja\" \\ | *", true, 200, "Co_ _Kto__ _ja_ _ _ _"},
             {"Koniec. . ", true, 200, "Koniec"},
             {"Koniec. . ", false, 200, "Koniec. . "},
             {"...", true, 200, "książka"},
             {"..", false, 200, "książka"},
             {"", false, 200, "książka"},
             {"zażółć", false, 4, "zaż"},
             {"zażółć", false, 3, "za"}, // "ż" takes two bytes: it is not cut in half
             {"zażółć", false, 5, "zaż"},
         }) {
        EXPECT_EQ(library::MendName(name, restricted, maxBytes), mended) << name;
    }
}

TEST_F(LibraryTest, EveryBookGetsItsOwnFolderAndEveryFailureItsExplanation)
{
    makeLibrary();
    // What the destination holds already is never touched.
    fs::create_directories(destination + "/krotka");
    std::ofstream(destination + "/krotka/moje.txt") << "moje";
    const auto found = library::FindBooks({books.path(), books / "krotka.lit", root / "nie ma"});
    ASSERT_EQ(found.problems.size(), 1u);
    EXPECT_NE(found.problems[0].find(root / "nie ma"), std::string::npos);
    // Sorted, each once, no link followed, only .lit files.
    EXPECT_EQ(found.books, (std::vector<fs::path>{books / "chroniona.lit", books / "krotka.lit",
                                                  books / "podteczka/głębiej/Pod: foldery?.LIT",
                                                  books / "podteczka/krotka.lit", books / "uszkodzona.lit"}));

    library::Library run(settings(), found.books);
    EXPECT_EQ(run.Parallel(), std::min<std::size_t>(std::thread::hardware_concurrency(), 5));
    runToEnd(run);

    EXPECT_EQ(ReadFile(destination + "/krotka/moje.txt"), "moje");
    EXPECT_EQ(FileNames(destination + "/krotka"), std::set<std::string>{"moje.txt"});
    const auto& first = resultOf(run, "krotka.lit");
    const auto& second = resultOf(run, "podteczka/krotka.lit");
    EXPECT_EQ(std::set<fs::path>({first.written, second.written}),
              std::set<fs::path>({destination + "/krotka (2)", destination + "/krotka (3)"}));
    EXPECT_EQ(resultOf(run, "podteczka/głębiej/Pod: foldery?.LIT").written,
              fs::path(destination + "/Pod: foldery?"));
    for (const auto* converted : {&first, &second}) {
        EXPECT_EQ(converted->state, BookResult::State::Converted);
        const auto names = FileNames(converted->written);
        EXPECT_TRUE(names.contains("krotka.opf")) << ::testing::PrintToString(names);
        // Whole: as the converter run on its own writes the book.
        TempDir alone;
        ASSERT_EQ(RunConverter(books / "krotka.lit", alone.path() + "/").status, 0);
        EXPECT_EQ(names, FileNames(alone.path()));
        for (const auto& name : names) {
            EXPECT_EQ(ReadFile(converted->written / name), ReadFile(alone / name)) << name;
        }
    }

    const auto& damaged = resultOf(run, "uszkodzona.lit");
    EXPECT_EQ(damaged.state, BookResult::State::Failed);
    EXPECT_EQ(damaged.explanation,
              conversion::ExplainFailure(conversion::Failure::DamagedBook, 1, kBuild + "/clit-intel"));
    EXPECT_NE(damaged.converterWords.find(books / "uszkodzona.lit"), std::string::npos)
        << damaged.converterWords;
    const auto& locked = resultOf(run, "chroniona.lit");
    EXPECT_EQ(locked.state, BookResult::State::Failed);
    EXPECT_EQ(locked.explanation,
              conversion::ExplainFailure(conversion::Failure::ProtectedBook, 1, kBuild + "/clit-intel"));
    // The failed books leave nothing.
    EXPECT_EQ(FileNames(destination),
              (std::set<std::string>{"krotka", "krotka (2)", "krotka (3)", "Pod: foldery?"}));

    const auto report = library::ReportText(run.Results());
    EXPECT_NE(report.find("Gotowe: „" + books / "krotka.lit" + "” → „" + first.written.string() + "”"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("Nie zamieniono „" + books / "chroniona.lit" + "”: " + locked.explanation),
              std::string::npos);
    EXPECT_TRUE(report.ends_with("\nZamienione książki: 3 z 5.\n")) << report;
}

TEST_F(LibraryTest, EpubsTakeFreeNamesAndLeaveNoWorkingFolder)
{
    makeLibrary();
    std::ofstream(destination + "/krotka.epub") << "moje";
    library::Library run(settings(library::Format::Epub),
                         {books / "krotka.lit", books / "podteczka/krotka.lit", books / "uszkodzona.lit"});
    runToEnd(run);
    EXPECT_EQ(ReadFile(destination + "/krotka.epub"), "moje");
    EXPECT_EQ(FileNames(destination),
              (std::set<std::string>{"krotka.epub", "krotka (2).epub", "krotka (3).epub"}));
    for (const auto* name : {"krotka (2).epub", "krotka (3).epub"}) {
        const auto files = EpubFiles(destination + "/" + name);
        EXPECT_EQ(files.at("mimetype"), "application/epub+zip");
        EXPECT_TRUE(files.contains("META-INF/container.xml"));
    }
    EXPECT_EQ(resultOf(run, "uszkodzona.lit").state, BookResult::State::Failed);
}

// A stop ends the running conversions and all they started, removes what they wrote, keeps the finished
// books and leaves the rest unstarted.
TEST_F(LibraryTest, AStopKeepsFinishedBooksAndRemovesWhatTheStoppedOnesWrote)
{
    TempDir program;
    const auto started = program / "zaczęta";
    // The converter, which stops inside "wolna" after writing part of it, until it is ended.
    MakeConverterScript(program.path(),
                        "case \"$1\" in *wolna*) echo część > \"$2/część.html\"; sleep 600 & echo $! > '" +
                            started + ".tmp'; mv '" + started + ".tmp' '" + started + "'; wait;; *) exec '" +
                            kBuild + "/clit-intel' \"$@\";; esac");
    CopyTestBook("krotka.lit", books / "a.lit");
    CopyTestBook("krotka.lit", books / "wolna.lit");
    CopyTestBook("krotka.lit", books / "z.lit");
    auto configured = settings(library::Format::Html, program / "clit-intel");
    configured.parallel = 2;
    library::Library run(configured, {books / "a.lit", books / "wolna.lit", books / "z.lit"});
    runToEnd(run, [&] {
        return fs::exists(started) && resultOf(run, "a.lit").state != BookResult::State::Waiting;
    });
    ASSERT_TRUE(run.Finished());
    EXPECT_EQ(resultOf(run, "a.lit").state, BookResult::State::Converted);
    EXPECT_TRUE(FileNames(destination + "/a").contains("a.opf"));
    // z.lit waited for a place that a.lit left, unless the stop came first.
    const auto& last = resultOf(run, "z.lit");
    EXPECT_EQ(resultOf(run, "wolna.lit").state, BookResult::State::NotConverted);
    if (last.state == BookResult::State::NotConverted) {
        EXPECT_EQ(FileNames(destination), (std::set<std::string>{"a"}));
    } else {
        EXPECT_EQ(FileNames(destination), (std::set<std::string>{"a", "z"}));
    }
    EXPECT_FALSE(ProcessRunning(std::stoi(ReadFile(started))));
    EXPECT_NE(library::ReportLine(resultOf(run, "wolna.lit")).find("zatrzymano"), std::string::npos);
}

// The largest books start first, so that the last to start are short and no processor waits idle at
// the end for one long book; the results keep the order the books were given in.
TEST_F(LibraryTest, TheLargestBooksStartFirst)
{
    CopyTestBook("krotka.lit", books / "krotka.lit");
    CopyTestBook("rozdzialy.lit", books / "rozdzialy.lit");
    CopyTestBook("ryciny.lit", books / "ryciny.lit");
    auto configured = settings(library::Format::Epub);
    configured.parallel = 1;
    const std::vector<fs::path> given{books / "krotka.lit", books / "rozdzialy.lit", books / "ryciny.lit"};
    library::Library run(configured, given);
    std::vector<fs::path> started;
    while (!run.Finished()) {
        run.Advance();
        for (const auto& book : run.Running()) {
            if (std::ranges::find(started, book) == started.end()) {
                started.push_back(book);
            }
        }
        if (run.Finished()) {
            break;
        }
        std::vector<pollfd> watched;
        for (const int descriptor : run.Descriptors()) {
            watched.push_back({.fd = descriptor, .events = POLLIN, .revents = 0});
        }
        poll(watched.data(), watched.size(), -1);
    }
    EXPECT_EQ(started,
              (std::vector<fs::path>{books / "rozdzialy.lit", books / "ryciny.lit", books / "krotka.lit"}));
    ASSERT_EQ(run.Results().size(), given.size());
    for (std::size_t index = 0; index < given.size(); ++index) {
        EXPECT_EQ(run.Results()[index].book, given[index]);
        EXPECT_EQ(run.Results()[index].state, BookResult::State::Converted);
    }
}
