// A program that runs one command through the framework's Shell, for tests that end the program while
// the command runs: `shell_probe COMMAND AFTERWARDS` writes the command's status to the file AFTERWARDS
// once Execute has returned, as a caller cleans up, before the Shell goes.
#include "framework/Shell.h"

#include <QApplication>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        return 2;
    }
    QApplication application(argc, argv);
    framework::Shell shell;
    shell.Execute(argv[1]);
    std::ofstream(argv[2]) << shell.ErrorCode() << (shell.Stopped() ? " stopped" : "") << "\n";
    return 0;
}
