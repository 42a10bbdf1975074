// The whole program, started as a user starts it, telling when it is ready and how much memory it took.
//
// zwojnik_startup_probe                      runs until the menu bar has been painted, the Open event
//                                            has been handled and the event loop is about to wait;
//                                            prints the moment (CLOCK_MONOTONIC) and quits.
// zwojnik_startup_probe --convert BOOK DIR   opens BOOK as a document, answers the folder dialog with
//                                            DIR and the outcome message, then quits.
// Both print "key value" lines, the peak resident memory of this process last. (Not of its children:
// the kernel counts in a child's peak the memory of the parent it was forked from.)

#include "Harness.h"
#include "app/App.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "framework/Platform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

long peakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void quitSoon()
{
    QTimer::singleShot(0, qApp, [] { framework::DispatchRequest([] { framework::Quit(0); }); });
}

// Notes the first paint of the menu bar.
class MenuBarPaintWatch : public QObject
{
public:
    bool Painted() const { return mPainted; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<QMenuBar*>(watched) != nullptr) {
            mPainted = true;
        }
        return false;
    }

private:
    bool mPainted = false;
};

// Prints the moment the program is first ready for its user, then asks it to quit.
class IdleWatch
{
public:
    void Arm()
    {
        qApp->installEventFilter(&mPaintWatch);
        // The framework raises Open from the first turn of the loop; what is posted now runs before
        // that, and what is posted from there runs after it.
        QTimer::singleShot(0, qApp, [this] { QTimer::singleShot(0, qApp, [this] { mOpenHandled = true; }); });
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, qApp,
                         [this] { loopAboutToWait(); });
    }

private:
    void loopAboutToWait()
    {
        if (mReported || !mOpenHandled || !mPaintWatch.Painted()) {
            return;
        }
        mReported = true;
        std::cout << "idle_at_ns " << bench::Now() << '\n'
                  << "idle_peak_kb " << peakResidentKb() << '\n'
                  << "platform " << QApplication::platformName().toStdString() << '\n'
                  << "qt_version " << qVersion() << '\n';
        quitSoon();
    }

    MenuBarPaintWatch mPaintWatch;
    bool mOpenHandled = false;
    bool mReported = false;
};

// Answers the folder dialog with the destination and reports each message instead of showing it.
class AnsweringPlatform : public framework::QtPlatform
{
public:
    explicit AnsweringPlatform(std::string folder) : mFolder(std::move(folder)) {}
    std::optional<framework::String> RunFileDialog(QFileDialog&) override { return mFolder; }
    void RunMessageBox(QMessageBox& box) override
    {
        std::cout << "message " << box.text().toStdString() << '\n';
        quitSoon();
    }

private:
    std::string mFolder;
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> programArguments{argv[0]};
    const bool converting = argc == 4 && std::string(argv[1]) == "--convert";
    if (converting) {
        programArguments.push_back(argv[2]);
    } else if (argc != 1) {
        bench::Fail("usage: zwojnik_startup_probe [--convert BOOK DIR]");
    }
    programArguments.push_back(nullptr);

    IdleWatch idle;
    const int status = app::Run(static_cast<int>(programArguments.size() - 1), programArguments.data(),
                                std::make_unique<AnsweringPlatform>(converting ? argv[3] : ""), [&] {
                                    // Made at start-up, just before the event loop.
                                    if (!converting) {
                                        idle.Arm();
                                    }
                                    return std::make_shared<app::App>();
                                });
    std::cout << "exit_status " << status << '\n' << "self_peak_kb " << peakResidentKb() << '\n';
    return status;
}
