#pragma once

#include "framework/Text.h"

#include <functional>

namespace framework {

// Whether no one but this user and the superuser can rename, remove or replace what this user puts in the
// folder: its absolute path names it without links, and it and every folder above it belong to one of the
// two and no one else can write in them, or they are sticky.
bool IsSafeFolder(const String& path);

// Whether the path names a safe folder of this user's that no one else can enter (mode 0700).
bool IsOwnPrivateFolder(const String& path);

// Where this user's private files and folders are made: $XDG_RUNTIME_DIR when it is their own private
// folder, else $TMPDIR when it is safe, else /tmp. A folder that `suits` turns down is passed over. /tmp is
// the answer when nothing else will do, whether or not it is safe itself.
String PrivateFilesParent(const std::function<bool(const String&)>& suits = [](const String&) {
    return true;
});

} // namespace framework
