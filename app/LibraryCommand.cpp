#include "app/LibraryCommand.h"

#include "conversion/Command.h"
#include "conversion/Konwertuj.h"
#include "framework/System.h"
#include "framework/supervisor/Launcher.h"
#include "library/Books.h"
#include "library/Library.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <string_view>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace app {

namespace {

namespace fs = std::filesystem;

constexpr std::array kTerminationSignals{SIGINT, SIGTERM, SIGHUP};
constexpr const char* kSupervisorName = "zwojnik-supervisor";

std::atomic<int> gSignal = 0;
std::atomic<int> gWake = -1;

extern "C" void noteSignal(int signal)
{
    const int savedErrno = errno;
    gSignal.store(signal);
    const char byte = 0;
    (void)!write(gWake.load(), &byte, 1);
    errno = savedErrno;
}

// While it exists, the termination signals are noted and wake the loop that waits on Descriptor().
class SignalWatch
{
public:
    SignalWatch() : mWake(framework::MakePipe(O_NONBLOCK))
    {
        gWake.store(mWake.write.Get());
        struct sigaction action = {};
        action.sa_handler = noteSignal;
        sigemptyset(&action.sa_mask);
        for (const int signal : kTerminationSignals) {
            struct sigaction previous = {};
            sigaction(signal, nullptr, &previous);
            if (previous.sa_handler != SIG_IGN) {
                sigaction(signal, &action, nullptr);
            }
        }
    }
    // A signal that came ends the program now, as it would have ended it at once.
    ~SignalWatch()
    {
        for (const int signal : kTerminationSignals) {
            std::signal(signal, SIG_DFL);
        }
        if (const int signal = gSignal.load()) {
            std::raise(signal);
        }
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    int Descriptor() const { return mWake.read.Get(); }
    bool Came() const { return gSignal.load() != 0; }

private:
    framework::Pipe mWake;
};

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

void waitForWork(const library::Library& books, const SignalWatch& signals)
{
    std::vector<pollfd> watched{{.fd = signals.Descriptor(), .events = POLLIN, .revents = 0}};
    for (const int descriptor : books.Descriptors()) {
        watched.push_back({.fd = descriptor, .events = POLLIN, .revents = 0});
    }
    while (poll(watched.data(), watched.size(), -1) < 0 && errno == EINTR && !signals.Came()) {
    }
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
    const auto folder = programFolder();
    SignalWatch signals;
    library::Library books({.converter = folder / conversion::ConverterName(family),
                            .supervisor = folder / kSupervisorName,
                            .architecture = family,
                            .destination = fs::absolute(request->destination),
                            .format = request->format},
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
        if (signals.Came()) {
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

} // namespace app
