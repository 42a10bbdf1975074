#include "library_window/ReportWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace library_window {

ReportWindow::ReportWindow(const std::vector<library::BookResult>& results, QWidget* parent)
    : QDialog(parent), mBooks(new QTreeWidget(this)), mCopy(new QPushButton(kCopyCaption, this))
{
    setWindowTitle(kReportTitle);
    resize(720, 420);
    mBooks->setColumnCount(2);
    mBooks->setHeaderHidden(true);
    mBooks->setRootIsDecorated(false); // a list: no room kept for branches
    mBooks->setWordWrap(true);
    mBooks->header()->setStretchLastSection(false);
    mBooks->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    mBooks->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    for (const auto& result : results) {
        auto* item = new QTreeWidgetItem(mBooks, {QString::fromStdString(library::ReportLine(result))});
        item->setToolTip(0, item->text(0));
        if (result.state == library::BookResult::State::Converted) {
            auto* open = new QPushButton(kOpenCaption, mBooks);
            const auto url = QUrl::fromLocalFile(QString::fromStdString(result.written.string()));
            connect(open, &QPushButton::clicked, this, [url] { QDesktopServices::openUrl(url); });
            mBooks->setItemWidget(item, 1, open);
        }
    }
    auto* summary = new QLabel(QString::fromStdString(library::Summary(results)), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(mCopy, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    const auto text = QString::fromStdString(library::ReportText(results));
    connect(mCopy, &QPushButton::clicked, this, [text] { QApplication::clipboard()->setText(text); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(mBooks);
    layout->addWidget(buttons);
}

} // namespace library_window
