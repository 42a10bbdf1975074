#include "framework/Dialogs.h"

#include "framework/DocumentTypes.h"
#include "framework/FileDialogParts.h"
#include "framework/Platform.h"
#include "framework/detail/QtValues.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

namespace framework {

namespace {

using detail::qt;

const QString kPromptName = QStringLiteral("promptText");

// An open dialog's buttons are Open and Cancel, whatever their captions.
QAbstractButton* standardButton(QFileDialog& dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return box ? box->button(which) : nullptr;
}

QListView* fileList(const QFileDialog& dialog)
{
    return dialog.findChild<QListView*>(QStringLiteral("listView"));
}

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
    label->setObjectName(kPromptName);
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

namespace dialogs {

String ShownPrompt(QFileDialog& dialog)
{
    if (!dialog.isVisible()) {
        dialog.layout()->activate();
    }
    const auto* label = dialog.findChild<QLabel*>(kPromptName);
    const auto* list = fileList(dialog);
    const bool above = label && !label->isHidden() && list &&
                       label->mapTo(&dialog, QPoint(0, label->height())).y() <=
                           list->parentWidget()->mapTo(&dialog, QPoint(0, 0)).y();
    return above ? label->text().toStdString() : String();
}

QAbstractButton* ActionButton(QFileDialog& dialog)
{
    return standardButton(dialog, QDialogButtonBox::Open);
}

QAbstractButton* CancelButton(QFileDialog& dialog)
{
    return standardButton(dialog, QDialogButtonBox::Cancel);
}

std::set<String> ListedNames(const QFileDialog& dialog)
{
    std::set<String> names;
    const auto* list = fileList(dialog);
    for (int row = 0; list && row < list->model()->rowCount(list->rootIndex()); ++row) {
        names.insert(list->model()->index(row, 0, list->rootIndex()).data().toString().toStdString());
    }
    return names;
}

bool FolderRead(const QFileDialog& dialog)
{
    const auto* model = dialog.findChild<QFileSystemModel*>();
    return model && !model->canFetchMore(model->index(dialog.directory().absolutePath()));
}

void TypePath(QFileDialog& dialog, const String& path)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit) {
        return;
    }
    edit->setFocus();
    edit->setText(qt(path));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &press);
}

} // namespace dialogs

} // namespace framework
