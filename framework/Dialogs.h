#pragma once

#include "framework/Files.h"
#include "framework/Text.h"

namespace framework {

// A modal file dialog, Qt's own on every desktop. Shown with ShowModal, which yields the chosen item
// or nothing when the user cancels.
class FileDialog
{
public:
    enum class Kind
    {
        OpenFile,
        SelectFolder,
    };

    virtual ~FileDialog() = default;
    virtual Kind DialogKind() const = 0;

    void SetTitle(const String& title) { mTitle = title; }
    // A hint shown above the file list when not empty.
    void SetPromptText(const String& text) { mPromptText = text; }
    void SetActionButtonCaption(const String& caption) { mActionCaption = caption; }
    void SetCancelButtonCaption(const String& caption) { mCancelCaption = caption; }
    // Names of registered document types, separated by ";": files of those types are offered.
    void SetFilter(const String& filter) { mFilter = filter; }
    // The folder the dialog shows first; the user's home folder when there is none.
    void SetStartFolder(const FolderItemPtr& folder) { mStartFolder = folder; }

    FolderItemPtr ShowModal();

private:
    String mTitle;
    String mPromptText;
    String mActionCaption;
    String mCancelCaption;
    String mFilter;
    FolderItemPtr mStartFolder;
};

class OpenDialog : public FileDialog
{
public:
    Kind DialogKind() const override { return Kind::OpenFile; }
};

class SelectFolderDialog : public FileDialog
{
public:
    Kind DialogKind() const override { return Kind::SelectFolder; }
};

} // namespace framework
