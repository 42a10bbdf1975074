#pragma once

#include "framework/Text.h"

#include <cstdint>

namespace framework {

class System
{
public:
    // Asks the system a question named by a four-character selector. Yields true and the answer when
    // the system answered. "sysa" is the processor family: 2 PowerPC, 10 x86 and x86-64, 0 others.
    static bool Gestalt(const String& selector, std::int32_t& answer);
};

namespace detail {
// The "sysa" answer for a machine name as uname(2) gives it ("x86_64", "ppc64le", "aarch64"…).
std::int32_t ProcessorFamily(const String& machine);
} // namespace detail

} // namespace framework
