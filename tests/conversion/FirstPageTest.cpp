// The book's first page, from package files written by hand for what a converter may write; OutcomeTest
// opens it after real conversions.
#include "conversion/FirstPage.h"

#include "support/TempDir.h"

#include <QUrl>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

using namespace testsupport;

TEST(FirstPageTest, ThePackageOfThisRunIsTheNewOneOrTheBooksOwn)
{
    using conversion::WrittenPackage;
    EXPECT_EQ(WrittenPackage({}, {"a.opf"}, "a.lit"), "a.opf");
    EXPECT_EQ(WrittenPackage({"a.opf", "b.opf"}, {"a.opf", "a-1.opf", "b.opf"}, "a.lit"), "a-1.opf");
    EXPECT_EQ(WrittenPackage({"Książka.opf"}, {"Książka.opf"}, "/x/Książka.LIT"), "Książka.opf")
        << "a converter that replaces the package";
    EXPECT_EQ(WrittenPackage({"inna.opf"}, {"inna.opf"}, "a.lit"), std::nullopt);
    EXPECT_EQ(WrittenPackage({}, {"a.opf", "a-1.opf"}, "a.lit"), std::nullopt) << "two new: which one?";
}

TEST(FirstPageTest, ThePackagesSpineLeadsToAWebPageInItsFolderAndNowhereElse)
{
    TempDir dir;
    fs::create_directories(dir / "teksty");
    for (const auto* name : {"pierwsza strona.html", "druga.html", "Rozdział 📖.html", "teksty/a&b.xhtml",
                             "skrot.desktop", "100%.html"}) {
        std::ofstream(dir / name) << "<html/>";
    }
    std::ofstream(dir.path() + "/../poza-" + fs::path(dir.path()).filename().string() + ".html") << "<html/>";
    const auto manifest = [](const std::string& href) {
        return "<manifest><item id=\"b\" href=\"druga.html\"/><item id='a' media-type='x' href='" + href +
               "'/></manifest>";
    };
    const struct
    {
        std::string package;
        std::optional<std::string> page;
    } cases[]{
        {"<package>" + manifest("pierwsza strona.html") +
             "<spine><itemref idref=\"a\"/><itemref idref=\"b\"/></spine>",
         dir / "pierwsza strona.html"},
        {"<spine toc=\"x\">\n <itemref\n idref = 'b' /></spine>" + manifest("x"), dir / "druga.html"},
        {"<opf:package>" + manifest("teksty/a&amp;b.xhtml") +
             "<opf:spine><opf:itemref idref='a'/></opf:spine>",
         dir / "teksty/a&b.xhtml"},
        {manifest("pierwsza%20strona.html") + "<spine><itemref idref='a'/></spine>",
         dir / "pierwsza strona.html"},
        {manifest("100%.html") + "<spine><itemref idref='a'/></spine>", dir / "100%.html"},
        {manifest("skrot.desktop") + "<spine><itemref idref='a'/></spine>", std::nullopt},
        {manifest("../poza-" + fs::path(dir.path()).filename().string() + ".html") +
             "<spine><itemref idref='a'/></spine>",
         std::nullopt},
        {manifest(dir / "druga.html") + "<spine><itemref idref='a'/></spine>", std::nullopt},
        {manifest("nie-ma.html") + "<spine><itemref idref='a'/></spine>", std::nullopt},
        {"<itemref idref='a'/>" + manifest("druga.html") + "<spine/>", std::nullopt},
        {manifest("druga.html") + "<spine><itemref idref='c'/></spine>", std::nullopt},
        {"<spine><itemref idref='a", std::nullopt},
        {manifest("Rozdzia&#322; &#x1F4D6;.html") + "<spine><itemref idref='a'/></spine>",
         dir / "Rozdział 📖.html"},
        {manifest("druga&#xD800;.html") + "<spine><itemref idref='a'/></spine>", std::nullopt},
        {manifest("druga&#99999999999;.html") + "<spine><itemref idref='a'/></spine>", std::nullopt},
        {manifest("druga&#x2E;html&#;&;") + "<spine><itemref idref='a'/></spine>", std::nullopt},
    };
    for (const auto& [package, page] : cases) {
        std::ofstream(dir / "k.opf") << "<?xml version=\"1.0\"?>\n<!-- <spine> -->\n" << package;
        EXPECT_EQ(conversion::FirstPage(dir / "k.opf"), page) << package;
    }
    fs::remove(dir.path() + "/../poza-" + fs::path(dir.path()).filename().string() + ".html");
    EXPECT_EQ(conversion::FirstPage(dir / "nie ma.opf"), std::nullopt);
}

TEST(FirstPageTest, AFileUrlNamesThePathExactly)
{
    for (const std::string path :
         {"/tmp/a b/Książka #1?.html", "/x/100% & więcej;[a]=b.html", "/tmp/\x01\xff.html"}) {
        const auto url = conversion::FileUrl(path);
        const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
        EXPECT_TRUE(parsed.isValid()) << url;
        EXPECT_EQ(parsed.scheme(), QStringLiteral("file"));
        EXPECT_EQ(QByteArray::fromPercentEncoding(parsed.path(QUrl::FullyEncoded).toLatin1()).toStdString(),
                  path)
            << url;
    }
}
