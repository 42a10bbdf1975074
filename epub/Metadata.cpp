#include "epub/Metadata.h"

#include "epub/Xml.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

namespace epub {

namespace {

// SHA-1 (FIPS 180-4), for name-based UUIDs.
std::array<std::uint8_t, 20> Sha1(std::string_view message)
{
    std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string data(message);
    const std::uint64_t bits = static_cast<std::uint64_t>(message.size()) * 8;
    data += static_cast<char>(0x80);
    while (data.size() % 64 != 56) {
        data += '\0';
    }
    for (int i = 7; i >= 0; --i) {
        data += static_cast<char>((bits >> (i * 8)) & 0xFF);
    }
    const auto rotate = [](std::uint32_t value, int by) { return (value << by) | (value >> (32 - by)); };
    for (std::size_t block = 0; block < data.size(); block += 64) {
        std::uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            w[i] = 0;
            for (int j = 0; j < 4; ++j) {
                w[i] = (w[i] << 8) | static_cast<std::uint8_t>(data[block + i * 4 + j]);
            }
        }
        for (int i = 16; i < 80; ++i) {
            w[i] = rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        }
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            const std::uint32_t f = i < 20   ? (b & c) | (~b & d)
                                    : i < 40 ? b ^ c ^ d
                                    : i < 60 ? (b & c) | (b & d) | (c & d)
                                             : b ^ c ^ d;
            const std::uint32_t k = i < 20   ? 0x5A827999
                                    : i < 40 ? 0x6ED9EBA1
                                    : i < 60 ? 0x8F1BBCDC
                                             : 0xCA62C1D6;
            const std::uint32_t next = rotate(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = rotate(b, 30);
            b = a;
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    std::array<std::uint8_t, 20> digest{};
    for (int i = 0; i < 20; ++i) {
        digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - (i % 4) * 8));
    }
    return digest;
}

std::string lowercase(std::string_view text)
{
    std::string lower(text);
    for (auto& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

bool isHex(std::string_view text)
{
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

// The UUID the text is (8-4-4-4-12 hex digits), lower-cased; nothing when it is not one.
std::optional<std::string> asUuid(std::string_view text)
{
    if (text.size() != 36) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !isHex(text.substr(i, 1))) {
            return std::nullopt;
        }
    }
    return lowercase(text);
}

bool isAlpha(std::string_view text)
{
    for (const char c : text) {
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return !text.empty();
}

bool isAlnum(std::string_view text)
{
    for (const char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return !text.empty();
}

bool isDigits(std::string_view text)
{
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return !text.empty();
}

std::vector<std::string> subtags(std::string_view tag)
{
    std::vector<std::string> parts(1);
    for (const char c : tag) {
        if (c == '-' || c == '_') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

} // namespace

std::string UuidUrn(std::string_view identifier)
{
    std::string_view bare = identifier;
    while (!bare.empty() && std::isspace(static_cast<unsigned char>(bare.front()))) {
        bare.remove_prefix(1);
    }
    while (!bare.empty() && std::isspace(static_cast<unsigned char>(bare.back()))) {
        bare.remove_suffix(1);
    }
    const std::string lower = lowercase(bare);
    for (const std::string_view prefix : {"urn:uuid:", "uuid:"}) {
        if (lower.starts_with(prefix)) {
            bare.remove_prefix(prefix.size());
            break;
        }
    }
    if (bare.size() == 38 && bare.front() == '{' && bare.back() == '}') {
        bare = bare.substr(1, 36);
    }
    if (const auto uuid = asUuid(bare)) {
        return "urn:uuid:" + *uuid;
    }
    // RFC 4122 version 5 in the URL namespace (6ba7b811-9dad-11d1-80b4-00c04fd430c8), named after the
    // identifier as the book gives it.
    const std::string urlNamespace{'\x6b', '\xa7', '\xb8', '\x11', '\x9d', '\xad', '\x11', '\xd1',
                                   '\x80', '\xb4', '\x00', '\xc0', '\x4f', '\xd4', '\x30', '\xc8'};
    auto digest = Sha1(urlNamespace + std::string(identifier));
    digest[6] = static_cast<std::uint8_t>((digest[6] & 0x0F) | 0x50);
    digest[8] = static_cast<std::uint8_t>((digest[8] & 0x3F) | 0x80);
    std::string urn = "urn:uuid:";
    for (int i = 0; i < 16; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        urn += hex;
        if (i == 3 || i == 5 || i == 7 || i == 9) {
            urn += '-';
        }
    }
    return urn;
}

std::optional<std::string> LanguageTag(std::string_view language)
{
    const std::string trimmed = Collapsed(language);
    if (trimmed.empty() || trimmed.find(' ') != std::string::npos) {
        return std::nullopt;
    }
    auto parts = subtags(trimmed);
    // language (2–3 letters, or 5–8), then script (4 letters), region (2 letters or 3 digits),
    // variants (5–8 alphanumerics, or a digit and 3), and private use or extensions as they come.
    auto& primary = parts[0];
    if (!isAlpha(primary) || primary.size() < 2 || primary.size() > 8 || primary.size() == 4) {
        return std::nullopt;
    }
    primary = lowercase(primary);
    std::string tag = primary;
    std::size_t i = 1;
    if (i < parts.size() && parts[i].size() == 4 && isAlpha(parts[i])) {
        auto script = lowercase(parts[i++]);
        script[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(script[0])));
        tag += "-" + script;
    }
    if (i < parts.size() &&
        ((parts[i].size() == 2 && isAlpha(parts[i])) || (parts[i].size() == 3 && isDigits(parts[i])))) {
        auto region = parts[i++];
        for (auto& c : region) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        tag += "-" + region;
    }
    for (; i < parts.size(); ++i) {
        const auto& part = parts[i];
        const bool variant =
            isAlnum(part) &&
            (part.size() >= 5 ? part.size() <= 8
                              : part.size() == 4 && std::isdigit(static_cast<unsigned char>(part[0])));
        if (!variant) {
            break;
        }
        tag += "-" + lowercase(part);
    }
    if (i < parts.size()) {
        // Extensions and private use: a singleton, then subtags of 2–8 (1–8 for private use).
        while (i < parts.size()) {
            const auto singleton = lowercase(parts[i]);
            if (singleton.size() != 1 || !isAlnum(singleton) || i + 1 >= parts.size()) {
                return std::nullopt;
            }
            tag += "-" + singleton;
            ++i;
            const std::size_t shortest = singleton == "x" ? 1 : 2;
            std::size_t taken = 0;
            for (; i < parts.size() && (singleton == "x" || parts[i].size() > 1); ++i, ++taken) {
                if (!isAlnum(parts[i]) || parts[i].size() < shortest || parts[i].size() > 8) {
                    return std::nullopt;
                }
                tag += "-" + lowercase(parts[i]);
            }
            if (taken == 0) {
                return std::nullopt;
            }
        }
    }
    return tag;
}

std::string SortName(std::string_view name)
{
    const std::string collapsed = Collapsed(name);
    const auto space = collapsed.rfind(' ');
    if (space == std::string::npos || collapsed.find(',') != std::string::npos) {
        return collapsed;
    }
    return collapsed.substr(space + 1) + ", " + collapsed.substr(0, space);
}

std::string W3cDateTime(std::chrono::system_clock::time_point time)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc = {};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::optional<std::string> W3cDate(std::string_view date)
{
    const std::string text = Collapsed(date);
    const auto digitsAt = [&](std::size_t at, std::size_t count) {
        return text.size() >= at + count && isDigits(std::string_view(text).substr(at, count));
    };
    if (!digitsAt(0, 4) || text.compare(0, 4, "0000") == 0) {
        return std::nullopt;
    }
    std::size_t length = 4;
    if (text.size() > 4 && text[4] == '-' && digitsAt(5, 2)) {
        const int month = std::stoi(text.substr(5, 2));
        if (month < 1 || month > 12) {
            return std::nullopt;
        }
        length = 7;
        if (text.size() > 7 && text[7] == '-' && digitsAt(8, 2)) {
            const int day = std::stoi(text.substr(8, 2));
            if (day < 1 || day > 31) {
                return std::nullopt;
            }
            length = 10;
        }
    }
    if (text.size() != length && !(length == 10 && text[10] == 'T')) {
        return std::nullopt;
    }
    return text.substr(0, length);
}

} // namespace epub
