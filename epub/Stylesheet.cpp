#include "epub/Stylesheet.h"

#include "epub/Xml.h"

#include <cctype>

namespace epub {

namespace {

bool startsWithCaseless(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i]) {
            return false;
        }
    }
    return true;
}

// The end of the quoted string that opens at css[at], past its closing quote.
std::size_t stringEnd(std::string_view css, std::size_t at)
{
    const char quote = css[at];
    for (std::size_t i = at + 1; i < css.size(); ++i) {
        if (css[i] == '\\') {
            ++i;
        } else if (css[i] == quote || css[i] == '\n') {
            return i + 1;
        }
    }
    return css.size();
}

std::string unquoted(std::string_view value)
{
    std::string text(Collapsed(value));
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

} // namespace

std::string RewriteStylesheet(std::string_view css,
                              const std::function<std::optional<std::string>(std::string_view)>& target)
{
    std::string out;
    std::size_t at = 0;
    while (at < css.size()) {
        if (css.compare(at, 2, "/*") == 0) {
            const auto end = css.find("*/", at + 2);
            const auto stop = end == std::string_view::npos ? css.size() : end + 2;
            out.append(css.substr(at, stop - at));
            at = stop;
        } else if (css[at] == '"' || css[at] == '\'') {
            const auto stop = stringEnd(css, at);
            out.append(css.substr(at, stop - at));
            at = stop;
        } else if (startsWithCaseless(css, at, "url(") &&
                   (at == 0 ||
                    !(std::isalnum(static_cast<unsigned char>(css[at - 1])) || css[at - 1] == '-'))) {
            std::size_t close = at + 4;
            while (close < css.size() && css[close] != ')') {
                close = (css[close] == '"' || css[close] == '\'') ? stringEnd(css, close) : close + 1;
            }
            const auto reference = unquoted(css.substr(at + 4, close - at - 4));
            const auto found = target(reference);
            out += found ? "url(\"" + *found + "\")" : "none";
            at = close < css.size() ? close + 1 : close;
        } else if (startsWithCaseless(css, at, "@import")) {
            std::size_t semicolon = at;
            while (semicolon < css.size() && css[semicolon] != ';') {
                semicolon = (css[semicolon] == '"' || css[semicolon] == '\'') ? stringEnd(css, semicolon)
                                                                              : semicolon + 1;
            }
            std::string_view rule = css.substr(at + 7, semicolon - at - 7);
            std::string reference;
            const auto rest = Collapsed(rule);
            if (startsWithCaseless(rest, 0, "url(")) {
                const auto close = rest.find(')');
                reference =
                    unquoted(rest.substr(4, close == std::string::npos ? std::string::npos : close - 4));
            } else if (!rest.empty() && (rest[0] == '"' || rest[0] == '\'')) {
                reference = unquoted(rest.substr(0, stringEnd(rest, 0)));
            }
            if (const auto found = target(reference)) {
                out += "@import url(\"" + *found + "\");";
            }
            at = semicolon < css.size() ? semicolon + 1 : semicolon;
        } else {
            out += css[at++];
        }
    }
    return out;
}

} // namespace epub
