#pragma once

#include "library/Report.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace library_window {

inline const QString kReportTitle = QStringLiteral("Raport zamiany");
inline const QString kOpenCaption = QStringLiteral("Otwórz");
inline const QString kCopyCaption = QStringLiteral("Kopiuj raport");

// Every book with its result: done, with a button that opens it, or why not, with the converter's words.
// The whole report can be copied as text.
class ReportWindow : public QDialog
{
public:
    explicit ReportWindow(const std::vector<library::BookResult>& results, QWidget* parent = nullptr);

    QTreeWidget* Books() const { return mBooks; }
    QPushButton* CopyButton() const { return mCopy; }

private:
    QTreeWidget* mBooks;
    QPushButton* mCopy;
};

} // namespace library_window
