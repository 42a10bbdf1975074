#pragma once

#include "framework/Text.h"

namespace conversion {

using framework::String;

// Rewrites the backslash escapes of shell paths in a command text into shell wildcards, so that the
// shell's pathname expansion brings the real characters back: "\ " and the other escapes of the table
// become "?", "\-" becomes "-".
String ApplyQuotingTable(const String& commandText);

// Replaces every backslash still in the text, together with the character after it, by "?". Inside
// the command's backquotes the shell would turn "\`" and "\$" back into live characters.
String ReplaceRemainingEscapes(const String& commandText);

// Both steps, in that order: what the shell is given.
String QuoteCommand(const String& commandText);

// A shell path as the system names it: every escaping backslash removed.
String Unescape(const String& shellPath);

} // namespace conversion
