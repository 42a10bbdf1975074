#include "epub/Book.h"

#include "epub/Parallel.h"
#include "epub/Pictures.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace epub {

namespace {

const std::set<std::string> kReservedNames{"package.opf", "nav.xhtml", "toc.ncx"};

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

} // namespace

Book::Book(const BookFolder& folder, const std::string& opfPath, const SourcePackage& package)
    : mFolder(folder), mOpfFolder(FolderOf(opfPath))
{
    std::set<std::string> seenIds;
    for (const auto& item : package.manifest) {
        if (!seenIds.insert(item.id).second) {
            continue;
        }
        addItem(item);
    }
    readPages();
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
}

// A package item by its id, or a path in the book relative to the package.
const Resource* Book::itemById(const std::string& id) const
{
    const auto found = mById.find(id);
    return found == mById.end() ? nullptr : found->second;
}

Target Book::resolve(std::string_view fromFolder, std::string_view reference, const Resource* self) const
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
std::optional<std::string> Book::hyperlink(const Resource& from, std::string_view href, bool elsewhere) const
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

std::optional<std::string> Book::inBook(std::string_view fromFolder, std::string_view reference,
                                        Kind kind) const
{
    const Target target = resolve(fromFolder, reference, nullptr);
    if (!target.resource || target.resource->kind != kind) {
        return std::nullopt;
    }
    return target.resource->name;
}

Resource* Book::find(std::string_view fromFolder, std::string_view path) const
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

void Book::addItem(const ManifestItem& item)
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
            resource->bytes = std::move(*bytes); // read by readPages
        } else if (*kind == Kind::Stylesheet) {
            resource->mediaType = "text/css";
            resource->bytes = std::move(*bytes);
        } else {
            resource->mediaType = PictureType(*bytes);
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

// Every page read and cleaned, its links and ids found, on as many threads as the machine has cores: each
// page is a document of its own. Its HTML goes as soon as it is read.
void Book::readPages()
{
    std::vector<Resource*> pages;
    for (auto& resource : mResources) {
        if (resource->kind == Kind::Page) {
            pages.push_back(resource.get());
        }
    }
    xmlInitParser(); // on this thread, before any other thread parses
    ForEachInParallel(pages.size(), [&](std::size_t i) {
        Resource& page = *pages[i];
        page.page = CleanPageOf(page.bytes);
        std::string().swap(page.bytes);
        collectHrefs(page.page.body, page.hrefs);
        mapIds(page);
    });
}

void Book::releasePage(std::size_t spineIndex)
{
    mSpine.at(spineIndex)->page = CleanPage();
}

// Pages the package leaves out of its spine come in when a page of the book links to them: last, and
// out of the reading order.
void Book::addLinkedPages()
{
    for (std::size_t i = 0; i < mSpine.size(); ++i) {
        const Resource& page = *mSpine[i];
        for (const auto& href : page.hrefs) {
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

void Book::collectHrefs(const xmlNode* node, std::vector<std::string>& hrefs)
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

void Book::nameResources()
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

void Book::mapIds(Resource& page)
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

const Resource* CoverOf(const Book& book, const SourcePackage& package)
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

const Resource* ContentsPageOf(const Book& book, const SourcePackage& package)
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

} // namespace epub
