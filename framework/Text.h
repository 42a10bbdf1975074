#pragma once

#include <cstdint>
#include <string>

namespace framework {

// The framework's text values: immutable UTF-8 strings.
using String = std::string;

// The one-character string for an ASCII code point.
String Chr(std::uint32_t codePoint);

// The decimal text of a number, with a minus sign when it is negative.
String Str(std::int64_t number);

// Replaces every occurrence of find in source, scanning left to right; the source comes back unchanged
// when there is none (or find is empty).
String ReplaceAll(const String& source, const String& find, const String& replacement);

} // namespace framework
