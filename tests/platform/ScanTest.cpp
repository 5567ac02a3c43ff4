// Every helper of platform/Scan.h against a plain version of its meaning, over
// every length up to 80, every alignment in a vector and bytes around the text
// that a load outside it would see; the word and part helpers of platform/Text.h.
#include "platform/Scan.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace tarvix;

namespace {

void CheckText(std::string_view s, std::mt19937& rng)
{
    const std::size_t n = s.size();
    for (char c : {'t', ' ', '7', ':'}) {
        ASSERT_EQ(FindLast(s, c), s.rfind(c)) << s;
        std::vector<std::size_t> offsets, asked;
        for (std::size_t i = 0; i < n; ++i)
            if (s[i] == c)
                offsets.push_back(i);
        EXPECT_FALSE(AnyOffsetOf(s, c, [&](std::size_t at) { asked.push_back(at); return false; }));
        ASSERT_EQ(asked, offsets) << s;
        if (n <= 64) {
            std::uint64_t bits = 0;
            for (std::size_t at : offsets)
                bits |= std::uint64_t{1} << at;
            ASSERT_EQ(ByteBits(s, c), bits) << s;
        }
    }
    for (std::size_t from = 0; from <= n; ++from) {
        const std::size_t to = from + rng() % (n - from + 1);
        const std::string_view field = s.substr(from, to - from);
        const std::size_t byte = field.find('t'), blank = field.find_first_of(" \t");
        ASSERT_EQ(FindByte(s, 't', from, to), byte == field.npos ? byte : from + byte) << s << " " << from << " " << to;
        ASSERT_EQ(FindBlank(s, from, to), blank == field.npos ? to : from + blank) << s << " " << from << " " << to;
        const std::size_t blankOr = field.find_first_of(" \t:");
        ASSERT_EQ(FindBlankOr(s, ':', from, to), blankOr == field.npos ? to : from + blankOr) << s << " " << from;

        // Digits and stamps from every place.
        const char* p = s.data() + from;
        std::int64_t value = -1;
        const std::size_t count = DigitRun(p, s.data() + n, value);
        const std::size_t digits = std::min(s.find_first_not_of("0123456789", from), n) - from;
        if (digits == 0 || digits > 18) {
            ASSERT_EQ(count, 0u) << s << " " << from;
        } else {
            ASSERT_EQ(count, digits) << s << " " << from;
            ASSERT_EQ(p, s.data() + from + digits);
            ASSERT_EQ(value, std::stoll(std::string(s.substr(from, digits)))) << s << " " << from;
        }
        if (n - from >= 8) {
            // "hh:mm:ss" with the separators ignored: the digits as one number.
            std::string stamp(s.substr(from, 8));
            stamp.erase(5, 1).erase(2, 1);
            int h = -1, m = -1, sec = -1;
            const bool plain = stamp.find_first_not_of("0123456789") == stamp.npos;
            ASSERT_EQ(StampDigits(s.data() + from, h, m, sec), plain) << stamp;
            if (plain) {
                ASSERT_EQ(h * 10000 + m * 100 + sec, std::stoi(stamp)) << stamp;
            }
            std::string upper(s.substr(from, 8));
            for (char& c : upper)
                c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
            ASSERT_EQ(UpperAsciiWord(LoadWord8(s.data() + from)), LoadWord8(upper.data())) << upper;
        }
    }
    // Parts cut from the text (its end too) and parts made up.
    for (int k = 0; k < 4; ++k) {
        std::string part;
        if (n != 0 && k < 2) {
            const std::size_t at = rng() % n;
            part = std::string(s.substr(at, 1 + rng() % 14));
        } else {
            for (std::size_t i = 1 + rng() % 4; i-- > 0;)
                part += "t7: a"[rng() % 5];
        }
        ASSERT_EQ(FindText(s, part), s.find(part)) << s << " / " << part;
        ASSERT_EQ(HasText(s, part), s.find(part) != s.npos);
        ASSERT_EQ(SameBytes(s.substr(0, std::min(n, part.size())), part), s.starts_with(part)) << s << " / " << part;
    }
}

}  // namespace

TEST(Scan, AgreesWithThePlainVersionsAtEveryLengthAndAlignment)
{
    // Digits, blanks, stamp marks and bytes around 'a' to 'z': all the searched bytes
    // stand in many places by chance, and runs of digits are long.
    std::mt19937 rng(25);
    std::string buffer(16 + 80 + 16, ' ');
    for (int round = 0; round < 6; ++round)
        for (std::size_t n = 0; n <= 80; ++n)
            for (std::size_t align = 0; align < 16; ++align) {
                for (char& c : buffer)
                    c = "0123456789 \t:/t\xe0" "az`{\xfa"[rng() % (round % 3 == 0 ? 21 : 10)];
                CheckText(std::string_view(buffer).substr(align, n), rng);
                if (HasFailure())
                    return;
            }
}

TEST(Scan, EdgeCases)
{
    EXPECT_EQ(FindText("abc", ""), 0u);
    EXPECT_FALSE(HasText("abc", ""));
    // A search that starts past its end, in short and long texts.
    for (const std::string s : {std::string(20, 't'), std::string(40, 't')})
        for (const std::size_t to : {std::size_t{5}, std::size_t{18}})
            EXPECT_EQ(FindByte(s, 't', 64, to), std::string_view::npos) << s.size() << " " << to;
    EXPECT_FALSE(StartsWithText("abc", ""));
    EXPECT_TRUE(StartsWithText("abc", "ab"));
    EXPECT_FALSE(IsText("", ""));
    EXPECT_TRUE(IsText("ab", "ab"));
    std::int64_t v = 0;
    EXPECT_TRUE(AllDigits("999999999999999999", v));
    EXPECT_EQ(v, 999999999999999999);
    EXPECT_FALSE(AllDigits("9999999999999999999", v));  // 19 digits are left to the general reading
    EXPECT_FALSE(AllDigits("", v));
    EXPECT_FALSE(AllDigits("12 ", v));
}

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
