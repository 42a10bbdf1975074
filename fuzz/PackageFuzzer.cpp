// Feeds arbitrary package files (OPF) to the search for a book's first page: a crafted book makes the
// converter write what it likes there. The search must end, in time linear in the input, without a crash
// or an exception, and may only name a web page inside the package's own folder.
#include "conversion/FirstPage.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// A folder of its own, with the pages a package may name.
const std::string& folder()
{
    static const std::string path = [] {
        char name[] = "/tmp/zwojnik-fuzz-package-XXXXXX";
        if (!mkdtemp(name)) {
            std::abort();
        }
        for (const char* page : {"/a.html", "/b b.xhtml", "/c&d.htm"}) {
            std::ofstream(std::string(name) + page) << "<html/>";
        }
        return std::string(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string package = folder() + "/k.opf";
    std::ofstream(package, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (const auto page = conversion::FirstPage(package)) {
        if (page->compare(0, folder().size() + 1, folder() + "/") != 0 ||
            page->find("/../") != std::string::npos) {
            std::fprintf(stderr, "a page outside the package's folder: %s\n", page->c_str());
            std::abort();
        }
    }
    return 0;
}
