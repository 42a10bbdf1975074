#pragma once

// The book as the converter wrote it: the files its package lists that can be read from inside its folder,
// each with its name in the EPUB, and where each reference of the book leads.

#include "epub/BookFolder.h"
#include "epub/Page.h"
#include "epub/SourcePackage.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace epub {

enum class Kind
{
    Page,
    Stylesheet,
    Picture,
};

// A file of the book: a page (read and made XHTML5), a stylesheet or a picture (their bytes).
struct Resource
{
    std::string sourcePath; // inside the converted folder
    Kind kind;
    std::string mediaType;
    std::string name; // in the EPUB's content folder
    std::string id;   // in the EPUB's manifest
    std::string bytes;
    CleanPage page;
    // A page's ids: as the converter wrote them, as the EPUB has them.
    std::map<std::string, std::string> ids;
    // A page's links, as it wrote them, in its order.
    std::vector<std::string> hrefs;
    bool inSpine = false;
    bool linear = true;
};

// Where a reference leads: a file of the book (and an anchor in it), or a web address.
struct Target
{
    const Resource* resource = nullptr;
    std::string fragment;
    std::string external; // a web address, for a reference out of the book
};

class Book
{
public:
    // Throws nothing: what cannot be read, or lies outside the folder, is not part of the book.
    Book(const BookFolder& folder, const std::string& opfPath, const SourcePackage& package);
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    // The pages in reading order: the package's spine, then the pages outside it that a page links to.
    const std::vector<Resource*>& spine() const { return mSpine; }
    // The folder of the package file, which its references start from.
    const std::string& packageFolder() const { return mOpfFolder; }
    const std::vector<std::unique_ptr<Resource>>& resources() const { return mResources; }

    const Resource* itemById(const std::string& id) const;
    // Where a reference made from a folder of the book leads; `self` is the page a bare "#anchor" means.
    Target resolve(std::string_view fromFolder, std::string_view reference, const Resource* self) const;
    // A link of a page, in the EPUB; `elsewhere` for the same link written outside the page (the
    // contents), where a link within the page needs the page's name.
    std::optional<std::string> hyperlink(const Resource& from, std::string_view href,
                                         bool elsewhere = false) const;
    // The EPUB name of the file of this kind that a reference names.
    std::optional<std::string> inBook(std::string_view fromFolder, std::string_view reference,
                                      Kind kind) const;

    // Lets go of the tree of a page of the spine once it is written. Nothing else of the page changes:
    // other threads may meanwhile find where references to it lead.
    void releasePage(std::size_t spineIndex);

private:
    Resource* find(std::string_view fromFolder, std::string_view path) const;
    void addItem(const ManifestItem& item);
    void readPages();
    void addLinkedPages();
    static void collectHrefs(const xmlNode* node, std::vector<std::string>& hrefs);
    void nameResources();
    static void mapIds(Resource& page);

    const BookFolder& mFolder;
    std::string mOpfFolder;
    std::vector<std::unique_ptr<Resource>> mResources;
    std::map<std::string, Resource*> mById;
    std::map<std::string, Resource*> mByPath;
    std::vector<Resource*> mSpine;
};

// The picture the book names as its cover: in its metadata, or in its guide (a picture, or a page that
// shows one).
const Resource* CoverOf(const Book& book, const SourcePackage& package);
// The book's own table of contents page, as its guide names it.
const Resource* ContentsPageOf(const Book& book, const SourcePackage& package);

} // namespace epub
