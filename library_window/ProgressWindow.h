#pragma once

#include "framework/supervisor/TerminationSignals.h"
#include "library/Library.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <optional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QSocketNotifier;

namespace library_window {

inline const QString kProgressTitle = QStringLiteral("Zamiana wielu plików .lit");
inline const QString kStopCaption = QStringLiteral("Zatrzymaj");
inline const QString kStopQuestion = QStringLiteral("Zamiana książek jeszcze trwa. Zatrzymać ją?");

// Runs a library to its end: the bar (books done of all), the time left, the books being converted now,
// and Zatrzymaj, which stops the run. Closing the window asks first. The library is advanced from the
// event loop as soon as a conversion ends, so every window repaints meanwhile. Accepted once every book
// has its result. A termination signal stops the run as Zatrzymaj does, and the window is rejected: the
// caller then ends the program by it (TerminatedBy).
class ProgressWindow : public QDialog
{
public:
    explicit ProgressWindow(library::Library& books, QWidget* parent = nullptr);

    QPushButton* StopButton() const { return mStop; }
    QProgressBar* Bar() const { return mBar; }
    // The termination signal that stopped the run, or 0.
    int TerminatedBy() const { return mTerminatedBy; }

protected:
    void reject() override;

private:
    void advance();
    void watchConversions();
    void showProgress(std::size_t done);
    void stop();
    void stopBySignal();

    library::Library& mBooks;
    QLabel* mCount;
    QProgressBar* mBar;
    QLabel* mRunning;
    QPushButton* mStop;
    QTimer mTick;
    QElapsedTimer mElapsed;
    std::vector<QSocketNotifier*> mConversionWatches;
    std::optional<framework::TerminationSignals> mSignals{std::in_place};
    QSocketNotifier* mSignalWatch;
    int mTerminatedBy = 0;
};

} // namespace library_window
