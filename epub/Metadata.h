#pragma once

// The book's metadata as EPUB wants it written.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace epub {

// The identifier as a "urn:uuid:" URN: the book's own UUID where it is one (bare, braced or already a
// URN), otherwise a name-based UUID (version 5) made from it, so that the same book is always the same.
std::string UuidUrn(std::string_view identifier);

// A language as a well-formed BCP 47 tag in its usual case ("en-US", "pl", "zh-Hant-TW"), from what a
// book may carry ("EN_us", " pl "); nothing when it is none.
std::optional<std::string> LanguageTag(std::string_view language);

// The sort form of a person's name: "Last, First…" for a name of several words, the name itself for one.
std::string SortName(std::string_view name);

// The time as W3C date-time in UTC to the second: "2024-05-17T09:30:00Z".
std::string W3cDateTime(std::chrono::system_clock::time_point time);

// A date of the forms EPUB accepts (YYYY, YYYY-MM, YYYY-MM-DD, or a full date-time), cut to the date
// when it carries a time; nothing when it is none of them.
std::optional<std::string> W3cDate(std::string_view date);

} // namespace epub
