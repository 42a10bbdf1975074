#include "framework/Shell.h"

#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

// How much the command writes and how it ends through the program: FailureModesTest.
TEST(Shell, ErrorCodeIsTheExitStatusOnceTheCommandHasEndedOr128PlusTheSignal)
{
    testsupport::TempDir dir;
    framework::Shell shell;
    const auto run = [&](const std::string& command) {
        shell.Execute(command);
        return shell.ErrorCode();
    };
    EXPECT_EQ(run("sleep 0.3; touch '" + (dir / "mark") + "'; exit 3"), 3);
    EXPECT_TRUE(std::filesystem::exists(dir / "mark")) << "Execute returned before the command ended";
    EXPECT_EQ(run("exit 255"), 255);
    // The command gets no input: a read finds the end at once instead of waiting.
    EXPECT_EQ(run("read line; test -z \"$line\""), 0);
    // As the shell's last command (the shell may hand its process over), and inside a list.
    EXPECT_EQ(run("kill -KILL $$"), 128 + 9);
    EXPECT_EQ(run("sh -c 'kill -TERM $$'; exit $?"), 128 + 15);
}

TEST(Shell, OnlyTheEndOfStandardErrorIsKeptHoweverMuchTheCommandWrites)
{
    framework::Shell shell;
    shell.Execute("echo WYJSCIE; head -c 20971520 /dev/zero | tr '\\0' a >&2; printf 'KONIEC' >&2; exit 5");
    EXPECT_EQ(shell.ErrorCode(), 5);
    const auto& errors = shell.ErrorOutput();
    EXPECT_GE(errors.size(), 4096u);
    EXPECT_LE(errors.size(), 16384u);
    EXPECT_EQ(errors.substr(errors.size() - 6), "KONIEC");
    EXPECT_EQ(errors.find_first_not_of('a'), errors.size() - 6) << "standard output mixed in";

    shell.Execute("printf 'tylko to' >&2");
    EXPECT_EQ(shell.ErrorOutput(), "tylko to") << "the previous command's errors kept";
}
