#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace library {

// What became of one book of a library.
struct BookResult
{
    enum class State
    {
        Waiting,
        Converted,
        Failed,
        NotConverted, // the run was stopped before the book was done
    };

    std::filesystem::path book;
    State state = State::Waiting;
    std::filesystem::path written; // the book's folder (HTML) or file (EPUB), once converted
    std::string explanation;       // why it was not converted, as a single conversion explains it
    std::string converterWords;    // what the converter said on standard error, with the real paths
};

// One book's result in Polish, for the report and the terminal; the converter's words on lines of their
// own below it, indented.
std::string ReportLine(const BookResult& result);

// How many books of how many were converted, in Polish.
std::string Summary(const std::vector<BookResult>& results);

// Every book's line and the summary: the report as the user copies it.
std::string ReportText(const std::vector<BookResult>& results);

} // namespace library
