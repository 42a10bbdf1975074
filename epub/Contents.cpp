#include "epub/Contents.h"

#include "epub/PageFixes.h"

#include <algorithm>
#include <map>

namespace epub {

namespace {

bool isHeading(std::string_view name)
{
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

// The element that holds a link as a line of the contents: its nearest ancestor that is not inline.
const xmlNode* blockOf(const xmlNode* node)
{
    const xmlNode* parent = node->parent;
    while (parent && parent->type == XML_ELEMENT_NODE && IsPhrasing(Name(parent)) && parent->parent) {
        parent = parent->parent;
    }
    return parent;
}

bool strictlyInside(const xmlNode* node, const xmlNode* ancestor)
{
    for (const xmlNode* parent = node ? node->parent : nullptr; parent; parent = parent->parent) {
        if (parent == ancestor) {
            return true;
        }
    }
    return false;
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

// The first element in document order that `wanted` takes, or none.
template <typename Wanted> const xmlNode* firstElement(const xmlNode* node, const Wanted& wanted)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            if (wanted(node)) {
                return node;
            }
            if (const xmlNode* found = firstElement(node->children, wanted)) {
                return found;
            }
        }
    }
    return nullptr;
}

std::string linkTitle(const xmlNode* link)
{
    std::string title = Collapsed(TextOf(link));
    if (title.empty()) {
        eachElement(link->children, [&](const xmlNode* element) {
            if (title.empty() && Name(element) == "img") {
                title = Collapsed(Attribute(element, "alt"));
            }
        });
    }
    return title;
}

int depthOf(const std::vector<ContentsEntry>& entries)
{
    int deepest = 0;
    for (const auto& entry : entries) {
        deepest = std::max(deepest, 1 + depthOf(entry.children));
    }
    return deepest;
}

void navigationList(XmlWriter& out, const std::vector<ContentsEntry>& entries)
{
    out.start("ol");
    for (const auto& entry : entries) {
        out.start("li");
        out.start("a");
        out.attribute("href", entry.href);
        out.text(entry.title);
        out.endWithTag();
        if (!entry.children.empty()) {
            navigationList(out, entry.children);
        }
        out.endWithTag();
    }
    out.endWithTag();
}

// Entries that lead to the same place share their play order, as the NCX wants; the order otherwise
// counts up through the entries.
void navPoints(XmlWriter& out, const std::vector<ContentsEntry>& entries, int& points,
               std::map<std::string, int>& orders)
{
    for (const auto& entry : entries) {
        ++points;
        const int order = orders.emplace(entry.href, static_cast<int>(orders.size()) + 1).first->second;
        out.start("navPoint");
        out.attribute("id", "navpoint-" + std::to_string(points));
        out.attribute("playOrder", std::to_string(order));
        out.start("navLabel");
        out.element("text", entry.title);
        out.endWithTag();
        out.start("content");
        out.attribute("src", entry.href);
        out.end();
        navPoints(out, entry.children, points, orders);
        out.endWithTag();
    }
}

} // namespace

std::vector<ContentsEntry>
ContentsOfPage(const CleanPage& page,
               const std::function<std::optional<std::string>(std::string_view)>& hyperlink)
{
    std::vector<ContentsEntry> entries;
    // The open entries, outermost first: where each sits, and the block that holds it.
    std::vector<std::pair<std::vector<std::size_t>, const xmlNode*>> open;
    eachElement(page.body->children, [&](const xmlNode* element) {
        if (Name(element) != "a" || !HasAttribute(element, "href")) {
            return;
        }
        const auto href = hyperlink(Attribute(element, "href"));
        const std::string title = linkTitle(element);
        if (!href || title.empty()) {
            return;
        }
        const xmlNode* block = blockOf(element);
        while (!open.empty() && !strictlyInside(block, open.back().second)) {
            open.pop_back();
        }
        std::vector<ContentsEntry>* siblings = &entries;
        std::vector<std::size_t> path;
        if (!open.empty()) {
            path = open.back().first;
            for (const auto index : path) {
                siblings = &(*siblings)[index].children;
            }
        }
        siblings->push_back({title, *href, {}});
        path.push_back(siblings->size() - 1);
        open.emplace_back(path, block);
    });
    return entries;
}

namespace {

void keepInOrder(std::vector<ContentsEntry>& entries, const std::function<int(std::string_view)>& order,
                 int& last)
{
    std::erase_if(entries, [&](ContentsEntry& entry) {
        const int place = order(entry.href);
        if (place < last) {
            return true;
        }
        last = place;
        keepInOrder(entry.children, order, last);
        return false;
    });
}

} // namespace

std::vector<ContentsEntry> InReadingOrder(std::vector<ContentsEntry> entries,
                                          const std::function<int(std::string_view)>& order)
{
    int last = -1;
    keepInOrder(entries, order, last);
    return entries;
}

std::string PageHeading(const CleanPage& page)
{
    const xmlNode* heading =
        firstElement(page.body->children, [](const xmlNode* element) { return isHeading(Name(element)); });
    return heading ? Collapsed(TextOf(heading)) : std::string();
}

std::string PageTitle(const CleanPage& page)
{
    if (auto heading = PageHeading(page); !heading.empty()) {
        return heading;
    }
    if (!page.title.empty()) {
        return page.title;
    }
    std::string words = Collapsed(TextOf(page.body));
    if (words.size() > 60) {
        auto cut = words.rfind(' ', 60);
        words = words.substr(0, cut == std::string::npos || cut < 20 ? 60 : cut);
        while (!words.empty() && (static_cast<unsigned char>(words.back()) & 0xC0) == 0x80) {
            words.pop_back();
        }
        if (!words.empty() && static_cast<unsigned char>(words.back()) >= 0xC0) {
            words.pop_back();
        }
        words += "…";
    }
    return words;
}

ContentsDocuments WriteContents(const std::vector<ContentsEntry>& entries, std::string_view heading,
                                std::string_view bookTitle, std::string_view authors, std::string_view uid,
                                std::string_view language)
{
    ContentsDocuments documents;
    {
        XmlWriter out(true);
        out.doctype("html");
        out.start("html");
        out.attribute("xmlns", "http://www.w3.org/1999/xhtml");
        out.attribute("xmlns:epub", "http://www.idpf.org/2007/ops");
        out.attribute("lang", language);
        out.attribute("xml:lang", language);
        out.start("head");
        out.element("title", heading);
        out.endWithTag();
        out.start("body");
        out.start("nav");
        out.attribute("epub:type", "toc");
        out.attribute("id", "toc");
        out.element("h1", heading);
        navigationList(out, entries);
        out.endWithTag();
        out.endWithTag();
        out.endWithTag();
        documents.navigation = out.finish();
    }
    {
        XmlWriter out(true);
        out.start("ncx");
        out.attribute("xmlns", "http://www.daisy.org/z3986/2005/ncx/");
        out.attribute("version", "2005-1");
        out.attribute("xml:lang", language);
        out.start("head");
        const std::pair<const char*, std::string> metas[]{
            {"dtb:uid", std::string(uid)},
            {"dtb:depth", std::to_string(std::max(1, depthOf(entries)))},
            {"dtb:totalPageCount", "0"},
            {"dtb:maxPageNumber", "0"}};
        for (const auto& [name, content] : metas) {
            out.start("meta");
            out.attribute("name", name);
            out.attribute("content", content);
            out.end();
        }
        out.endWithTag();
        out.start("docTitle");
        out.element("text", bookTitle);
        out.endWithTag();
        if (!authors.empty()) {
            out.start("docAuthor");
            out.element("text", authors);
            out.endWithTag();
        }
        out.start("navMap");
        int points = 0;
        std::map<std::string, int> orders;
        navPoints(out, entries, points, orders);
        out.endWithTag();
        out.endWithTag();
        documents.ncx = out.finish();
    }
    return documents;
}

} // namespace epub
