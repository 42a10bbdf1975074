#include "app/Startup.h"

#include "app/App.h"
#include "framework/Application.h"
#include "framework/DocumentTypes.h"
#include "support/Program.h"
#include "ui/MenuNames.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QMainWindow>
#include <filesystem>
#include <fstream>

using namespace testsupport;

namespace {
// Counts Close events; the program's own handler asks to quit again from inside.
class CountingApp : public app::App
{
public:
    void Event_Open() override
    {
        opened = true;
        app::App::Event_Open();
    }
    void Event_Close() override
    {
        ++closes;
        typesAtClose = framework::RegisteredDocumentTypes();
        app::App::Event_Close();
    }
    bool opened = false;
    int closes = 0;
    std::vector<framework::DocumentType> typesAtClose;
};
} // namespace

using StartupTest = ScriptedTest;

// Before the event loop, the file types are registered, the application object has its menu bar and its
// menu handlers; then the menu bar's window is the one shown, and closing it quits. Close comes once,
// however often quitting is asked for, and before the windows and document types go.
TEST_F(StartupTest, EverythingIsReadyBeforeTheEventLoopAndClosingTheWindowQuitsWithZero)
{
    const std::vector<framework::DocumentType> ebook{{"text/lit", "????", "xLIT", ".lit"}};
    QStringList shownWindows;
    auto counting = std::make_shared<CountingApp>();
    const int status = RunProgram(
        {},
        [&] {
            EXPECT_EQ(framework::RegisteredDocumentTypes(), ebook);
            EXPECT_EQ(framework::Application::Instance(), counting);
            EXPECT_NE(counting->MenuBar(), nullptr);
            EXPECT_NE(counting->MenuHandlerFor(ui::menu_names::kAbout), nullptr);
            EXPECT_FALSE(counting->opened) << "the loop begins before Open";
            RunWhen([] { return MenuBarWindow() != nullptr; },
                    [&] {
                        for (auto* widget : QApplication::topLevelWidgets()) {
                            if (widget->isVisible()) {
                                shownWindows << widget->windowTitle();
                            }
                        }
                        MenuBarWindow()->close();
                        framework::Quit(0);
                    });
        },
        counting);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(counting->opened);
    EXPECT_EQ(counting->closes, 1);
    EXPECT_EQ(counting->typesAtClose, ebook);
    EXPECT_EQ(shownWindows, QStringList{QStringLiteral("Zwojnik")});
    EXPECT_TRUE(script.ShownDialogs().empty());
    EXPECT_TRUE(script.ShownMessages().empty());
}

// The windows take the application's icon: the installed theme's "zwojnik", or else the built-in one.
TEST_F(StartupTest, WindowsCarryTheInstalledThemeIconOrElseTheBuiltInOneAtFullSize)
{
    TempDir themes;
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QIcon::setThemeSearchPaths({QString::fromStdString(themes.path())});
    QIcon::setThemeName(QStringLiteral("hicolor"));
    char name[] = "zwojnik";
    char* arguments[] = {name, nullptr};
    // At full size: a picture smaller than that is never scaled up.
    const auto icon = [&] {
        framework::Runtime runtime(1, arguments, app::Identity(), std::make_unique<ScriptedPlatform>(script));
        EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("zwojnik"));
        return QApplication::windowIcon().pixmap(256).toImage();
    };
    const auto builtIn = icon();
    EXPECT_EQ(builtIn.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(builtIn.pixel(128, 128)), 255);

    // An icon theme that holds "zwojnik" wins: here a plain red square.
    const auto folder = std::filesystem::path(themes.path()) / "hicolor";
    std::filesystem::create_directories(folder / "256x256/apps");
    std::ofstream(folder / "index.theme")
        << "[Icon Theme]\nName=Hicolor\nDirectories=256x256/apps\n\n[256x256/apps]\nSize=256\nType=Fixed\n";
    QImage red(256, 256, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString((folder / "256x256/apps/zwojnik.png").string())));
    const auto themed = icon();
    EXPECT_EQ(themed.size(), QSize(256, 256));
    EXPECT_EQ(themed.pixel(128, 128), qRgb(255, 0, 0));
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
}
