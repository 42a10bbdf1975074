#include "framework/Text.h"

#include <gtest/gtest.h>

using namespace framework;

TEST(Text, ChrEncodesCodePointsAsUtf8)
{
    EXPECT_EQ(Chr(34), "\"");
    EXPECT_EQ(Chr(32), " ");
    EXPECT_EQ(Chr(0xA0), "\xC2\xA0");
    EXPECT_EQ(Chr(0x2026), "\xE2\x80\xA6");
    EXPECT_EQ(Chr(0x1F600), "\xF0\x9F\x98\x80");
    EXPECT_THROW(Chr(0xD800), std::invalid_argument);
}

TEST(Text, StrWritesDecimalWithSign)
{
    EXPECT_EQ(Str(0), "0");
    EXPECT_EQ(Str(255), "255");
    EXPECT_EQ(Str(-3), "-3");
    EXPECT_EQ(Str(-2147483648LL), "-2147483648");
}

TEST(Text, ReplaceAllReplacesEveryOccurrenceLeftToRight)
{
    EXPECT_EQ(ReplaceAll("a\\ b\\ c", "\\ ", "?"), "a?b?c");
    // Left to right without overlap: "aaa" holds one "aa" before the last "a".
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    // A replacement is not searched again.
    EXPECT_EQ(ReplaceAll("xx", "x", "xx"), "xxxx");
    EXPECT_EQ(ReplaceAll("nothing here", "\\", "?"), "nothing here");
    EXPECT_EQ(ReplaceAll("", "a", "b"), "");
    EXPECT_EQ(ReplaceAll("abc", "", "-"), "abc");
    EXPECT_EQ(ReplaceAll("zażółć", "ó", "o"), "zażołć");
}
