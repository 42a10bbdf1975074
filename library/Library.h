#pragma once

#include "library/Report.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace library {

enum class Format
{
    Html, // each book into a new folder of its own, named after it
    Epub, // each book into "<name>.epub"
};

struct Settings
{
    std::string converter;  // Convert LIT's executable
    std::string supervisor; // zwojnik-supervisor, which runs each conversion
    std::int32_t architecture = 0;
    std::filesystem::path destination;
    Format format = Format::Html;
    std::size_t parallel = 0; // conversions at once; 0: as many as the machine has processors
};

// A library of books converted into one destination, several at once, each as a single conversion runs:
// in a staging folder of its own, by the same command, under a supervisor that leads a process group of
// its own, its failure explained in the same words; an EPUB is packed on a thread of its own. The caller
// waits on Descriptors() (poll, or the event loop) and calls Advance(), which never waits. What a book
// that is not converted leaves in the destination is removed, and only that: the folder its conversion made
// (HTML), or the working folder it had of its own (EPUB). Beyond the books' results, what it holds does not
// grow with their number.
class Library
{
public:
    Library(Settings settings, std::vector<std::filesystem::path> books);
    // Stops what runs, as Stop does.
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Finishes the conversions that have ended and starts books while places are free. Yields the
    // indices of the books whose results came.
    std::vector<std::size_t> Advance();
    // Readable when Advance has something to do.
    std::vector<int> Descriptors() const;
    bool Finished() const;

    // Ends the running conversions and everything they started, removes what they wrote, and marks them
    // and the books not started as not converted. The books already done stay.
    void Stop();

    const std::vector<BookResult>& Results() const { return mResults; }
    std::size_t DoneCount() const { return mDone; }
    // The books being converted now.
    std::vector<std::filesystem::path> Running() const;
    std::size_t Parallel() const { return mParallel; }

private:
    struct Job;

    void start(std::size_t index);
    // False while the book's EPUB is still being packed.
    bool finish(Job& job);
    void startPacking(Job& job);
    void finishPacking(Job& job);
    void fail(std::size_t index, std::string explanation, std::string converterWords = {});

    Settings mSettings;
    std::size_t mParallel;
    std::vector<BookResult> mResults;
    std::vector<std::unique_ptr<Job>> mJobs;
    std::vector<std::size_t> mOrder; // the books by size, largest first: the last to start end soonest
    std::size_t mNext = 0;
    std::size_t mDone = 0;
    bool mStopped = false;
};

} // namespace library
