#pragma once

#include "framework/Text.h"

namespace framework {

// Runs command lines through /bin/sh -c.
class Shell
{
public:
    // Returns once the command has ended. Its output is discarded, but for the end of its standard error.
    // Meanwhile the windows repaint, but no event, command or input reaches the program; input that arrives
    // is dropped.
    void Execute(const String& command);
    // The exit status of the last command; a command killed by a signal gives 128 + the signal number.
    int ErrorCode() const { return mErrorCode; }
    // The last kilobytes the last command wrote on its standard error, however much it wrote.
    const String& ErrorOutput() const { return mErrorOutput; }

private:
    int mErrorCode = 0;
    String mErrorOutput;
};

} // namespace framework
