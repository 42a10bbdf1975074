#pragma once

#include <string>
#include <string_view>

namespace epub {

// The picture's media type from its bytes, which a name or media type may misstate: PNG, JPEG or GIF.
// Nothing for a kind EPUB readers need not show, or a picture whose header is damaged (readers and
// checkers refuse it).
std::string PictureType(std::string_view bytes);

} // namespace epub
