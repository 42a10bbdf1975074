#include "framework/Scripting.h"
#include "framework/System.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

using framework::System;
using framework::detail::ProcessorFamily;

namespace {
// The machine name as the system's own uname(1) prints it.
std::string machineName()
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen("uname -m", "r"), pclose);
    std::string name;
    char buffer[128];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get())) {
        name += buffer;
    }
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) {
        name.pop_back();
    }
    return name;
}
} // namespace

TEST(ProcessorQuery, MachineNamesFallIntoThreeFamilies)
{
    const std::map<std::string, std::int32_t> expected{
        {"ppc", 2},      {"ppc64", 2},     {"ppc64le", 2},
        {"powerpc", 2},  {"powerpc64", 2}, {"Power Macintosh", 2},
        {"x86_64", 10},  {"amd64", 10},    {"i386", 10},
        {"i486", 10},    {"i586", 10},     {"i686", 10},
        {"i86pc", 10},   {"x86", 10},      {"aarch64", 0},
        {"arm64", 0},    {"armv7l", 0},    {"riscv64", 0},
        {"s390x", 0},    {"mips", 0},      {"ia64", 0},
        {"sparc64", 0},  {"", 0},          {"i786x", 0},
        {"x86_64_v2", 0}};
    for (const auto& [machine, family] : expected) {
        EXPECT_EQ(ProcessorFamily(machine), family) << machine;
    }
}

TEST(ProcessorQuery, AsksTheRunningMachine)
{
    framework::scripting::Reset();
    std::int32_t answer = -1;
    ASSERT_TRUE(System::Gestalt("sysa", answer));
    const auto machine = machineName();
    ASSERT_FALSE(machine.empty());
    EXPECT_EQ(answer, ProcessorFamily(machine)) << machine;
    if (machine == "x86_64" || machine == "i686") {
        EXPECT_EQ(answer, 10);
    }
}

TEST(ProcessorQuery, OtherSelectorsAreNotAnswered)
{
    framework::scripting::Reset();
    std::int32_t answer = 7;
    EXPECT_FALSE(System::Gestalt("sysv", answer));
    EXPECT_FALSE(System::Gestalt("sys", answer));
    EXPECT_EQ(answer, 7);
}

TEST(ProcessorQuery, ScriptedAnswersStandForMachinesThatCannotRunHere)
{
    framework::scripting::Reset();
    std::int32_t answer = 0;
    framework::scripting::SetProcessorAnswer(2);
    EXPECT_TRUE(System::Gestalt("sysa", answer));
    EXPECT_EQ(answer, 2);

    answer = 5;
    framework::scripting::SetProcessorAnswer(std::nullopt);
    EXPECT_FALSE(System::Gestalt("sysa", answer));
    EXPECT_EQ(answer, 5);
    framework::scripting::Reset();
}
