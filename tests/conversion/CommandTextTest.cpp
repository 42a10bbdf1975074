#include "ConversionSupport.h"
#include "conversion/Konwertuj.h"
#include "framework/Scripting.h"
#include "support/TempDir.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>

using conversion::CommandText;
using conversion::ConverterCommand;
using conversiontest::CopyTestBook;
using conversiontest::FileNames;
using conversiontest::MakeConverterFolder;
using conversiontest::ShellPathOf;
using framework::scripting::ShownMessages;

TEST(CommandText, IsTheConverterLineInsideBackquotesAndPrintfCharacterForCharacter)
{
    const std::string bq = "`";
    const std::string dq = "\"";
    EXPECT_EQ(CommandText(2, "/Applications/Converter", "/Users/me/My\\ Books/book.lit", "/Users/me/Out"),
              bq + "printf " + dq +
                  "/Applications/Converter/clit-ppc /Users/me/My\\ Books/book.lit /Users/me/Out" + dq + bq);
    EXPECT_EQ(
        ConverterCommand(2, "/Applications/Converter", "/Users/me/My\\ Books/book.lit", "/Users/me/Out"),
        bq + "printf " + dq + "/Applications/Converter/clit-ppc /Users/me/My?Books/book.lit /Users/me/Out" +
            dq + bq);
    EXPECT_EQ(CommandText(10, "/opt/Zwojnik/", "/b\\ 1.lit", "/out\\ dir/"),
              "`printf \"/opt/Zwojnik//clit-intel /b\\ 1.lit /out\\ dir/\"`");
    EXPECT_EQ(ConverterCommand(10, "/opt/Zw\\ ojnik/", "/b\\ 1.lit", "/out\\ dir/"),
              "`printf \"/opt/Zw?ojnik//clit-intel /b?1.lit /out?dir/\"`");
    // Nothing before the backquote, nothing after the closing one.
    const auto text = CommandText(10, "", "", "");
    EXPECT_EQ(text, "`printf \"/clit-intel  \"`");
}

TEST(CommandText, OnlyArchitectureTwoSelectsThePowerPCConverter)
{
    const auto converterOf = [](std::int32_t architecture) {
        const auto text = CommandText(architecture, "/A", "/b", "/c");
        // After the backquote, "printf ", the quotation mark and "/A".
        return text.substr(11, text.find(' ', 11) - 11);
    };
    EXPECT_EQ(converterOf(2), "/clit-ppc");
    for (const std::int32_t other : {10, 1, 0, 3, -2, std::numeric_limits<std::int32_t>::max(),
                                     std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_EQ(converterOf(other), "/clit-intel") << other;
    }
}

TEST(OutcomeMessages, AreTheProgramsTextsByteForByte)
{
    EXPECT_EQ(conversion::kDoneMessage, "Gotowe!");
    EXPECT_EQ(conversion::kProcessorErrorMessage, "B\xC5\x82\xC4\x85"
                                                  "d rozpoznawania procesora.");
    EXPECT_EQ(conversion::kErrorMessagePrefix, "Wyst\xC4\x85pi\xC5\x82\xC2\xA0"
                                               "b\xC5\x82\xC4\x85"
                                               "d: ");
    EXPECT_EQ(conversion::kErrorMessagePrefix.size(), 20u);
}

// The processor answer picks the executable that the real run starts: the folder holds the real converter
// under one name only, so the other choice finds nothing to run.
class ProcessorChoiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::AnswerMessages();
        CopyTestBook("krotka.lit", dir / "książka (1).lit");
        std::filesystem::create_directory(dir / "wynik");
    }
    void TearDown() override { framework::scripting::Reset(); }

    void convertWith(std::int32_t architecture, const std::string& converterName)
    {
        const auto app = dir / ("app " + converterName);
        MakeConverterFolder(app, converterName);
        framework::scripting::SetProcessorAnswer(architecture);
        conversion::Konwertuj(ShellPathOf(app), ShellPathOf(dir / "książka (1).lit"),
                              ShellPathOf(dir / "wynik"));
    }

    testsupport::TempDir dir;
};

TEST_F(ProcessorChoiceTest, PowerPCRunsClitPpc)
{
    convertWith(2, "clit-ppc");
    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(dir / "wynik").count("krotka.html"));
}

TEST_F(ProcessorChoiceTest, EveryOtherAnswerRunsClitIntel)
{
    for (const std::int32_t architecture : {10, 0, 1}) {
        convertWith(architecture, "clit-intel");
        std::filesystem::remove_all(dir / ("app clit-intel"));
    }
    EXPECT_EQ(ShownMessages(), (std::vector<std::string>{"Gotowe!", "Gotowe!", "Gotowe!"}));
    EXPECT_TRUE(FileNames(dir / "wynik").count("krotka.html"));
}

TEST_F(ProcessorChoiceTest, TheOtherFamilysConverterIsNeverStarted)
{
    convertWith(2, "clit-intel");
    convertWith(10, "clit-ppc");
    // The shell's status for a command it cannot find.
    EXPECT_EQ(ShownMessages(),
              (std::vector<std::string>{"Wystąpił\u00A0błąd: 127", "Wystąpił\u00A0błąd: 127"}));
    EXPECT_TRUE(FileNames(dir / "wynik").empty());
}

TEST_F(ProcessorChoiceTest, AFailingConverterIsReportedWithItsStatus)
{
    CopyTestBook("uszkodzona.lit", dir / "uszkodzona.lit");
    MakeConverterFolder(dir / "app");
    framework::scripting::SetProcessorAnswer(10);
    conversion::Konwertuj(ShellPathOf(dir / "app"), ShellPathOf(dir / "uszkodzona.lit"),
                          ShellPathOf(dir / "wynik"));
    ASSERT_EQ(ShownMessages().size(), 1u);
    EXPECT_EQ(ShownMessages()[0], "Wyst\xC4\x85pi\xC5\x82\xC2\xA0"
                                  "b\xC5\x82\xC4\x85"
                                  "d: 255");
}
