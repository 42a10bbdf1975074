#include "library/Report.h"

#include <algorithm>

namespace library {

namespace {

std::string quoted(const std::filesystem::path& path)
{
    return "„" + path.string() + "”";
}

std::string indented(const std::string& text)
{
    std::string lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = std::min(text.find('\n', start), text.size());
        lines += "\n    " + text.substr(start, end - start);
        start = end + 1;
    }
    return lines;
}

} // namespace

std::string ReportLine(const BookResult& result)
{
    switch (result.state) {
    case BookResult::State::Converted:
        return "Gotowe: " + quoted(result.book) + " → " + quoted(result.written);
    case BookResult::State::Failed: {
        auto line = "Nie zamieniono " + quoted(result.book) + ": " + result.explanation;
        if (!result.converterWords.empty()) {
            line += "\n  Konwerter napisał:" + indented(result.converterWords);
        }
        return line;
    }
    case BookResult::State::NotConverted:
    case BookResult::State::Waiting:
        break;
    }
    return "Nie zamieniono " + quoted(result.book) + ": zamianę zatrzymano.";
}

std::string Summary(const std::vector<BookResult>& results)
{
    const auto converted = std::ranges::count(results, BookResult::State::Converted, &BookResult::state);
    return "Zamienione książki: " + std::to_string(converted) + " z " + std::to_string(results.size()) + ".";
}

std::string ReportText(const std::vector<BookResult>& results)
{
    std::string text;
    for (const auto& result : results) {
        text += ReportLine(result) + "\n";
    }
    return text + Summary(results) + "\n";
}

} // namespace library
