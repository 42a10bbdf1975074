#include "support/FileDialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace testsupport {

namespace {

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

} // namespace

std::string ShownPrompt(QFileDialog& dialog)
{
    if (!dialog.isVisible()) {
        dialog.layout()->activate();
    }
    const auto* label = dialog.findChild<QLabel*>(QStringLiteral("promptText"));
    const auto* list = fileList(dialog);
    const bool above = label && !label->isHidden() && list &&
                       label->mapTo(&dialog, QPoint(0, label->height())).y() <=
                           list->parentWidget()->mapTo(&dialog, QPoint(0, 0)).y();
    return above ? label->text().toStdString() : std::string();
}

QAbstractButton* ActionButton(QFileDialog& dialog)
{
    return standardButton(dialog, QDialogButtonBox::Open);
}

QAbstractButton* CancelButton(QFileDialog& dialog)
{
    return standardButton(dialog, QDialogButtonBox::Cancel);
}

std::set<std::string> ListedNames(const QFileDialog& dialog)
{
    std::set<std::string> names;
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

void TypePath(QFileDialog& dialog, const std::string& path)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit) {
        return;
    }
    edit->setFocus();
    edit->setText(QString::fromStdString(path));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &press);
}

} // namespace testsupport
