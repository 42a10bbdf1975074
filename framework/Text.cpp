#include "framework/Text.h"

#include <stdexcept>

namespace framework {

String Chr(std::uint32_t codePoint)
{
    if (codePoint > 0x7F) {
        throw std::invalid_argument("Chr: the program's commands are ASCII");
    }
    return String(1, static_cast<char>(codePoint));
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
