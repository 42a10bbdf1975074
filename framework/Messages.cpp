#include "framework/Messages.h"

#include "framework/Scripting.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace framework {

void MsgBox(const String& text)
{
    if (scripting::detail::MessagesAnswered()) {
        scripting::detail::AnswerMessage(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void ShowURL(const String& url)
{
    if (scripting::detail::URLsRecorded()) {
        scripting::detail::RecordURL(url);
        return;
    }
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace framework
