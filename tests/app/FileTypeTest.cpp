#include "app/FileType.h"
#include "framework/DocumentTypes.h"

#include <gtest/gtest.h>

using app::FileType;
using framework::DocumentType;
using framework::RegisteredDocumentType;
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

class FileTypeTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(RegisteredDocumentTypes().empty()); }
    void TearDown() override
    {
        app::FileTypes::pTextLit.reset();
        EXPECT_TRUE(RegisteredDocumentTypes().empty());
    }
};

TEST_F(FileTypeTest, InitializeRegistersTheEbookTypeOnce)
{
    app::FileTypes::Initialize();
    const std::vector<DocumentType> expected{{"text/lit", "????", "xLIT", ".lit"}};
    EXPECT_EQ(RegisteredDocumentTypes(), expected);

    // Used as a string again: the name, and no second registration.
    EXPECT_EQ(static_cast<std::string>(*app::FileTypes::pTextLit), "text/lit");
    EXPECT_EQ(RegisteredDocumentTypes().size(), 1u);
}

TEST_F(FileTypeTest, NewRecordIsNotRegisteredUntilUsedAsString)
{
    FileType type;
    fill(type, "a/b", ".b");
    EXPECT_FALSE(type.Registered());
    EXPECT_TRUE(RegisteredDocumentTypes().empty());
    EXPECT_EQ(static_cast<std::string>(type), "a/b");
    EXPECT_TRUE(type.Registered());
    EXPECT_EQ(RegisteredDocumentType("a/b"), (DocumentType{"a/b", "CREA", "TYPE", ".b"}));
}

TEST_F(FileTypeTest, ChangingAValueDeregistersUnderTheOldNameUntilNextUse)
{
    FileType type;
    fill(type, "old/name", ".o");
    static_cast<void>(static_cast<std::string>(type));

    type.SetName("new/name");
    EXPECT_FALSE(type.Registered());
    EXPECT_TRUE(RegisteredDocumentTypes().empty());

    static_cast<void>(static_cast<std::string>(type));
    EXPECT_TRUE(RegisteredDocumentType("new/name").has_value());
    EXPECT_FALSE(RegisteredDocumentType("old/name").has_value());

    type.SetExtensions(".n");
    EXPECT_TRUE(RegisteredDocumentTypes().empty());
}

TEST_F(FileTypeTest, JoiningMakesASemicolonListAndRegistersEveryRecord)
{
    FileType left;
    FileType right;
    fill(left, "text/lit", ".lit");
    fill(right, "text/html", ".html");

    EXPECT_EQ(left + right, "text/lit;text/html");
    EXPECT_TRUE(left.Registered());
    EXPECT_TRUE(right.Registered());
    EXPECT_EQ(std::string("special/any") + left, "special/any;text/lit");
    EXPECT_EQ(right + std::string("x/y"), "text/html;x/y");
    EXPECT_EQ(RegisteredDocumentTypes().size(), 2u);
}

TEST_F(FileTypeTest, DestroyingARegisteredRecordDeregistersIt)
{
    {
        FileType type;
        fill(type, "gone/soon", ".g");
        static_cast<void>(static_cast<std::string>(type));
        EXPECT_EQ(RegisteredDocumentTypes().size(), 1u);
    }
    EXPECT_TRUE(RegisteredDocumentTypes().empty());
}
