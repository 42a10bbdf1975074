#include "library/Library.h"

#include "conversion/Command.h"
#include "conversion/FirstPage.h"
#include "conversion/Konwertuj.h"
#include "conversion/Verdict.h"
#include "conversion/WorkingFolder.h"
#include "epub/Epub.h"
#include "framework/Files.h"
#include "framework/supervisor/Launcher.h"
#include "library/Naming.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace library {

namespace fs = std::filesystem;

namespace {

std::size_t processors()
{
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<std::size_t>(count) : 1;
}

bool ended(int descriptor)
{
    pollfd watched{.fd = descriptor, .events = POLLIN, .revents = 0};
    return poll(&watched, 1, 0) > 0;
}

std::string epubExplanation(epub::EpubFailure failure, const fs::path& destination)
{
    switch (failure) {
    case epub::EpubFailure::DestinationMissing:
        return "Nie mogę znaleźć teczki „" + destination.string() + "”.";
    case epub::EpubFailure::DestinationReadOnly:
        return "Nie mogę zapisać pliku EPUB w teczce „" + destination.string() +
               "”: brak uprawnień do zapisu.";
    case epub::EpubFailure::DestinationFull:
        return "Nie mogę zapisać pliku EPUB: na dysku zabrakło miejsca.";
    case epub::EpubFailure::BookUnreadable:
        return "Konwerter nie zapisał książki, z której można złożyć plik EPUB.";
    case epub::EpubFailure::NameUnusable:
    case epub::EpubFailure::WriteFailed:
    case epub::EpubFailure::None:
        break;
    }
    return "Nie udało się zapisać pliku EPUB.";
}

} // namespace

// One book being converted.
struct Library::Job
{
    std::size_t index = 0;
    conversion::Paths paths; // the converter, the book and the folder the converter writes into
    fs::path created;        // the book's folder (HTML): it goes unless the book is done
    std::unique_ptr<conversion::WorkingFolder> work; // where the converter writes a book that becomes an EPUB
    std::unique_ptr<conversion::StagingFolder> staging;
    std::optional<framework::Supervisor> supervisor;
    std::string errors;
    bool errorsOpen = true;
    // The EPUB's packing, once the converter is done; its thread closes the write end when it ends.
    std::thread packer;
    framework::Pipe packerEnded;
    epub::EpubResult packed;

    ~Job()
    {
        supervisor.reset(); // the converter ends before its folders go
        if (packer.joinable()) {
            packer.join();
        }
        if (!created.empty()) {
            std::error_code ignored;
            fs::remove_all(created, ignored);
        }
    }
};

Library::Library(Settings settings, std::vector<fs::path> books)
    : mSettings(std::move(settings)),
      mParallel(std::clamp<std::size_t>(mSettings.parallel ? mSettings.parallel : processors(), 1,
                                        std::max<std::size_t>(books.size(), 1)))
{
    mResults.reserve(books.size());
    std::vector<off_t> sizes;
    for (auto& book : books) {
        struct stat status = {};
        sizes.push_back(stat(book.c_str(), &status) == 0 ? status.st_size : 0);
        auto& result = mResults.emplace_back();
        result.book = std::move(book);
    }
    mOrder.resize(mResults.size());
    std::iota(mOrder.begin(), mOrder.end(), std::size_t{0});
    std::ranges::stable_sort(mOrder, std::greater<>(), [&](std::size_t index) { return sizes[index]; });
}

Library::~Library()
{
    Stop();
}

std::vector<std::size_t> Library::Advance()
{
    std::vector<std::size_t> came;
    for (auto job = mJobs.begin(); job != mJobs.end();) {
        auto& running = **job;
        bool done = false;
        if (running.packer.joinable()) {
            if (ended(running.packerEnded.read.Get())) {
                finishPacking(running);
                done = true;
            }
        } else {
            if (running.errorsOpen) {
                running.errorsOpen =
                    framework::ReadErrorEnd(running.supervisor->ErrorDescriptor(), running.errors);
            }
            done = ended(running.supervisor->RunningDescriptor()) && finish(running);
        }
        if (done) {
            came.push_back(running.index);
            job = mJobs.erase(job);
        } else {
            ++job;
        }
    }
    while (!mStopped && mJobs.size() < mParallel && mNext < mResults.size()) {
        const auto index = mOrder[mNext++];
        start(index);
        if (mResults[index].state != BookResult::State::Waiting) {
            came.push_back(index);
        }
    }
    return came;
}

std::vector<int> Library::Descriptors() const
{
    std::vector<int> descriptors;
    for (const auto& job : mJobs) {
        if (job->packer.joinable()) {
            descriptors.push_back(job->packerEnded.read.Get());
            continue;
        }
        descriptors.push_back(job->supervisor->RunningDescriptor());
        if (job->errorsOpen) {
            descriptors.push_back(job->supervisor->ErrorDescriptor());
        }
    }
    return descriptors;
}

bool Library::Finished() const
{
    return mDone == mResults.size();
}

void Library::Stop()
{
    mStopped = true;
    for (auto& job : mJobs) {
        if (job->packer.joinable()) {
            // Its conversion is over: the book is done once its packing ends.
            finishPacking(*job);
        } else {
            job->supervisor->Stop();
        }
    }
    mJobs.clear();
    for (auto& result : mResults) {
        if (result.state == BookResult::State::Waiting) {
            result.state = BookResult::State::NotConverted;
            ++mDone;
        }
    }
}

std::vector<fs::path> Library::Running() const
{
    std::vector<fs::path> books;
    for (const auto& job : mJobs) {
        books.push_back(mResults[job->index].book);
    }
    return books;
}

void Library::fail(std::size_t index, std::string explanation, std::string converterWords)
{
    auto& result = mResults[index];
    result.state = BookResult::State::Failed;
    result.explanation = std::move(explanation);
    result.converterWords = std::move(converterWords);
    ++mDone;
}

void Library::start(std::size_t index)
{
    const auto& book = mResults[index].book;
    auto job = std::make_unique<Job>();
    job->index = index;
    if (mSettings.format == Format::Html) {
        const auto folder = MakeBookFolder(mSettings.destination, book.stem().string());
        if (!folder) {
            fail(index, "Nie mogę utworzyć teczki na książkę w „" + mSettings.destination.string() +
                            "”: " + std::strerror(errno) + ".");
            return;
        }
        job->created = *folder;
    } else {
        job->work = conversion::WorkingFolder::Make();
        if (!job->work) {
            fail(index, conversion::BookProblemMessage(conversion::StagingFolder::Problem::NoPrivateFolder,
                                                       book.string()));
            return;
        }
    }
    job->paths = {mSettings.converter, book.string(), job->work ? job->work->Path() : job->created.string()};
    auto problem = conversion::StagingFolder::Problem::None;
    job->staging = conversion::StagingFolder::Make(job->paths.converter, job->paths.book,
                                                   job->paths.destination, problem);
    if (!job->staging) {
        fail(index, conversion::BookProblemMessage(problem, book.string()));
        return;
    }
    const auto stagedApp = framework::EscapeForShell(job->staging->Path());
    const auto stagedBook = framework::EscapeForShell(job->staging->Book());
    const auto stagedDestination = framework::EscapeForShell(job->staging->Destination()) + "/";
    if (conversion::AmbiguousPath(mSettings.architecture, stagedApp, stagedBook, stagedDestination)) {
        fail(index, conversion::AmbiguityMessage(book.string()));
        return;
    }
    job->supervisor.emplace(
        mSettings.supervisor,
        conversion::ConverterCommand(mSettings.architecture, stagedApp, stagedBook, stagedDestination));
    mJobs.push_back(std::move(job));
}

bool Library::finish(Job& job)
{
    const int status = job.supervisor->Reap();
    while (job.errorsOpen) {
        job.errorsOpen = framework::ReadErrorEnd(job.supervisor->ErrorDescriptor(), job.errors);
    }
    const auto errorOutput = conversion::WholeLines(job.errors);
    if (const auto failure = conversion::FailureOf(status, errorOutput, *job.staging, job.paths)) {
        fail(job.index, conversion::ExplainFailure(*failure, status, job.paths.converter),
             conversion::ShownOutput(errorOutput, *job.staging, job.paths, mSettings.architecture));
        return true;
    }
    auto& result = mResults[job.index];
    if (mSettings.format == Format::Html) {
        result.written = std::exchange(job.created, {});
        result.state = BookResult::State::Converted;
        ++mDone;
        return true;
    }
    startPacking(job);
    return false;
}

void Library::startPacking(Job& job)
{
    job.staging.reset();
    job.packerEnded = framework::MakePipe(0);
    const auto& book = mResults[job.index].book;
    job.packer = std::thread([&job, packages = conversion::PackageNames(job.paths.destination),
                              source = epub::EpubSourceOf(book), destination = mSettings.destination,
                              name = EpubName(mSettings.destination, book.stem().string())] {
        try {
            if (packages.empty() || !source) {
                job.packed.failure = epub::EpubFailure::BookUnreadable;
            } else {
                job.packed = epub::PackEpub(job.work->Path(), *packages.begin(), *source, destination, name);
            }
        } catch (const std::exception& error) {
            job.packed.failure = epub::EpubFailure::WriteFailed;
            job.packed.detail = error.what();
        }
        job.packerEnded.write = framework::Descriptor();
    });
}

void Library::finishPacking(Job& job)
{
    job.packer.join();
    if (!job.packed.ok()) {
        fail(job.index, epubExplanation(job.packed.failure, mSettings.destination), job.packed.detail);
        return;
    }
    auto& result = mResults[job.index];
    result.written = job.packed.written;
    result.state = BookResult::State::Converted;
    ++mDone;
}

} // namespace library
