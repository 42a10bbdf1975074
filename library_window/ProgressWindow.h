#pragma once

#include "library/Library.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace library_window {

inline const QString kProgressTitle = QStringLiteral("Zamiana wielu plików .lit");
inline const QString kStopCaption = QStringLiteral("Zatrzymaj");
inline const QString kStopQuestion = QStringLiteral("Zamiana książek jeszcze trwa. Zatrzymać ją?");

// Runs a library to its end: the bar (books done of all), the time left, the books being converted now,
// and Zatrzymaj, which stops the run. Closing the window asks first. The library is advanced from the
// event loop, so every window repaints meanwhile. Accepted once every book has its result.
class ProgressWindow : public QDialog
{
public:
    explicit ProgressWindow(library::Library& books, QWidget* parent = nullptr);

    QPushButton* StopButton() const { return mStop; }
    QProgressBar* Bar() const { return mBar; }

protected:
    void reject() override;

private:
    void advance();
    void showProgress(std::size_t done);

    library::Library& mBooks;
    QLabel* mCount;
    QProgressBar* mBar;
    QLabel* mRunning;
    QPushButton* mStop;
    QTimer mTick;
    QElapsedTimer mElapsed;
};

} // namespace library_window
