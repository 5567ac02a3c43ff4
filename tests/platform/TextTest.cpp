#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvix;

TEST(Text, NthWordCountsRunsOfTheDelimiterAsOne)
{
    const std::string line = "  27/02 01:51:32   ZS-OK C:\\FILES\\T-MAIL.ZIP  79099 bytes";
    EXPECT_EQ(NthWord(line, 1), "27/02");
    EXPECT_EQ(NthWord(line, 4), "C:\\FILES\\T-MAIL.ZIP");
    EXPECT_EQ(NthWord(line, 6), "bytes");
    EXPECT_EQ(NthWord(line, 7), "");
    EXPECT_EQ(NthWord(line, 0), "");
    EXPECT_EQ(NthWord(line, -3), "");
    std::size_t start = 0;
    EXPECT_EQ(NthWord(line, 3, ' ', &start), "ZS-OK");
    EXPECT_EQ(line.substr(start, 5), "ZS-OK");
    EXPECT_EQ(NthWord("2:5030/77, 7-095-777, CONNECT 14400", 3, ','), " CONNECT 14400");
    EXPECT_EQ(NthWord(",,,a,,b,", 2, ','), "b");
    EXPECT_EQ(NthWord("", 1), "");
    EXPECT_EQ(NthWord("    ", 1), "");
    const std::string withZero("a\0b c", 5);
    EXPECT_EQ(NthWord(withZero, 1), std::string("a\0b", 3));
    EXPECT_EQ(NthWord(withZero, 2), "c");
}

TEST(Text, ContainsMatchesNothingForAnEmptyPart)
{
    EXPECT_TRUE(Contains("Carrier lost after 12 s", "lost"));
    EXPECT_TRUE(Contains("lost", "lost"));
    EXPECT_FALSE(Contains("los", "lost"));
    EXPECT_FALSE(Contains("any line", ""));
    EXPECT_FALSE(Contains("", ""));
    EXPECT_TRUE(Contains(std::string("a\0b", 3), std::string("\0b", 2)));
}
