#include "framework/Text.h"

#include <gtest/gtest.h>

using namespace framework;

// The quoting table relies on one pass per row, left to right, never searching a replacement again.
TEST(Text, ReplaceAllReplacesEveryOccurrenceLeftToRightOnce)
{
    EXPECT_EQ(ReplaceAll("a\\ b\\ c", "\\ ", "?"), "a?b?c");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("xx", "x", "xx"), "xxxx");
    EXPECT_EQ(ReplaceAll("abc", "", "-"), "abc");
    EXPECT_EQ(ReplaceAll("zażółć", "ó", "o"), "zażołć");
}
