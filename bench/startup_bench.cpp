// Start-up time and memory, measured from outside the program.
//
// zwojnik_startup_bench --probe PROBE --platform offscreen|xcb [--program ZWOJNIK] [--book BOOK.lit]
//                       [--repeats N]
//   PROBE (zwojnik_startup_probe) is started N times on the Qt platform given: the time from its start
//   to the moment it reports the menu bar painted and the event loop idle, and its peak memory then.
//   With --program on xcb (DISPLAY set), the program itself is started N times: the time until its
//   window is mapped on the X server, and its peak memory once it has settled.
//   With --book, the probe converts the book into an empty folder: the peak memory of the program
//   during a conversion.
// Prints "key value" lines.

#include "Harness.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef ZWOJNIK_BENCH_HAVE_XCB
#include <poll.h>
#include <xcb/xcb.h>
#endif

namespace {

struct Options
{
    std::string probe;
    std::string platform;
    std::string program;
    std::string book;
    int repeats = 21;
};

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--probe") {
            options.probe = value;
        } else if (name == "--platform") {
            options.platform = value;
        } else if (name == "--program") {
            options.program = value;
        } else if (name == "--book") {
            options.book = value;
        } else if (name == "--repeats") {
            options.repeats = std::stoi(value);
        } else {
            bench::Fail("unknown option " + name);
        }
    }
    if (options.probe.empty() || options.platform.empty() || options.repeats < 1) {
        bench::Fail("usage: zwojnik_startup_bench --probe PROBE --platform offscreen|xcb [--program ZWOJNIK] "
                    "[--book BOOK.lit] [--repeats N]");
    }
    return options;
}

// Each start is a first start: on the platform asked for, and with a runtime folder of its own, in
// which no running program of an earlier start (or of the user) takes over its documents.
class StartEnvironment
{
public:
    explicit StartEnvironment(const Options& options) : mPlatform(options.platform) {}

    std::vector<std::string> Variables() const
    {
        return {"QT_QPA_PLATFORM=" + mPlatform, "XDG_RUNTIME_DIR=" + mRuntimeFolder.Path()};
    }

private:
    std::string mPlatform;
    bench::ScratchFolder mRuntimeFolder{"zwojnik-bench-runtime"};
};

void measureProbe(const Options& options)
{
    std::vector<double> startup;
    std::vector<double> idlePeakKb;
    std::string qtVersion;
    // The first start fills the page cache with the program and Qt; it is not counted.
    for (int i = 0; i <= options.repeats; ++i) {
        const StartEnvironment environment(options);
        bench::ChildProcess probe({options.probe}, environment.Variables(), true);
        const auto report = bench::ParseKeyValues(probe.ReadOutput());
        const auto finished = probe.Wait();
        if (finished.exitStatus != 0 || !report.contains("idle_at_ns")) {
            bench::Fail("the probe did not reach an idle event loop (status " +
                        std::to_string(finished.exitStatus) + ")");
        }
        if (report.at("platform") != options.platform) {
            bench::Fail("the probe ran on " + report.at("platform") + ", not " + options.platform);
        }
        qtVersion = report.at("qt_version");
        if (i > 0) {
            startup.push_back(bench::Milliseconds(std::stoll(report.at("idle_at_ns")) - probe.StartedAt()));
            idlePeakKb.push_back(std::stod(report.at("idle_peak_kb")));
        }
    }
    std::cout << "qt_version " << qtVersion << '\n'
              << "repeats " << options.repeats << '\n'
              << "idle_median_ms " << bench::Median(startup) << '\n'
              << "idle_min_ms " << bench::Minimum(startup) << '\n'
              << "idle_peak_kb " << bench::Median(idlePeakKb) << '\n';
}

void measureConversionMemory(const Options& options)
{
    long programPeakKb = 0;
    for (int i = 0; i < 3; ++i) {
        const bench::ScratchFolder out("zwojnik-bench-probe");
        const StartEnvironment environment(options);
        bench::ChildProcess probe({options.probe, "--convert", options.book, out.Path()},
                                  environment.Variables(), true);
        const auto report = bench::ParseKeyValues(probe.ReadOutput());
        const auto finished = probe.Wait();
        if (finished.exitStatus != 0 || report.count("message") == 0 || report.at("message") != "Gotowe!" ||
            out.Empty()) {
            bench::Fail("the probe's conversion of " + options.book + " did not succeed");
        }
        programPeakKb = std::max(programPeakKb, std::stol(report.at("self_peak_kb")));
    }
    std::cout << "conversion_program_peak_kb " << programPeakKb << '\n';
}

#ifdef ZWOJNIK_BENCH_HAVE_XCB

// Watches the X server for the program's window being mapped.
class MapWatch
{
public:
    MapWatch()
    {
        mConnection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(mConnection) != 0) {
            bench::Fail("cannot connect to the X server named by DISPLAY");
        }
        const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(mConnection)).data;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(mConnection, screen->root, XCB_CW_EVENT_MASK, &mask);
        mPidAtom = atom("_NET_WM_PID");
        mNameAtom = atom("_NET_WM_NAME");
        mUtf8Atom = atom("UTF8_STRING");
        xcb_flush(mConnection);
    }
    ~MapWatch() { xcb_disconnect(mConnection); }
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

    // When the first top-level window of this process with this title was mapped, if within 20 s.
    std::optional<bench::Nanoseconds> WaitForWindow(pid_t pid, const std::string& title)
    {
        const auto deadline = bench::Now() + 20'000'000'000LL;
        pollfd connection{xcb_get_file_descriptor(mConnection), POLLIN, 0};
        while (bench::Now() < deadline) {
            while (auto* event = xcb_poll_for_event(mConnection)) {
                const bool ours =
                    (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                    isWindowOf(reinterpret_cast<xcb_map_notify_event_t*>(event)->window, pid, title);
                const auto seenAt = bench::Now();
                free(event);
                if (ours) {
                    return seenAt;
                }
            }
            poll(&connection, 1, 100);
        }
        return std::nullopt;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        auto* reply = xcb_intern_atom_reply(
            mConnection, xcb_intern_atom(mConnection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t result = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        free(reply);
        return result;
    }

    std::string property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        auto* reply = xcb_get_property_reply(
            mConnection, xcb_get_property(mConnection, 0, window, name, type, 0, 256), nullptr);
        std::string value;
        if (reply != nullptr) {
            value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                         static_cast<std::size_t>(xcb_get_property_value_length(reply)));
            free(reply);
        }
        return value;
    }

    bool isWindowOf(xcb_window_t window, pid_t pid, const std::string& title)
    {
        const auto pidBytes = property(window, mPidAtom, XCB_ATOM_CARDINAL);
        std::uint32_t windowPid = 0;
        if (pidBytes.size() != sizeof windowPid) {
            return false;
        }
        std::memcpy(&windowPid, pidBytes.data(), sizeof windowPid);
        return static_cast<pid_t>(windowPid) == pid && property(window, mNameAtom, mUtf8Atom) == title;
    }

    xcb_connection_t* mConnection = nullptr;
    xcb_atom_t mPidAtom = XCB_ATOM_NONE;
    xcb_atom_t mNameAtom = XCB_ATOM_NONE;
    xcb_atom_t mUtf8Atom = XCB_ATOM_NONE;
};

void measureProgramWindow(const Options& options)
{
    std::vector<double> mapped;
    std::vector<double> settledPeakKb;
    MapWatch watch;
    for (int i = 0; i <= options.repeats; ++i) {
        const StartEnvironment environment(options);
        bench::ChildProcess program({options.program}, environment.Variables());
        const auto mappedAt = watch.WaitForWindow(program.Pid(), "Zwojnik");
        if (!mappedAt) {
            bench::Fail("the program's window was not mapped within 20 s");
        }
        // Long enough for the first paint and the Open event; the peak is what it took to get there.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto peakKb = bench::PeakResidentKbOf(program.Pid());
        program.Terminate();
        program.Wait();
        if (i > 0) {
            mapped.push_back(bench::Milliseconds(*mappedAt - program.StartedAt()));
            settledPeakKb.push_back(static_cast<double>(peakKb));
        }
    }
    std::cout << "mapped_median_ms " << bench::Median(mapped) << '\n'
              << "mapped_min_ms " << bench::Minimum(mapped) << '\n'
              << "program_idle_peak_kb " << bench::Median(settledPeakKb) << '\n';
}

#else

void measureProgramWindow(const Options&)
{
    std::cout << "mapped_median_ms unavailable\n";
}

#endif

} // namespace

int main(int argc, char** argv)
{
    const auto options = parse(argc, argv);
    measureProbe(options);
    if (!options.program.empty() && options.platform == "xcb") {
        measureProgramWindow(options);
    }
    if (!options.book.empty()) {
        measureConversionMemory(options);
    }
    return 0;
}
