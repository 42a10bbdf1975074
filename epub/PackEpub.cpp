#include "epub/Archive.h"
#include "epub/Book.h"
#include "epub/BookFolder.h"
#include "epub/Contents.h"
#include "epub/Destination.h"
#include "epub/Epub.h"
#include "epub/Metadata.h"
#include "epub/PackageDocument.h"
#include "epub/Page.h"
#include "epub/Parallel.h"
#include "epub/SourcePackage.h"
#include "epub/Stylesheet.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <set>
#include <stdexcept>
#include <sys/stat.h>

namespace epub {

namespace {

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

class References : public PageReferences
{
public:
    References(const Book& book, const Resource& page) : mBook(book), mPage(page) {}

    std::optional<std::string> hyperlink(std::string_view href) const override
    {
        return mBook.hyperlink(mPage, href);
    }
    std::optional<std::string> picture(std::string_view src) const override
    {
        return mBook.inBook(FolderOf(mPage.sourcePath), src, Kind::Picture);
    }
    std::optional<std::string> stylesheet(std::string_view href) const override
    {
        return mBook.inBook(FolderOf(mPage.sourcePath), href, Kind::Stylesheet);
    }
    // Each id once: a second element with an id already given keeps none.
    std::optional<std::string> id(std::string_view id) const override
    {
        const auto found = mPage.ids.find(std::string(id));
        if (found == mPage.ids.end() || !mGiven.insert(found->second).second) {
            return std::nullopt;
        }
        return found->second;
    }

private:
    const Book& mBook;
    const Resource& mPage;
    mutable std::set<std::string> mGiven;
};

EpubFailure failureOf(const std::error_code& error)
{
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) {
        return EpubFailure::DestinationMissing;
    }
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
        error == std::errc::read_only_file_system) {
        return EpubFailure::DestinationReadOnly;
    }
    if (error == std::errc::no_space_on_device || error.value() == EDQUOT) {
        return EpubFailure::DestinationFull;
    }
    if (error == std::errc::filename_too_long) {
        return EpubFailure::NameUnusable;
    }
    return EpubFailure::WriteFailed;
}

EpubResult failed(EpubFailure failure, std::string detail)
{
    EpubResult result;
    result.failure = failure;
    result.detail = std::move(detail);
    return result;
}

std::vector<std::pair<std::string, std::string>> epubEntries(const BookFolder& folder,
                                                             const std::string& opfPath,
                                                             const EpubSource& source,
                                                             const std::string& bookName)
{
    const auto opfText = folder.read(opfPath);
    if (!opfText) {
        throw std::invalid_argument("the package file " + opfPath + " cannot be read");
    }
    const SourcePackage package = ReadSourcePackage(*opfText);
    Book book(folder, opfPath, package);
    if (book.spine().empty()) {
        throw std::invalid_argument("the package file " + opfPath + " names no page that can be read");
    }

    BookMetadata metadata;
    metadata.title = package.title.empty() ? bookName : package.title;
    for (auto creator : package.creators) {
        // calibre writes "Unknown" where the book gave no sort form.
        if (creator.fileAs.empty() || lowercase(creator.fileAs) == "unknown") {
            creator.fileAs = SortName(creator.name);
        }
        metadata.creators.push_back(creator);
    }
    const auto language = LanguageTag(package.language);
    metadata.language = language                                       ? *language
                        : !book.spine().front()->page.language.empty() ? book.spine().front()->page.language
                                                                       : "und";
    metadata.uid =
        UuidUrn(package.identifier.empty()
                    ? metadata.title + "\n" + (package.creators.empty() ? "" : package.creators[0].name)
                    : package.identifier);
    metadata.modified = W3cDateTime(source.modified);
    const Resource* cover = CoverOf(book, package);

    std::vector<std::pair<std::string, std::string>> entries{
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml", ContainerDocument()},
        {kContentFolder + "package.opf", PackageDocument(book, package, metadata, cover)}};

    std::vector<ContentsEntry> contents;
    std::string heading = source.contentsHeading;
    if (const Resource* page = ContentsPageOf(book, package)) {
        const auto order = [&](std::string_view href) {
            const auto name = href.substr(0, href.find('#'));
            const auto& spine = book.spine();
            return static_cast<int>(
                std::find_if(spine.begin(), spine.end(), [&](const Resource* p) { return p->name == name; }) -
                spine.begin());
        };
        contents = InReadingOrder(
            ContentsOfPage(page->page,
                           [&](std::string_view href) { return book.hyperlink(*page, href, true); }),
            order);
        if (const auto own = PageHeading(page->page); !own.empty()) {
            heading = own;
        }
    }
    if (contents.empty()) {
        for (const auto* page : book.spine()) {
            if (page->linear) {
                const std::string title = PageTitle(page->page);
                contents.push_back({title.empty() ? metadata.title : title, page->name, {}});
            }
        }
    }
    std::string authors;
    for (const auto& creator : metadata.creators) {
        authors += (authors.empty() ? "" : ", ") + creator.name;
    }
    const auto navigation =
        WriteContents(contents, heading, metadata.title, authors, metadata.uid, metadata.language);
    entries.emplace_back(kContentFolder + "nav.xhtml", navigation.navigation);
    entries.emplace_back(kContentFolder + "toc.ncx", navigation.ncx);

    // Each page is written by one thread, into its own entry, and let go of as soon as it is written.
    const std::size_t firstPage = entries.size();
    for (const auto* page : book.spine()) {
        entries.emplace_back(kContentFolder + page->name, std::string());
    }
    ForEachInParallel(book.spine().size(), [&](std::size_t i) {
        const Resource& page = *book.spine()[i];
        const References references(book, page);
        entries[firstPage + i].second = WritePage(page.page, references, metadata.title, metadata.language);
        book.releasePage(i);
    });
    for (const auto& resource : book.resources()) {
        if (resource->kind == Kind::Stylesheet) {
            const std::string folderOfSheet = FolderOf(resource->sourcePath);
            const auto target = [&](std::string_view reference) -> std::optional<std::string> {
                if (auto picture = book.inBook(folderOfSheet, reference, Kind::Picture)) {
                    return picture;
                }
                return book.inBook(folderOfSheet, reference, Kind::Stylesheet);
            };
            entries.emplace_back(kContentFolder + resource->name,
                                 XmlSafe(RewriteStylesheet(resource->bytes, target)));
        } else if (resource->kind == Kind::Picture) {
            entries.emplace_back(kContentFolder + resource->name, resource->bytes);
        }
    }
    return entries;
}

} // namespace

std::optional<EpubSource> EpubSourceOf(const std::filesystem::path& litFile)
{
    struct stat status = {};
    if (stat(litFile.c_str(), &status) != 0) {
        return std::nullopt;
    }
    EpubSource source;
    source.modified = std::chrono::system_clock::from_time_t(status.st_mtim.tv_sec);
    return source;
}

EpubResult PackEpub(const std::filesystem::path& convertedFolder, const std::filesystem::path& opf,
                    const EpubSource& source, const std::filesystem::path& destinationFolder,
                    const std::string& bookName)
{
    if (bookName.empty() || bookName == "." || bookName == ".." || bookName.find('/') != std::string::npos ||
        bookName.find('\0') != std::string::npos) {
        return failed(EpubFailure::NameUnusable, bookName);
    }
    const std::filesystem::path relative = opf.is_absolute() ? opf.lexically_relative(convertedFolder) : opf;
    const auto opfPath = ResolveInBook("", relative.generic_string());
    if (!opfPath) {
        return failed(EpubFailure::BookUnreadable,
                      "the package file " + opf.string() + " is not in " + convertedFolder.string());
    }
    std::string bytes;
    try {
        const BookFolder folder(convertedFolder);
        bytes = ZipContainer(epubEntries(folder, *opfPath, source, bookName), source.modified);
    } catch (const std::system_error& error) {
        return failed(EpubFailure::BookUnreadable, error.what());
    } catch (const std::invalid_argument& error) {
        return failed(EpubFailure::BookUnreadable, error.what());
    } catch (const std::runtime_error& error) {
        return failed(EpubFailure::WriteFailed, error.what());
    }
    const Placed placed = PlaceNewFile(destinationFolder, bookName, ".epub", bytes);
    if (placed.error) {
        return failed(failureOf(placed.error), placed.error.message());
    }
    EpubResult result;
    result.written = placed.path;
    return result;
}

} // namespace epub
