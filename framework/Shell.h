#pragma once

#include "framework/Text.h"

#include <utility>

namespace framework {

// Runs command lines through /bin/sh -c, under the supervisor zwojnik-supervisor that stands beside the
// program's executable.
class Shell
{
public:
    // A request to quit while a command runs asks the person this question; yes stops the command.
    explicit Shell(String stopQuestion) : mStopQuestion(std::move(stopQuestion)) {}
    // A termination signal that came while a command ran ends the program now, as it would have ended it
    // without the command: the caller has had the time to clean up after the command.
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // Returns once the command has ended. Its output is discarded, but for the end of its standard
    // error. Meanwhile the windows repaint, but no event, command or input reaches the program; input that
    // arrives is dropped.
    //
    // Everything the command starts, even what leaves its process group or session, is ended when the
    // command ends, when the program ends however it ends (killed, or its display gone), and when the
    // program gets SIGTERM, SIGHUP or SIGINT meanwhile, whatever is on screen then. A request to quit (the
    // Quit shortcut, the menu bar's window closed) asks the stop question: yes ends the command and quits
    // the program once it has ended; no carries on. An exception raised meanwhile ends the command too.
    void Execute(const String& command);
    // The exit status of the last command; a command killed by a signal gives 128 + the signal number.
    int ErrorCode() const { return mErrorCode; }
    // The last command did not end by itself: it was ended because the program is ending.
    bool Stopped() const { return mTerminationSignal != 0 || mStoppedOnRequest; }
    // The last kilobytes the last command wrote on its standard error, however much it wrote.
    const String& ErrorOutput() const { return mErrorOutput; }

private:
    String mStopQuestion;
    int mErrorCode = 0;
    int mTerminationSignal = 0;
    bool mStoppedOnRequest = false;
    String mErrorOutput;
};

} // namespace framework
