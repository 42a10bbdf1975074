// The program as it starts and leaves the system: no display, and no files of its own.
#include "framework/detail/QtStart.h"
#include "support/Program.h"
#include "support/TempDir.h"
#include "ui/MenuNames.h"

#include <QFileDialog>
#include <QProcess>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace testsupport;

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

class NoFilesOfItsOwn : public ScriptedTest
{};

TEST_F(NoFilesOfItsOwn, FileDialogsLeaveNoSettingsBehind)
{
    TempDir home;
    const auto previousHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.path()));
    qunsetenv("XDG_CONFIG_HOME");
    TempDir books;
    std::ofstream(books / "a.lit") << "x";
    int dialogs = 0;

    const int status = RunProgram({books / "a.lit"}, [&] {
        // The folder dialog of the document, then the open dialog of the menu; each cancelled.
        RunWhen([&] { return dialogs == 0 && ShownFileDialog() != nullptr; },
                [&] {
                    ++dialogs;
                    ShownFileDialog()->reject();
                });
        RunWhen([&] { return dialogs == 1 && ShownFileDialog() == nullptr && !framework::RequestRunning(); },
                [&] {
                    ++dialogs;
                    TriggerMenuItem(ui::menu_names::kConvertFromDisk);
                });
        RunWhen([&] { return dialogs == 2 && ShownFileDialog() != nullptr; },
                [&] {
                    ++dialogs;
                    ShownFileDialog()->reject();
                });
        QuitWhen([&] { return dialogs == 3; });
    });

    EXPECT_EQ(status, 0);
    EXPECT_EQ(dialogs, 3);
    qputenv("HOME", previousHome);
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(home.path())) {
        written.push_back(entry.path().string());
    }
    EXPECT_TRUE(written.empty()) << ::testing::PrintToString(written);
}
