#include "framework/Dialogs.h"

#include "framework/DocumentTypes.h"
#include "framework/Scripting.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <vector>

namespace framework {

namespace {

QString qt(const String& text)
{
    return QString::fromStdString(text);
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
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid) {
        return;
    }
    auto* label = new QLabel(qt(promptText), &dialog);
    label->setObjectName(QStringLiteral("promptText"));
    label->setWordWrap(true);
    // Above everything else: a grid takes no new first row, so each of its items moves one row down.
    struct Placed
    {
        QLayoutItem* item;
        int row, column, rowSpan, columnSpan;
    };
    std::vector<Placed> placed;
    const int columns = grid->columnCount();
    while (grid->count() > 0) {
        Placed entry{};
        grid->getItemPosition(0, &entry.row, &entry.column, &entry.rowSpan, &entry.columnSpan);
        entry.item = grid->takeAt(0);
        placed.push_back(entry);
    }
    grid->addWidget(label, 0, 0, 1, columns);
    for (const auto& entry : placed) {
        grid->addItem(entry.item, entry.row + 1, entry.column, entry.rowSpan, entry.columnSpan,
                      entry.item->alignment());
    }
}

} // namespace

FolderItemPtr FileDialog::ShowModal()
{
    if (scripting::detail::DialogAnswerQueued()) {
        const auto answer = scripting::detail::TakeDialogAnswer(*this);
        return answer ? FolderItem::FromPath(*answer) : nullptr;
    }

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

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return nullptr;
    }
    return FolderItem::FromPath(dialog.selectedFiles().constFirst().toStdString());
}

} // namespace framework
