#pragma once

#include "framework/Text.h"

namespace framework {

// Shows the text in a modal message box and returns once the user has dismissed it.
void MsgBox(const String& text);

// Hands the URL to the system, which opens it with the user's program for that kind of URL.
void ShowURL(const String& url);

} // namespace framework
