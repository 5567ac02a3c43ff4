#include "platform/FastFind.h"
#include "platform/Text.h"
#include "platform/Words.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
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

TEST(Words, SameBytesFindsADifferenceAtEveryPlaceOfEveryLength)
{
    for (std::size_t n = 0; n <= 40; ++n) {
        const std::string a(n, 'k');
        EXPECT_TRUE(SameBytes(a, std::string(n, 'k'))) << n;
        for (std::size_t at = 0; at < n; ++at) {
            std::string b = a;
            b[at] = '\xeb';
            EXPECT_FALSE(SameBytes(a, b)) << n << " " << at;
            EXPECT_FALSE(SameBytes(b.data(), a.data(), n)) << n << " " << at;
        }
        EXPECT_FALSE(SameBytes(a, a + "k")) << n;
    }
}

TEST(Words, HashBytesTellsNearTextsApart)
{
    // Names that differ in one place or in length alone: equal texts hash alike,
    // and these distinct ones do not collide.
    std::set<std::uint32_t> hashes;
    std::size_t texts = 0;
    for (std::size_t n = 0; n <= 24; ++n) {
        const std::string base(n, 'a');
        EXPECT_EQ(HashBytes(base), HashBytes(std::string(n, 'a')));
        hashes.insert(HashBytes(base));
        ++texts;
        for (std::size_t at = 0; at < n; ++at) {
            std::string other = base;
            other[at] = 'b';
            hashes.insert(HashBytes(other));
            ++texts;
        }
    }
    EXPECT_EQ(hashes.size(), texts);
}

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
