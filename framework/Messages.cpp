#include "framework/Messages.h"

#include "framework/Platform.h"
#include "framework/detail/RuntimeState.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

namespace framework {

namespace {

// A box as narrow as its text would cut its title short: the title bar also holds the window's buttons.
// An explanation reads better in lines of some sixty characters than in the narrow column Qt gives it.
void setMinimumWidth(QMessageBox& box)
{
    constexpr int kTitleBarButtons = 160;
    constexpr int kExplanationCharacters = 60;
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) {
        return;
    }
    int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
    if (!box.informativeText().isEmpty()) {
        width = std::max(width, box.fontMetrics().averageCharWidth() * kExplanationCharacters);
    }
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

} // namespace

void MsgBox(const String& text, const String& explanation, const String& details,
            const std::vector<MessageAction>& actions)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // What a box says can be selected and copied: a path or an address to use elsewhere, a failure to
    // report.
    constexpr auto selectable = Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
    box.setTextInteractionFlags(selectable);
    if (!explanation.empty()) {
        box.setInformativeText(QString::fromStdString(explanation));
        for (auto* label : box.findChildren<QLabel*>()) {
            if (label->text() == box.informativeText()) {
                label->setTextFormat(Qt::PlainText);
                label->setTextInteractionFlags(selectable);
            }
        }
    }
    if (!details.empty()) {
        box.setDetailedText(QString::fromStdString(details));
    }
    std::vector<QAbstractButton*> buttons;
    for (const auto& action : actions) {
        buttons.push_back(box.addButton(QString::fromStdString(action.caption), QMessageBox::ActionRole));
    }
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    setMinimumWidth(box);
    CurrentPlatform().RunMessageBox(box);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i] && actions[i].run) {
            actions[i].run();
        }
    }
}

void ShowURL(const String& url, std::function<void()> notOpened)
{
    CurrentPlatform().OpenURL(QUrl(QString::fromStdString(url)), [notOpened = std::move(notOpened)] {
        if (notOpened) {
            detail::DispatchWhenIdle(notOpened);
        }
    });
}

} // namespace framework
