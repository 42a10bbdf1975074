#pragma once

#include "framework/Text.h"

#include <set>

class QAbstractButton;
class QFileDialog;

namespace framework::dialogs {

// What a person sees of a file dialog the framework shows, and what they do with it. Only these know how
// Qt builds its dialog inside.

// The prompt, when it is shown above the file list; empty otherwise.
String ShownPrompt(QFileDialog& dialog);
QAbstractButton* ActionButton(QFileDialog& dialog);
QAbstractButton* CancelButton(QFileDialog& dialog);
// The names the file list shows.
std::set<String> ListedNames(const QFileDialog& dialog);
// True once the list shows the dialog's folder, read in full.
bool FolderRead(const QFileDialog& dialog);
// Types the path into the name field and presses Return.
void TypePath(QFileDialog& dialog, const String& path);

} // namespace framework::dialogs
