// A program that runs one command through the framework's Shell, for tests that end the program while
// the command runs: `shell_probe COMMAND AFTERWARDS [QUESTION]` writes the command's status to the file
// AFTERWARDS once Execute has returned, as a caller cleans up, before the Shell goes. With QUESTION, it runs
// under the framework's runtime, asks to quit as the command starts, and writes the stop question to that
// file once the question is on screen.
#include "framework/Application.h"
#include "framework/Shell.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QShortcutEvent>
#include <fstream>
#include <memory>

namespace {

class QuestionWatch : public QObject
{
public:
    explicit QuestionWatch(const char* path) : mPath(path) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (const auto* box = qobject_cast<QMessageBox*>(watched); box && event->type() == QEvent::Show) {
            std::ofstream(mPath) << box->text().toStdString();
        }
        return false;
    }

private:
    const char* mPath;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        return 2;
    }
    QApplication application(argc, argv);
    std::unique_ptr<framework::Runtime> runtime;
    std::unique_ptr<QuestionWatch> watch;
    // The Quit item's shortcut, pressed as soon as the command runs.
    QAction quit;
    quit.setMenuRole(QAction::QuitRole);
    if (argc == 4) {
        runtime = std::make_unique<framework::Runtime>(1, argv,
                                                       framework::ProgramIdentity{"Zwojnik", "zwojnik", {}});
        watch = std::make_unique<QuestionWatch>(argv[3]);
        QCoreApplication::postEvent(&quit, new QShortcutEvent(QKeySequence(Qt::CTRL | Qt::Key_Q), 0));
    }
    framework::Shell shell("Przerwać?");
    shell.Execute(argv[1]);
    std::ofstream(argv[2]) << shell.ErrorCode() << (shell.Stopped() ? " stopped" : "") << "\n";
    return 0;
}
