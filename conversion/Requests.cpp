#include "conversion/Requests.h"

#include "conversion/Konwertuj.h"
#include "framework/Dialogs.h"
#include "framework/Exceptions.h"
#include "framework/Messages.h"

namespace conversion {

namespace {

String applicationFolderPath(const ConversionTarget& target)
{
    const auto executable = target.ExecutableFile();
    return framework::Require(framework::Require(executable).Parent()).ShellPath();
}

// A conversion, and the titles of the dialogs that ask for its book and its folder.
struct Conversion
{
    void (ConversionTarget::*convert)(const String&, const String&, const String&);
    const String& openTitle;
    const String& folderTitle;
};

const Conversion kToHtml{&ConversionTarget::konwertuj, kOpenDialogTitle, kFolderDialogTitle};
const Conversion kToEpub{&ConversionTarget::konwertujEpub, kEpubOpenDialogTitle, kEpubFolderDialogTitle};

void askForFolderAndConvert(ConversionTarget& target, const String& appFolderPath,
                            const framework::FolderItem& ebook, const Conversion& conversion)
{
    // Before a folder is chosen for it; the conversion looks again, as the book may go meanwhile.
    if (const auto refusal = BookRefusal(ebook.NativePath())) {
        framework::MsgBox(*refusal);
        return;
    }
    framework::SelectFolderDialog dialog;
    dialog.SetTitle(conversion.folderTitle);
    dialog.SetPromptText("");
    dialog.SetActionButtonCaption(kCarryOutCaption);
    dialog.SetCancelButtonCaption(kGiveUpCaption);
    dialog.SetFilter(kEbookFilter);
    dialog.SetStartFolder(ebook.Parent());
    const auto folder = dialog.ShowModal();
    if (!folder) {
        return;
    }
    (target.*conversion.convert)(appFolderPath, ebook.ShellPath(), folder->ShellPath());
}

bool askForBookAndConvert(ConversionTarget& target, const Conversion& conversion)
{
    framework::OpenDialog dialog;
    dialog.SetTitle(conversion.openTitle);
    dialog.SetPromptText(kOpenDialogPrompt);
    dialog.SetActionButtonCaption(kNextCaption);
    dialog.SetCancelButtonCaption(kGiveUpCaption);
    dialog.SetFilter(kEbookFilter);
    dialog.SetStartFolder(target.LastBookFolder());
    const auto ebook = dialog.ShowModal();
    if (!ebook) {
        return false;
    }
    target.SetLastBookFolder(ebook->Parent());
    askForFolderAndConvert(target, applicationFolderPath(target), *ebook, conversion);
    return false;
}

} // namespace

void ConvertOpenedDocument(ConversionTarget& target, const framework::FolderItemPtr& ebook)
{
    const auto appFolderPath = applicationFolderPath(target);
    askForFolderAndConvert(target, appFolderPath, framework::Require(ebook), kToHtml);
}

bool ConvertFileFromDisk(ConversionTarget& target)
{
    return askForBookAndConvert(target, kToHtml);
}

bool ConvertFileFromDiskToEpub(ConversionTarget& target)
{
    return askForBookAndConvert(target, kToEpub);
}

} // namespace conversion
