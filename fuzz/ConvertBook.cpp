// main() ends with exit(-1) where a book cannot be read; in this build its exit() returns here instead
// (clit_exit), after main() has released the book as it does before exiting.
#include "ConvertBook.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

// A reader's keys for books with an End-User-License, which the converter looks for beside the book: a
// toy RSA pair (n = 61 * 53). A license whose key is 0 opens a calibre-made book with it, as calibre
// leaves the title key 0. The converter reads its key files once in a process, so only the first such
// book of a run is decrypted.
const char* const kKeys = "2753\n3233\n";

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

namespace fuzz {

void PrepareConversions()
{
    std::string folder =
        (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/fuzz-clit.XXXXXX");
    if (!mkdtemp(folder.data())) {
        Fail("mkdtemp");
    }
    scratch = folder;
    std::atexit([] { RemoveTree(scratch); });
    if (!(std::ofstream(scratch + "/keys.txt") << kKeys)) {
        Fail("keys.txt");
    }
    // The converter tells its progress on standard output; only findings matter here.
    if (!std::freopen("/dev/null", "w", stdout)) {
        Fail("/dev/null");
    }
}

void ConvertBook(const std::uint8_t* data, std::size_t size)
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
}

} // namespace fuzz
