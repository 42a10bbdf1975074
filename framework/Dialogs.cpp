#include "framework/Dialogs.h"

#include "framework/DocumentTypes.h"
#include "framework/Scripting.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

namespace framework {

namespace {

QString qt(const String& text)
{
    return QString::fromStdString(text);
}

// A pattern that matches the extension in any letter case: "*.lit" as "*.[lL][iI][tT]".
QString caseInsensitivePattern(const String& extension)
{
    QString pattern = QStringLiteral("*");
    for (const QChar c : qt(extension)) {
        if (c.isLetter() && c.toLower() != c.toUpper()) {
            pattern += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        } else if (c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('*') ||
                   c == QLatin1Char('?')) {
            pattern += QLatin1Char('[') + c + QLatin1Char(']');
        } else {
            pattern += c;
        }
    }
    return pattern;
}

// The name filters for a ";"-separated list of registered document types.
QStringList nameFiltersFor(const String& filter)
{
    QStringList patterns;
    for (const auto& name : qt(filter).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (const auto type = RegisteredDocumentType(name.toStdString()); type && !type->extension.empty()) {
            patterns << caseInsensitivePattern(type->extension);
        }
    }
    return patterns;
}

void addPrompt(QFileDialog& dialog, const String& promptText)
{
    if (promptText.empty()) {
        return;
    }
    auto* label = new QLabel(qt(promptText), &dialog);
    label->setObjectName(QStringLiteral("promptText"));
    label->setWordWrap(true);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
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
    dialog.setLabelText(QFileDialog::Accept, qt(mActionCaption));
    dialog.setLabelText(QFileDialog::Reject, qt(mCancelCaption));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
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
    addPrompt(dialog, mPromptText);

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return nullptr;
    }
    return FolderItem::FromPath(dialog.selectedFiles().constFirst().toStdString());
}

} // namespace framework
