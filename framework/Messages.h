#pragma once

#include "framework/Text.h"

#include <functional>
#include <vector>

namespace framework {

// A button beside OK in a message box, and what pressing it does once the box has gone.
struct MessageAction
{
    String caption;
    std::function<void()> run;
};

// Shows the text in a modal message box and returns once the user has dismissed it: the explanation
// below the text and the details (when there are any) folded away under a button; a button for each
// action, before OK, which stays the default.
void MsgBox(const String& text, const String& explanation = "", const String& details = "",
            const std::vector<MessageAction>& actions = {});

// Hands the URL to the system, which opens it with the user's program for that kind of URL. When no
// program takes it, notOpened runs later, as a request of its own once no other request runs.
void ShowURL(const String& url, std::function<void()> notOpened = {});

} // namespace framework
