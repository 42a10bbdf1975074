#include "framework/Dialogs.h"

#include "framework/DocumentTypes.h"
#include "framework/Platform.h"
#include "framework/detail/QtValues.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QLabel>
#include <QMimeDatabase>
#include <QVBoxLayout>

namespace framework {

namespace {

using detail::qt;

// Icons and types judged by the name alone. The folder shown may be shared with other people, whose
// files can be FIFOs, or held under a lease, which stop whoever opens them; Qt's own provider opens a file
// to look at its contents when its name does not tell its type, on the main thread, which stops the
// whole program. Stat calls, which Qt makes too, never wait for anyone; the dialog's name filters match
// names only.
class IconsByName : public QFileIconProvider
{
public:
    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isDir()) {
            return QFileIconProvider::icon(QFileIconProvider::Folder);
        }
        const auto type = mTypes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return QIcon::fromTheme(type.iconName(),
                                QIcon::fromTheme(type.genericIconName(), QFileIconProvider::icon(File)));
    }

    QString type(const QFileInfo& info) const override
    {
        if (!info.isFile()) {
            return QFileIconProvider::type(info); // a folder, a link or something else, from the stat alone
        }
        const auto type = mTypes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return type.comment().isEmpty() ? type.name() : type.comment();
    }

private:
    QMimeDatabase mTypes;
};

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
    IconsByName icons;
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
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
