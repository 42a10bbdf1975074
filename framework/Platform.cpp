#include "framework/Platform.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
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

void QtPlatform::OpenURL(const QUrl& url)
{
    QDesktopServices::openUrl(url);
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
