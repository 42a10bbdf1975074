#include "app/FileType.h"

#include "framework/DocumentTypes.h"
#include "support/Program.h"

#include <gtest/gtest.h>

using app::FileType;
using framework::DocumentType;
using framework::RegisteredDocumentTypes;

namespace {
void fill(FileType& type, const std::string& name, const std::string& extension)
{
    type.SetName(name);
    type.SetExtensions(extension);
    type.SetMacType("TYPE");
    type.SetMacCreator("CREA");
}
} // namespace

// Start-up registers the program's own type (StartupTest).
class FileTypeTest : public testsupport::RuntimeTest
{
protected:
    void TearDown() override
    {
        EXPECT_TRUE(RegisteredDocumentTypes().empty()) << "destruction leaves a type registered";
    }
};

TEST_F(FileTypeTest, ARecordIsRegisteredOnceWhenUsedAsAStringAndDeregisteredByAChangeUntilNextUse)
{
    FileType type;
    fill(type, "old/name", ".o");
    EXPECT_TRUE(RegisteredDocumentTypes().empty());
    EXPECT_EQ(static_cast<std::string>(type), "old/name");
    EXPECT_EQ(static_cast<std::string>(type), "old/name");
    EXPECT_EQ(RegisteredDocumentTypes(), (std::vector<DocumentType>{{"old/name", "CREA", "TYPE", ".o"}}));

    type.SetName("new/name");
    EXPECT_TRUE(RegisteredDocumentTypes().empty());
    static_cast<void>(static_cast<std::string>(type));
    EXPECT_EQ(RegisteredDocumentTypes(), (std::vector<DocumentType>{{"new/name", "CREA", "TYPE", ".o"}}));

    type.SetExtensions(".n");
    EXPECT_TRUE(RegisteredDocumentTypes().empty());
    static_cast<void>(static_cast<std::string>(type)); // registered again: destruction must take it away
}

TEST_F(FileTypeTest, JoiningMakesASemicolonListAndRegistersEveryRecord)
{
    FileType lit, html, first, second;
    fill(lit, "text/lit", ".lit");
    fill(html, "text/html", ".html");
    fill(first, "a/first", ".a");
    fill(second, "b/second", ".b");

    EXPECT_EQ(std::string("special/any") + lit, "special/any;text/lit");
    EXPECT_EQ(RegisteredDocumentTypes().size(), 1u);
    EXPECT_EQ(html + std::string("x/y"), "text/html;x/y");
    EXPECT_EQ(RegisteredDocumentTypes().size(), 2u);
    EXPECT_EQ(first + second, "a/first;b/second");
    EXPECT_EQ(RegisteredDocumentTypes().size(), 4u);
}
