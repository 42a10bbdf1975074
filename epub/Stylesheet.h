#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace epub {

// The stylesheet with each reference it makes (url(…) and @import) put through `target`: the new name,
// or nothing for a file the book does not hold, whose url() then becomes "none" and whose @import goes.
// Comments and strings are passed over as CSS reads them.
std::string RewriteStylesheet(std::string_view css,
                              const std::function<std::optional<std::string>(std::string_view)>& target);

} // namespace epub
