#include "framework/Messages.h"

#include "framework/Platform.h"

#include <QApplication>
#include <QMessageBox>
#include <QUrl>

namespace framework {

void MsgBox(const String& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    CurrentPlatform().RunMessageBox(box);
}

void ShowURL(const String& url)
{
    CurrentPlatform().OpenURL(QUrl(QString::fromStdString(url)));
}

} // namespace framework
