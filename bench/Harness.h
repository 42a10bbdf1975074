#pragma once

// What every whole-process measurement needs: a monotonic clock shared by all processes of the
// machine, medians, scratch folders and child processes whose peak memory is known.

#include <cstdint>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace bench {

using Nanoseconds = std::int64_t;

// CLOCK_MONOTONIC: readings taken in different processes can be subtracted.
Nanoseconds Now();
double Milliseconds(Nanoseconds duration);

double Median(std::vector<double> values);
double Minimum(const std::vector<double>& values);

// A fresh empty folder under the system's temporary folder, removed with its contents at the end.
class ScratchFolder
{
public:
    explicit ScratchFolder(const std::string& prefix = "zwojnik-bench");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return mPath; }
    bool Empty() const;

private:
    std::string mPath;
};

struct Finished
{
    int exitStatus = -1; // 128 + signal when a signal ended it
    Nanoseconds endedAt = 0;
    // The child's own peak or its largest waited-for descendant's, but never below this process's own
    // peak when it started the child: the kernel counts the memory a child had before exec. Meaningful
    // only for children larger than the harness.
    long peakResidentKb = 0;
};

// One child process. Its standard input and error are /dev/null; its standard output too, unless
// captured, in which case ReadOutput collects it.
class ChildProcess
{
public:
    // Runs argv[0] (a path, not searched) with the environment of this process plus extraEnvironment
    // ("NAME=value", replacing a variable of the same name).
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment = {},
                 bool captureOutput = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return mPid; }
    Nanoseconds StartedAt() const { return mStartedAt; }
    // Everything the child writes to its standard output until it closes it.
    std::string ReadOutput();
    void Terminate();
    Finished Wait();

private:
    pid_t mPid = -1;
    int mOutput = -1;
    Nanoseconds mStartedAt = 0;
    bool mWaited = false;
};

// Runs the program to its end, output discarded, and reads its own peak resident memory as it exits, in
// KiB: unlike the figure wait4 gives, without the memory of the process that started it.
long OwnPeakResidentKbOfRun(const std::vector<std::string>& argv);

// "key value" lines, as the probes print them.
std::map<std::string, std::string> ParseKeyValues(const std::string& text);

// The largest peak resident memory the kernel has noted for this process so far (VmHWM), in KiB.
long PeakResidentKbOf(pid_t pid);

[[noreturn]] void Fail(const std::string& message);

} // namespace bench
