#include "epub/Archive.h"
#include "epub/BookFolder.h"
#include "epub/Contents.h"
#include "epub/Destination.h"
#include "epub/Epub.h"
#include "epub/Metadata.h"
#include "epub/Page.h"
#include "epub/SourcePackage.h"
#include "epub/Stylesheet.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <sys/stat.h>

namespace epub {

namespace {

const std::string kContentFolder = "EPUB/";
const std::set<std::string> kReservedNames{"package.opf", "nav.xhtml", "toc.ncx"};

enum class Kind
{
    Page,
    Stylesheet,
    Picture,
};

struct Resource
{
    std::string sourcePath; // inside the converted folder
    Kind kind;
    std::string mediaType;
    std::string name; // in the EPUB's content folder
    std::string id;   // in the EPUB's manifest
    std::string bytes;
    CleanPage page;
    std::map<std::string, std::string>
        ids; // the page's ids: as the converter wrote them, as the EPUB has them
    bool inSpine = false;
    bool linear = true;
};

struct Target
{
    const Resource* resource = nullptr;
    std::string fragment;
    std::string external; // a web address, for a reference out of the book
};

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string percentDecoded(std::string_view text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            decoded += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

std::string percentEncodedUrl(std::string_view url)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F ||
            std::string_view("\"<>\\^`{|}").find(c) != std::string_view::npos) {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        } else {
            encoded += c;
        }
    }
    return encoded;
}

// The scheme of an address ("http"), lower-cased; empty for a relative reference.
std::string schemeOf(std::string_view reference)
{
    const auto colon = reference.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(reference[0]))) {
        return {};
    }
    for (const char c : reference.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return {};
        }
    }
    return lowercase(std::string(reference.substr(0, colon)));
}

std::uint32_t bigEndian(std::string_view bytes, std::size_t at, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// A PNG whose header chunk a reader can take: its length, name, size and checksum right.
bool readablePng(std::string_view bytes)
{
    if (bytes.size() < 33 || bigEndian(bytes, 8, 4) != 13 || bytes.substr(12, 4) != "IHDR" ||
        bigEndian(bytes, 16, 4) == 0 || bigEndian(bytes, 20, 4) == 0) {
        return false;
    }
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes.substr(12, 17)) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return (crc ^ 0xFFFFFFFF) == bigEndian(bytes, 29, 4);
}

// A JPEG whose segments lead, each by its length, to a frame header with a size.
bool readableJpeg(std::string_view bytes)
{
    std::size_t at = 2;
    while (at + 4 <= bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(bytes[at + 1]);
        const std::size_t length = bigEndian(bytes, at + 2, 2);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            return length >= 8 && at + 9 <= bytes.size() && bigEndian(bytes, at + 5, 2) != 0 &&
                   bigEndian(bytes, at + 7, 2) != 0;
        }
        if (length < 2) {
            return false;
        }
        at += 2 + length;
    }
    return false;
}

// The picture's type from its bytes, which a name or media type may misstate; nothing for a kind EPUB
// readers need not show, or a picture whose header is damaged (readers and checkers refuse it).
std::string pictureType(std::string_view bytes)
{
    if (bytes.starts_with("\x89PNG\r\n\x1a\n")) {
        return readablePng(bytes) ? "image/png" : "";
    }
    if (bytes.starts_with("\xFF\xD8\xFF")) {
        return readableJpeg(bytes) ? "image/jpeg" : "";
    }
    if ((bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) && bytes.size() >= 13) {
        const bool sized = (bytes[6] || bytes[7]) && (bytes[8] || bytes[9]);
        return sized ? "image/gif" : "";
    }
    return {};
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::optional<Kind> kindOf(const std::string& mediaType, const std::string& path)
{
    const auto type = lowercase(mediaType);
    const auto name = lowercase(path);
    if (type.find("oeb1-document") != std::string::npos || type.find("html") != std::string::npos ||
        endsWith(name, ".html") || endsWith(name, ".htm") || endsWith(name, ".xhtml")) {
        return Kind::Page;
    }
    if (type.find("css") != std::string::npos || endsWith(name, ".css")) {
        return Kind::Stylesheet;
    }
    if (type.starts_with("image/")) {
        return Kind::Picture;
    }
    return std::nullopt;
}

// A file name any reader and file system takes: ASCII letters, digits, "-", "_" and one extension.
std::string safeStem(std::string_view path)
{
    std::string base(path.substr(path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1));
    if (const auto dot = base.rfind('.'); dot != std::string::npos && dot > 0) {
        base.resize(dot);
    }
    std::string stem;
    for (const char c : base) {
        stem += std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80 ? c
                : c == '-' || c == '_'                                                              ? c
                                                                                                    : '_';
    }
    if (stem.size() > 64) {
        stem.resize(64);
    }
    return stem.empty() ? "plik" : stem;
}

// A valid XML name without colons (what an XHTML id must be) from any id.
bool isNcName(std::string_view id)
{
    if (id.empty()) {
        return false;
    }
    const auto first = static_cast<unsigned char>(id[0]);
    if (!(std::isalpha(first) || first == '_' || first >= 0x80)) {
        return false;
    }
    return std::all_of(id.begin(), id.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return std::isalnum(byte) || byte == '_' || byte == '-' || byte == '.' || byte >= 0x80;
    });
}

std::string ncName(std::string_view id)
{
    std::string name = "id-";
    for (const char c : id) {
        const auto byte = static_cast<unsigned char>(c);
        name += std::isalnum(byte) || byte == '_' || byte == '-' || byte == '.' || byte >= 0x80 ? c : '_';
    }
    return name;
}

class Book
{
public:
    Book(const BookFolder& folder, const std::string& opfPath, const SourcePackage& package)
        : mFolder(folder), mOpfFolder(FolderOf(opfPath))
    {
        std::set<std::string> seenIds;
        for (const auto& item : package.manifest) {
            if (!seenIds.insert(item.id).second) {
                continue;
            }
            addItem(item);
        }
        for (const auto& idref : package.spine) {
            const auto found = mById.find(idref);
            if (found != mById.end() && found->second->kind == Kind::Page && !found->second->inSpine) {
                found->second->inSpine = true;
                mSpine.push_back(found->second);
            }
        }
        if (mSpine.empty()) {
            // A package without a spine still has pages: they are read in the manifest's order.
            for (auto& resource : mResources) {
                if (resource->kind == Kind::Page) {
                    resource->inSpine = true;
                    mSpine.push_back(resource.get());
                }
            }
        }
        addLinkedPages();
        nameResources();
        for (auto* page : mSpine) {
            mapIds(*page);
        }
    }

    const std::vector<Resource*>& spine() const { return mSpine; }
    // The folder of the package file, which its references start from.
    const std::string& packageFolder() const { return mOpfFolder; }
    const std::vector<std::unique_ptr<Resource>>& resources() const { return mResources; }

    // A package item by its id, or a path in the book relative to the package.
    const Resource* itemById(const std::string& id) const
    {
        const auto found = mById.find(id);
        return found == mById.end() ? nullptr : found->second;
    }

    Target resolve(std::string_view fromFolder, std::string_view reference, const Resource* self) const
    {
        Target target;
        const std::string text = Collapsed(reference);
        const auto hash = text.find('#');
        const std::string path = text.substr(0, hash);
        target.fragment = hash == std::string::npos ? "" : percentDecoded(text.substr(hash + 1));
        const std::string scheme = schemeOf(path);
        if (!scheme.empty()) {
            if (scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "ftp") {
                target.external = percentEncodedUrl(text);
            }
            return target;
        }
        if (path.empty()) {
            target.resource = self;
            return target;
        }
        target.resource = find(fromFolder, path);
        return target;
    }

    // A link of a page, in the EPUB; `elsewhere` for the same link written outside the page (the
    // contents), where a link within the page needs the page's name.
    std::optional<std::string> hyperlink(const Resource& from, std::string_view href,
                                         bool elsewhere = false) const
    {
        const Target target = resolve(FolderOf(from.sourcePath), href, &from);
        if (!target.external.empty()) {
            return target.external;
        }
        if (!target.resource || target.resource->kind != Kind::Page || !target.resource->inSpine) {
            return std::nullopt;
        }
        const auto id = target.resource->ids.find(target.fragment);
        if (id == target.resource->ids.end()) {
            return target.resource->name;
        }
        return (target.resource == &from && !elsewhere ? "" : target.resource->name) + "#" + id->second;
    }

    std::optional<std::string> inBook(std::string_view fromFolder, std::string_view reference,
                                      Kind kind) const
    {
        const Target target = resolve(fromFolder, reference, nullptr);
        if (!target.resource || target.resource->kind != kind) {
            return std::nullopt;
        }
        return target.resource->name;
    }

private:
    const Resource* find(std::string_view fromFolder, std::string_view path) const
    {
        for (const auto& candidate : {std::string(path), percentDecoded(path)}) {
            if (const auto bookPath = ResolveInBook(fromFolder, candidate)) {
                if (const auto found = mByPath.find(*bookPath); found != mByPath.end()) {
                    return found->second;
                }
            }
        }
        return nullptr;
    }

    void addItem(const ManifestItem& item)
    {
        for (const auto& href : {item.href, percentDecoded(item.href)}) {
            const auto path = ResolveInBook(mOpfFolder, href);
            if (!path) {
                continue;
            }
            if (const auto known = mByPath.find(*path); known != mByPath.end()) {
                // Another id for a file already listed: the spine may name it by either.
                mById.emplace(item.id, known->second);
                return;
            }
            const auto kind = kindOf(item.mediaType, *path);
            if (!kind) {
                return;
            }
            auto bytes = mFolder.read(*path);
            if (!bytes) {
                continue;
            }
            auto resource = std::make_unique<Resource>();
            resource->sourcePath = *path;
            resource->kind = *kind;
            if (*kind == Kind::Page) {
                resource->mediaType = "application/xhtml+xml";
                resource->page = CleanPageOf(*bytes);
            } else if (*kind == Kind::Stylesheet) {
                resource->mediaType = "text/css";
                resource->bytes = std::move(*bytes);
            } else {
                resource->mediaType = pictureType(*bytes);
                if (resource->mediaType.empty()) {
                    return; // a picture of a kind EPUB readers need not show
                }
                resource->bytes = std::move(*bytes);
            }
            mById[item.id] = resource.get();
            mByPath[*path] = resource.get();
            mResources.push_back(std::move(resource));
            return;
        }
    }

    // Pages the package leaves out of its spine come in when a page of the book links to them: last, and
    // out of the reading order.
    void addLinkedPages()
    {
        for (std::size_t i = 0; i < mSpine.size(); ++i) {
            const Resource& page = *mSpine[i];
            std::vector<std::string> hrefs;
            collectHrefs(page.page.body, hrefs);
            for (const auto& href : hrefs) {
                const Target target = resolve(FolderOf(page.sourcePath), href, &page);
                Resource* linked = target.resource ? mByPath.at(target.resource->sourcePath) : nullptr;
                if (linked && linked->kind == Kind::Page && !linked->inSpine) {
                    linked->inSpine = true;
                    linked->linear = false;
                    mSpine.push_back(linked);
                }
            }
        }
    }

    static void collectHrefs(const xmlNode* node, std::vector<std::string>& hrefs)
    {
        for (; node; node = node->next) {
            if (node->type == XML_ELEMENT_NODE) {
                if (Name(node) == "a" && HasAttribute(node, "href")) {
                    hrefs.push_back(Attribute(node, "href"));
                }
                collectHrefs(node->children, hrefs);
            }
        }
    }

    void nameResources()
    {
        std::set<std::string> taken(kReservedNames);
        int counter = 0;
        const auto name = [&](Resource& resource) {
            const std::string extension = resource.kind == Kind::Page         ? ".xhtml"
                                          : resource.kind == Kind::Stylesheet ? ".css"
                                          : resource.mediaType == "image/png" ? ".png"
                                          : resource.mediaType == "image/gif" ? ".gif"
                                                                              : ".jpg";
            const std::string stem = safeStem(resource.sourcePath);
            resource.name = stem + extension;
            for (int n = 2; taken.contains(lowercase(resource.name)); ++n) {
                resource.name = stem + "-" + std::to_string(n) + extension;
            }
            taken.insert(lowercase(resource.name));
            resource.id = "item-" + std::to_string(++counter);
        };
        // The pages in reading order first, then the rest in the package's order: every name is the
        // same for the same book.
        for (auto* page : mSpine) {
            name(*page);
        }
        for (auto& resource : mResources) {
            if (resource->kind != Kind::Page) {
                name(*resource);
            }
        }
    }

    static void mapIds(Resource& page)
    {
        std::set<std::string> used;
        for (const auto& id : IdsOf(page.page)) {
            if (page.ids.contains(id)) {
                continue;
            }
            std::string name = isNcName(id) ? id : ncName(id);
            for (int n = 2; used.contains(name); ++n) {
                name = (isNcName(id) ? id : ncName(id)) + "-" + std::to_string(n);
            }
            used.insert(name);
            page.ids[id] = name;
        }
    }

    const BookFolder& mFolder;
    std::string mOpfFolder;
    std::vector<std::unique_ptr<Resource>> mResources;
    std::map<std::string, Resource*> mById;
    std::map<std::string, Resource*> mByPath;
    std::vector<Resource*> mSpine;
};

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

// The first picture a page shows, if any.
const xmlNode* firstPicture(const xmlNode* node)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            if (Name(node) == "img") {
                return node;
            }
            if (const xmlNode* found = firstPicture(node->children)) {
                return found;
            }
        }
    }
    return nullptr;
}

// The picture the book names as its cover: in its metadata, or in its guide (a picture, or a page that
// shows one).
const Resource* coverOf(const Book& book, const SourcePackage& package)
{
    if (const auto* meta = book.itemById(package.coverId); meta && meta->kind == Kind::Picture) {
        return meta;
    }
    for (const char* type :
         {"cover", "other.ms-coverimage-standard", "other.ms-coverimage", "coverimagestandard"}) {
        for (const auto& reference : package.guide) {
            const Target target = reference.type == type
                                      ? book.resolve(book.packageFolder(), reference.href, nullptr)
                                      : Target();
            if (!target.resource) {
                continue;
            }
            if (target.resource->kind == Kind::Picture) {
                return target.resource;
            }
            if (target.resource->kind == Kind::Page) {
                if (const xmlNode* image = firstPicture(target.resource->page.body)) {
                    const Target picture =
                        book.resolve(FolderOf(target.resource->sourcePath), Attribute(image, "src"), nullptr);
                    if (picture.resource && picture.resource->kind == Kind::Picture) {
                        return picture.resource;
                    }
                }
            }
        }
    }
    return nullptr;
}

const Resource* contentsPageOf(const Book& book, const SourcePackage& package)
{
    for (const auto& reference : package.guide) {
        if (reference.type == "toc" || reference.type == "other.ms-toc") {
            const Target target = book.resolve(book.packageFolder(), reference.href, nullptr);
            if (target.resource && target.resource->kind == Kind::Page) {
                return target.resource;
            }
        }
    }
    return nullptr;
}

struct BookMetadata
{
    std::string title;
    std::vector<Creator> creators;
    std::string language;
    std::string uid;
    std::string modified;
};

std::string packageDocument(const Book& book, const SourcePackage& package, const BookMetadata& metadata,
                            const Resource* cover)
{
    XmlWriter out(true);
    out.start("package");
    out.attribute("xmlns", "http://www.idpf.org/2007/opf");
    out.attribute("version", "3.0");
    out.attribute("unique-identifier", "book-id");
    out.attribute("xml:lang", metadata.language);
    out.start("metadata");
    out.attribute("xmlns:dc", "http://purl.org/dc/elements/1.1/");
    out.start("dc:identifier");
    out.attribute("id", "book-id");
    out.text(metadata.uid);
    out.endWithTag();
    out.element("dc:title", metadata.title);
    for (std::size_t i = 0; i < metadata.creators.size(); ++i) {
        const auto& creator = metadata.creators[i];
        const std::string id = "creator-" + std::to_string(i + 1);
        out.start("dc:creator");
        out.attribute("id", id);
        out.text(creator.name);
        out.endWithTag();
        out.start("meta");
        out.attribute("refines", "#" + id);
        out.attribute("property", "file-as");
        out.text(creator.fileAs);
        out.endWithTag();
        if (creator.role.size() == 3 && std::all_of(creator.role.begin(), creator.role.end(),
                                                    [](unsigned char c) { return std::islower(c); })) {
            out.start("meta");
            out.attribute("refines", "#" + id);
            out.attribute("property", "role");
            out.attribute("scheme", "marc:relators");
            out.text(creator.role);
            out.endWithTag();
        }
    }
    out.element("dc:language", metadata.language);
    if (!package.publisher.empty()) {
        out.element("dc:publisher", package.publisher);
    }
    if (const auto date = W3cDate(package.date)) {
        out.element("dc:date", *date);
    }
    if (!package.description.empty()) {
        out.element("dc:description", package.description);
    }
    for (const auto& subject : package.subjects) {
        out.element("dc:subject", subject);
    }
    if (!package.rights.empty()) {
        out.element("dc:rights", package.rights);
    }
    out.start("meta");
    out.attribute("property", "dcterms:modified");
    out.text(metadata.modified);
    out.endWithTag();
    if (cover) {
        // For EPUB 2 readers, which know the cover by this.
        out.start("meta");
        out.attribute("name", "cover");
        out.attribute("content", cover->id);
        out.end();
    }
    out.endWithTag();
    out.start("manifest");
    const auto item = [&](const std::string& id, const std::string& href, const std::string& type,
                          const std::string& properties) {
        out.start("item");
        out.attribute("id", id);
        out.attribute("href", href);
        out.attribute("media-type", type);
        if (!properties.empty()) {
            out.attribute("properties", properties);
        }
        out.end();
    };
    item("nav", "nav.xhtml", "application/xhtml+xml", "nav");
    item("ncx", "toc.ncx", "application/x-dtbncx+xml", "");
    for (const auto* page : book.spine()) {
        item(page->id, page->name, page->mediaType, "");
    }
    for (const auto& resource : book.resources()) {
        if (resource->kind != Kind::Page) {
            item(resource->id, resource->name, resource->mediaType,
                 resource.get() == cover ? "cover-image" : "");
        }
    }
    out.endWithTag();
    out.start("spine");
    out.attribute("toc", "ncx");
    for (const auto* page : book.spine()) {
        out.start("itemref");
        out.attribute("idref", page->id);
        if (!page->linear) {
            out.attribute("linear", "no");
        }
        out.end();
    }
    out.endWithTag();
    out.endWithTag();
    return out.finish();
}

std::string containerDocument()
{
    XmlWriter out(true);
    out.start("container");
    out.attribute("xmlns", "urn:oasis:names:tc:opendocument:xmlns:container");
    out.attribute("version", "1.0");
    out.start("rootfiles");
    out.start("rootfile");
    out.attribute("full-path", kContentFolder + "package.opf");
    out.attribute("media-type", "application/oebps-package+xml");
    out.end();
    out.endWithTag();
    out.endWithTag();
    return out.finish();
}

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
    const Book book(folder, opfPath, package);
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
    const Resource* cover = coverOf(book, package);

    std::vector<std::pair<std::string, std::string>> entries{
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml", containerDocument()},
        {kContentFolder + "package.opf", packageDocument(book, package, metadata, cover)}};

    std::vector<ContentsEntry> contents;
    std::string heading = source.contentsHeading;
    if (const Resource* page = contentsPageOf(book, package)) {
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

    for (const auto* page : book.spine()) {
        const References references(book, *page);
        entries.emplace_back(kContentFolder + page->name,
                             WritePage(page->page, references, metadata.title, metadata.language));
    }
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
