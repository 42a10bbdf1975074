#include "conversion/Quoting.h"

#include <array>
#include <utility>

namespace conversion {

namespace {
// Applied in this order, each in one pass over the whole text.
const std::array<std::pair<const char*, const char*>, 12> kQuotingTable{{
    {"\\ ", "?"},
    {"\\-", "-"},
    {"\\%", "?"},
    {"\\(", "?"},
    {"\\)", "?"},
    {"\\,", "?"},
    {"\\~", "?"},
    {"\\[", "?"},
    {"\\]", "?"},
    {"\\=", "?"},
    {"\\}", "?"},
    {"\\{", "?"},
}};
} // namespace

String ApplyQuotingTable(const String& commandText)
{
    String text = commandText;
    for (const auto& [searchedFor, replacement] : kQuotingTable) {
        text = framework::ReplaceAll(text, searchedFor, replacement);
    }
    return text;
}

String ReplaceRemainingEscapes(const String& commandText)
{
    String text;
    text.reserve(commandText.size());
    for (String::size_type i = 0; i < commandText.size(); ++i) {
        if (commandText[i] == '\\') {
            text += '?';
            ++i;
        } else {
            text += commandText[i];
        }
    }
    return text;
}

String QuoteCommand(const String& commandText)
{
    return ReplaceRemainingEscapes(ApplyQuotingTable(commandText));
}

String Unescape(const String& shellPath)
{
    String path;
    path.reserve(shellPath.size());
    for (String::size_type i = 0; i < shellPath.size(); ++i) {
        if (shellPath[i] == '\\' && i + 1 < shellPath.size()) {
            ++i;
        }
        path += shellPath[i];
    }
    return path;
}

} // namespace conversion
