// Convert LIT as the program carries it, run directly on the test books: every page, picture, link and
// OPF entry it writes is the right one, and it writes only new files, only beneath its destination, and
// reaches nothing else, even taken over by a crafted book.
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <arpa/inet.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
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

// Where the converter runs: on this kernel; on one without Landlock (older, or with it turned off), where
// only the converter's own care keeps its files in their place; and on one before openat2 as well.
struct Kernel
{
    const char* name;
    std::vector<std::string> launcher;
};

const std::string kWithoutSystemCalls = ZWOJNIK_WITHOUT_SYSTEM_CALLS;
const std::string kNoLandlock = "landlock_create_ruleset,landlock_add_rule,landlock_restrict_self";
const std::vector<Kernel> kKernels{
    {"this kernel", {}},
    {"no Landlock", {kWithoutSystemCalls, kNoLandlock, "--"}},
    {"no Landlock, no openat2", {kWithoutSystemCalls, kNoLandlock + ",openat2", "--"}},
};

// Every file beneath the folder, by its path there; links are not followed.
std::set<std::string> FilesBeneath(const std::string& folder)
{
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_directory() || entry.is_symlink()) {
            files.insert(entry.path().lexically_relative(folder).string());
        }
    }
    return files;
}

// The converter makes its destination before it reads the book, and every file of the book beneath it:
// names in the book that climb out ("b//../../X1.css", "//../../X2.css", "..//..//X3.css" in
// ucieczka.lit) lose their empty and dot parts, and a folder in the destination that is a link to another
// place is not followed. This holds with Landlock or without, with openat2 or without.
TEST_F(ConverterTest, TheDestinationIsMadeAndNothingIsCreatedOutsideIt)
{
    const auto made = dir / "nowy";
    EXPECT_EQ(RunConverter(TestBook("podfoldery.lit"), made + "/").status, 0);
    EXPECT_EQ(FileNames(made), (std::set<std::string>{"manglecase.css", "obrazki", "page_styles.css",
                                                      "podfoldery.opf", "stylesheet.css", "tekst"}));
    EXPECT_EQ(ReadFile(made + "/obrazki/most.png"), ReadFile(kPicture));
    EXPECT_NE(ReadFile(made + "/tekst/rozdzial.html").find("src=\"../obrazki/most.png\""), std::string::npos);

    for (const auto& [kernel, launcher] : kKernels) {
        SCOPED_TRACE(kernel);
        // Two folders above each destination: where the names of ucieczka.lit lead.
        const auto above = dir / kernel;
        const auto climbed = above + "/teczka/ucieczka";
        fs::create_directories(climbed);
        auto run = RunConverter(TestBook("ucieczka.lit"), climbed + "/", {}, false, launcher);
        EXPECT_EQ(run.status, 0) << run.standardError;
        const auto page = ReadFile(climbed + "/krotka.html");
        for (const auto* sheet : {"b/X1.css", "X2.css", "X3.css"}) {
            EXPECT_NE(page.find("href=\"" + std::string(sheet) + "\""), std::string::npos) << sheet;
        }

        // Here the converter finds the book's picture folder already there, a link to another place.
        const auto elsewhere = above + "/elsewhere";
        const auto linked = above + "/teczka/z linkiem";
        fs::create_directories(elsewhere);
        fs::create_directories(linked);
        fs::create_directory_symlink(elsewhere, linked + "/obrazki");
        run = RunConverter(TestBook("podfoldery.lit"), linked + "/", {}, false, launcher);
        EXPECT_EQ(run.status, 0) << run.standardError;
        EXPECT_NE(run.standardError.find("obrazki/most.png\" leads out of the destination"),
                  std::string::npos)
            << run.standardError;
        // Refused there, the picture takes a name of its own in the destination, and the page shows it.
        EXPECT_EQ(ReadFile(linked + "/most.png"), ReadFile(kPicture));
        EXPECT_NE(ReadFile(linked + "/tekst/rozdzial.html").find("src=\"../most.png\""), std::string::npos);

        EXPECT_EQ(
            FilesBeneath(above),
            (std::set<std::string>{"teczka/ucieczka/b/X1.css", "teczka/ucieczka/X2.css",
                                   "teczka/ucieczka/X3.css", "teczka/ucieczka/krotka.html",
                                   "teczka/ucieczka/ucieczka.opf", "teczka/z linkiem/obrazki",
                                   "teczka/z linkiem/most.png", "teczka/z linkiem/tekst/rozdzial.html",
                                   "teczka/z linkiem/manglecase.css", "teczka/z linkiem/page_styles.css",
                                   "teczka/z linkiem/stylesheet.css", "teczka/z linkiem/podfoldery.opf"}))
            << "the converter created a file outside its destination";
    }
}

// A socket of the test's own, that nothing waits on.
struct Socket
{
    Socket(int domain, int type) : fd(socket(domain, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}
    ~Socket() { close(fd); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    const int fd;
};

// Landlock lets a process reach a Unix socket by its path (an X server's, a session bus's) and send UDP;
// the converter's seccomp filter refuses every socket call, and the other calls it never makes. A library
// loaded into the converter stands for a crafted book that has taken it over: all it tries once the
// converter reads the book is refused, nothing reaches the sockets here, and the book still converts.
TEST_F(ConverterTest, ATakenOverConverterReachesNoSocketAndRunsNoProgram)
{
    if (kConverterSanitized) {
        GTEST_SKIP() << "a converter built with sanitizers runs unconfined";
    }
    const Socket server(AF_UNIX, SOCK_STREAM);
    sockaddr_un serverAddress{};
    serverAddress.sun_family = AF_UNIX;
    const auto serverPath = dir / "serwer";
    ASSERT_LT(serverPath.size(), sizeof serverAddress.sun_path);
    serverPath.copy(serverAddress.sun_path, serverPath.size());
    ASSERT_EQ(bind(server.fd, reinterpret_cast<sockaddr*>(&serverAddress), sizeof serverAddress), 0);
    ASSERT_EQ(listen(server.fd, 4), 0);
    const Socket receiver(AF_INET, SOCK_DGRAM);
    sockaddr_in receiverAddress{};
    receiverAddress.sin_family = AF_INET;
    receiverAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof receiverAddress;
    ASSERT_EQ(bind(receiver.fd, reinterpret_cast<sockaddr*>(&receiverAddress), length), 0);
    ASSERT_EQ(getsockname(receiver.fd, reinterpret_cast<sockaddr*>(&receiverAddress), &length), 0);
    const ScopedVariable socketPath("ZWOJNIK_PROBE_SOCKET", serverPath);
    const ScopedVariable port("ZWOJNIK_PROBE_PORT", std::to_string(ntohs(receiverAddress.sin_port)));

    const auto [status, standardError] = RunConverter(TestBook("krotka.lit"), dir / "html/", {}, false,
                                                      {"env", "LD_PRELOAD=" ZWOJNIK_CONVERTER_PROBE});

    EXPECT_EQ(status, 0) << standardError;
    EXPECT_NE(ReadFile(dir / "html/krotka.html").find("Flisak i &#380;&#243;&#322;ta mg&#322;a"),
              std::string::npos);
    for (const std::string attempt :
         {"connect", "sendto", "socketpair", "io_uring_setup", "process_vm_readv", "ptrace", "execve"}) {
        EXPECT_NE(standardError.find("probe " + attempt + ": Operation not permitted"), std::string::npos)
            << standardError;
    }
    EXPECT_LT(accept(server.fd, nullptr, nullptr), 0) << "the converter connected to the server";
    char datagram;
    EXPECT_LT(recv(receiver.fd, &datagram, 1, 0), 0) << "the converter sent a datagram";
}

// Every test book, and every input with which the converter's fuzzer once found a fault, ends the
// converter with 0, or with 255 and its reason: never a crash, nor another status that a program would
// take for one, nor, with the converter built with sanitizers (test-sanitized.sh), their report.
TEST_F(ConverterTest, EveryBookAndFormerFindingEndsInSuccessOrWithAReason)
{
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(ZWOJNIK_CONVERTER_CORPUS)) {
        inputs.push_back(entry.path());
    }
    for (const auto& entry : fs::directory_iterator(TestBook(""))) {
        if (entry.path().extension() == ".lit") {
            inputs.push_back(entry.path());
        }
    }
    for (const auto& input : inputs) {
        const auto [status, standardError] = RunConverter(input, dir / input.filename().string() + "/");
        EXPECT_TRUE(status == 0 || (status == 255 && !standardError.empty()))
            << input.filename() << " ended with " << status << ":\n"
            << standardError;
    }
}

} // namespace
