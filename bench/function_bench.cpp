// The program's own work in one conversion, function by function, on paths longer than people use:
// what konwertuj adds before the shell and the converter start.

#include "Harness.h"
#include "conversion/Konwertuj.h"
#include "conversion/Quoting.h"
#include "framework/Files.h"
#include "framework/System.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Nested folders whose names hold spaces, Polish letters and characters of the quoting table.
std::string deepFolder(const std::string& root)
{
    std::string path = root;
    for (int level = 0; level < 12; ++level) {
        path += "/Moje książki (tom " + std::to_string(level) + ") & 'inne' - kopia";
    }
    return path;
}

// A real book file at the end of a long path, with the destination folder beside it.
class LongPaths
{
public:
    LongPaths()
    {
        const auto folder = deepFolder(mScratch.Path());
        std::filesystem::create_directories(folder + "/Wynik [HTML]");
        std::ofstream(folder + "/Dziennik flisaka, wyd. 2.lit") << "x";
        app = framework::FolderItem::FromPath(mScratch.Path())->ShellPath();
        book = framework::FolderItem::FromPath(folder + "/Dziennik flisaka, wyd. 2.lit")->ShellPath();
        target = framework::FolderItem::FromPath(folder + "/Wynik [HTML]")->ShellPath();
        bookNative = folder + "/Dziennik flisaka, wyd. 2.lit";
    }

    std::string app;
    std::string book;
    std::string target;
    std::string bookNative;

private:
    bench::ScratchFolder mScratch;
};

const LongPaths& paths()
{
    static const LongPaths instance;
    return instance;
}

void ShellPathOfLongPath(benchmark::State& state)
{
    const auto item = framework::FolderItem::FromPath(paths().bookNative);
    for (auto _ : state) {
        benchmark::DoNotOptimize(item->ShellPath());
    }
    state.SetLabel(std::to_string(paths().bookNative.size()) + " bytes");
}
BENCHMARK(ShellPathOfLongPath);

void ProcessorQuery(benchmark::State& state)
{
    for (auto _ : state) {
        std::int32_t architecture = 0;
        benchmark::DoNotOptimize(framework::System::Gestalt("sysa", architecture));
        benchmark::DoNotOptimize(architecture);
    }
}
BENCHMARK(ProcessorQuery);

void CommandTextOfLongPaths(benchmark::State& state)
{
    const auto& p = paths();
    for (auto _ : state) {
        benchmark::DoNotOptimize(conversion::CommandText(10, p.app, p.book, p.target));
    }
}
BENCHMARK(CommandTextOfLongPaths);

void QuoteCommandOfLongPaths(benchmark::State& state)
{
    const auto& p = paths();
    const auto text = conversion::CommandText(10, p.app, p.book, p.target);
    for (auto _ : state) {
        benchmark::DoNotOptimize(conversion::QuoteCommand(text));
    }
    state.SetLabel(std::to_string(text.size()) + " bytes");
}
BENCHMARK(QuoteCommandOfLongPaths);

// Matches each quoted path against the file system, as konwertuj does before it starts the shell.
void AmbiguityCheckOfLongPaths(benchmark::State& state)
{
    const auto& p = paths();
    for (auto _ : state) {
        benchmark::DoNotOptimize(conversion::AmbiguousPath(10, p.app, p.book, p.target));
    }
}
BENCHMARK(AmbiguityCheckOfLongPaths);

} // namespace

BENCHMARK_MAIN();
