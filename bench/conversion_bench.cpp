// Whole conversions of one book, alternating the program's route (konwertuj, or with --epub the EPUB
// command's KonwertujEpub; its message answered by the scripted framework) with Convert LIT run
// directly, each into a fresh empty folder.
//
// zwojnik_conversion_bench --book BOOK.lit --app-folder DIR --clit PATH [--repeats N] [--epub yes]
// DIR holds the converter under the name the program gives it. Prints "key value" lines.

#include "Harness.h"
#include "app/Startup.h"
#include "conversion/Konwertuj.h"
#include "conversion/KonwertujEpub.h"
#include "framework/Application.h"
#include "framework/Files.h"
#include "framework/Platform.h"

#include <QMessageBox>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

struct Options
{
    std::string book;
    std::string appFolder;
    std::string clit;
    int repeats = 15;
    bool epub = false;
};

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--book") {
            options.book = value;
        } else if (name == "--app-folder") {
            options.appFolder = value;
        } else if (name == "--clit") {
            options.clit = value;
        } else if (name == "--epub") {
            options.epub = value == "yes";
        } else if (name == "--repeats") {
            options.repeats = std::stoi(value);
        } else {
            bench::Fail("unknown option " + name);
        }
    }
    if (options.book.empty() || options.appFolder.empty() || options.clit.empty() || options.repeats < 1) {
        bench::Fail(
            "usage: zwojnik_conversion_bench --book BOOK.lit --app-folder DIR --clit PATH [--repeats N]");
    }
    return options;
}

class ConversionRoutes
{
public:
    explicit ConversionRoutes(const Options& options)
        : mBook(std::filesystem::canonical(options.book).string()), mClit(options.clit),
          mAppFolderShellPath(framework::FolderItem::FromPath(options.appFolder)->ShellPath()),
          mBookShellPath(framework::FolderItem::FromPath(mBook)->ShellPath()), mEpub(options.epub)
    {}

    // From the call of konwertuj to its outcome message.
    double ThroughProgram()
    {
        bench::ScratchFolder out("zwojnik-bench-program");
        const auto outShellPath = framework::FolderItem::FromPath(out.Path())->ShellPath();
        std::optional<bench::Nanoseconds> answeredAt;
        framework::String message;
        answer = [&](const framework::String& text) {
            answeredAt = bench::Now();
            message = text;
        };
        const auto start = bench::Now();
        if (mEpub) {
            conversion::KonwertujEpub(mAppFolderShellPath, mBookShellPath, outShellPath);
        } else {
            conversion::Konwertuj(mAppFolderShellPath, mBookShellPath, outShellPath);
        }
        if (!answeredAt || message != conversion::kDoneMessage || out.Empty()) {
            bench::Fail("the program's conversion of " + mBook + " did not succeed: " + message);
        }
        return bench::Milliseconds(*answeredAt - start);
    }

    // Convert LIT started directly with the same two arguments, the folder with its trailing slash.
    double Raw()
    {
        bench::ScratchFolder out("zwojnik-bench-raw");
        bench::ChildProcess clit({mClit, mBook, out.Path() + "/"});
        const auto finished = clit.Wait();
        if (finished.exitStatus != 0 || out.Empty()) {
            bench::Fail("clit failed on " + mBook + " with status " + std::to_string(finished.exitStatus));
        }
        return bench::Milliseconds(finished.endedAt - clit.StartedAt());
    }

    std::function<void(const framework::String&)> answer;

private:
    std::string mBook;
    std::string mClit;
    framework::String mAppFolderShellPath;
    framework::String mBookShellPath;
    bool mEpub;
};

} // namespace

int main(int argc, char** argv)
{
    const auto options = parse(argc, argv);
    // The framework's shell waits in a Qt event loop, so a Qt application has to exist; it needs no
    // screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A runtime folder of its own: a Zwojnik the user is running must not take part.
    const bench::ScratchFolder runtimeFolder("zwojnik-bench-runtime");
    setenv("XDG_RUNTIME_DIR", runtimeFolder.Path().c_str(), 1);
    char* runtimeArguments[] = {argv[0], nullptr};
    ConversionRoutes routes(options);
    // Messages reach the benchmark instead of the screen.
    struct AnsweringPlatform : framework::QtPlatform
    {
        ConversionRoutes& routes;
        explicit AnsweringPlatform(ConversionRoutes& r) : routes(r) {}
        void RunMessageBox(QMessageBox& box) override { routes.answer(box.text().toStdString()); }
    };
    framework::Runtime runtime(1, runtimeArguments, app::Identity(),
                               std::make_unique<AnsweringPlatform>(routes));

    // One unmeasured pair brings the book and both programs into the page cache.
    routes.ThroughProgram();
    routes.Raw();

    std::vector<double> program;
    std::vector<double> raw;
    // Each pair runs close together in time: the ratios within pairs shrug off slow changes in the
    // machine's load that the medians of the two series keep.
    std::vector<double> pairRatios;
    for (int i = 0; i < options.repeats; ++i) {
        // Alternate which route goes first, so neither always inherits the other's warm caches.
        if (i % 2 == 0) {
            program.push_back(routes.ThroughProgram());
            raw.push_back(routes.Raw());
        } else {
            raw.push_back(routes.Raw());
            program.push_back(routes.ThroughProgram());
        }
        pairRatios.push_back(program.back() / raw.back());
    }

    const double programMedian = bench::Median(program);
    const double rawMedian = bench::Median(raw);
    std::cout << "book " << options.book << '\n'
              << "book_bytes " << std::filesystem::file_size(options.book) << '\n'
              << "repeats " << options.repeats << '\n'
              << "program_median_ms " << programMedian << '\n'
              << "program_min_ms " << bench::Minimum(program) << '\n'
              << "raw_median_ms " << rawMedian << '\n'
              << "raw_min_ms " << bench::Minimum(raw) << '\n'
              << "ratio " << programMedian / rawMedian << '\n'
              << "paired_ratio_median " << bench::Median(pairRatios) << '\n'
              << "program_peak_kb " << bench::PeakResidentKbOf(getpid()) << '\n';
    return 0;
}
