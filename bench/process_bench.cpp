// Runs one command again and again, each time with a fresh empty folder, for the median wall time and
// the peak memory: how long the tools people would otherwise use take on the same book.
//
// zwojnik_process_bench [--repeats N] -- PROGRAM ARGUMENT...
// Every "{out}" in the arguments becomes the fresh folder's path. Prints "key value" lines: peak_kb is
// the largest peak of the command and of the processes it waited for, but never below this harness's
// own; own_peak_kb, from one more run, is the command's own process alone.

#include "Harness.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string withFolder(std::string argument, const std::string& folder)
{
    const std::string placeholder = "{out}";
    for (auto at = argument.find(placeholder); at != std::string::npos; at = argument.find(placeholder, at)) {
        argument.replace(at, placeholder.size(), folder);
        at += folder.size();
    }
    return argument;
}

std::vector<std::string> commandInto(const std::vector<std::string>& command, const std::string& folder)
{
    std::vector<std::string> arguments;
    for (const auto& argument : command) {
        arguments.push_back(withFolder(argument, folder));
    }
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    int repeats = 5;
    int first = 1;
    if (argc > 3 && std::string(argv[1]) == "--repeats") {
        repeats = std::stoi(argv[2]);
        first = 3;
    }
    if (first >= argc || std::string(argv[first]) != "--" || first + 1 >= argc || repeats < 1) {
        bench::Fail("usage: zwojnik_process_bench [--repeats N] -- PROGRAM ARGUMENT...");
    }
    const std::vector<std::string> command(argv + first + 1, argv + argc);

    std::vector<double> wall;
    long peakKb = 0;
    // The first run fills the page cache and is not counted.
    for (int i = 0; i <= repeats; ++i) {
        const bench::ScratchFolder out("zwojnik-bench-peer");
        bench::ChildProcess process(commandInto(command, out.Path()));
        const auto finished = process.Wait();
        if (finished.exitStatus != 0 || out.Empty()) {
            bench::Fail(command.front() + " failed with status " + std::to_string(finished.exitStatus));
        }
        if (i > 0) {
            wall.push_back(bench::Milliseconds(finished.endedAt - process.StartedAt()));
            peakKb = std::max(peakKb, finished.peakResidentKb);
        }
    }
    const bench::ScratchFolder out("zwojnik-bench-peer");
    const long ownPeakKb = bench::OwnPeakResidentKbOfRun(commandInto(command, out.Path()));

    std::cout << "repeats " << repeats << '\n'
              << "median_ms " << bench::Median(wall) << '\n'
              << "min_ms " << bench::Minimum(wall) << '\n'
              << "peak_kb " << peakKb << '\n'
              << "own_peak_kb " << ownPeakKb << '\n';
    return 0;
}
