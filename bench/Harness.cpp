#include "Harness.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <spawn.h>
#include <sstream>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

Nanoseconds Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return Nanoseconds{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

double Milliseconds(Nanoseconds duration)
{
    return static_cast<double>(duration) / 1e6;
}

double Median(std::vector<double> values)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

double Minimum(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

ScratchFolder::ScratchFolder(const std::string& prefix)
{
    auto pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        Fail("cannot make a scratch folder: " + std::string(std::strerror(errno)));
    }
    mPath = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

bool ScratchFolder::Empty() const
{
    return std::filesystem::is_empty(mPath);
}

namespace {

std::vector<std::string> environmentWith(const std::vector<std::string>& extra)
{
    std::vector<std::string> result;
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string inherited = *entry;
        const bool replaced = std::any_of(
            extra.begin(), extra.end(), [&](const std::string& e) { return nameOf(e) == nameOf(inherited); });
        if (!replaced) {
            result.push_back(inherited);
        }
    }
    result.insert(result.end(), extra.begin(), extra.end());
    return result;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (auto& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& extraEnvironment, bool captureOutput)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    int pipeEnds[2] = {-1, -1};
    if (captureOutput) {
        if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
            Fail("pipe: " + std::string(std::strerror(errno)));
        }
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }

    auto arguments = argv;
    auto environment = environmentWith(extraEnvironment);
    auto argumentPointers = pointersTo(arguments);
    auto environmentPointers = pointersTo(environment);

    mStartedAt = Now();
    const int error = posix_spawn(&mPid, argumentPointers[0], &actions, nullptr, argumentPointers.data(),
                                  environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (captureOutput) {
        close(pipeEnds[1]);
        mOutput = pipeEnds[0];
    }
    if (error != 0) {
        Fail("cannot start " + argv.front() + ": " + std::strerror(error));
    }
}

ChildProcess::~ChildProcess()
{
    if (!mWaited) {
        Terminate();
        Wait();
    }
    if (mOutput >= 0) {
        close(mOutput);
    }
}

std::string ChildProcess::ReadOutput()
{
    std::string text;
    char buffer[4096];
    while (mOutput >= 0) {
        const auto count = read(mOutput, buffer, sizeof buffer);
        if (count > 0) {
            text.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    return text;
}

void ChildProcess::Terminate()
{
    if (!mWaited) {
        kill(mPid, SIGTERM);
    }
}

Finished ChildProcess::Wait()
{
    int status = 0;
    rusage usage{};
    while (wait4(mPid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            Fail("wait4: " + std::string(std::strerror(errno)));
        }
    }
    mWaited = true;
    Finished finished;
    finished.endedAt = Now();
    finished.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    finished.peakResidentKb = usage.ru_maxrss;
    return finished;
}

long OwnPeakResidentKbOfRun(const std::vector<std::string>& argv)
{
    auto arguments = argv;
    auto argumentPointers = pointersTo(arguments);
    const pid_t pid = fork();
    if (pid < 0) {
        Fail("fork: " + std::string(std::strerror(errno)));
    }
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execv(argumentPointers[0], argumentPointers.data());
        _exit(127);
    }
    // Traced, the child stops after exec and, once told to, when it is about to exit with its memory
    // still in place.
    long peakKb = 0;
    int status = 0;
    while (waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        int signal = WSTOPSIG(status);
        if (signal == SIGTRAP && (status >> 16) == PTRACE_EVENT_EXIT) {
            peakKb = PeakResidentKbOf(pid);
            signal = 0;
        } else if (signal == SIGTRAP) {
            ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
            signal = 0;
        }
        ptrace(PTRACE_CONT, pid, nullptr, signal);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Fail(argv.front() + " did not end successfully");
    }
    return peakKb;
}

std::map<std::string, std::string> ParseKeyValues(const std::string& text)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto space = line.find(' ');
        if (space != std::string::npos) {
            values[line.substr(0, space)] = line.substr(space + 1);
        }
    }
    return values;
}

long PeakResidentKbOf(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return 0;
}

void Fail(const std::string& message)
{
    std::cerr << "bench: " << message << '\n';
    std::exit(2);
}

} // namespace bench
