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

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool isLeadByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0xC0;
}

// "\ " and the other escapes of the table become "?", "\-" becomes "-".
String applyQuotingTable(const String& commandText)
{
    String text = commandText;
    for (const auto& [searchedFor, replacement] : kQuotingTable) {
        text = framework::ReplaceAll(text, searchedFor, replacement);
    }
    return text;
}

// Every backslash still in the text goes, together with the character after it, as "?".
String replaceRemainingEscapes(const String& commandText)
{
    String text;
    text.reserve(commandText.size());
    for (String::size_type i = 0; i < commandText.size(); ++i) {
        if (commandText[i] != '\\') {
            text += commandText[i];
            continue;
        }
        text += '?';
        // The escaped character goes whole, all the bytes of a multibyte one included. A byte that starts
        // no multibyte character goes alone: the stray bytes after it (a name in a legacy encoding) are
        // the name's own and must stay for the word to match it.
        if (++i < commandText.size() && isLeadByte(commandText[i])) {
            while (i + 1 < commandText.size() && isContinuationByte(commandText[i + 1])) {
                ++i;
            }
        }
    }
    return text;
}

} // namespace

String QuoteCommand(const String& commandText)
{
    return replaceRemainingEscapes(applyQuotingTable(commandText));
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

String SystemPath(const String& shellPath)
{
    String path;
    for (const char c : Unescape(shellPath)) {
        if (!(c == '/' && !path.empty() && path.back() == '/')) {
            path += c;
        }
    }
    if (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace conversion
