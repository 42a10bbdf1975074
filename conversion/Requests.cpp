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

using Conversion = void (ConversionTarget::*)(const String&, const String&, const String&);

void askForFolderAndConvert(ConversionTarget& target, const String& appFolderPath,
                            const framework::FolderItem& ebook, Conversion convert)
{
    // Before a folder is chosen for it; the conversion looks again, as the book may go meanwhile.
    if (const auto refusal = BookRefusal(ebook.NativePath())) {
        framework::MsgBox(*refusal);
        return;
    }
    framework::SelectFolderDialog dialog;
    dialog.SetTitle(kFolderDialogTitle);
    dialog.SetPromptText("");
    dialog.SetActionButtonCaption(kCarryOutCaption);
    dialog.SetCancelButtonCaption(kGiveUpCaption);
    dialog.SetFilter(kEbookFilter);
    dialog.SetStartFolder(ebook.Parent());
    const auto folder = dialog.ShowModal();
    if (!folder) {
        return;
    }
    (target.*convert)(appFolderPath, ebook.ShellPath(), folder->ShellPath());
}

bool askForBookAndConvert(ConversionTarget& target, Conversion convert)
{
    framework::OpenDialog dialog;
    dialog.SetTitle(kOpenDialogTitle);
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
    askForFolderAndConvert(target, applicationFolderPath(target), *ebook, convert);
    return false;
}

} // namespace

void ConvertOpenedDocument(ConversionTarget& target, const framework::FolderItemPtr& ebook)
{
    const auto appFolderPath = applicationFolderPath(target);
    askForFolderAndConvert(target, appFolderPath, framework::Require(ebook), &ConversionTarget::konwertuj);
}

bool ConvertFileFromDisk(ConversionTarget& target)
{
    return askForBookAndConvert(target, &ConversionTarget::konwertuj);
}

bool ConvertFileFromDiskToEpub(ConversionTarget& target)
{
    return askForBookAndConvert(target, &ConversionTarget::konwertujEpub);
}

} // namespace conversion
