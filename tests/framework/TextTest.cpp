#include "framework/Text.h"

#include <gtest/gtest.h>

using namespace framework;

TEST(Text, ChrEncodesCodePointsAsUtf8)
{
    EXPECT_EQ(Chr(34), "\"");
    EXPECT_EQ(Chr(0xA0), "\xC2\xA0");
    EXPECT_EQ(Chr(0x2026), "\xE2\x80\xA6");
    EXPECT_EQ(Chr(0x1F600), "\xF0\x9F\x98\x80");
    EXPECT_THROW(Chr(0xD800), std::invalid_argument);
    EXPECT_EQ(Str(-2147483648LL), "-2147483648");
}

// The quoting table relies on one pass per row, left to right, never searching a replacement again.
TEST(Text, ReplaceAllReplacesEveryOccurrenceLeftToRightOnce)
{
    EXPECT_EQ(ReplaceAll("a\\ b\\ c", "\\ ", "?"), "a?b?c");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("xx", "x", "xx"), "xxxx");
    EXPECT_EQ(ReplaceAll("abc", "", "-"), "abc");
    EXPECT_EQ(ReplaceAll("zażółć", "ó", "o"), "zażołć");
}
