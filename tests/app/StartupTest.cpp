#include "app/App.h"
#include "framework/Application.h"
#include "framework/DocumentTypes.h"
#include "framework/Exceptions.h"
#include "support/Conversion.h"
#include "support/Program.h"
#include "ui/MenuNames.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QMainWindow>
#include <filesystem>
#include <fstream>
#include <map>

using namespace testsupport;

using StartupTest = ScriptedTest;

TEST_F(StartupTest, StepsRunInOrderAndEachFindsWhatTheOneBeforeMade)
{
    namespace names = ui::menu_names;
    std::vector<std::string> steps;
    QStringList shownWindows;
    const int status = RunProgram(
        {},
        [&] {
            for (const auto& name : {names::kAbout, names::kMakerPage, names::kFeedback, names::kHelp,
                                     names::kConvertFromDisk, names::kConverterPage}) {
                EXPECT_NE(App().MenuHandlerFor(name), nullptr) << name;
            }
            const auto keep = framework::Application::Instance();
            framework::Application::Register(std::make_shared<framework::Application>());
            EXPECT_THROW(App(), framework::IllegalCastException);
            framework::Application::Register(keep);
            RunWhen([] { return true; },
                    [&] {
                        for (auto* widget : QApplication::topLevelWidgets()) {
                            if (widget->isVisible()) {
                                shownWindows << widget->windowTitle();
                            }
                        }
                        TriggerMenuItem("FileQuit");
                    });
        },
        nullptr,
        [&](std::string_view step) {
            steps.emplace_back(step);
            if (step == "application object") {
                EXPECT_TRUE(framework::RegisteredDocumentType("text/lit").has_value());
                EXPECT_THROW(App(), framework::NilObjectException);
            } else if (step == "menu handlers") {
                ASSERT_NE(framework::Application::Instance(), nullptr);
                EXPECT_NE(framework::Application::Instance()->MenuBar(), nullptr);
                EXPECT_EQ(framework::Application::Instance()->MenuHandlerFor(names::kAbout), nullptr);
            } else if (step == "finalisation") {
                EXPECT_TRUE(framework::RegisteredDocumentType("text/lit").has_value());
            } else if (step == "exit") {
                EXPECT_TRUE(framework::RegisteredDocumentTypes().empty());
            }
        });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(steps, (std::vector<std::string>{"framework", "file types", "application object",
                                               "menu handlers", "event loop", "finalisation", "exit"}));
    EXPECT_EQ(shownWindows, QStringList{QStringLiteral("Zwojnik")});
    EXPECT_TRUE(script.ShownDialogs().empty());
    EXPECT_TRUE(script.ShownMessages().empty());
}

TEST_F(StartupTest, DocumentsGivenAtLaunchAreConvertedOneByOneOnceTheHandlersAreBound)
{
    TempDir dir;
    const auto first = dir / "pierwsza książka.lit";
    const auto second = dir / "druga; książka.lit";
    CopyTestBook("krotka.lit", first);
    CopyTestBook("rozdzialy.lit", second);
    std::filesystem::create_directories(dir / "do pierwszej");
    std::filesystem::create_directories(dir / "do drugiej");
    script.QueueDialogAnswer(dir / "do pierwszej");
    script.QueueDialogAnswer(dir / "do drugiej");
    auto recording = std::make_shared<RecordingApp>();

    const int status = RunProgram(
        {first, second},
        [&] {
            EXPECT_TRUE(recording->events.empty()) << "a document came before the event loop";
            QuitWhen([&] { return recording->events.size() == 4; });
        },
        recording);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(recording->events, OpenedInTurn({first, second}));
    EXPECT_EQ(script.ShownMessages(), (std::vector<std::string>{"Gotowe!", "Gotowe!"}));
    EXPECT_TRUE(FileNames(dir / "do pierwszej").count("krotka.html"));
    EXPECT_FALSE(FileNames(dir / "do pierwszej").count("rozdzialy_split_000.html"));
    EXPECT_TRUE(FileNames(dir / "do drugiej").count("rozdzialy_split_000.html"));
}

namespace {
// Counts Close events; the program's own handler asks to quit again from inside.
class CountingApp : public app::App
{
public:
    void Event_Close() override
    {
        ++closes;
        app::App::Event_Close();
    }
    int closes = 0;
};
} // namespace

TEST_F(StartupTest, QuittingFromTheMenuOrByClosingTheWindowRaisesCloseOnceAndExitsWithZero)
{
    const std::vector<std::function<void()>> ways{
        [] {
            TriggerMenuItem("FileQuit");
            framework::Quit(0); // asked again while already quitting
        },
        [] { MenuBarWindow()->close(); },
    };
    for (const auto& quit : ways) {
        auto counting = std::make_shared<CountingApp>();
        const int status = RunProgram(
            {}, [&] { RunWhen([] { return MenuBarWindow() != nullptr; }, quit); }, counting);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(counting->closes, 1);
    }
}

namespace {
// What the program's window carries while it runs: its icon at 16 and 256 px, and the desktop file
// that it belongs to.
struct WindowIdentity
{
    std::map<int, QImage> icon;
    QString desktopFileName;
};

WindowIdentity IdentityWithIconThemesIn(Script& script, const std::string& folder)
{
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QIcon::setThemeSearchPaths({QString::fromStdString(folder)});
    QIcon::setThemeName(QStringLiteral("hicolor"));
    WindowIdentity identity;
    RunProgram(script, {}, [&] {
        RunWhen([] { return MenuBarWindow() != nullptr; },
                [&] {
                    for (const int size : {16, 256}) {
                        identity.icon[size] = MenuBarWindow()->windowIcon().pixmap(size).toImage();
                    }
                    identity.desktopFileName = QGuiApplication::desktopFileName();
                    TriggerMenuItem("FileQuit");
                });
    });
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
    return identity;
}

QRgb Middle(const QImage& image)
{
    return image.valid(image.width() / 2, image.height() / 2)
               ? image.pixel(image.width() / 2, image.height() / 2)
               : 0;
}
} // namespace

TEST_F(StartupTest, WindowsCarryTheInstalledThemeIconOrElseTheBuiltInOneAtEverySize)
{
    TempDir themes;
    const auto builtIn = IdentityWithIconThemesIn(script, themes.path());
    EXPECT_EQ(builtIn.desktopFileName, QStringLiteral("zwojnik"));
    for (const auto& [size, image] : builtIn.icon) {
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(Middle(image)), 255) << size << " px";
    }

    // An icon theme that holds "zwojnik" wins: here a plain red square.
    const auto folder = std::filesystem::path(themes.path()) / "hicolor";
    std::filesystem::create_directories(folder / "256x256/apps");
    std::ofstream(folder / "index.theme")
        << "[Icon Theme]\nName=Hicolor\nDirectories=256x256/apps\n\n[256x256/apps]\nSize=256\nType=Fixed\n";
    QImage red(256, 256, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString((folder / "256x256/apps/zwojnik.png").string())));
    for (const auto& [size, image] : IdentityWithIconThemesIn(script, themes.path()).icon) {
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(Middle(image), qRgb(255, 0, 0)) << size << " px";
    }
}
