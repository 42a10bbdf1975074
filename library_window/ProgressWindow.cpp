#include "library_window/ProgressWindow.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

namespace library_window {

namespace {

// How often the time left is told anew.
constexpr int kTickMs = 500;

QString timeLeft(qint64 elapsedMs, std::size_t done, std::size_t total)
{
    if (done == 0) {
        return QStringLiteral("szacuję pozostały czas…");
    }
    const auto seconds = elapsedMs / 1000 * static_cast<qint64>(total - done) / static_cast<qint64>(done);
    if (seconds >= 60) {
        return QStringLiteral("zostało około %1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    }
    return QStringLiteral("zostało około %1 s").arg(seconds);
}

} // namespace

ProgressWindow::ProgressWindow(library::Library& books, QWidget* parent)
    : QDialog(parent), mBooks(books), mCount(new QLabel(this)), mBar(new QProgressBar(this)),
      mRunning(new QLabel(this)), mStop(new QPushButton(kStopCaption, this)),
      mSignalWatch(new QSocketNotifier(mSignals->Descriptor(), QSocketNotifier::Read, this))
{
    setWindowTitle(kProgressTitle);
    setMinimumWidth(480);
    mBar->setRange(0, static_cast<int>(books.Results().size()));
    mRunning->setWordWrap(true);
    mRunning->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mCount);
    layout->addWidget(mBar);
    layout->addWidget(mRunning);
    layout->addWidget(mStop, 0, Qt::AlignRight);
    connect(mStop, &QPushButton::clicked, this, [this] {
        stop();
        accept();
    });
    connect(mSignalWatch, &QSocketNotifier::activated, this, &ProgressWindow::stopBySignal);
    connect(&mTick, &QTimer::timeout, this, [this] { showProgress(mBooks.DoneCount()); });
    mElapsed.start();
    mTick.start(kTickMs);
    // The first books start once the window is up.
    QTimer::singleShot(0, this, &ProgressWindow::advance);
    showProgress(0);
}

void ProgressWindow::reject()
{
    QMessageBox question(QMessageBox::Question, kProgressTitle, kStopQuestion,
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setDefaultButton(QMessageBox::No);
    // A termination signal closes the question unanswered: the run has stopped already.
    connect(mSignalWatch, &QSocketNotifier::activated, &question, &QMessageBox::reject);
    if (question.exec() == QMessageBox::Yes && mTerminatedBy == 0) {
        stop();
        accept();
    }
}

void ProgressWindow::advance()
{
    mBooks.Advance();
    showProgress(mBooks.DoneCount());
    watchConversions();
    if (mBooks.Finished()) {
        mTick.stop();
        accept();
    }
}

// Each conversion's descriptors wake the window as soon as it has something to read or has ended.
void ProgressWindow::watchConversions()
{
    for (auto* watch : mConversionWatches) {
        watch->setEnabled(false);
        watch->deleteLater(); // one of them may be the one whose signal runs now
    }
    mConversionWatches.clear();
    if (mBooks.Finished()) {
        return;
    }
    for (const int descriptor : mBooks.Descriptors()) {
        auto* watch = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
        connect(watch, &QSocketNotifier::activated, this, &ProgressWindow::advance);
        mConversionWatches.push_back(watch);
    }
}

void ProgressWindow::stopBySignal()
{
    mSignalWatch->setEnabled(false);
    mTerminatedBy = mSignals->Signal();
    mSignals.reset();
    stop();
    QDialog::reject();
}

void ProgressWindow::stop()
{
    mBooks.Stop();
    mTick.stop();
    watchConversions(); // their descriptors are closed now
}

void ProgressWindow::showProgress(std::size_t done)
{
    const auto total = mBooks.Results().size();
    mBar->setValue(static_cast<int>(done));
    mCount->setText(QStringLiteral("Gotowe książki: %1 z %2; %3")
                        .arg(done)
                        .arg(total)
                        .arg(timeLeft(mElapsed.elapsed(), done, total)));
    QStringList running;
    for (const auto& book : mBooks.Running()) {
        running << QString::fromStdString(book.filename().string());
    }
    mRunning->setText(QStringLiteral("Teraz: ") + running.join(QStringLiteral(", ")));
}

} // namespace library_window
