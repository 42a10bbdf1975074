#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    mPath = pattern;
}

TempDir::~TempDir()
{
    std::error_code error;
    // Tests may take permissions away; give them back so that everything can go.
    for (auto it = std::filesystem::recursive_directory_iterator(mPath, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    }
    std::filesystem::remove_all(mPath, error);
}

ScopedVariable::ScopedVariable(const char* name, const std::optional<std::string>& value) : mName(name)
{
    if (const char* previous = std::getenv(name)) {
        mPrevious = previous;
    }
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
}

ScopedVariable::~ScopedVariable()
{
    mPrevious ? setenv(mName, mPrevious->c_str(), 1) : unsetenv(mName);
}

void RunWhen(std::function<bool()> ready, std::function<void()> action, int timeoutMs)
{
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, ready, action, timeoutMs] {
        if (ready()) {
            timer->deleteLater();
            timer->stop();
            action();
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "the awaited state never came";
            QCoreApplication::exit(99);
        }
    });
    timer->start(5);
}

void TriggerMenuItem(const std::string& name)
{
    for (auto* window : QApplication::topLevelWidgets()) {
        if (auto* action = window->findChild<QAction*>(QString::fromStdString(name))) {
            action->trigger();
            return;
        }
    }
    ADD_FAILURE() << "no menu item named " << name;
}

} // namespace testsupport
