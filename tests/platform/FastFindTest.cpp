#include "platform/FastFind.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace tarvix;

TEST(FastFind, FindsWhatTheLibrarySearchFinds)
{
    // Lines of every length up to 80 over a small alphabet, so that first and last
    // bytes of the parts stand in many places by chance; parts of 1 to 14 bytes,
    // some cut from the line itself (at its very end too).
    std::mt19937 rng(11);
    auto text = [&rng](std::size_t n) {
        std::string s(n, 'a');
        for (char& c : s)
            c = "abct \xe0"[rng() % 6];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string line = text(rng() % 81);
        std::string part;
        if (!line.empty() && rng() % 2 == 0) {
            const std::size_t at = rng() % line.size();
            part = line.substr(at, 1 + rng() % 14);
        } else {
            part = text(1 + rng() % 14);
        }
        ASSERT_EQ(FindText(line, part), std::string_view(line).find(part)) << line << " / " << part;
        ASSERT_EQ(HasText(line, part), line.find(part) != std::string::npos);
    }
}

TEST(FastFind, EmptyAndOversizedParts)
{
    EXPECT_EQ(FindText("abc", ""), 0u);
    EXPECT_FALSE(HasText("abc", ""));
    EXPECT_EQ(FindText("ab", "abc"), std::string_view::npos);
    EXPECT_EQ(FindText("", "a"), std::string_view::npos);
    const std::string longLine = std::string(100, 'x') + "Carrier lost";
    EXPECT_EQ(FindText(longLine, "Carrier lost"), 100u);
    EXPECT_EQ(FindText(longLine, "Carrier lose"), std::string_view::npos);
}
