// The program started without a display.
#include "framework/detail/QtStart.h"

#include <QProcess>
#include <gtest/gtest.h>

TEST(NoDisplay, ClearMessageInPolishAndStatusOne)
{
    for (const auto& display : {QString(), QStringLiteral(":97"), QStringLiteral("unix:97.0")}) {
        QProcess program;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("DISPLAY"));
        if (!display.isEmpty()) {
            environment.insert(QStringLiteral("DISPLAY"), display);
        }
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ZWOJNIK_BUILD_DIR "/zwojnik"), {QStringLiteral("x.lit")});
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << display.toStdString();
        EXPECT_EQ(program.exitCode(), 1) << display.toStdString();
        EXPECT_EQ(program.readAllStandardError().toStdString(), framework::detail::kNoDisplayMessage)
            << display.toStdString();
    }
}
