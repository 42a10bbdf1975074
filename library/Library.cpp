#include "library/Library.h"

#include "conversion/Command.h"
#include "conversion/FirstPage.h"
#include "conversion/Konwertuj.h"
#include "conversion/Verdict.h"
#include "epub/Epub.h"
#include "framework/Files.h"
#include "framework/supervisor/Launcher.h"
#include "library/Naming.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
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

// A private folder for the converter's files of a book that becomes an EPUB.
std::optional<fs::path> makeWorkFolder()
{
    auto path = conversion::StagingFolder::ParentFolder() + "/zwojnik-epub-XXXXXX";
    if (mkdtemp(path.data()) == nullptr) {
        return std::nullopt;
    }
    return path;
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
    fs::path created;        // what this run made for the book: it goes unless the book is done
    std::unique_ptr<conversion::StagingFolder> staging;
    std::optional<framework::Supervisor> supervisor;
    std::string errors;
    bool errorsOpen = true;

    ~Job()
    {
        supervisor.reset(); // the converter ends before its folders go
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
    for (auto& book : books) {
        auto& result = mResults.emplace_back();
        result.book = std::move(book);
    }
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
        if (running.errorsOpen) {
            running.errorsOpen =
                framework::ReadErrorEnd(running.supervisor->ErrorDescriptor(), running.errors);
        }
        if (ended(running.supervisor->RunningDescriptor())) {
            finish(running);
            came.push_back(running.index);
            job = mJobs.erase(job);
        } else {
            ++job;
        }
    }
    while (!mStopped && mJobs.size() < mParallel && mNext < mResults.size()) {
        const auto index = mNext++;
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
        job->supervisor->Stop();
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
        const auto work = makeWorkFolder();
        if (!work) {
            fail(index, conversion::BookProblemMessage(conversion::StagingFolder::Problem::NoPrivateFolder,
                                                       book.string()));
            return;
        }
        job->created = *work;
    }
    job->paths = {mSettings.converter, book.string(), job->created.string()};
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

void Library::finish(Job& job)
{
    const int status = job.supervisor->Reap();
    while (job.errorsOpen) {
        job.errorsOpen = framework::ReadErrorEnd(job.supervisor->ErrorDescriptor(), job.errors);
    }
    const auto errorOutput = conversion::WholeLines(job.errors);
    if (const auto failure = conversion::FailureOf(status, errorOutput, *job.staging, job.paths)) {
        fail(job.index, conversion::ExplainFailure(*failure, status, job.paths.converter),
             conversion::ShownOutput(errorOutput, *job.staging, job.paths, mSettings.architecture));
        return;
    }
    auto& result = mResults[job.index];
    if (mSettings.format == Format::Html) {
        result.written = std::exchange(job.created, {});
        result.state = BookResult::State::Converted;
        ++mDone;
        return;
    }
    const auto packages = conversion::PackageNames(job.paths.destination);
    const auto source = epub::EpubSourceOf(result.book);
    if (packages.empty() || !source) {
        fail(job.index, epubExplanation(epub::EpubFailure::BookUnreadable, mSettings.destination));
        return;
    }
    const auto packed = epub::PackEpub(job.created, *packages.begin(), *source, mSettings.destination,
                                       EpubName(mSettings.destination, result.book.stem().string()));
    if (!packed.ok()) {
        fail(job.index, epubExplanation(packed.failure, mSettings.destination), packed.detail);
        return;
    }
    result.written = packed.written;
    result.state = BookResult::State::Converted;
    ++mDone;
}

} // namespace library
