// Names that the shell-path fuzzer found to go wrong on their way to the converter, end to end through
// the real shell and the real converter.
#include "ConversionSupport.h"
#include "conversion/Konwertuj.h"
#include "conversion/Quoting.h"
#include "framework/Files.h"
#include "framework/Scripting.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

using conversiontest::CopyTestBook;
using conversiontest::FileNames;
using conversiontest::MakeConverterFolder;
using conversiontest::ShellPathOf;
using framework::scripting::ShownMessages;

namespace {

class FuzzFindingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::AnswerMessages();
        MakeConverterFolder(program);
        fs::create_directories(destination);
    }
    void TearDown() override { framework::scripting::Reset(); }

    std::vector<std::string> convert(const std::string& book)
    {
        conversion::Konwertuj(ShellPathOf(program), ShellPathOf(book), ShellPathOf(destination));
        return ShownMessages();
    }

    testsupport::TempDir dir;
    const std::string program = dir / "program";
    const std::string destination = dir / "wynik";
};

std::vector<std::string> wordsBetweenTheQuotes(const std::string& command)
{
    const auto inner = command.substr(command.find('"') + 1, command.rfind('"') - command.find('"') - 1);
    std::istringstream in(inner);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

} // namespace

// The escaped backslash at the end of the book's shell path ("\\") and the space after the path made
// the pair "\ " of the quoting table: book and destination reached the converter as one word.
TEST_F(FuzzFindingsTest, BookWhoseNameEndsInABackslashKeepsAWordOfItsOwn)
{
    const auto book = dir / "krotka.lit\\";
    CopyTestBook("krotka.lit", book);

    const auto command =
        conversion::ConverterCommand(10, ShellPathOf(program), ShellPathOf(book), ShellPathOf(destination));
    EXPECT_EQ(wordsBetweenTheQuotes(command).size(), 3u) << command;

    EXPECT_EQ(convert(book), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(destination).count("krotka.html"));
}

// A name in a legacy 8-bit encoding: after an escaped character came a byte that is not UTF-8 on its
// own, and the quoting swallowed it with the escape. The word then matched the name without that byte,
// another book beside the chosen one, and the converter converted that.
TEST_F(FuzzFindingsTest, StrayByteAfterAnEscapedCharacterStaysAndTheChosenBookIsConverted)
{
    const auto chosen = dir / "Tom+\xB1.lit"; // "Tom+ą.lit" in ISO 8859-2
    const auto other = dir / "Tom+.lit";
    CopyTestBook("krotka.lit", chosen);
    CopyTestBook("rozdzialy.lit", other);

    EXPECT_EQ(convert(chosen), std::vector<std::string>{"Gotowe!"});
    // The converter names the package file after the book file it was given.
    const auto written = FileNames(destination);
    EXPECT_TRUE(written.count("Tom+\xB1.opf")) << "the chosen book was not converted";
    EXPECT_FALSE(written.count("Tom+.opf")) << "the book beside it was converted";
}
