// From the processor family to the converter's command line and the messages of its outcome.
#include "conversion/Konwertuj.h"
#include "framework/System.h"
#include "support/Conversion.h"
#include "support/Program.h"

#include <limits>
#include <map>
#include <sys/utsname.h>

using conversion::CommandText;
using conversion::ConverterCommand;
using framework::System;
using framework::detail::ProcessorFamily;
using namespace testsupport;

TEST(CommandText, IsTheConverterLineInsideBackquotesAndPrintfByteForByte)
{
    EXPECT_EQ(CommandText(2, "/Applications/Converter", "/Users/me/My\\ Books/book.lit", "/Users/me/Out"),
              "`printf \"/Applications/Converter/clit-ppc /Users/me/My\\ Books/book.lit /Users/me/Out\"`");
    EXPECT_EQ(
        ConverterCommand(2, "/Applications/Converter", "/Users/me/My\\ Books/book.lit", "/Users/me/Out"),
        "`printf \"/Applications/Converter/clit-ppc /Users/me/My?Books/book.lit /Users/me/Out\"`");
    EXPECT_EQ(CommandText(10, "/opt/Zwojnik/", "/b\\ 1.lit", "/out\\ dir/"),
              "`printf \"/opt/Zwojnik//clit-intel /b\\ 1.lit /out\\ dir/\"`");
    EXPECT_EQ(ConverterCommand(10, "/opt/Zw\\ ojnik/", "/b\\ 1.lit", "/out\\ dir/"),
              "`printf \"/opt/Zw?ojnik//clit-intel /b?1.lit /out?dir/\"`");
    for (const std::int32_t other : {1, 0, 3, -2, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_EQ(CommandText(other, "", "", ""), "`printf \"/clit-intel  \"`") << other;
    }
}

TEST(ProcessorQuery, MachineNamesFallIntoThreeFamilies)
{
    const std::map<std::string, std::int32_t> expected{
        {"ppc", 2},     {"ppc64", 2},     {"ppc64le", 2},
        {"powerpc", 2}, {"powerpc64", 2}, {"Power Macintosh", 2},
        {"x86_64", 10}, {"amd64", 10},    {"i386", 10},
        {"i486", 10},   {"i586", 10},     {"i686", 10},
        {"i86pc", 10},  {"x86", 10},      {"aarch64", 0},
        {"arm64", 0},   {"armv7l", 0},    {"riscv64", 0},
        {"s390x", 0},   {"sparc64", 0},   {"", 0},
        {"i786x", 0},   {"x86_64_v2", 0}};
    for (const auto& [machine, family] : expected) {
        EXPECT_EQ(ProcessorFamily(machine), family) << machine;
    }
}

using ProcessorQueryTest = RuntimeTest;

TEST_F(ProcessorQueryTest, AsksTheRunningMachineAndAnswersNothingElse)
{
    utsname machine{};
    ASSERT_EQ(uname(&machine), 0);
    std::int32_t answer = -1;
    ASSERT_TRUE(System::Gestalt("sysa", answer));
    EXPECT_EQ(answer, ProcessorFamily(machine.machine)) << machine.machine;
    EXPECT_FALSE(System::Gestalt("sysv", answer));
    EXPECT_FALSE(System::Gestalt("sys", answer));
}

// The processor answer picks the executable that the real run starts: the folder holds the real converter
// under one name only, so the other family's choice finds nothing to run (the shell's 127).
using ProcessorChoiceTest = RuntimeTest;

TEST_F(ProcessorChoiceTest, TheProcessorFamilyPicksTheConverterThatRuns)
{
    TempDir dir;
    CopyTestBook("krotka.lit", dir / "książka (1).lit");
    const struct
    {
        std::string machine;
        std::string converter;
        std::string message;
    } cases[]{{"ppc", "clit-ppc", "Gotowe!"},
              {"x86_64", "clit-intel", "Gotowe!"},
              {"aarch64", "clit-intel", "Gotowe!"},
              {"ppc64le", "clit-intel", ErrorMessage(127)},
              {"i686", "clit-ppc", ErrorMessage(127)}};
    int run = 0;
    for (const auto& [machine, converter, message] : cases) {
        const auto program = dir / ("program " + std::to_string(++run));
        const auto destination = dir / ("wynik " + std::to_string(run));
        MakeConverterFolder(program, converter);
        std::filesystem::create_directory(destination);
        script.SetMachine(machine);
        Convert(program, dir / "książka (1).lit", destination);
        ASSERT_EQ(script.ShownMessages().size(), static_cast<std::size_t>(run));
        EXPECT_EQ(script.ShownMessages().back(), message) << machine << " " << converter;
        EXPECT_EQ(FileNames(destination).count("krotka.html"), message == "Gotowe!" ? 1u : 0u);
    }
}
