// The menu command that makes an EPUB, answered as a user answers its dialogs, with the real converter on
// the test books: one file in the chosen folder, never one overwritten, and the failures explained.
#include "conversion/StagingFolder.h"
#include "epub/Epub.h"
#include "framework/detail/MenuBarWindow.h"
#include "support/Conversion.h"
#include "support/Program.h"
#include "ui/MenuBar1.h"
#include "ui/MenuNames.h"

#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

class EpubRequestTest : public RuntimeTest
{
protected:
    void SetUp() override
    {
        app::NewAppInstance([this] { return application; });
        app::ApplicationAddMenuHandlers();
        menuBarWindow = std::make_unique<framework::detail::MenuBarWindow>(*MenuBar1());
        MakeConverterFolder(programFolder);
        fs::create_directories(destination);
    }

    // The menu command, the book and the folder chosen in its dialogs; then the box's button pressed.
    void convert(const std::string& source, const std::string& folder, const std::string& pressed = {})
    {
        script.QueueDialogAnswer(source);
        script.QueueDialogAnswer(folder);
        if (!pressed.empty()) {
            script.PressInNextMessage(pressed);
        }
        TriggerMenuItem(ui::menu_names::kConvertToEpub);
        EXPECT_TRUE(script.dialogAnswers.empty()) << "a dialog was not shown";
        EXPECT_TRUE(FileNames(conversion::StagingFolder::ParentFolder()).empty())
            << "a working folder is left";
    }
    std::vector<std::string> lastBox() const
    {
        const auto& box = script.ShownMessageBoxes().back();
        return {box.text, box.explanation};
    }

    // The staging and working folders go here, where nothing else does.
    const TempDir runtime;
    const ScopedVariable runtimeVariable{"XDG_RUNTIME_DIR", runtime.path()};
    TempDir dir;
    const std::string programFolder = dir / "Zwojnik (program)";
    const std::string destination = dir / "Wynik `uname` [1]";
    const std::shared_ptr<app::App> application = std::make_shared<AppInFolder>(programFolder);
    std::unique_ptr<framework::detail::MenuBarWindow> menuBarWindow; // where the menu command is chosen
};

} // namespace

// Twice into the same folder: the second book takes the next free name, and the first stays as it was.
// The file is the EPUB the engine makes of the converter's pages, and its buttons open it and its folder.
TEST_F(EpubRequestTest, TheCommandWritesOneEpubUnderAFreeNameAndItsButtonsOpenItAndTheFolder)
{
    const auto book = dir / "Moje książki/Książka.lit";
    CopyTestBook("przypisy.lit", book);
    const TempDir pages, direct;
    ASSERT_EQ(RunConverter(book, pages.path()).status, 0);
    const auto expected =
        epub::PackEpub(pages.path(), "Książka.opf", *epub::EpubSourceOf(book), direct.path(), "Książka");
    ASSERT_TRUE(expected.ok()) << expected.detail;

    convert(book, destination, "Otwórz książkę");
    const auto first = destination + "/Książka.epub";
    EXPECT_EQ(FileNames(destination), std::set<std::string>{"Książka.epub"}) << "the EPUB alone";
    EXPECT_EQ(lastBox(), (std::vector<std::string>{"Gotowe!", "Książka jest w pliku „" + first + "”."}));
    EXPECT_EQ(ReadFile(first), ReadFile(expected.written)) << "not the engine's EPUB of the book";

    convert(book, destination, "Otwórz teczkę");
    const auto second = destination + "/Książka (2).epub";
    EXPECT_EQ(FileNames(destination), (std::set<std::string>{"Książka.epub", "Książka (2).epub"}));
    EXPECT_EQ(lastBox()[1], "Książka jest w pliku „" + second + "”.");
    EXPECT_EQ(ReadFile(first), ReadFile(expected.written)) << "the first file was touched";

    std::vector<std::string> opened;
    for (const auto& url : script.ShownURLs()) {
        opened.push_back(QUrl(QString::fromStdString(url)).toLocalFile().toStdString());
    }
    EXPECT_EQ(opened, (std::vector<std::string>{first, destination}));
    const auto& dialogs = script.ShownDialogs();
    ASSERT_EQ(dialogs.size(), 4u);
    EXPECT_EQ(dialogs[0].title, "Wybierz plik .lit do zamiany na .epub:");
    EXPECT_EQ(dialogs[1].title, "Wskaż teczkę, w której mam zachować plik .epub:");
}

// The converter's failures are told as the HTML command tells them; what stops the EPUB itself after the
// converter has done its work, in a box of its own. Nothing lands in the folder either way.
TEST_F(EpubRequestTest, AFailureOfTheConverterOrOfTheEpubIsExplainedAndWritesNothing)
{
    const auto book = dir / "Książka.lit";
    CopyTestBook("krotka.lit", book);
    CopyTestBook("uszkodzona.lit", dir / "uszkodzona.lit");
    CopyTestBook("krotka.lit", dir / "..lit");
    const auto realConverter = "exec '" + ConverterBinary() + "' \"$@\"";
    struct Case
    {
        std::string book;
        std::string converter; // empty: the real one
        std::string text, explanationPart;
    };
    const std::vector<Case> cases{
        {dir / "uszkodzona.lit", "", ErrorMessage(255), "Książka jest uszkodzona"},
        // Its pages went with the working folder: none are left to tell of.
        {book, "'" + ConverterBinary() + "' \"$@\"; exit 3", ErrorMessage(3), "nie rozpoznaje"},
        {book, "exit 0", "Nie udało się zapisać pliku .epub.", "brakuje jej opisu (pliku .opf)"},
        {book, "rmdir '" + destination + "' && " + realConverter, "Nie udało się zapisać pliku .epub.",
         "Teczki „" + destination + "” już nie ma"},
        {dir / "..lit", "", "Nie udało się zapisać pliku .epub.", "„..lit”"},
    };
    for (const auto& [source, converter, text, explanationPart] : cases) {
        fs::remove_all(programFolder);
        if (converter.empty()) {
            MakeConverterFolder(programFolder);
        } else {
            MakeConverterScript(programFolder, converter);
        }
        fs::create_directories(destination);
        convert(source, destination);
        const auto& box = script.ShownMessageBoxes().back();
        EXPECT_EQ(box.text, text) << source << " " << converter;
        EXPECT_NE(box.explanation.find(explanationPart), std::string::npos) << box.explanation;
        EXPECT_EQ(box.explanation.find("Część plików"), std::string::npos) << "none were written";
        EXPECT_TRUE(FileNames(destination).empty()) << source << " " << converter;
    }

    // A folder whose file system turns read-only while the converter runs: a small one of the test's
    // own, where the tests may mount one.
    const auto disk = dir / "dysk";
    fs::create_directories(disk);
    if (mount("zwojnik-test", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0755") != 0) {
        return;
    }
    fs::remove_all(programFolder); // not written through the link to the real converter
    MakeConverterScript(programFolder, "mount -o remount,ro '" + disk + "' && " + realConverter);
    convert(book, disk);
    umount2(disk.c_str(), MNT_DETACH);
    EXPECT_EQ(lastBox(),
              (std::vector<std::string>{"Nie udało się zapisać pliku .epub.",
                                        "W teczce „" + disk + "” nie wolno zapisywać. Wskaż inną teczkę."}));
}
