#include "framework/detail/QtStart.h"

#include <QApplication>
#include <QSettings>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace framework::detail {

namespace {

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};

// Qt's platform plugin tells in English why it cannot start, and then Qt aborts; its messages are held
// while the application object is made, and shown as they are only when it was made.
std::vector<HeldMessage> gHeldMessages;
const std::function<void(const StartFailure&)>* gTellFailure = nullptr;

// The plugins for the X and Wayland display servers speak in their own category while starting only when
// they cannot reach their display; a plugin that is missing or cannot be loaded is Qt's own concern.
bool fromDisplayPlugin(const HeldMessage& message)
{
    return message.category == "qt.qpa.xcb" || message.category.startsWith("qt.qpa.wayland");
}

void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    gHeldMessages.push_back({type, QByteArray(context.category), text});
    if (type != QtFatalMsg) {
        return;
    }
    StartFailure failure;
    failure.noDisplay = std::any_of(gHeldMessages.begin(), gHeldMessages.end(), fromDisplayPlugin);
    for (const auto& message : gHeldMessages) {
        failure.reason += message.text.trimmed().toStdString() + "\n";
    }
    if (gTellFailure && *gTellFailure) {
        (*gTellFailure)(failure);
    } else {
        std::fputs(failure.reason.c_str(), stderr);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

std::unique_ptr<QApplication> StartQt(char* programName,
                                      const std::function<void(const StartFailure&)>& tellFailure)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
    if (QApplication::instance()) {
        return nullptr;
    }
    static int argc = 1;
    static char* argv[] = {programName, nullptr};
    gTellFailure = &tellFailure;
    const auto previous = qInstallMessageHandler(holdMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    gTellFailure = nullptr;
    for (auto& message : std::exchange(gHeldMessages, {})) {
        // Qt's own handler, when none was installed.
        previous(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.constData()),
                 message.text);
    }
    return application;
}

} // namespace framework::detail
