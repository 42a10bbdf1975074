#pragma once

// Starting zwojnik-supervisor (see main.cpp beside this file) and ending it, without the event loop: the
// Shell waits for one supervisor at a time, a library of books for several.

#include "framework/Descriptor.h"

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace framework {

// How much of a command's standard error is kept: its last 8 KiB.
inline constexpr std::size_t kErrorOutputKept = 8192;

struct Pipe
{
    Descriptor read;
    Descriptor write;
};

// A pipe whose ends are closed on exec and lie above the descriptors that the supervisor is given, so that
// handing one end over never replaces another, even when the program runs with its standard ones closed.
Pipe MakePipe(int flags);

// The supervisor running one command: a child of the program, leading a process group of its own. This
// object owns it and the ends of its pipes: however the run ends, even by an exception, nothing that the
// command started outlives the object.
class Supervisor
{
public:
    // The executable is the supervisor's path; the command is run by /bin/sh -c, byte for byte.
    Supervisor(const std::string& executable, const std::string& command);
    ~Supervisor();
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    // Readable at its end: the pipe closes when the supervisor exits.
    int RunningDescriptor() const { return mRunning.Get(); }
    // The command's standard error, which never blocks.
    int ErrorDescriptor() const { return mErrors.Get(); }
    // Ends the command and everything it started; the supervisor then exits.
    void Stop() const;

    // Waits until the supervisor has exited, kills what is left of its process group (when the supervisor
    // itself was killed, say), and yields its exit status, or 128 + the signal that killed it.
    int Reap();

private:
    pid_t mProcess = 0;
    Descriptor mErrors;
    Descriptor mRunning;
};

// Reads what the pipe holds without waiting, keeping only the last kilobytes; false at its end.
bool ReadErrorEnd(int pipe, std::string& kept);

} // namespace framework
