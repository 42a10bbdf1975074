// Quitting while the converter runs asks first: yes ends the converter and the program, no carries on.
#include "support/Conversion.h"
#include "support/Program.h"
#include "ui/MenuNames.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <fstream>

using namespace testsupport;

namespace {

const std::string kQuestion = "Zamiana pliku .lit jeszcze trwa. Przerwać ją i zamknąć Zwojnik?";

class QuitWhileConvertingTest : public ScriptedTest
{
protected:
    // A converter that notes its process, then runs for the given time unless ended.
    void Converter(int seconds)
    {
        MakeConverterScript(dir / "konwerter", "echo $$ > '" + (dir / "pid") + "'\nsleep " +
                                                   std::to_string(seconds) + " &\nwait\necho koniec >> '" +
                                                   (dir / "pid") + "'");
        std::filesystem::create_directories(dir / "wynik");
        std::ofstream(dir / "książka.lit") << "nie jest to prawdziwa książka";
    }
    bool ConverterStarted() const { return !ReadFile(dir / "pid").empty(); }
    bool ConverterRunning() const
    {
        const auto pid = ReadFile(dir / "pid");
        return !pid.empty() && ProcessRunning(std::stoi(pid));
    }

    enum class Request
    {
        Shortcut,    // Ctrl+Q
        CloseWindow, // the menu bar's window closed, as from its title bar
    };

    // Asks to quit once the converter runs and answers the question with the button.
    int Run(Request request, QMessageBox::StandardButton answer)
    {
        script.AnswerQuestions(answer);
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (ConverterStarted() && !pressed) {
                pressed = true;
                if (request == Request::Shortcut) {
                    QTest::keyClick(MenuBarWindow()->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
                } else {
                    MenuBarWindow()->windowHandle()->close();
                }
            }
        });
        const int status = RunProgram(
            {},
            [&] {
                ticker.start(50);
                script.QueueDialogAnswer(dir / "książka.lit");
                script.QueueDialogAnswer(dir / "wynik");
                RunWhen([] { return true; }, [] { TriggerMenuItem(ui::menu_names::kConvertFromDisk); });
                if (answer == QMessageBox::No) {
                    QuitWhen([this] { return script.ShownMessages().size() == 2; });
                }
            },
            std::make_shared<AppInFolder>(dir / "konwerter"));
        ticker.stop();
        return status;
    }

    TempDir dir;
    bool pressed = false;
};

} // namespace

TEST_F(QuitWhileConvertingTest, YesEndsTheConverterAndQuitsWithoutAnOutcome)
{
    Converter(600);
    EXPECT_EQ(Run(Request::CloseWindow, QMessageBox::Yes), 0);
    EXPECT_FALSE(ConverterRunning());
    EXPECT_EQ(ReadFile(dir / "pid").find("koniec"), std::string::npos);
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{kQuestion}) << "an outcome was shown";
}

TEST_F(QuitWhileConvertingTest, NoLetsTheConverterFinishAndReport)
{
    Converter(2);
    EXPECT_EQ(Run(Request::Shortcut, QMessageBox::No), 0);
    EXPECT_NE(ReadFile(dir / "pid").find("koniec"), std::string::npos) << "the converter was ended";
    EXPECT_EQ(script.ShownMessages(), (std::vector<std::string>{kQuestion, "Gotowe!"}));
}
