#include "conversion/Requests.h"

#include "framework/Dialogs.h"
#include "framework/Exceptions.h"

namespace conversion {

namespace {

String applicationFolderPath(const ConversionTarget& target)
{
    const auto executable = target.ExecutableFile();
    return framework::Require(framework::Require(executable).Parent()).ShellPath();
}

void askForFolderAndConvert(ConversionTarget& target, const String& appFolderPath, const String& sourcePath)
{
    framework::SelectFolderDialog dialog;
    dialog.SetTitle(kFolderDialogTitle);
    dialog.SetPromptText("");
    dialog.SetActionButtonCaption(kCarryOutCaption);
    dialog.SetCancelButtonCaption(kGiveUpCaption);
    dialog.SetFilter(kEbookFilter);
    const auto folder = dialog.ShowModal();
    if (!folder) {
        return;
    }
    target.konwertuj(appFolderPath, sourcePath, folder->ShellPath());
}

} // namespace

void ConvertOpenedDocument(ConversionTarget& target, const framework::FolderItemPtr& ebook)
{
    const auto appFolderPath = applicationFolderPath(target);
    const auto sourcePath = framework::Require(ebook).ShellPath();
    askForFolderAndConvert(target, appFolderPath, sourcePath);
}

bool ConvertFileFromDisk(ConversionTarget& target)
{
    framework::OpenDialog dialog;
    dialog.SetTitle(kOpenDialogTitle);
    dialog.SetPromptText(kOpenDialogPrompt);
    dialog.SetActionButtonCaption(kNextCaption);
    dialog.SetCancelButtonCaption(kGiveUpCaption);
    dialog.SetFilter(kEbookFilter);
    const auto ebook = dialog.ShowModal();
    if (!ebook) {
        return false;
    }
    askForFolderAndConvert(target, applicationFolderPath(target), ebook->ShellPath());
    return false;
}

} // namespace conversion
