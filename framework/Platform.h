#pragma once

#include "framework/Text.h"

#include <QObject>
#include <QRect>
#include <functional>
#include <optional>
#include <vector>

class QFileDialog;
class QMessageBox;
class QUrl;

namespace framework {

struct ScreenGeometry
{
    QRect whole;     // menu bars and task bars included
    QRect available; // what windows may take
};

// Where the framework meets the person and the system: modal dialogs, screens, the browser and the
// processor. The framework sets everything up before these calls and reads their answers after them.
class Platform
{
public:
    virtual ~Platform() = default;
    // Shows the dialog modally and yields the chosen path, or nothing when the user cancels.
    virtual std::optional<String> RunFileDialog(QFileDialog& dialog) = 0;
    // Shows the box modally and returns once the user has dismissed it.
    virtual void RunMessageBox(QMessageBox& box) = 0;
    // The screens, the main one first.
    virtual std::vector<ScreenGeometry> Screens() const = 0;
    // Hands the URL to the system's opener and returns at once; should no program take the URL,
    // notOpened runs later on the main thread.
    virtual void OpenURL(const QUrl& url, std::function<void()> notOpened) = 0;
    // The machine name as uname(2) gives it; nothing when the system cannot be asked.
    virtual std::optional<String> MachineName() const = 0;
};

class QtPlatform : public Platform
{
public:
    std::optional<String> RunFileDialog(QFileDialog& dialog) override;
    void RunMessageBox(QMessageBox& box) override;
    std::vector<ScreenGeometry> Screens() const override;
    void OpenURL(const QUrl& url, std::function<void()> notOpened) override;
    std::optional<String> MachineName() const override;

private:
    QObject mOpeners; // the openers still running; those left when the platform goes are ended
};

// The platform of the running framework; raises the nil-object exception when no runtime runs.
Platform& CurrentPlatform();

} // namespace framework
