#include "conversion/Quoting.h"

#include "conversion/Konwertuj.h"
#include "framework/Files.h"

#include <algorithm>
#include <fnmatch.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using conversion::ApplyQuotingTable;
using conversion::QuoteCommand;
using conversion::ReplaceRemainingEscapes;
using conversion::Unescape;

namespace {

struct Row
{
    char escaped;
    std::string replacement;
};

const std::vector<Row> kRows{{' ', "?"}, {'-', "-"}, {'%', "?"}, {'(', "?"}, {')', "?"}, {',', "?"},
                             {'~', "?"}, {'[', "?"}, {']', "?"}, {'=', "?"}, {'}', "?"}, {'{', "?"}};

std::vector<std::string> splitAtBlanks(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n') {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

} // namespace

TEST(QuotingTable, EachRowRewritesItsEscapeAndNothingElse)
{
    for (const auto& row : kRows) {
        const std::string escape{'\\', row.escaped};
        EXPECT_EQ(ApplyQuotingTable("/a" + escape + "b" + escape),
                  "/a" + row.replacement + "b" + row.replacement)
            << escape;
        // The bare character is no escape.
        EXPECT_EQ(ApplyQuotingTable(std::string("/a") + row.escaped + "b"),
                  std::string("/a") + row.escaped + "b");
    }
    for (const std::string untouched :
         {"\\'", "\\&", "\\`", "\\$", "\\\"", "\\;", "\\*", "\\?", "\\\t", "\\\n", "\\#", "\\a", "\\\\"}) {
        EXPECT_EQ(ApplyQuotingTable("/x" + untouched + "y"), "/x" + untouched + "y") << untouched;
    }
}

TEST(QuotingTable, RewritesTheExamplePathsOfTheShellPathForm)
{
    EXPECT_EQ(ApplyQuotingTable("/Users/me/My\\ Books/book\\ one.lit"), "/Users/me/My?Books/book?one.lit");
    EXPECT_EQ(ApplyQuotingTable("/Volumes/Data/e\\-books/a.lit"), "/Volumes/Data/e-books/a.lit");
    EXPECT_EQ(ApplyQuotingTable("/Users/me/100\\%\\ done\\ \\(2\\).lit"), "/Users/me/100??done??2?.lit");
    EXPECT_EQ(ApplyQuotingTable("/Users/me/\\[old\\]\\ \\{1\\}.lit"), "/Users/me/?old???1?.lit");
    EXPECT_EQ(ApplyQuotingTable("/Users/me/a\\,b\\=c\\~.lit"), "/Users/me/a?b?c?.lit");
}

TEST(QuotingTable, EachRowIsOnePassSoAnEscapedBackslashIsJudgedByTheCharacterAfterIt)
{
    EXPECT_EQ(ApplyQuotingTable("\\\\-"), "\\-");
    EXPECT_EQ(ApplyQuotingTable("\\\\ "), "\\?");
    EXPECT_EQ(ApplyQuotingTable("\\\\\\-"), "\\\\-");
    EXPECT_EQ(ApplyQuotingTable("\\-\\-\\-"), "---");
}

TEST(QuotingTable, LeavesTheFixedPartsOfTheCommandAlone)
{
    for (const int architecture : {2, 10}) {
        const auto text = conversion::CommandText(architecture, "/Applications/Converter", "/b.lit", "/out/");
        EXPECT_EQ(ApplyQuotingTable(text), text);
        EXPECT_EQ(QuoteCommand(text), text);
    }
}

TEST(RemainingEscapes, EveryBackslashGoesWithTheCharacterAfterIt)
{
    EXPECT_EQ(ReplaceRemainingEscapes("/me/it\\'s.lit"), "/me/it?s.lit");
    EXPECT_EQ(ReplaceRemainingEscapes("/me/Tom\\ \\&\\ Jerry"), "/me/Tom???Jerry");
    EXPECT_EQ(ReplaceRemainingEscapes("/me/a\\\\b"), "/me/a?b");
    EXPECT_EQ(ReplaceRemainingEscapes("\\\\\\\\"), "??");
    EXPECT_EQ(ReplaceRemainingEscapes("a\\`uname\\`b"), "a?uname?b");
    EXPECT_EQ(ReplaceRemainingEscapes("\\$\\(id\\)"), "??id?");
    // A multibyte character after a backslash goes whole; a backslash at the very end goes alone.
    EXPECT_EQ(ReplaceRemainingEscapes("x\\ąy"), "x?y");
    EXPECT_EQ(ReplaceRemainingEscapes("x\\"), "x?");
    EXPECT_EQ(ReplaceRemainingEscapes("/plain/Zażółć.lit"), "/plain/Zażółć.lit");
}

// What the extra pass changes in the texts that the table leaves with a backslash.
TEST(RemainingEscapes, TakesOverWhereTheTableStops)
{
    EXPECT_EQ(ApplyQuotingTable("/me/it\\'s.lit"), "/me/it\\'s.lit");
    EXPECT_EQ(QuoteCommand("/me/it\\'s.lit"), "/me/it?s.lit");
    EXPECT_EQ(ApplyQuotingTable("/me/a\\&b.lit"), "/me/a\\&b.lit");
    EXPECT_EQ(QuoteCommand("/me/a\\&b.lit"), "/me/a?b.lit");
    EXPECT_EQ(ApplyQuotingTable("/me/a\\\\-b"), "/me/a\\-b");
    EXPECT_EQ(QuoteCommand("/me/a\\\\-b"), "/me/a?b");
    // A hyphen escaped alone still comes back as itself.
    EXPECT_EQ(QuoteCommand("/me/e\\-books/"), "/me/e-books/");
}

// Whatever byte a name holds, the shell gets three words free of quoting and expansion characters, and
// each word, read as a pattern, names the real path.
TEST(QuoteCommand, AnyByteInAnyOfTheThreePathsReachesTheShellAsAWildcardOrAsItself)
{
    std::vector<std::string> specials;
    for (int byte = 1; byte < 0x80; ++byte) {
        if (byte != '/') {
            specials.emplace_back(1, static_cast<char>(byte));
        }
    }
    for (const std::string multibyte : {"ą", "Ż", "\u00A0", "€", "𝄞"}) {
        specials.push_back(multibyte);
    }
    for (const auto& special : specials) {
        const std::string name = "n" + special + "x";
        const std::string app = "/Apps/" + name;
        const std::string book = "/Books/" + name + ".lit";
        const std::string target = "/Out/" + name;
        const auto command = QuoteCommand(conversion::CommandText(10, framework::EscapeForShell(app) + "/",
                                                                  framework::EscapeForShell(book),
                                                                  framework::EscapeForShell(target) + "/"));
        SCOPED_TRACE("byte " + std::to_string(static_cast<unsigned char>(special[0])));

        ASSERT_GE(command.size(), 10u);
        EXPECT_EQ(command.substr(0, 9), "`printf \"");
        EXPECT_EQ(command.substr(command.size() - 2), "\"`");
        const auto inner = command.substr(9, command.size() - 11);
        for (const char forbidden : {'\\', '`', '$', '"', '\'', '%'}) {
            EXPECT_EQ(inner.find(forbidden), std::string::npos) << inner;
        }
        const auto words = splitAtBlanks(inner);
        ASSERT_EQ(words.size(), 3u) << inner;
        const std::vector<std::string> real{app + "//clit-intel", book, target + "/"};
        for (std::size_t i = 0; i < words.size(); ++i) {
            EXPECT_EQ(std::count(words[i].begin(), words[i].end(), '*'), 0);
            EXPECT_EQ(fnmatch(words[i].c_str(), real[i].c_str(), FNM_PATHNAME | FNM_PERIOD), 0)
                << words[i] << " does not match " << real[i];
        }
    }
}

TEST(Unescape, GivesTheRealPathOfAShellPath)
{
    EXPECT_EQ(Unescape("/a/My\\ Books/"), "/a/My Books/");
    EXPECT_EQ(Unescape("/a/back\\\\slash\\ \\`x\\`"), "/a/back\\slash `x`");
    EXPECT_EQ(Unescape("/Zażółć\\ gęślą"), "/Zażółć gęślą");
    for (const std::string path : {"/a b/c\td\ne", "/-x/it's & \"q\" $(id)", "/[*?]{}\\\\"}) {
        EXPECT_EQ(Unescape(framework::EscapeForShell(path)), path);
    }
}
