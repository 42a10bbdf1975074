#include "framework/detail/QtStart.h"

#include <QApplication>
#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace framework::detail {

namespace {

// Qt's platform plugin tells of a missing display in English and then aborts; its messages are held
// while the application object is made, and shown only when it was made.
std::vector<std::pair<QtMsgType, QString>> gHeldMessages;

void holdMessage(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fputs(kNoDisplayMessage, stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    gHeldMessages.push_back({type, text});
}

} // namespace

std::unique_ptr<QApplication> StartQt(char* programName)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
    if (QApplication::instance()) {
        return nullptr;
    }
    static int argc = 1;
    static char* argv[] = {programName, nullptr};
    const auto previous = qInstallMessageHandler(holdMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (auto& [type, text] : std::exchange(gHeldMessages, {})) {
        previous(type, QMessageLogContext(), text); // Qt's own handler, when none was installed
    }
    return application;
}

} // namespace framework::detail
