#include "library_window/ProgressWindow.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace library_window {

namespace {

// How often the window looks at the running conversions.
constexpr int kTickMs = 40;

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
      mRunning(new QLabel(this)), mStop(new QPushButton(kStopCaption, this))
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
        mBooks.Stop();
        accept();
    });
    connect(&mTick, &QTimer::timeout, this, &ProgressWindow::advance);
    mElapsed.start();
    mTick.start(kTickMs);
    showProgress(0);
}

void ProgressWindow::reject()
{
    QMessageBox question(QMessageBox::Question, kProgressTitle, kStopQuestion,
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() == QMessageBox::Yes) {
        mBooks.Stop();
        accept();
    }
}

void ProgressWindow::advance()
{
    mBooks.Advance();
    showProgress(mBooks.DoneCount());
    if (mBooks.Finished()) {
        mTick.stop();
        accept();
    }
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
