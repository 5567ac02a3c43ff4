#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tarvix {
namespace {

// Walking a text character by character gives the same characters as decoding it
// whole, for well-formed and damaged UTF-8 and every single-byte page.
TEST(DecodeNextCharTest, WalksTheCharactersOfDecodeToUtf8)
{
    std::mt19937 rng(5);
    const std::string pieces[] = {"a", "\xD0\x96", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80", "\xC0\xAF",
                                  "\xE0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "\xF0\x9F", "\t"};
    for (CodePage cp : {CodePage::UTF8, CodePage::CP866, CodePage::CP1251, CodePage::KOI8R, CodePage::Latin1}) {
        for (int round = 0; round < 300; ++round) {
            std::string text;
            int n = static_cast<int>(rng() % 12);
            for (int i = 0; i < n; ++i)
                text += pieces[rng() % std::size(pieces)];
            std::string walked;
            std::size_t count = 0;
            for (std::size_t pos = 0; pos < text.size(); ++count) {
                std::size_t before = pos;
                AppendUtf8(walked, DecodeNextChar(text, pos, cp));
                ASSERT_GT(pos, before);
                ASSERT_LE(pos, text.size());
                if (cp != CodePage::UTF8) {
                    ASSERT_EQ(pos, before + 1);
                }
            }
            EXPECT_EQ(walked, DecodeToUtf8(text, cp)) << CodePageName(cp) << " round " << round;
        }
    }
}

TEST(DecodeNextCharTest, IllFormedPartsAreOneReplacementEach)
{
    std::string text = "\xE2\x82" "A\x80\x80\xF0\x9F\x98\x80";
    std::size_t pos = 0;
    EXPECT_EQ(DecodeNextChar(text, pos, CodePage::UTF8), U'\xFFFD');
    EXPECT_EQ(pos, 2u);  // the truncated sequence, not the byte that broke it
    EXPECT_EQ(DecodeNextChar(text, pos, CodePage::UTF8), U'A');
    EXPECT_EQ(DecodeNextChar(text, pos, CodePage::UTF8), U'\xFFFD');
    EXPECT_EQ(DecodeNextChar(text, pos, CodePage::UTF8), U'\xFFFD');
    EXPECT_EQ(DecodeNextChar(text, pos, CodePage::UTF8), U'\x1F600');
    EXPECT_EQ(pos, text.size());
    pos = 0;
    EXPECT_EQ(DecodeNextChar("\x80", pos, CodePage::CP866), U'\x0410');
}

}  // namespace
}  // namespace tarvix
