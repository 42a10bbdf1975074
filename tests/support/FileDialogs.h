#pragma once

// What a person sees of a file dialog the framework shows, and what they do with it. Only these know how
// Qt builds its dialog inside.

#include <set>
#include <string>

class QAbstractButton;
class QFileDialog;

namespace testsupport {

// The prompt, when it is shown above the file list; empty otherwise.
std::string ShownPrompt(QFileDialog& dialog);
QAbstractButton* ActionButton(QFileDialog& dialog);
QAbstractButton* CancelButton(QFileDialog& dialog);
// The names the file list shows.
std::set<std::string> ListedNames(const QFileDialog& dialog);
// True once the list shows the dialog's folder, read in full.
bool FolderRead(const QFileDialog& dialog);
// Types the path into the name field and presses Return.
void TypePath(QFileDialog& dialog, const std::string& path);

} // namespace testsupport
