// Convert LIT as the program carries it, run directly on the test books: every page, picture, link and
// OPF entry it writes is the right one, and it writes only new files, only beneath its destination.
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/landlock.h>
#include <map>
#include <regex>
#include <set>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

bool IsPage(const std::string& name)
{
    return name.ends_with(".html") || name.ends_with(".xhtml");
}

// The first two groups of every match (the second empty where there is none).
std::vector<std::pair<std::string, std::string>> Captures(const std::string& text, const char* pattern)
{
    std::vector<std::pair<std::string, std::string>> found;
    const std::regex expression(pattern);
    for (auto match = std::sregex_iterator(text.begin(), text.end(), expression);
         match != std::sregex_iterator(); ++match) {
        found.emplace_back((*match)[1], match->size() > 2 ? (*match)[2].str() : std::string());
    }
    return found;
}

const std::string kPicture = TestBook("sources/podfoldery/obrazki/most.png");

const char* const kOpfItem = R"re(<item\s+id="([^"]*)"\s+href="([^"]*)")re";
// Where a page points (href and src) that is not a web address: the file part, and the anchor.
const char* const kLink = R"re(\s(?:href|src)="([^"#:]*)(?:#([^"]*))?")re";
const char* const kAnchor = R"re(\s(?:id|name)="([^"]*)")re";

// What a conversion wrote: the OPF names each page and picture once, and every link lands.
void ExpectWholeOutput(const std::string& folder, const std::string& opfName)
{
    const auto names = FileNames(folder);
    ASSERT_TRUE(names.contains(opfName)) << "no " << opfName;
    const auto items = Captures(ReadFile(folder + "/" + opfName), kOpfItem);
    std::map<std::string, std::vector<std::string>> idsOfFile;
    for (const auto& [id, href] : items) {
        idsOfFile[href].push_back(id);
        EXPECT_TRUE(names.contains(href)) << "the OPF gives " << id << " the missing file " << href;
    }
    for (const auto& [href, ids] : idsOfFile) {
        EXPECT_EQ(ids.size(), 1u) << "the OPF gives " << ids.size() << " ids the one file " << href;
    }
    std::map<std::string, std::set<std::string>> anchorsOfPage;
    for (const auto& name : names) {
        if (IsPage(name)) {
            EXPECT_TRUE(idsOfFile.contains(name)) << "the OPF leaves out the page " << name;
            auto& anchors = anchorsOfPage[name];
            for (const auto& [anchor, unused] : Captures(ReadFile(folder + "/" + name), kAnchor)) {
                anchors.insert(anchor);
            }
        }
    }
    for (const auto& [page, unused] : anchorsOfPage) {
        for (const auto& [file, anchor] : Captures(ReadFile(folder + "/" + page), kLink)) {
            const auto target = file.empty() ? page : file;
            EXPECT_TRUE(names.contains(target)) << page << " points to the missing " << target;
            if (!anchor.empty() && IsPage(target)) {
                EXPECT_TRUE(anchorsOfPage.contains(target) && anchorsOfPage.at(target).contains(anchor))
                    << page << " points to " << target << "#" << anchor << ", which has no such anchor";
            }
        }
    }
}

class ConverterTest : public ::testing::Test
{
protected:
    TempDir dir{"zwojnik-converter"};
};

TEST_F(ConverterTest, EveryPageIsListedOnceAndEveryLinkAndAnchorResolves)
{
    for (const std::string name : {"krotka", "rozdzialy", "ryciny"}) {
        ASSERT_EQ(RunConverter(TestBook(name + ".lit"), dir / name + "/").status, 0);
        ExpectWholeOutput(dir / name, name + ".opf");
    }
}

// Fourteen chapters and eleven pictures, each chapter showing one in turn: the first page is the
// table of contents, page N holds chapter N. The program names folders with a trailing "/"; named without
// one, the folder gets the same files, with no write past the end of the buffer for its name.
TEST_F(ConverterTest, EveryChapterShowsItsOwnPictureAndTheContentsReachEveryChapter)
{
    const auto folder = dir / "bez ukośnika";
    fs::create_directories(folder);
    ASSERT_EQ(RunConverter(TestBook("ryciny.lit"), folder).status, 0);
    ASSERT_EQ(RunConverter(TestBook("ryciny.lit"), dir / "z ukośnikiem/").status, 0);
    EXPECT_EQ(FileNames(folder), FileNames(dir / "z ukośnikiem"));
    for (const auto& name : FileNames(folder)) {
        EXPECT_EQ(ReadFile(folder + "/" + name), ReadFile(dir / "z ukośnikiem/" + name)) << name;
    }
    const std::vector<std::string> pictures{"tratwa", "mlyn",  "karczma", "most",  "wir",  "targ",
                                            "burza",  "sznur", "zeszyt",  "sluza", "brzeg"};
    const auto contents = ReadFile(folder + "/ryciny_split_000.html");
    for (int chapter = 1; chapter <= 14; ++chapter) {
        char pageName[32];
        std::snprintf(pageName, sizeof pageName, "ryciny_split_%03d.html", chapter);
        const auto page = ReadFile(folder + "/" + pageName);
        EXPECT_NE(page.find("Rozdzia&#322; " + std::to_string(chapter) + ". "), std::string::npos)
            << pageName << " does not hold chapter " << chapter;
        const auto images = Captures(page, R"re(<img src="([^"]*)" alt="([^"]*)")re");
        ASSERT_EQ(images.size(), 1u) << pageName;
        const auto& [src, alt] = images[0];
        const auto& expected = pictures[(chapter - 1) % pictures.size()];
        EXPECT_EQ(alt, expected) << pageName;
        EXPECT_EQ(ReadFile(folder + "/" + src), ReadFile(TestBook("ryciny/" + expected + ".png")))
            << pageName << " shows " << src << " where " << expected << ".png belongs";
        char link[64];
        std::snprintf(link, sizeof link, "href=\"ryciny_split_%03d.html#rozdzial-%d\"", chapter, chapter);
        EXPECT_NE(contents.find(link), std::string::npos) << "the contents lack " << link;
    }
}

// The fuzzer's regression books (fuzz/corpus/converter/): the test book krotka.lit with its page placed
// before its section, by an offset that wraps past 2^64 with the size, or with a license whose key
// decodes to nothing or to more than the converter holds. With a reader's key file beside them, as the
// fuzzer keeps, the converter refuses each with its reason, where it read or wrote outside its buffers
// or crashed, or opened the book with the key it had overwritten; the page gets nothing.
TEST_F(ConverterTest, ABookWithAnEntryOutsideItsSectionOrAKeyThatDoesNotFitIsRefused)
{
    const struct
    {
        const char* name;
        const char* reason;
    } cases[]{{"directory-entry-offset-wrap", "Invalid Directory Entry (\"/data/html/content\""},
              {"directory-entry-offset-far", "Invalid Directory Entry (\"/data/html/content\""},
              {"license-empty-key", "The End-User-License's key is empty or does not fit in 256 bytes."},
              {"license-long-key", "The End-User-License's key is empty or does not fit in 256 bytes."}};
    std::ofstream(dir / "keys.txt") << "2753\n3233\n";
    for (const auto& [name, reason] : cases) {
        const auto book = dir / name + ".lit";
        fs::copy_file(TestBook(std::string("../../fuzz/corpus/converter/regression-") + name), book);
        const auto run = RunConverter(book, dir / name + "/");
        EXPECT_EQ(run.status, 255) << name << ": " << run.standardError;
        EXPECT_NE(run.standardError.find(reason), std::string::npos) << name << ": " << run.standardError;
        EXPECT_EQ(ReadFile(dir / name + "/krotka.html"), "") << name;
    }
}

// A file already in the destination is kept: the book's own files take other names, and a link there
// is not followed out of the folder.
TEST_F(ConverterTest, FilesAlreadyInTheDestinationAreKept)
{
    const auto folder = dir / "html";
    fs::create_directories(folder);
    std::ofstream(folder + "/krotka.opf") << "moje notatki";
    std::ofstream(folder + "/krotka.html") << "moja strona";
    fs::create_symlink(dir / "poza teczką.css", folder + "/stylesheet.css");

    ASSERT_EQ(RunConverter(TestBook("krotka.lit"), folder + "/").status, 0);
    EXPECT_EQ(ReadFile(folder + "/krotka.opf"), "moje notatki");
    EXPECT_EQ(ReadFile(folder + "/krotka.html"), "moja strona");
    EXPECT_TRUE(fs::is_symlink(folder + "/stylesheet.css"));
    EXPECT_FALSE(fs::exists(dir / "poza teczką.css")) << "written through a link, outside the destination";

    // The new OPF lists the book's files under their new names, not the ones that were there.
    const auto opf = ReadFile(folder + "/krotka-1.opf");
    ASSERT_FALSE(opf.empty()) << "no OPF under a free name";
    for (const auto& [id, href] : Captures(opf, kOpfItem)) {
        EXPECT_NE(href, "krotka.html") << id;
        EXPECT_NE(href, "stylesheet.css") << id;
        EXPECT_TRUE(fs::is_regular_file(folder + "/" + href)) << href;
    }
    const auto page = ReadFile(folder + "/html.html");
    EXPECT_NE(page.find("Flisak i &#380;&#243;&#322;ta mg&#322;a"), std::string::npos) << "the new page";
}

// The converter makes its destination before it reads the book, and Landlock confines it there: it
// creates files only beneath the destination, even where a folder in it leads somewhere else.
TEST_F(ConverterTest, TheDestinationIsMadeAndNothingIsCreatedOutsideIt)
{
    const auto made = dir / "nowy";
    EXPECT_EQ(RunConverter(TestBook("podfoldery.lit"), made + "/").status, 0);
    EXPECT_EQ(FileNames(made), (std::set<std::string>{"manglecase.css", "obrazki", "page_styles.css",
                                                      "podfoldery.opf", "stylesheet.css", "tekst"}));
    EXPECT_EQ(ReadFile(made + "/obrazki/most.png"), ReadFile(kPicture));
    EXPECT_NE(ReadFile(made + "/tekst/rozdzial.html").find("src=\"../obrazki/most.png\""), std::string::npos);

    if (syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION) < 0) {
        GTEST_SKIP() << "this kernel offers no Landlock (" << std::strerror(errno)
                     << "): the converter runs unconfined here";
    }
    // Here the converter finds the book's picture folder already there, a link to another place.
    const auto outside = dir / "elsewhere";
    const auto destination = dir / "wynik";
    fs::create_directories(outside);
    fs::create_directories(destination);
    fs::create_directory_symlink(outside, destination + "/obrazki");

    EXPECT_EQ(RunConverter(TestBook("podfoldery.lit"), destination + "/").status, 0);

    EXPECT_TRUE(FileNames(outside).empty()) << "the converter created a file outside its destination";
    // Refused there, the picture takes a name of its own in the destination, and the page shows it.
    EXPECT_EQ(ReadFile(destination + "/most.png"), ReadFile(kPicture));
    EXPECT_NE(ReadFile(destination + "/tekst/rozdzial.html").find("src=\"../most.png\""), std::string::npos);
}

} // namespace
