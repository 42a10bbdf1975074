#include "conversion/Quoting.h"

#include "conversion/Command.h"
#include "framework/Files.h"

#include <fnmatch.h>
#include <gtest/gtest.h>
#include <sstream>

using conversion::QuoteCommand;

// Every row of the table, and what it leaves with a backslash, which goes with the character after it.
TEST(QuoteCommand, RewritesEveryEscapeIntoAWildcard)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"/Users/me/My\\ Books/book\\ one.lit", "/Users/me/My?Books/book?one.lit"},
        {"/Volumes/Data/e\\-books/a.lit", "/Volumes/Data/e-books/a.lit"},
        {"/Users/me/100\\%\\ done\\ \\(2\\).lit", "/Users/me/100??done??2?.lit"},
        {"/Users/me/\\[old\\]\\ \\{1\\}.lit", "/Users/me/?old???1?.lit"},
        {"/Users/me/a\\,b\\=c\\~.lit", "/Users/me/a?b?c?.lit"},
        // One pass per row: an escaped backslash is judged by the character after it.
        {"\\-\\-\\-", "---"},
        {"\\\\ ", "?"},
        {"/me/a\\\\-b", "/me/a?b"},
        {"\\\\\\\\", "??"},
        {"x\\ąy", "x?y"}, // a multibyte character goes whole
        {"x\\", "x?"},
    };
    for (const auto& [text, quoted] : cases) {
        EXPECT_EQ(QuoteCommand(text), quoted) << text;
    }
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
        SCOPED_TRACE("byte " + std::to_string(static_cast<unsigned char>(special[0])));
        const std::string name = "n" + special + "x";
        const std::vector<std::string> real{"/Apps/" + name + "//clit-intel", "/Books/" + name + ".lit",
                                            "/Out/" + name + "/"};
        const auto command = conversion::ConverterCommand(
            10, framework::EscapeForShell("/Apps/" + name) + "/", framework::EscapeForShell(real[1]),
            framework::EscapeForShell("/Out/" + name) + "/");

        ASSERT_EQ(command.substr(0, 9), "`printf \"");
        ASSERT_EQ(command.substr(command.size() - 2), "\"`");
        const auto inner = command.substr(9, command.size() - 11);
        EXPECT_EQ(inner.find_first_of("\\`$\"'%"), std::string::npos) << inner;
        std::istringstream words(inner);
        std::size_t count = 0;
        for (std::string word; words >> word; ++count) {
            ASSERT_LT(count, real.size()) << inner;
            EXPECT_EQ(word.find('*'), std::string::npos);
            EXPECT_EQ(fnmatch(word.c_str(), real[count].c_str(), FNM_PATHNAME | FNM_PERIOD), 0)
                << word << " does not match " << real[count];
        }
        EXPECT_EQ(count, 3u) << inner;
    }
}
