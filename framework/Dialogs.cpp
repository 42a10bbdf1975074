#include "framework/Dialogs.h"

#include "framework/DocumentTypes.h"
#include "framework/Platform.h"
#include "framework/detail/QtValues.h"

#include <QFileDialog>
#include <QLabel>
#include <QVBoxLayout>

namespace framework {

namespace {

using detail::qt;

// The name patterns for a ";"-separated list of registered document types. The dialog's file list
// matches them without regard to letter case (its filter lacks QDir::CaseSensitive), so BOOK.LIT is
// offered beside book.lit.
QStringList nameFiltersFor(const String& filter)
{
    QStringList patterns;
    for (const auto& name : qt(filter).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (const auto type = RegisteredDocumentType(name.toStdString()); type && !type->extension.empty()) {
            patterns << QStringLiteral("*") + qt(type->extension);
        }
    }
    return patterns;
}

void addPrompt(QFileDialog& dialog, const String& promptText)
{
    if (promptText.empty()) {
        return;
    }
    auto* label = new QLabel(qt(promptText));
    label->setObjectName(QStringLiteral("promptText"));
    label->setWordWrap(true);
    // Above everything else: Qt's own layout, with its margins and widgets, moves into a body below it.
    auto* body = new QWidget;
    body->setLayout(dialog.layout());
    auto* column = new QVBoxLayout(&dialog);
    column->setContentsMargins(body->layout()->contentsMargins());
    body->layout()->setContentsMargins(QMargins());
    column->addWidget(label);
    column->addWidget(body);
}

} // namespace

FolderItemPtr FileDialog::ShowModal()
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(qt(mTitle));
    if (DialogKind() == Kind::SelectFolder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (const auto patterns = nameFiltersFor(mFilter); !patterns.isEmpty()) {
            dialog.setNameFilter(qt(mFilter) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                                 QLatin1Char(')'));
        }
    }
    // Last: changing the mode or the accept mode puts Qt's own button captions back.
    dialog.setLabelText(QFileDialog::Accept, qt(mActionCaption));
    dialog.setLabelText(QFileDialog::Reject, qt(mCancelCaption));
    addPrompt(dialog, mPromptText);
    // Never the working folder: that is the program's own, or "/", wherever it was started from.
    dialog.setDirectory(mStartFolder ? qt(mStartFolder->NativePath()) : QDir::homePath());

    const auto chosen = CurrentPlatform().RunFileDialog(dialog);
    return chosen ? FolderItem::FromPath(*chosen) : nullptr;
}

} // namespace framework
