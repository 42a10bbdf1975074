#include "framework/Platform.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <sys/utsname.h>

namespace framework {

std::optional<String> QtPlatform::RunFileDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

void QtPlatform::RunMessageBox(QMessageBox& box)
{
    box.exec();
}

std::vector<ScreenGeometry> QtPlatform::Screens() const
{
    std::vector<ScreenGeometry> screens;
    for (const auto* screen : QGuiApplication::screens()) {
        screens.push_back({screen->geometry(), screen->availableGeometry()});
    }
    return screens;
}

// Qt's own way answers only whether it could start a program, not whether that program opened the URL.
// On X11 and Wayland desktops the opener is xdg-open, which ends with a failure status when no program
// takes the URL; it runs alongside, and may go on as long as the program it started. Without xdg-open,
// and elsewhere, Qt's own way serves.
void QtPlatform::OpenURL(const QUrl& url, std::function<void()> notOpened)
{
    const auto openedByQt = [url, notOpened] {
        if (!QDesktopServices::openUrl(url)) {
            QTimer::singleShot(0, qApp, notOpened);
        }
    };
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    auto* opener = new QProcess(&mOpeners);
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    opener->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, notOpened](int status, QProcess::ExitStatus how) {
                         opener->deleteLater();
                         if (how != QProcess::NormalExit || status != 0) {
                             notOpened();
                         }
                     });
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, openedByQt](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             opener->deleteLater();
                             openedByQt();
                         }
                     });
    opener->start(QStringLiteral("xdg-open"), {QString::fromLatin1(url.toEncoded())});
#else
    openedByQt();
#endif
}

std::optional<String> QtPlatform::MachineName() const
{
    utsname system{};
    if (uname(&system) != 0) {
        return std::nullopt;
    }
    return String(system.machine);
}

} // namespace framework
