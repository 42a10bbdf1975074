#include "epub/Pictures.h"

#include <cstdint>

namespace epub {

namespace {

std::uint32_t bigEndian(std::string_view bytes, std::size_t at, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// A PNG whose header chunk a reader can take: its length, name, size and checksum right.
bool readablePng(std::string_view bytes)
{
    if (bytes.size() < 33 || bigEndian(bytes, 8, 4) != 13 || bytes.substr(12, 4) != "IHDR" ||
        bigEndian(bytes, 16, 4) == 0 || bigEndian(bytes, 20, 4) == 0) {
        return false;
    }
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes.substr(12, 17)) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return (crc ^ 0xFFFFFFFF) == bigEndian(bytes, 29, 4);
}

// A JPEG whose segments lead, each by its length, to a frame header with a size.
bool readableJpeg(std::string_view bytes)
{
    std::size_t at = 2;
    while (at + 4 <= bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(bytes[at + 1]);
        const std::size_t length = bigEndian(bytes, at + 2, 2);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            return length >= 8 && at + 9 <= bytes.size() && bigEndian(bytes, at + 5, 2) != 0 &&
                   bigEndian(bytes, at + 7, 2) != 0;
        }
        if (length < 2) {
            return false;
        }
        at += 2 + length;
    }
    return false;
}

} // namespace

std::string PictureType(std::string_view bytes)
{
    if (bytes.starts_with("\x89PNG\r\n\x1a\n")) {
        return readablePng(bytes) ? "image/png" : "";
    }
    if (bytes.starts_with("\xFF\xD8\xFF")) {
        return readableJpeg(bytes) ? "image/jpeg" : "";
    }
    if ((bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) && bytes.size() >= 13) {
        const bool sized = (bytes[6] || bytes[7]) && (bytes[8] || bytes[9]);
        return sized ? "image/gif" : "";
    }
    return {};
}

} // namespace epub
