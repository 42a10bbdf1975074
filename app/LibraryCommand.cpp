#include "app/LibraryCommand.h"

#include "conversion/Command.h"
#include "conversion/Konwertuj.h"
#include "conversion/WorkingFolder.h"
#include "framework/System.h"
#include "framework/supervisor/TerminationSignals.h"
#include "library/Books.h"
#include "library/Library.h"

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <poll.h>
#include <string_view>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace app {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSupervisorName = "zwojnik-supervisor";

struct Request
{
    fs::path destination;
    library::Format format = library::Format::Html;
    std::vector<fs::path> paths;
};

// The request, or nothing after saying on standard error what is wrong with it.
std::optional<Request> parse(std::span<char*> arguments)
{
    Request request;
    bool destinationGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--output") {
            if (destinationGiven || i + 1 == arguments.size()) {
                std::cerr << "zwojnik: --output wymaga jednej teczki docelowej.\n";
                return std::nullopt;
            }
            request.destination = arguments[++i];
            destinationGiven = true;
        } else if (argument == "--epub") {
            request.format = library::Format::Epub;
        } else {
            request.paths.emplace_back(argument);
        }
    }
    if (request.paths.empty()) {
        std::cerr << "zwojnik: nie podano żadnego pliku .lit ani teczki z książkami.\n";
        return std::nullopt;
    }
    std::error_code error;
    fs::create_directories(request.destination, error);
    if (!fs::is_directory(request.destination)) {
        std::cerr << "zwojnik: nie mogę użyć teczki docelowej „" << request.destination.string() << "”.\n";
        return std::nullopt;
    }
    return request;
}

std::int32_t architecture()
{
    utsname system{};
    return uname(&system) == 0 ? framework::detail::ProcessorFamily(system.machine) : 0;
}

fs::path programFolder()
{
    std::error_code error;
    return fs::read_symlink("/proc/self/exe", error).parent_path();
}

void waitForWork(const library::Library& books, const framework::TerminationSignals& signals)
{
    std::vector<pollfd> watched{{.fd = signals.Descriptor(), .events = POLLIN, .revents = 0}};
    for (const int descriptor : books.Descriptors()) {
        watched.push_back({.fd = descriptor, .events = POLLIN, .revents = 0});
    }
    while (poll(watched.data(), watched.size(), -1) < 0 && errno == EINTR && signals.Signal() == 0) {
    }
}

// Converts the books, a line for each, and the summary; 0 when every book was converted. A termination
// signal stops the run; what the stopped books wrote is gone when this returns.
int convert(const Request& request, std::int32_t family, library::FoundBooks found,
            const framework::TerminationSignals& signals)
{
    const auto folder = programFolder();
    library::Library books({.converter = folder / conversion::ConverterName(family),
                            .supervisor = folder / kSupervisorName,
                            .architecture = family,
                            .destination = fs::absolute(request.destination),
                            .format = request.format},
                           std::move(found.books));
    const auto total = std::to_string(books.Results().size());
    std::size_t printed = 0;
    const auto print = [&](std::size_t index) {
        std::cout << '[' << ++printed << '/' << total << "] " << library::ReportLine(books.Results()[index])
                  << std::endl;
    };
    while (!books.Finished()) {
        for (const auto index : books.Advance()) {
            print(index);
        }
        if (books.Finished()) {
            break;
        }
        waitForWork(books, signals);
        if (signals.Signal() != 0) {
            books.Stop();
            for (std::size_t index = 0; index < books.Results().size(); ++index) {
                if (books.Results()[index].state == library::BookResult::State::NotConverted) {
                    print(index);
                }
            }
        }
    }
    std::cout << library::Summary(books.Results()) << std::endl;
    const bool allConverted = found.problems.empty() && books.Results().size() == books.DoneCount() &&
                              std::ranges::all_of(books.Results(), [](const auto& result) {
                                  return result.state == library::BookResult::State::Converted;
                              });
    return allConverted && std::cout ? 0 : 1;
}

} // namespace

std::optional<int> RunLibraryCommand(std::span<char*> arguments)
{
    if (std::ranges::none_of(arguments, [](std::string_view argument) { return argument == "--output"; })) {
        return std::nullopt;
    }
    const auto request = parse(arguments);
    if (!request) {
        return 1;
    }
    const auto family = architecture();
    if (family == 0) {
        std::cerr << conversion::kProcessorErrorMessage << '\n';
        return 1;
    }
    auto found = library::FindBooks(request->paths);
    for (const auto& problem : found.problems) {
        std::cerr << problem << '\n';
    }
    conversion::StagingFolder::RemoveStale();
    conversion::WorkingFolder::RemoveStale();
    int status = 1;
    int signal = 0;
    {
        const framework::TerminationSignals signals;
        status = convert(*request, family, std::move(found), signals);
        signal = signals.Signal();
    }
    // A signal that came ends the program now, as it would have ended it at once.
    framework::RaiseIfCame(signal);
    return status;
}

} // namespace app
