#include "framework/Files.h"

#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace framework;

TEST(ShellPath, EscapesEveryByteButLettersDigitsUnderscoreDotSlashAndNonAscii)
{
    EXPECT_EQ(EscapeForShell("/a/My Books/book one.lit"), "/a/My\\ Books/book\\ one.lit");
    EXPECT_EQ(EscapeForShell("/e-books/x_1.lit"), "/e\\-books/x_1.lit");
    EXPECT_EQ(EscapeForShell("/a'b&c`d$e\"f\\g"), "/a\\'b\\&c\\`d\\$e\\\"f\\\\g");
    EXPECT_EQ(EscapeForShell("/t\tn\n"), "/t\\\tn\\\n");
    EXPECT_EQ(EscapeForShell("/Zażółć gęślą jaźń"), "/Zażółć\\ gęślą\\ jaźń");
    EXPECT_EQ(EscapeForShell("/(x)[y]{z}%,~=*?;"), "/\\(x\\)\\[y\\]\\{z\\}\\%\\,\\~\\=\\*\\?\\;");
}

TEST(ShellPath, FolderEndsWithSlashFileDoesNot)
{
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir / "My Books");
    std::ofstream(dir / "My Books/a b.lit") << "x";

    const auto folder = FolderItem::FromPath(dir / "My Books");
    EXPECT_EQ(folder->ShellPath(), EscapeForShell(dir / "My Books") + "/");
    EXPECT_EQ(FolderItem::FromPath(dir / "My Books/a b.lit")->ShellPath(),
              EscapeForShell(dir / "My Books/a b.lit"));
    EXPECT_EQ(FolderItem::FromPath("/")->ShellPath(), "/");
    // A missing item is taken as a file: nothing tells it is a folder.
    EXPECT_EQ(FolderItem::FromPath(dir / "gone")->ShellPath(), EscapeForShell(dir / "gone"));
}

TEST(FolderItem, PathsAreAbsoluteAndParentsEndAtTheRoot)
{
    testsupport::TempDir dir;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const auto relative = FolderItem::FromPath("sub/../book.lit");
    std::filesystem::current_path(before);

    EXPECT_EQ(relative->NativePath(), dir / "book.lit");
    EXPECT_EQ(relative->Parent()->NativePath(), dir.path());
    EXPECT_EQ(FolderItem::FromPath("/usr/")->NativePath(), "/usr");
    EXPECT_EQ(FolderItem::FromPath("/usr")->Parent()->NativePath(), "/");
    EXPECT_EQ(FolderItem::FromPath("/")->Parent(), nullptr);
}
