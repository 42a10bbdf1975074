#include "support/ScriptedPlatform.h"

#include "support/FileDialogs.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace testsupport {

namespace {
std::string caption(QAbstractButton* button)
{
    return button ? button->text().toStdString() : std::string();
}
} // namespace

std::optional<framework::String> ScriptedPlatform::RunFileDialog(QFileDialog& dialog)
{
    auto& script = mScript;
    script.shownDialogs.push_back({dialog.fileMode() == QFileDialog::Directory
                                       ? framework::FileDialog::Kind::SelectFolder
                                       : framework::FileDialog::Kind::OpenFile,
                                   dialog.windowTitle().toStdString(), ShownPrompt(dialog),
                                   caption(ActionButton(dialog)), caption(CancelButton(dialog))});
    if (script.dialogAnswers.empty()) {
        return QtPlatform::RunFileDialog(dialog);
    }
    auto answer = std::move(script.dialogAnswers.front());
    script.dialogAnswers.pop_front();
    return answer;
}

void ScriptedPlatform::RunMessageBox(QMessageBox& box)
{
    if (!mScript.messagesAnswered) {
        QtPlatform::RunMessageBox(box);
        return;
    }
    const auto text = box.text().toStdString();
    mScript.shownMessages.push_back(text);
    if (mScript.messageObserver) {
        mScript.messageObserver(text);
    }
    if (auto* button = box.button(mScript.questionAnswer)) {
        button->click();
    }
}

std::vector<framework::ScreenGeometry> ScriptedPlatform::Screens() const
{
    auto screens = QtPlatform::Screens();
    if (mScript.mainScreen && !screens.empty()) {
        screens.front() = *mScript.mainScreen;
    }
    return screens;
}

void ScriptedPlatform::OpenURL(const QUrl& url)
{
    mScript.shownURLs.push_back(url.toString().toStdString());
}

std::optional<framework::String> ScriptedPlatform::MachineName() const
{
    return mScript.machineScripted ? mScript.machine : QtPlatform::MachineName();
}

} // namespace testsupport
