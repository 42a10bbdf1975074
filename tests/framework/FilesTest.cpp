#include "framework/Files.h"

#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace framework;

TEST(ShellPath, EscapesEveryByteButLettersDigitsUnderscoreDotSlashAndNonAscii)
{
    EXPECT_EQ(EscapeForShell("/a/My Books/e-books/x_1.lit"), "/a/My\\ Books/e\\-books/x_1.lit");
    EXPECT_EQ(EscapeForShell("/a'b&c`d$e\"f\\g"), "/a\\'b\\&c\\`d\\$e\\\"f\\\\g");
    EXPECT_EQ(EscapeForShell("/t\tn\n"), "/t\\\tn\\\n");
    EXPECT_EQ(EscapeForShell("/Zażółć gęślą"), "/Zażółć\\ gęślą");
    EXPECT_EQ(EscapeForShell("/(x)[y]{z}%,~=*?;"), "/\\(x\\)\\[y\\]\\{z\\}\\%\\,\\~\\=\\*\\?\\;");
}

TEST(ShellPath, OnlyAFolderEndsWithASlash)
{
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir / "My Books");
    EXPECT_EQ(FolderItem::FromPath(dir / "My Books")->ShellPath(), EscapeForShell(dir / "My Books") + "/");
    EXPECT_EQ(FolderItem::FromPath("/")->ShellPath(), "/");
    // A missing item is taken as a file: nothing tells it is a folder.
    EXPECT_EQ(FolderItem::FromPath(dir / "a b.lit")->ShellPath(), EscapeForShell(dir / "a b.lit"));
}

TEST(FolderItem, PathsAreAbsoluteAndParentsEndAtTheRoot)
{
    testsupport::TempDir dir;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const auto relative = FolderItem::FromPath(".//sub/./book.lit");
    // With sub a link, ".." is the parent of the folder it names: the path is not cleaned by its text.
    const auto climbing = FolderItem::FromPath("sub/link/../book.lit/");
    std::filesystem::current_path(before);

    EXPECT_EQ(relative->NativePath(), dir / "sub/book.lit");
    EXPECT_EQ(relative->Parent()->NativePath(), dir / "sub");
    EXPECT_EQ(climbing->NativePath(), dir / "sub/link/../book.lit");
    EXPECT_EQ(FolderItem::FromPath("/usr/")->NativePath(), "/usr");
    EXPECT_EQ(FolderItem::FromPath("/")->Parent(), nullptr);
}
