#include "framework/Text.h"

#include <stdexcept>

namespace framework {

String Chr(std::uint32_t codePoint)
{
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        throw std::invalid_argument("Chr: not a Unicode scalar value");
    }
    String text;
    if (codePoint < 0x80) {
        text += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        text += static_cast<char>(0xC0 | (codePoint >> 6));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        text += static_cast<char>(0xE0 | (codePoint >> 12));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (codePoint >> 18));
        text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return text;
}

String Str(std::int64_t number)
{
    return std::to_string(number);
}

String ReplaceAll(const String& source, const String& find, const String& replacement)
{
    if (find.empty()) {
        return source;
    }
    String result;
    result.reserve(source.size());
    String::size_type from = 0;
    for (auto at = source.find(find); at != String::npos; at = source.find(find, from)) {
        result.append(source, from, at - from);
        result += replacement;
        from = at + find.size();
    }
    result.append(source, from);
    return result;
}

} // namespace framework
