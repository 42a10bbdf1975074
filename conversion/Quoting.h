#pragma once

#include "framework/Text.h"

namespace conversion {

using framework::String;

// Rewrites the backslash escapes of shell paths in a command text into shell wildcards, so that the
// shell's pathname expansion brings the real characters back: "\-" becomes "-", every other escape "?".
// Inside the command's backquotes the shell would turn "\`" and "\$" back into live characters.
String QuoteCommand(const String& commandText);

// A shell path as the system names it: every escaping backslash removed.
String Unescape(const String& shellPath);

// A shell path as the system names it and the messages show it: unescaped, one slash between
// components and none at the end (a folder's shell path has one, and so has a folder chosen as the book).
String SystemPath(const String& shellPath);

} // namespace conversion
