#include "support/ScriptedPlatform.h"

#include "support/FileDialogs.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>

namespace testsupport {

namespace {
std::string caption(QAbstractButton* button)
{
    return button ? button->text().toStdString() : std::string();
}

QAbstractButton* buttonCaptioned(QMessageBox& box, const std::deque<std::string>& captions)
{
    for (auto* button : box.buttons()) {
        if (!captions.empty() && button->text().toStdString() == captions.front()) {
            return button;
        }
    }
    return nullptr;
}

// Every label that shows the text or the explanation lets the user select it, with the mouse or the keys.
bool selectable(QMessageBox& box)
{
    int shown = 0;
    for (const auto* label : box.findChildren<QLabel*>()) {
        const bool says = label->text() == box.text() || label->text() == box.informativeText();
        if (says && !label->text().isEmpty()) {
            const auto flags = label->textInteractionFlags();
            if (!flags.testFlag(Qt::TextSelectableByMouse) || !flags.testFlag(Qt::TextSelectableByKeyboard)) {
                return false;
            }
            ++shown;
        }
    }
    return shown == (box.informativeText().isEmpty() ? 1 : 2);
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
    mScript.shownMessageBoxes.push_back({text, box.informativeText().toStdString(), selectable(box)});
    if (mScript.messageObserver) {
        mScript.messageObserver(text);
    }
    if (auto* button = buttonCaptioned(box, mScript.buttonsToPress)) {
        mScript.buttonsToPress.pop_front();
        button->click();
    } else if (auto* button = box.button(mScript.questionAnswer)) {
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

void ScriptedPlatform::OpenURL(const QUrl& url, std::function<void()> notOpened)
{
    mScript.shownURLs.push_back(url.toString().toStdString());
    if (mScript.urlsOpened) {
        QtPlatform::OpenURL(url, std::move(notOpened));
    }
}

std::optional<framework::String> ScriptedPlatform::MachineName() const
{
    return mScript.machineScripted ? mScript.machine : QtPlatform::MachineName();
}

} // namespace testsupport
