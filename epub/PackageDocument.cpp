#include "epub/PackageDocument.h"

#include "epub/Metadata.h"
#include "epub/Xml.h"

#include <algorithm>
#include <cctype>

namespace epub {

std::string PackageDocument(const Book& book, const SourcePackage& package, const BookMetadata& metadata,
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

std::string ContainerDocument()
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

} // namespace epub
