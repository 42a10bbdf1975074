// Converts one book, given in memory, as `clit-intel BOOK DIR/` does: the converter's own main() (built
// from the patched source as clit_main) reads the book from a file and writes its pages, pictures and
// OPF into an empty destination folder, which goes again after every run.
//
// main() ends with exit(-1) where a book cannot be read; in this build its exit() returns here instead
// (clit_exit), after main() has released the book as it does before exiting.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
int clit_main(int argc, char** argv);
[[noreturn]] void clit_exit(int status);
// Set once a book has folders of its own; each process of the converter starts without.
extern int directory_flag;
}

// The converter confines itself with Landlock before it reads the book (confine.c, not built here). A
// process cannot leave a Landlock domain, and the fuzzer must go on writing its corpus and findings.
extern "C" int confine_to_output(char*)
{
    return 0;
}

namespace {

std::jmp_buf leaveMain;
std::string scratch;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return std::remove(path);
}

void RemoveTree(const std::string& path)
{
    nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

[[noreturn]] void Fail(const char* what)
{
    std::perror(what);
    std::abort();
}

} // namespace

extern "C" void clit_exit(int status)
{
    std::longjmp(leaveMain, status == 0 ? 1 : status);
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string folder =
        (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/fuzz-clit.XXXXXX");
    if (!mkdtemp(folder.data())) {
        Fail("mkdtemp");
    }
    scratch = folder;
    std::atexit([] { RemoveTree(scratch); });
    // The converter tells its progress on standard output; only findings matter here.
    if (!std::freopen("/dev/null", "w", stdout)) {
        Fail("/dev/null");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string book = scratch + "/book.lit";
    std::string destination = scratch + "/out/";
    FILE* file = std::fopen(book.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        Fail(book.c_str());
    }
    // The program hands the converter a folder that exists, named with a trailing slash.
    if (mkdir(destination.c_str(), 0700) != 0) {
        Fail(destination.c_str());
    }
    directory_flag = 0;
    char program[] = "clit-intel";
    char* argv[] = {program, book.data(), destination.data(), nullptr};
    if (setjmp(leaveMain) == 0) {
        clit_main(3, argv);
    }
    RemoveTree(destination);
    return 0;
}
