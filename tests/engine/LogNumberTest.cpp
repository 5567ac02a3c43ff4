#include "engine/LogNumber.h"

#include <gtest/gtest.h>

using namespace tarvix;

TEST(LogNumber, ReadsLikeStrToInt)
{
    int v = -1;
    for (auto [text, expected] : {std::pair{"07", 7}, {"59", 59}, {"00", 0}, {" 7", 7}, {"+5", 5}, {"-3", -3},
                                  {"123", 123}, {"  -0042", -42}, {"2147483647", 2147483647},
                                  {"-2147483648", -2147483647 - 1}}) {
        ASSERT_TRUE(TryParseLogInt(text, v)) << text;
        EXPECT_EQ(v, expected) << text;
    }
    for (const char* bad : {"", " ", "+", "-", "1 ", "7a", "a7", "0x1", "2147483648", "-2147483649", "1.5", "/1", "1:"})
        EXPECT_FALSE(TryParseLogInt(bad, v)) << bad;
    EXPECT_EQ(ParseLogInt("31"), 31);
    EXPECT_THROW(ParseLogInt("3l"), EConvertError);
}
