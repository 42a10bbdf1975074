// Convert LIT as the program carries it, run directly on the test books: every page, picture, link and
// OPF entry it writes is the right one, it writes only new files, and it fails when it cannot write.
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

// Starts the converter as the program does (BOOK DESTINATION/), with glibc's heap checks, under which a
// write past a heap block aborts it. The limits, when given, are shell commands run first (ulimit,
// trap). Its output goes to the descriptor given, or nowhere.
pid_t StartConverter(const std::string& book, const std::string& destination, const std::string& limits = {},
                     int output = -1)
{
    const std::string script = limits + "\nexec \"$0\" \"$@\"";
    const std::string converter = ConverterBinary();
    std::vector<const char*> arguments{
        "/bin/sh", "-c", script.c_str(), converter.c_str(), book.c_str(), destination.c_str(), nullptr};
    std::vector<std::string> variables{"LD_PRELOAD=libc_malloc_debug.so.0",
                                       "GLIBC_TUNABLES=glibc.malloc.check=3"};
    for (char** variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, "LD_PRELOAD=", 11) != 0 &&
            std::strncmp(*variable, "GLIBC_TUNABLES=", 15) != 0) {
            variables.emplace_back(*variable);
        }
    }
    std::vector<char*> environment;
    for (auto& variable : variables) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output < 0) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    }
    pid_t pid = 0;
    const int error = posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char**>(arguments.data()),
                                  environment.data());
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// The converter's exit status, or 128 + the signal that ended it.
int WaitForConverter(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunConverter(const std::string& book, const std::string& destination, const std::string& limits = {})
{
    const pid_t pid = StartConverter(book, destination, limits);
    if (pid < 0) {
        ADD_FAILURE() << "the converter could not be started";
        return -1;
    }
    return WaitForConverter(pid);
}

std::vector<std::smatch> AllMatches(const std::string& text, const std::regex& pattern)
{
    return {std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()};
}

bool IsPage(const std::string& name)
{
    return name.ends_with(".html") || name.ends_with(".xhtml");
}

struct OpfItem
{
    std::string id;
    std::string href;
};

std::vector<OpfItem> OpfItems(const std::string& opf)
{
    std::vector<OpfItem> items;
    for (const auto& item : AllMatches(opf, std::regex(R"re(<item\s+id="([^"]*)"\s+href="([^"]*)")re"))) {
        items.push_back({item[1], item[2]});
    }
    return items;
}

// Where a page points (href and src) that is not a web address: the file part, and the anchor.
struct Link
{
    std::string file;
    std::string anchor;
};

std::vector<Link> LinksOf(const std::string& page)
{
    std::vector<Link> links;
    for (const auto& link : AllMatches(page, std::regex(R"re(\s(?:href|src)="([^"#:]*)(?:#([^"]*))?")re"))) {
        links.push_back({link[1], link[2]});
    }
    return links;
}

std::set<std::string> AnchorsOf(const std::string& page)
{
    std::set<std::string> anchors;
    for (const auto& anchor : AllMatches(page, std::regex(R"re(\s(?:id|name)="([^"]*)")re"))) {
        anchors.insert(anchor[1]);
    }
    return anchors;
}

// What a conversion wrote: the OPF names each page and picture once, and every link lands.
void ExpectWholeOutput(const std::string& folder, const std::string& opfName)
{
    const auto names = FileNames(folder);
    ASSERT_TRUE(names.contains(opfName)) << "no " << opfName;
    const auto items = OpfItems(ReadFile(folder + "/" + opfName));
    std::map<std::string, std::vector<std::string>> idsOfFile;
    for (const auto& [id, href] : items) {
        idsOfFile[href].push_back(id);
        EXPECT_TRUE(names.contains(href)) << "the OPF gives " << id << " the missing file " << href;
    }
    for (const auto& [href, ids] : idsOfFile) {
        EXPECT_EQ(ids.size(), 1u) << "the OPF gives " << ids.size() << " ids the one file " << href;
    }
    for (const auto& name : names) {
        if (IsPage(name)) {
            EXPECT_TRUE(idsOfFile.contains(name)) << "the OPF leaves out the page " << name;
        }
    }

    std::map<std::string, std::set<std::string>> anchors;
    for (const auto& name : names) {
        if (IsPage(name)) {
            anchors[name] = AnchorsOf(ReadFile(folder + "/" + name));
        }
    }
    for (const auto& name : names) {
        if (!IsPage(name)) {
            continue;
        }
        for (const auto& [file, anchor] : LinksOf(ReadFile(folder + "/" + name))) {
            const auto target = file.empty() ? name : file;
            EXPECT_TRUE(names.contains(target)) << name << " points to the missing " << target;
            if (!anchor.empty() && IsPage(target)) {
                EXPECT_TRUE(anchors[target].contains(anchor))
                    << name << " points to " << target << "#" << anchor << ", which has no such anchor";
            }
        }
    }
}

class ConverterTest : public ::testing::Test
{
protected:
    TempDir dir{"zwojnik-converter"};
};

class BookTest : public ConverterTest, public ::testing::WithParamInterface<const char*>
{};

TEST_P(BookTest, EveryPageIsListedOnceAndEveryLinkAndAnchorResolves)
{
    const std::string name = GetParam();
    ASSERT_EQ(RunConverter(TestBook(name + ".lit"), dir / "html/"), 0);
    ExpectWholeOutput(dir / "html", name + ".opf");
}

INSTANTIATE_TEST_SUITE_P(TestBooks, BookTest, ::testing::Values("krotka", "rozdzialy", "ryciny"));

// Fourteen chapters and eleven pictures, each chapter showing one in turn: the first page is the
// table of contents, page N holds chapter N.
TEST_F(ConverterTest, EveryChapterShowsItsOwnPictureAndTheContentsReachEveryChapter)
{
    const auto folder = dir / "html";
    ASSERT_EQ(RunConverter(TestBook("ryciny.lit"), folder + "/"), 0);
    const std::vector<std::string> pictures{"tratwa", "mlyn",  "karczma", "most",  "wir",  "targ",
                                            "burza",  "sznur", "zeszyt",  "sluza", "brzeg"};
    std::set<std::string> shown;
    for (int chapter = 1; chapter <= 14; ++chapter) {
        char pageName[32];
        std::snprintf(pageName, sizeof pageName, "ryciny_split_%03d.html", chapter);
        const auto page = ReadFile(folder + "/" + pageName);
        EXPECT_NE(page.find("Rozdzia&#322; " + std::to_string(chapter) + ". "), std::string::npos)
            << pageName << " does not hold chapter " << chapter;
        const auto images = AllMatches(page, std::regex(R"re(<img src="([^"]*)" alt="([^"]*)")re"));
        ASSERT_EQ(images.size(), 1u) << pageName;
        const std::string src = images[0][1], alt = images[0][2];
        const auto& expected = pictures[(chapter - 1) % pictures.size()];
        EXPECT_EQ(alt, expected) << pageName;
        EXPECT_EQ(ReadFile(folder + "/" + src), ReadFile(TestBook("ryciny/" + expected + ".png")))
            << pageName << " shows " << src << " where " << expected << ".png belongs";
        shown.insert(src);
    }
    EXPECT_EQ(shown.size(), pictures.size());

    const auto contents = ReadFile(folder + "/ryciny_split_000.html");
    for (int chapter = 1; chapter <= 14; ++chapter) {
        char link[64];
        std::snprintf(link, sizeof link, "href=\"ryciny_split_%03d.html#rozdzial-%d\"", chapter, chapter);
        EXPECT_NE(contents.find(link), std::string::npos) << "the contents lack " << link;
    }
}

// The program names folders with a trailing "/"; named without one, the folder gets the same files,
// with no write past the end of the buffer for its name.
TEST_F(ConverterTest, FolderNamedWithoutSlashGetsTheSameFiles)
{
    fs::create_directories(dir / "bez ukośnika");
    ASSERT_EQ(RunConverter(TestBook("ryciny.lit"), dir / "bez ukośnika"), 0);
    ASSERT_EQ(RunConverter(TestBook("ryciny.lit"), dir / "z ukośnikiem/"), 0);
    const auto names = FileNames(dir / "bez ukośnika");
    EXPECT_EQ(names, FileNames(dir / "z ukośnikiem"));
    for (const auto& name : names) {
        EXPECT_EQ(ReadFile(dir / "bez ukośnika/" + name), ReadFile(dir / "z ukośnikiem/" + name)) << name;
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

    ASSERT_EQ(RunConverter(TestBook("krotka.lit"), folder + "/"), 0);
    EXPECT_EQ(ReadFile(folder + "/krotka.opf"), "moje notatki");
    EXPECT_EQ(ReadFile(folder + "/krotka.html"), "moja strona");
    EXPECT_TRUE(fs::is_symlink(folder + "/stylesheet.css"));
    EXPECT_FALSE(fs::exists(dir / "poza teczką.css")) << "written through a link, outside the destination";

    // The new OPF lists the book's files under their new names, not the ones that were there.
    const auto opf = ReadFile(folder + "/krotka-1.opf");
    ASSERT_FALSE(opf.empty()) << "no OPF under a free name";
    for (const auto& [id, href] : OpfItems(opf)) {
        EXPECT_NE(href, "krotka.html") << id;
        EXPECT_NE(href, "stylesheet.css") << id;
        EXPECT_TRUE(fs::is_regular_file(folder + "/" + href)) << href;
    }
    const auto page = ReadFile(folder + "/html.html");
    EXPECT_NE(page.find("Flisak i &#380;&#243;&#322;ta mg&#322;a"), std::string::npos) << "the new page";
}

// A write that fails ends the conversion with 255, as other failures do, instead of 0 with files cut
// short: a file size limit refuses the writes wherever the destination is.
TEST_F(ConverterTest, RefusedWriteFailsWith255)
{
    EXPECT_EQ(RunConverter(TestBook("rozdzialy.lit"), dir / "html/", "trap '' XFSZ; ulimit -f 16"), 255);
    EXPECT_EQ(RunConverter(TestBook("rozdzialy.lit"), dir / "cale/", "trap '' XFSZ"), 0)
        << "without the limit";
}

// The destination removed while the converter writes into it: the files still to come have nowhere to
// go. The converter reports each file it has written, with its whole path, on its output; a long path
// and a small pipe that is not read until the destination is gone stop it halfway through the book.
TEST_F(ConverterTest, DestinationRemovedWhileWritingFailsWith255)
{
    std::string destination = dir / "usunieta";
    for (int level = 0; level < 8; ++level) {
        destination += "/" + std::string(100, 'a' + level);
    }
    fs::create_directories(destination);
    int output[2];
    ASSERT_EQ(pipe2(output, O_CLOEXEC), 0);
    fcntl(output[0], F_SETPIPE_SZ, 4096);
    const pid_t pid = StartConverter(TestBook("rozdzialy.lit"), destination + "/", {}, output[1]);
    close(output[1]);
    ASSERT_GT(pid, 0);
    // The pipe full: the converter waits to write, with pages of the book still to come.
    int waiting = 0;
    for (int tries = 0; tries < 1000 && waiting < 4096; ++tries) {
        usleep(10000);
        ioctl(output[0], FIONREAD, &waiting);
    }
    EXPECT_GE(waiting, 4096) << "the converter's output never filled the pipe";
    fs::remove_all(dir / "usunieta");

    char buffer[4096];
    while (read(output[0], buffer, sizeof buffer) > 0) {
    }
    close(output[0]);
    EXPECT_EQ(WaitForConverter(pid), 255);
}

TEST_F(ConverterTest, FullDiskFailsWith255)
{
    const auto full = dir / "pełny dysk";
    fs::create_directories(full);
    if (mount("zwojnik-test", full.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0755") != 0) {
        GTEST_SKIP() << "no small file system can be mounted here (" << std::strerror(errno)
                     << "); mounting tmpfs needs the superuser or CAP_SYS_ADMIN";
    }
    EXPECT_EQ(RunConverter(TestBook("krotka.lit"), full + "/krotka/"), 0) << "a book that fits";
    EXPECT_EQ(RunConverter(TestBook("rozdzialy.lit"), full + "/"), 255) << "rozdzialy's 420 KB fit in 64 KB";
    umount2(full.c_str(), MNT_DETACH);
}

} // namespace
