#pragma once

// The person at the screen and the system, as the tests play them: whatever is queued or set here
// answers in place of the real dialog, message box, screen, browser or processor. The framework's own
// set-up of each runs in full; with nothing queued or set, the real thing answers.

#include "framework/Dialogs.h"
#include "framework/Platform.h"

#include <QMessageBox>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A message box as the script answered it.
struct ShownMessage
{
    std::string text;
    std::string explanation;
    bool selectable = false; // the text and the explanation can be selected, with the mouse or the keys
};

struct ShownDialog
{
    framework::FileDialog::Kind kind;
    std::string title;
    std::string prompt; // as shown above the file list
    std::string actionButtonCaption;
    std::string cancelButtonCaption;
};

class Script
{
public:
    // The next file dialog yields this path (nothing: the user cancels) instead of waiting for the user.
    void QueueDialogAnswer(std::optional<std::string> path) { dialogAnswers.push_back(std::move(path)); }
    const std::vector<ShownDialog>& ShownDialogs() const { return shownDialogs; }

    // Message boxes are answered at once: their texts are recorded and, when set, the observer runs
    // while the box would be on screen. Set by default; false shows the real box.
    void AnswerMessages(std::function<void(const std::string& text)> observer = {})
    {
        messagesAnswered = true;
        messageObserver = std::move(observer);
    }
    const std::vector<std::string>& ShownMessages() const { return shownMessages; }
    const std::vector<ShownMessage>& ShownMessageBoxes() const { return shownMessageBoxes; }
    // A box that asks (Yes and No) is answered with this button; unset, it is closed without an answer.
    void AnswerQuestions(QMessageBox::StandardButton button) { questionAnswer = button; }
    // The next box with a button of this caption is answered with it.
    void PressInNextMessage(std::string caption) { buttonsToPress.push_back(std::move(caption)); }

    // The machine name uname(2) gives; nothing: the system cannot be asked.
    void SetMachine(std::optional<std::string> name)
    {
        machineScripted = true;
        machine = std::move(name);
    }

    const std::vector<std::string>& ShownURLs() const { return shownURLs; }
    // The URLs go to the system's opener too, after being recorded.
    void OpenURLs() { urlsOpened = true; }

    std::deque<std::optional<std::string>> dialogAnswers;
    std::vector<ShownDialog> shownDialogs;
    bool messagesAnswered = true;
    std::function<void(const std::string&)> messageObserver;
    std::vector<std::string> shownMessages;
    std::vector<ShownMessage> shownMessageBoxes;
    QMessageBox::StandardButton questionAnswer = QMessageBox::NoButton;
    std::deque<std::string> buttonsToPress;
    bool machineScripted = false;
    std::optional<std::string> machine;
    std::optional<framework::ScreenGeometry> mainScreen; // in place of the first screen's
    std::vector<std::string> shownURLs;
    bool urlsOpened = false;
};

// Answers from the script; the script outlives the platform.
class ScriptedPlatform : public framework::QtPlatform
{
public:
    explicit ScriptedPlatform(Script& script) : mScript(script) {}

    std::optional<framework::String> RunFileDialog(QFileDialog& dialog) override;
    void RunMessageBox(QMessageBox& box) override;
    std::vector<framework::ScreenGeometry> Screens() const override;
    void OpenURL(const QUrl& url, std::function<void()> notOpened) override;
    std::optional<framework::String> MachineName() const override;

private:
    Script& mScript;
};

} // namespace testsupport
