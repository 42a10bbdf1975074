// The EPUB engine on the real converter's output of the test books: what epubcheck says of each EPUB,
// the pages, pictures, links and anchors against the HTML conversion, the metadata, cover and contents,
// the same bytes each time, names that never replace a file, and references that stay inside the book.
#include "epub/Epub.h"

#include "EpubReader.h"
#include "epub/Archive.h"
#include "epub/Metadata.h"
#include "epub/Parallel.h"
#include "epub/Xml.h"
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sys/wait.h>
#include <vector>
#include <zip.h>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

const char* const kEpubcheckJar = "/usr/share/java/epubcheck.jar";
// The .lit's time, which the EPUB carries as dcterms:modified.
const auto kBookTime = std::chrono::system_clock::from_time_t(1078058096); // 2004-02-29T12:34:56Z

std::string chars(const xmlChar* text)
{
    return text ? reinterpret_cast<const char*>(text) : "";
}

std::string attribute(const xmlNode* element, const char* name)
{
    xmlChar* value = xmlGetProp(element, reinterpret_cast<const xmlChar*>(name));
    std::string text = chars(value);
    xmlFree(value);
    return text;
}

std::string text(const xmlNode* node)
{
    xmlChar* content = xmlNodeGetContent(node);
    std::string all = chars(content);
    xmlFree(content);
    std::string collapsed;
    for (const char c : all) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!collapsed.empty() && collapsed.back() != ' ') {
                collapsed += ' ';
            }
        } else {
            collapsed += c;
        }
    }
    while (!collapsed.empty() && collapsed.back() == ' ') {
        collapsed.pop_back();
    }
    return collapsed;
}

std::string name(const xmlNode* node)
{
    return chars(node->name);
}

template <typename Visit> void eachElement(const xmlNode* node, const Visit& visit)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            visit(node);
            eachElement(node->children, visit);
        }
    }
}

const xmlNode* findElement(const xmlNode* node, const std::string& wanted)
{
    const xmlNode* found = nullptr;
    eachElement(node, [&](const xmlNode* element) {
        if (!found && name(element) == wanted) {
            found = element;
        }
    });
    return found;
}

Document parseXml(const std::string& bytes)
{
    return Document(
        xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET),
        xmlFreeDoc);
}

Document parseHtml(const std::string& bytes)
{
    return Document(htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, "UTF-8",
                                   HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING),
                    xmlFreeDoc);
}

// A path inside a book, from a folder in it and a reference.
std::string joined(const std::string& folder, const std::string& reference)
{
    return fs::path(folder.empty() ? reference : folder + "/" + reference)
        .lexically_normal()
        .generic_string();
}

std::string folderOf(const std::string& path)
{
    return fs::path(path).parent_path().generic_string();
}

// A book's files read through one view: the converter's folder or the EPUB's entries.
struct BookView
{
    std::function<std::string(const std::string&)> read;
    std::vector<std::string> spine; // page paths in reading order
    std::vector<bool> linear;
    bool xhtml = false;
};

// The package's spine, as page paths.
void readSpine(BookView& view, const std::string& opfPath)
{
    const auto opf = parseXml(view.read(opfPath));
    ASSERT_TRUE(opf) << opfPath;
    std::map<std::string, std::string> hrefs;
    eachElement(xmlDocGetRootElement(opf.get()), [&](const xmlNode* element) {
        if (name(element) == "item") {
            hrefs[attribute(element, "id")] = joined(folderOf(opfPath), attribute(element, "href"));
        } else if (name(element) == "itemref") {
            view.spine.push_back(hrefs.at(attribute(element, "idref")));
            view.linear.push_back(attribute(element, "linear") != "no");
        }
    });
}

// What a page holds that a reader sees or follows: its text, its pictures (their bytes), its links
// (the page of the spine and the anchor they lead to, or the address), its anchors.
struct PageFacts
{
    std::string text;
    std::vector<std::string> pictures;
    std::vector<std::string> links;
    std::vector<std::string> anchors;
};

PageFacts factsOf(const BookView& view, std::size_t index)
{
    const std::string& path = view.spine[index];
    const std::string bytes = view.read(path);
    const auto document = view.xhtml ? parseXml(bytes) : parseHtml(bytes);
    EXPECT_TRUE(document) << path << (view.xhtml ? " is not well-formed XML" : "");
    PageFacts facts;
    if (!document) {
        return facts;
    }
    const xmlNode* body = findElement(xmlDocGetRootElement(document.get()), "body");
    facts.text = text(body);
    eachElement(body, [&](const xmlNode* element) {
        if (const std::string id = attribute(element, "id"); !id.empty()) {
            facts.anchors.push_back(id);
        }
        if (name(element) == "img") {
            facts.pictures.push_back(view.read(joined(folderOf(path), attribute(element, "src"))));
        } else if (name(element) == "a" && xmlHasProp(element, reinterpret_cast<const xmlChar*>("href"))) {
            const std::string href = attribute(element, "href");
            if (href.find("://") != std::string::npos) {
                facts.links.push_back(href);
                return;
            }
            const auto hash = href.find('#');
            const std::string file = href.substr(0, hash);
            const std::string target = file.empty() ? path : joined(folderOf(path), file);
            const auto page = std::find(view.spine.begin(), view.spine.end(), target) - view.spine.begin();
            facts.links.push_back("page " + std::to_string(page) +
                                  (hash == std::string::npos ? "" : href.substr(hash)));
        }
    });
    return facts;
}

// The contents of a navigation document: "title[child, child]" for each entry, in order.
std::string navOf(const xmlNode* list)
{
    std::string out;
    for (const xmlNode* item = list ? list->children : nullptr; item; item = item->next) {
        if (item->type != XML_ELEMENT_NODE) {
            continue;
        }
        const xmlNode* link = findElement(item->children, "a");
        out += (out.empty() ? "" : ", ") + text(link);
        for (const xmlNode* child = item->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE && name(child) == "ol") {
                out += "[" + navOf(child) + "]";
            }
        }
    }
    return out;
}

struct Epubcheck
{
    int status = -1;
    std::string output;
};

Epubcheck RunEpubcheck(const std::string& epub)
{
    // The jar Debian's epubcheck installs, run by Java: the system may not run a jar by itself. A quick
    // compiler and a small collector start it in a third of the time.
    const std::string command = "java -XX:TieredStopAtLevel=1 -XX:+UseSerialGC -jar " +
                                std::string(kEpubcheckJar) + " '" + epub + "' 2>&1";
    Epubcheck result;
    FILE* pipe = popen(command.c_str(), "r");
    char block[4096];
    for (std::size_t got; pipe && (got = fread(block, 1, sizeof block, pipe)) > 0;) {
        result.output.append(block, got);
    }
    const int status = pipe ? pclose(pipe) : -1;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

void ExpectEpubcheckClean(const std::string& epub)
{
    const auto check = RunEpubcheck(epub);
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("0 fatals / 0 errors / 0 warnings"), std::string::npos) << check.output;
    for (const char* severity : {"FATAL(", "ERROR(", "WARNING("}) {
        EXPECT_EQ(check.output.find(severity), std::string::npos) << check.output;
    }
}

class EpubTest : public ::testing::Test
{
protected:
    // The book converted by the real converter into a folder of its own; the path of its OPF.
    std::string Converted(const std::string& litFile, const std::string& bookName,
                          const std::string& run = "")
    {
        const auto folder = dir / ("html-" + bookName + run);
        EXPECT_EQ(RunConverter(litFile, folder + "/").status, 0) << litFile;
        return folder + "/" + bookName + ".opf";
    }

    // A copy of a test book with the book time, so that the EPUB's dcterms:modified is known.
    std::string Book(const std::string& bookName)
    {
        const auto copy = dir / (bookName + ".lit");
        fs::copy_file(TestBook(bookName + ".lit"), copy, fs::copy_options::overwrite_existing);
        fs::last_write_time(copy, fs::file_time_type::clock::from_sys(kBookTime));
        return copy;
    }

    epub::EpubResult Pack(const std::string& litFile, const std::string& opf, const std::string& destination,
                          const std::string& bookName)
    {
        const auto source = epub::EpubSourceOf(litFile);
        EXPECT_TRUE(source) << litFile;
        fs::create_directories(destination);
        return epub::PackEpub(fs::path(opf).parent_path(), opf, source.value_or(epub::EpubSource{}),
                              destination, bookName);
    }

    TempDir dir{"zwojnik-epub"};
};

struct Expected
{
    std::string book;
    std::string title;
    std::string creator;
    std::string fileAs;
    std::string contents; // the navigation document's entries, nested
    bool cover = false;   // the book names a cover picture
};

// Every test book: epubcheck finds nothing to say, every page keeps its text, pictures, links and
// anchors in the order of the HTML conversion, and the metadata, cover and contents are the book's.
TEST_F(EpubTest, SlowEveryBookIsAValidEpubWithThePagesOfItsHtmlConversion)
{
    const std::string chapters14 =
        "Rozdział 1. Wyruszamy spod Starego Młyna, Rozdział 2. Mielizna pod Wierzbnem";
    const Expected books[]{
        {"krotka", "Krótka opowieść", "Zespół Zwojnika", "Zwojnika, Zespół", "Flisak i żółta mgła", false},
        {"rozdzialy", "Dziennik flisaka", "Zespół Zwojnika", "Zwojnika, Zespół", "", false},
        {"ryciny", "Ryciny flisackie", "Zespół Zwojnika", "Zwojnika, Zespół", chapters14, false},
        {"podfoldery", "Flisacka teczka", "Zespół Zwojnika", "Zwojnika, Zespół", "", false},
        {"przypisy", "Zażółć gęślą jaźń", "Józef Ćwikliński", "Ćwikliński, Józef",
         "Część pierwsza. W górę rzeki[Rozdział 1. Śluza, Rozdział 2. Łąki], "
         "Część druga. W dół rzeki[Rozdział 3. Żuraw], Przypisy",
         true},
        {"postoje", "Postoje", "Zespół Zwojnika", "Zwojnika, Zespół",
         "Pierwszy postój, Postoje, Trzeci postój", false},
    };
    for (const auto& expected : books) {
        SCOPED_TRACE(expected.book);
        const auto lit = Book(expected.book);
        const auto opf = Converted(lit, expected.book);
        const auto result = Pack(lit, opf, dir / "epub", expected.book);
        ASSERT_TRUE(result.ok()) << static_cast<int>(result.failure) << " " << result.detail;
        EXPECT_EQ(result.written, fs::path(dir / "epub") / (expected.book + ".epub"));
        ExpectEpubcheckClean(result.written);

        // The container: mimetype first, stored, with nothing more; the rest compressed.
        const auto entries = ZipEntries(result.written);
        ASSERT_GE(entries.size(), 5u);
        EXPECT_EQ(entries[0].name, "mimetype");
        EXPECT_EQ(entries[0].bytes, "application/epub+zip");
        EXPECT_TRUE(entries[0].stored);
        EXPECT_FALSE(entries[0].hasExtraField);
        for (std::size_t i = 1; i < entries.size(); ++i) {
            EXPECT_FALSE(entries[i].stored) << entries[i].name;
        }

        const auto files = EpubFiles(result.written);
        const auto read = [&](const std::string& path) {
            const auto found = files.find(path);
            return found == files.end() ? std::string() : found->second;
        };
        const auto container = parseXml(read("META-INF/container.xml"));
        ASSERT_TRUE(container);
        const std::string packagePath =
            attribute(findElement(xmlDocGetRootElement(container.get()), "rootfile"), "full-path");
        BookView epub{read, {}, {}, true};
        readSpine(epub, packagePath);
        BookView html{[&](const std::string& path) { return ReadFile(fs::path(opf).parent_path() / path); },
                      {},
                      {},
                      false};
        readSpine(html, fs::path(opf).filename());

        // The pages of the spine, in its order, and nothing but pages the spine leaves out after them.
        ASSERT_GE(epub.spine.size(), html.spine.size());
        for (std::size_t page = 0; page < epub.spine.size(); ++page) {
            EXPECT_EQ(epub.linear[page], page < html.spine.size()) << epub.spine[page];
            if (page >= html.spine.size()) {
                continue;
            }
            SCOPED_TRACE(html.spine[page]);
            const auto before = factsOf(html, page);
            const auto after = factsOf(epub, page);
            EXPECT_FALSE(before.text.empty());
            EXPECT_EQ(after.text, before.text);
            EXPECT_EQ(after.pictures, before.pictures);
            EXPECT_EQ(after.links, before.links);
            EXPECT_EQ(after.anchors, before.anchors);
        }

        // The metadata.
        const auto package = parseXml(read(packagePath));
        ASSERT_TRUE(package);
        std::map<std::string, std::string> metadata;
        std::string coverHref;
        eachElement(xmlDocGetRootElement(package.get()), [&](const xmlNode* element) {
            const std::string property = attribute(element, "property");
            metadata[property.empty() ? name(element) : property] = text(element);
            if (attribute(element, "properties") == "cover-image") {
                coverHref = joined(folderOf(packagePath), attribute(element, "href"));
            }
        });
        EXPECT_EQ(metadata["title"], expected.title);
        EXPECT_EQ(metadata["creator"], expected.creator);
        EXPECT_EQ(metadata["file-as"], expected.fileAs);
        EXPECT_EQ(metadata["language"], "pl");
        EXPECT_EQ(metadata["dcterms:modified"], "2004-02-29T12:34:56Z");
        const auto uuid = ReadFile(opf).substr(ReadFile(opf).find("scheme=\"uuid\">") + 14, 36);
        EXPECT_EQ(metadata["identifier"], "urn:uuid:" + uuid);
        if (!expected.cover) {
            EXPECT_EQ(coverHref, "");
        } else {
            EXPECT_EQ(read(coverHref), ReadFile(fs::path(opf).parent_path() / "cover.png"));
            EXPECT_FALSE(read(coverHref).empty());
        }

        // The contents, in the navigation document and the NCX alike.
        const auto nav = parseXml(read(joined(folderOf(packagePath), "nav.xhtml")));
        ASSERT_TRUE(nav);
        const std::string contents =
            navOf(findElement(findElement(xmlDocGetRootElement(nav.get()), "nav"), "ol"));
        if (!expected.contents.empty()) {
            EXPECT_EQ(contents.substr(0, expected.contents.size()), expected.contents);
        }
        const auto ncx = read(joined(folderOf(packagePath), "toc.ncx"));
        for (const auto& entry : {"<meta name=\"dtb:uid\" content=\"" + metadata["identifier"] + "\"/>",
                                  "<text>" + expected.title + "</text>"}) {
            EXPECT_NE(ncx.find(entry), std::string::npos) << entry;
        }
    }
}

// Damaged books that the converter still converts (a byte of the illustrated book turned over: in two
// stylesheets, a picture's header, the pages): their EPUBs too are valid, a damaged picture left out for its
// alt text.
TEST_F(EpubTest, SlowDamagedBooksThatStillConvertGiveValidEpubs)
{
    const std::string original = ReadFile(TestBook("ryciny.lit"));
    int converted = 0;
    for (const std::size_t offset : {9331u, 10522u, 11316u, 18065u}) {
        SCOPED_TRACE(offset);
        std::string damaged = original;
        damaged[offset] = static_cast<char>(~damaged[offset]);
        const auto lit = dir / ("uszkodzona-" + std::to_string(offset) + ".lit");
        std::ofstream(lit, std::ios::binary) << damaged;
        const auto folder = dir / ("html-" + std::to_string(offset));
        if (RunConverter(lit, folder + "/").status != 0) {
            continue;
        }
        ++converted;
        const auto result =
            Pack(lit, folder + "/uszkodzona-" + std::to_string(offset) + ".opf", dir / "epub", "uszkodzona");
        ASSERT_TRUE(result.ok()) << result.detail;
        ExpectEpubcheckClean(result.written);
    }
    EXPECT_GE(converted, 3) << "the damaged books no longer convert: choose other bytes";
}

// The same book converted again gives the same bytes, whatever the time zone, and a name already taken
// is never written over: the new file takes the next free name, and no temporary file is left beside it.
TEST_F(EpubTest, TheSameBookGivesTheSameBytesUnderTheNextFreeName)
{
    const auto lit = Book("przypisy");
    const auto destination = dir / "Moje książki";
    fs::create_directories(destination);
    std::ofstream(destination + "/Książka.epub") << "moja książka";

    std::vector<std::string> written;
    for (const char* zone : {"UTC", "Pacific/Kiritimati", "America/St_Johns"}) {
        const ScopedVariable timeZone("TZ", zone);
        tzset();
        // Converted anew each time, as the program converts a book each time it is asked to.
        const auto result =
            Pack(lit, Converted(lit, "przypisy", std::to_string(written.size())), destination, "Książka");
        ASSERT_TRUE(result.ok()) << result.detail;
        written.push_back(result.written);
    }
    const auto opf = Converted(lit, "przypisy");
    tzset();
    EXPECT_EQ(written,
              (std::vector<std::string>{destination + "/Książka (2).epub", destination + "/Książka (3).epub",
                                        destination + "/Książka (4).epub"}));
    EXPECT_EQ(ReadFile(destination + "/Książka.epub"), "moja książka");
    for (const auto& file : written) {
        EXPECT_EQ(ReadFile(file), ReadFile(written.front())) << file;
    }
    EXPECT_EQ(FileNames(destination), (std::set<std::string>{"Książka.epub", "Książka (2).epub",
                                                             "Książka (3).epub", "Książka (4).epub"}));

    // A destination that is not there, or is a file, is said to be missing; a name with a folder in it,
    // or too long for the file system, is refused; nothing is written.
    const auto missing = epub::PackEpub(fs::path(opf).parent_path(), opf, {}, dir / "nie ma", "Książka");
    EXPECT_EQ(missing.failure, epub::EpubFailure::DestinationMissing);
    const auto file =
        epub::PackEpub(fs::path(opf).parent_path(), opf, {}, destination + "/Książka.epub", "Książka");
    EXPECT_EQ(file.failure, epub::EpubFailure::DestinationMissing);
    for (const std::string& badName :
         {std::string(), std::string(".."), std::string("a/b"), std::string(300, 'x')}) {
        EXPECT_EQ(epub::PackEpub(fs::path(opf).parent_path(), opf, {}, destination, badName).failure,
                  epub::EpubFailure::NameUnusable)
            << badName;
    }
    const auto noBook = epub::PackEpub(dir / "nie ma", dir / "nie ma/a.opf", {}, destination, "Książka");
    EXPECT_EQ(noBook.failure, epub::EpubFailure::BookUnreadable);
    EXPECT_EQ(FileNames(destination).size(), 4u);
}

// A converted folder made by hand with what a hostile or broken book could name: files above the
// folder, an absolute path, links out of it, a missing page, pages of old HTML. Only the book's own
// files go in, the references out of it are gone (their text stays), and epubcheck finds nothing.
TEST_F(EpubTest, OnlyTheBooksOwnFilesGoInAndOldHtmlBecomesValid)
{
    const std::string secret = "TAJNE";
    const auto outside = dir / "poza";
    const auto book = dir / "ksiazka";
    fs::create_directories(outside);
    fs::create_directories(book);
    std::ofstream(dir / "poza.html") << "<html><body><p>" << secret << "</p></body></html>";
    std::ofstream(dir / "poza.css") << "p { content: '" << secret << "' }";
    std::ofstream(outside + "/strona.html") << "<html><body><p>" << secret << "</p></body></html>";
    fs::copy_file(TestBook("ryciny/most.png"), dir / "poza.png");
    fs::copy_file(TestBook("ryciny/wir.png"), book + "/obraz.png");
    fs::create_symlink(dir / "poza.html", book + "/link.html");
    fs::create_symlink(dir / "poza.png", book + "/link.png");
    fs::create_directory_symlink(outside, book + "/folder");
    std::ofstream(book + "/styl.css") << "body { background: url(obraz.png) }\n"
                                         "p { background: url('../poza.png') }\n/* url(komentarz.png) */\n"
                                         "@import \"../poza.css\";\n";
    // The book's contents page, named by its guide: two entries lead to one place.
    std::ofstream(book + "/druga.html")
        << "<html><body><h2>Zawartość</h2><ul><li><a href=\"stara.html\">Stara strona</a><ul>"
           "<li><a href=\"stara.html#kotwica\">Kotwica</a></li><li><a "
           "href=\"stara.html#kotwica\">Znowu</a></li>"
           "</ul></li><li><a href=\"../poza.html\">Poza</a></li><li><a "
           "href=\"druga.html#kotwica\">Druga</a></li>"
           "</ul><p id=\"kotwica\">Druga strona</p></body></html>";
    std::ofstream(book + "/stara.html")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
           "<!DOCTYPE html PUBLIC \"+//ISBN 0-9673008-1-9//DTD OEB 1.0.1 Document//EN\" "
           "\"http://openebook.org/dtds/oeb-1.0.1/oebdoc101.dtd\">\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"EN_us\"><head><title></title>"
           "<script>alert(1)</script><link rel=\"stylesheet\" href=\"../poza.css\"/>"
           "<link rel=\"stylesheet\" href=\"styl.css\"/><meta http-equiv=\"refresh\" content=\"0\"/></head>\n"
           "<body bgcolor=\"#ffffff\" onload=\"x()\" link=\"blue\">\n"
           "<center><font face=\"Times New Roman\" size=\"5\" color=\"red\">Stara strona</font></center>\n"
           "<p align=\"justify\">Zażółć&nbsp;gęślą &eacute;&#1; <a name=\"kotwica\">kotwica</a> "
           "<a id=\"1st\" href=\"#1st\">pierwsza</a> <span id=\"dwa\">x</span><span id=\"dwa\">y</span></p>\n"
           "<table cellpadding=\"3\" border=\"2\" width=\"80%\"><tr><td nowrap valign=\"top\" "
           "width=\"50\">a</td>"
           "<td bgcolor=\"yellow\" colspan=\"x\">b</td></tr></table>\n"
           "<ul>luźny tekst<li>punkt</li></ul><span><p>akapit w span</p></span><li>samotny "
           "punkt</li><td>samotna komórka</td>\n"
           "<p><img src=\"obraz.png\" align=\"left\" width=\"50%\"/><img src=\"../poza.png\" alt=\"poza\"/>"
           "<img src=\"link.png\" alt=\"dowiązanie\"/><img src=\"/etc/hostname\" alt=\"bezwzględny\"/></p>\n"
           "<p><a href=\"../poza.html\">poza książką</a> <a href=\""
        << dir / "poza.html"
        << "\">bezwzględna</a> "
           "<a href=\"link.html\">dowiązanie</a> <a href=\"folder/strona.html\">przez dowiązany folder</a> "
           "<a href=\"brak.html#x\">brak</a> <a href=\"druga.html#kotwica\">druga</a> "
           "<a href=\"druga.html#nie-ma\">druga bez kotwicy</a> <a href=\"http://example.com/a b\">sieć</a> "
           "<a href=\"javascript:alert(1)\">skrypt</a></p>\n"
           "<tag61 id=\"dziwny\">nieznany</tag61><blink>miga</blink><nobr>bez łamania</nobr><tt>stałe</tt>\n"
           "<!-- komentarz -- z dwoma kreskami --></body></html>\n";
    std::ofstream(book + "/ksiazka.opf")
        << "<?xml version=\"1.0\"?>\n<package unique-identifier=\"id\"><metadata><dc-metadata>"
           "<dc:Title>Stara książka</dc:Title><dc:Creator>Jan</dc:Creator><dc:Language>EN_us</dc:Language>"
           "<dc:Identifier id=\"id\">ISBN 83-01-00000-0</dc:Identifier><dc:Date>w zeszłym roku</dc:Date>"
           "</dc-metadata></metadata><manifest>"
           "<item id=\"stara\" href=\"stara.html\" media-type=\"text/x-oeb1-document\"/>"
           "<item id=\"stara-znowu\" href=\"./stara.html\" media-type=\"text/x-oeb1-document\"/>"
           "<item id=\"druga\" href=\"druga.html\" media-type=\"text/x-oeb1-document\"/>"
           "<item id=\"styl\" href=\"styl.css\" media-type=\"text/x-oeb1-css\"/>"
           "<item id=\"obraz\" href=\"obraz.png\" media-type=\"image/png\"/>"
           "<item id=\"poza\" href=\"../poza.html\" media-type=\"text/x-oeb1-document\"/>"
           "<item id=\"bezwzgledna\" href=\""
        << dir / "poza.html"
        << "\" media-type=\"text/x-oeb1-document\"/>"
           "<item id=\"link\" href=\"link.html\" media-type=\"text/x-oeb1-document\"/>"
           "<item id=\"linkpng\" href=\"link.png\" media-type=\"image/png\"/>"
           "<item id=\"folder\" href=\"folder/strona.html\" media-type=\"text/x-oeb1-document\"/>"
           "<item id=\"pozapng\" href=\"../poza.png\" media-type=\"image/png\"/>"
           "<item id=\"pozacss\" href=\"../poza.css\" media-type=\"text/x-oeb1-css\"/>"
           "<item id=\"brak\" href=\"brak.html\" media-type=\"text/x-oeb1-document\"/>"
           "</manifest><spine><itemref idref=\"poza\"/><itemref idref=\"stara-znowu\"/><itemref "
           "idref=\"link\"/>"
           "<itemref idref=\"folder\"/><itemref idref=\"druga\"/></spine>"
           "<guide><reference type=\"toc\" href=\"druga.html\"/></guide></package>\n";

    fs::create_directories(dir / "epub");
    const auto result = epub::PackEpub(book, "ksiazka.opf", epub::EpubSource{kBookTime, "Spis treści"},
                                       dir / "epub", "Stara");
    ASSERT_TRUE(result.ok()) << result.detail;
    ExpectEpubcheckClean(result.written);
    const auto files = EpubFiles(result.written);
    std::set<std::string> names;
    for (const auto& [path, bytes] : files) {
        names.insert(path);
        EXPECT_EQ(bytes.find(secret), std::string::npos) << path << " holds what is outside the book";
        EXPECT_NE(bytes, ReadFile(dir / "poza.png")) << path << " is the picture outside the book";
    }
    EXPECT_EQ(names, (std::set<std::string>{"mimetype", "META-INF/container.xml", "EPUB/package.opf",
                                            "EPUB/nav.xhtml", "EPUB/toc.ncx", "EPUB/stara.xhtml",
                                            "EPUB/druga.xhtml", "EPUB/styl.css", "EPUB/obraz.png"}));
    const auto page = files.at("EPUB/stara.xhtml");
    for (const char* kept :
         {"poza książką</a>", "przez dowiązany folder</a>", "bezwzględny", "href=\"druga.xhtml#kotwica\"",
          "href=\"druga.xhtml\">druga bez kotwicy", "href=\"http://example.com/a%20b\"",
          "id=\"id-1st\" href=\"#id-1st\"", "<span id=\"dwa\">x</span><span>y</span>",
          "lang=\"en-US\" xml:lang=\"en-US\"", "<a id=\"kotwica\">", "Zażółć\u00a0gęślą é <a",
          "<title>Stara książka</title>", "<li>luźny tekst</li>",
          "<div>samotny punkt</div><div>samotna komórka</div>", "href=\"styl.css\"",
          "<div style=\"text-align: center\">",
          "<span style=\"font-family: 'Times New Roman'; font-size: x-large; color: red\">"}) {
        EXPECT_NE(page.find(kept), std::string::npos) << kept << " not in\n" << page;
    }
    for (const char* gone :
         {"script", "onload", "poza.css", "../", "link.html", "folder/", "brak.html", "name=", "javascript",
          "tag61", "blink", "komentarz", "cellpadding", "refresh"}) {
        EXPECT_EQ(page.find(gone), std::string::npos) << gone << " in\n" << page;
    }
    EXPECT_EQ(
        files.at("EPUB/styl.css"),
        "body { background: url(\"obraz.png\") }\np { background: none }\n/* url(komentarz.png) */\n\n");
    const auto package = files.at("EPUB/package.opf");
    EXPECT_NE(package.find("<dc:language>en-US</dc:language>"), std::string::npos) << package;
    EXPECT_NE(package.find("<dc:identifier id=\"book-id\">" + epub::UuidUrn("ISBN 83-01-00000-0") + "<"),
              std::string::npos)
        << package;
    EXPECT_EQ(package.find("dc:date"), std::string::npos) << "a date that is none";
    EXPECT_EQ(package.find("linear=\"no\""), std::string::npos)
        << "the spine names the old page by its other id";
    const auto nav = parseXml(files.at("EPUB/nav.xhtml"));
    ASSERT_TRUE(nav);
    const auto* navigation = findElement(xmlDocGetRootElement(nav.get()), "nav");
    EXPECT_EQ(text(findElement(navigation, "h1")), "Zawartość");
    EXPECT_EQ(navOf(findElement(navigation, "ol")), "Stara strona[Kotwica, Znowu], Druga");
}

// The container's entries, deflated on every core before libzip writes them, are the bytes libzip would
// have written deflating them itself, whatever their size: none, one byte, a picture, a long text.
TEST(EpubArchiveTest, EntriesDeflatedBeforehandAreWhatLibzipWrites)
{
    std::string text;
    for (int i = 0; text.size() < (1u << 20); ++i) {
        text +=
            "<p id=\"a" + std::to_string(i) + "\">Zażółć gęślą jaźń, strona " + std::to_string(i) + ".</p>\n";
    }
    const std::vector<std::pair<std::string, std::string>> entries{
        {"mimetype", "application/epub+zip"},
        {"EPUB/pusty.css", ""},
        {"EPUB/jeden.css", "p"},
        {"EPUB/most.png", ReadFile(TestBook("ryciny/most.png"))},
        {"EPUB/strona.xhtml", text}};
    const auto time = std::chrono::system_clock::from_time_t(1078058096);
    const TempDir dir("zwojnik-zip");
    const auto ours = dir / "nasz.zip";
    std::ofstream(ours, std::ios::binary) << epub::ZipContainer(entries, time);

    // The same entries as libzip writes them by itself, at the same level, time and flags.
    const auto theirs = dir / "libzip.zip";
    int error = 0;
    zip_t* archive = zip_open(theirs.c_str(), ZIP_CREATE | ZIP_EXCL, &error);
    ASSERT_NE(archive, nullptr) << error;
    std::tm utc = {};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    gmtime_r(&seconds, &utc);
    utc.tm_isdst = -1;
    const time_t local = mktime(&utc);
    for (const auto& [name, bytes] : entries) {
        const auto index =
            zip_file_add(archive, name.c_str(), zip_source_buffer(archive, bytes.data(), bytes.size(), 0),
                         ZIP_FL_ENC_UTF_8);
        ASSERT_GE(index, 0) << name;
        const bool stored = name == "mimetype";
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, stored ? 0 : 3);
        zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), local, 0);
    }
    ASSERT_EQ(zip_close(archive), 0);

    EXPECT_TRUE(ReadFile(ours) == ReadFile(theirs)) << "not the bytes libzip writes";
    const auto read = ZipEntries(ours); // each entry's CRC checked as it is read
    ASSERT_EQ(read.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(read[i].name, entries[i].first);
        EXPECT_TRUE(read[i].bytes == entries[i].second) << entries[i].first;
        EXPECT_EQ(read[i].stored, i == 0) << entries[i].first;
    }
}

// Work spread over the cores: every item once, in its own place; a failure of one comes out, once the
// threads are done.
TEST(EpubParallelTest, EveryItemOnceAndTheFirstFailureComesOut)
{
    std::vector<int> done(10000, 0);
    epub::ForEachInParallel(done.size(), [&](std::size_t i) { done[i] += static_cast<int>(i % 7) + 1; });
    for (std::size_t i = 0; i < done.size(); ++i) {
        ASSERT_EQ(done[i], static_cast<int>(i % 7) + 1) << i;
    }
    std::atomic<int> calls{0};
    EXPECT_THROW(epub::ForEachInParallel(done.size(),
                                         [&](std::size_t i) {
                                             ++calls;
                                             if (i == 5000) {
                                                 throw std::runtime_error("strona");
                                             }
                                         }),
                 std::runtime_error);
    EXPECT_GT(calls, 5000);
    EXPECT_NO_THROW(epub::ForEachInParallel(0, [](std::size_t) { throw std::runtime_error("nic"); }));
}

// What the book's own metadata becomes: BCP 47 tags, UUID URNs, sort forms.
TEST(EpubMetadataTest, LanguagesIdentifiersAndNamesAsEpubWantsThem)
{
    const std::pair<std::string, std::optional<std::string>> languages[]{{"pl", "pl"},
                                                                         {"EN_us", "en-US"},
                                                                         {" en-gb ", "en-GB"},
                                                                         {"zh-hant-tw", "zh-Hant-TW"},
                                                                         {"es-419", "es-419"},
                                                                         {"de-CH-1996", "de-CH-1996"},
                                                                         {"x-klingon", std::nullopt},
                                                                         {"en-x-private", "en-x-private"},
                                                                         {"", std::nullopt},
                                                                         {"english", "english"},
                                                                         {"en us", std::nullopt},
                                                                         {"p", std::nullopt},
                                                                         {"1234", std::nullopt},
                                                                         {"en--us", std::nullopt},
                                                                         {"en-a", std::nullopt},
                                                                         {"pl-PL-x", std::nullopt}};
    for (const auto& [given, tag] : languages) {
        EXPECT_EQ(epub::LanguageTag(given), tag) << given;
    }
    const auto uuid = "urn:uuid:4b659b18-06fc-46f9-9d4a-d96962a86b0a";
    for (const auto* given :
         {"4b659b18-06fc-46f9-9d4a-d96962a86b0a", "urn:uuid:4B659B18-06FC-46F9-9D4A-D96962A86B0A",
          "{4b659b18-06fc-46f9-9d4a-d96962a86b0a}", " uuid:4b659b18-06fc-46f9-9d4a-d96962a86b0a "}) {
        EXPECT_EQ(epub::UuidUrn(given), uuid) << given;
    }
    // Version 5 in the URL namespace: Python's uuid.uuid5(uuid.NAMESPACE_URL, "ISBN 83-01-00000-0").
    EXPECT_EQ(epub::UuidUrn("ISBN 83-01-00000-0"), "urn:uuid:655a8b5f-33d5-55f2-9b10-91555724dab4");
    EXPECT_NE(epub::UuidUrn("ISBN 83-01-00000-1"), epub::UuidUrn("ISBN 83-01-00000-0"));
    EXPECT_EQ(epub::SortName("Józef  Ćwikliński"), "Ćwikliński, Józef");
    EXPECT_EQ(epub::SortName("Jan Maria Rokita"), "Rokita, Jan Maria");
    EXPECT_EQ(epub::SortName("Ćwikliński, Józef"), "Ćwikliński, Józef");
    EXPECT_EQ(epub::SortName("Homer"), "Homer");
    EXPECT_EQ(epub::W3cDate("2003-07-01T00:00:00+00:00"), "2003-07-01");
    EXPECT_EQ(epub::W3cDate("2003-13"), std::nullopt);
}

} // namespace
