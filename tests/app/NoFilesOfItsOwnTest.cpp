// The program started where Qt cannot show its windows.
#include "app/Startup.h"

#include <QProcess>
#include <gtest/gtest.h>

// Without a display, or with one where no server runs, the program says so; any other reason Qt has for
// not starting (here a platform that does not exist) is Qt's to tell, after the program's own line.
TEST(NoDisplay, ClearMessageInPolishAndStatusOneAndQtsOwnReasonForAnythingElse)
{
    const struct
    {
        QString display, platform;
        bool noDisplay;
    } cases[]{{{}, {}, true},
              {QStringLiteral(":97"), {}, true},
              {QStringLiteral("unix:97.0"), {}, true},
              {QStringLiteral(":97"), QStringLiteral("bogus"), false}};
    for (const auto& [display, platform, noDisplay] : cases) {
        SCOPED_TRACE(display.toStdString() + " " + platform.toStdString());
        QProcess program;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("DISPLAY"));
        if (!display.isEmpty()) {
            environment.insert(QStringLiteral("DISPLAY"), display);
        }
        if (!platform.isEmpty()) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        }
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ZWOJNIK_BUILD_DIR "/zwojnik"), {QStringLiteral("x.lit")});
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 1);
        const auto said = program.readAllStandardError().toStdString();
        if (noDisplay) {
            EXPECT_EQ(said, app::kNoDisplayMessage);
        } else {
            EXPECT_TRUE(said.starts_with(app::kCannotStartMessage)) << said;
            EXPECT_NE(said.find("\"" + platform.toStdString() + "\""), std::string::npos) << said;
        }
    }
}
