#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace tarvix;

namespace {

const CodePage kSingleBytePages[] = {CodePage::CP866, CodePage::CP437, CodePage::CP850,
                                     CodePage::CP1251, CodePage::KOI8R, CodePage::Latin1};
const CodePage kAllPages[] = {CodePage::CP866, CodePage::CP437,  CodePage::CP850,
                              CodePage::CP1251, CodePage::KOI8R, CodePage::Latin1,
                              CodePage::UTF8};

const std::string kFffd = "\xEF\xBF\xBD";

std::string Utf8Of(char32_t c)
{
    std::string s;
    AppendUtf8(s, c);
    return s;
}

std::string Repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// Copies `bytes` into a heap block of exactly that size, so that the address
// sanitizer reports any read past the end of the input.
class ExactBuffer {
public:
    explicit ExactBuffer(const std::string& bytes)
        : size_(bytes.size()), data_(new char[bytes.empty() ? 1 : bytes.size()])
    {
        std::copy(bytes.begin(), bytes.end(), data_.get());
    }
    std::string_view View() const { return {data_.get(), size_}; }

private:
    std::size_t size_;
    std::unique_ptr<char[]> data_;
};

}  // namespace

TEST(SingleBytePages, EveryByteRoundTripsThroughUtf8)
{
    for (CodePage cp : kSingleBytePages) {
        SCOPED_TRACE(std::string(CodePageName(cp)));
        std::set<char32_t> seen;
        std::string all;
        for (int b = 0; b < 256; ++b) {
            unsigned char byte = static_cast<unsigned char>(b);
            all += static_cast<char>(byte);
            char32_t c = DecodeByte(byte, cp);
            std::string utf8 = DecodeToUtf8(std::string(1, static_cast<char>(byte)), cp);
            EXPECT_EQ(utf8, Utf8Of(c)) << "byte " << b;
            EXPECT_TRUE(IsValidUtf8(utf8)) << "byte " << b;
            if (b < 0x80) {
                EXPECT_EQ(c, static_cast<char32_t>(b));
            }
            if (cp == CodePage::CP1251 && b == 0x98) {
                // The one byte CP1251 leaves undefined.
                EXPECT_EQ(c, U'\xFFFD');
                EXPECT_EQ(EncodeFromUtf8(utf8, cp), "?");
                continue;
            }
            EXPECT_TRUE(seen.insert(c).second) << "byte " << b << " decodes like another";
            EXPECT_EQ(EncodeFromUtf8(utf8, cp, '\x01'), std::string(1, static_cast<char>(byte)))
                << "byte " << b;
        }
        // The same through whole strings.
        std::string decoded = DecodeToUtf8(all, cp);
        std::string back = EncodeFromUtf8(decoded, cp);
        if (cp == CodePage::CP1251)
            all[0x98] = '?';
        EXPECT_EQ(back, all);
    }
}

TEST(CodePageNames, CommonSpellingsInAnyCase)
{
    for (auto [name, cp] : {std::pair{"IBM866", CodePage::CP866}, {" Cp866\t", CodePage::CP866}, {"866", CodePage::CP866},
                            {"Windows-1251", CodePage::CP1251}, {"koi8-r", CodePage::KOI8R}, {"ISO-8859-1", CodePage::Latin1},
                            {"UTF8", CodePage::UTF8}, {"CP850", CodePage::CP850}})
        EXPECT_EQ(CodePageFromName(name), cp) << name;
    for (const char* bad : {"cp999", "", "koi8-u", "utf-16", "cp8666", "866x"})
        EXPECT_FALSE(CodePageFromName(bad).has_value()) << '"' << bad << '"';
    for (CodePage cp : kAllPages)
        EXPECT_EQ(CodePageFromName(CodePageName(cp)), cp) << CodePageName(cp);
}

TEST(Encoding, CharactersMissingFromThePageBecomeTheReplacement)
{
    EXPECT_EQ(EncodeFromUtf8("Цена 5€", CodePage::CP866), "\x96\xA5\xAD\xA0 5?");
    EXPECT_EQ(EncodeFromUtf8("5€", CodePage::CP1251), "5\x88");
    EXPECT_EQ(EncodeFromUtf8("Ёж", CodePage::Latin1, '*'), "**");
    EXPECT_EQ(EncodeFromUtf8("café", CodePage::Latin1), "caf\xE9");
    EXPECT_EQ(EncodeFromUtf8("café", CodePage::CP866), "caf?");
    // Characters outside the Basic Multilingual Plane and CJK: one replacement each.
    EXPECT_EQ(EncodeFromUtf8("a\xF0\x9F\x98\x80" "b漢c", CodePage::CP437), "a?b?c");
    // U+FFFD itself is in no single-byte page.
    EXPECT_EQ(EncodeFromUtf8(kFffd, CodePage::CP1251, '#'), "#");
    // Ill-formed input: one replacement per broken part, the rest is kept.
    EXPECT_EQ(EncodeFromUtf8("\x80Я\xE2\x82", CodePage::CP866), "?\x9F?");
    EXPECT_EQ(EncodeFromUtf8("\xC0\xAFok", CodePage::CP1251), "??ok");
    // For a UTF-8 target valid text is copied as it is.
    EXPECT_EQ(EncodeFromUtf8("Ёж€\xF0\x9F\x98\x80", CodePage::UTF8), "Ёж€\xF0\x9F\x98\x80");
    EXPECT_EQ(EncodeFromUtf8("a\xFF" "b\xED\xA0\x80", CodePage::UTF8, '_'), "a_b___");
    EXPECT_EQ(EncodeFromUtf8("", CodePage::CP866), "");
}

TEST(Utf8Decoding, IllFormedPartsBecomeReplacementCharsWithoutReadingPastTheEnd)
{
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"plain ASCII", "plain ASCII"},
        {"\x80", kFffd},                                          // lone continuation
        {"\xE2\x82", kFffd},                                      // truncated at the end
        {"\xE2\x82" "A", kFffd + "A"},                            // cut short by ASCII
        {"\xE2\x82\xE2\x82\xAC", kFffd + "€"},                    // cut short by a lead byte
        {"\xD0", kFffd},                                          // truncated 2-byte
        {"\xF0\x9F\x98", kFffd},                                  // truncated 4-byte
        {"\xC0\xAF", Repeat(kFffd, 2)},                           // overlong '/'
        {"\xE0\x80\xAF", Repeat(kFffd, 3)},                       // overlong 3-byte
        {"\xF0\x80\x80\xAF", Repeat(kFffd, 4)},                   // overlong 4-byte
        {"\xED\xA0\x80", Repeat(kFffd, 3)},                       // high surrogate
        {"\xF4\x90\x80\x80", Repeat(kFffd, 4)},                   // above U+10FFFF
        {"\xF8\x88\x80\x80\x80", Repeat(kFffd, 5)},               // old 5-byte form
        {"\xED\x9F\xBF", "\xED\x9F\xBF"},                         // U+D7FF is fine
        {"\xEF\xBF\xBD", kFffd},                                  // a real U+FFFD
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},                 // U+10FFFF
        {"Привет, \xF0\x9F\x98\x80!", "Привет, \xF0\x9F\x98\x80!"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        ExactBuffer buf(c.input);
        std::string out = DecodeToUtf8(buf.View(), CodePage::UTF8);
        EXPECT_EQ(out, c.expected) << "input of " << c.input.size() << " bytes";
        EXPECT_TRUE(IsValidUtf8(out));
        EXPECT_EQ(IsValidUtf8(buf.View()), c.input == c.expected);
    }
}

TEST(OemAnsiMap, MissingCharactersGetABestFit)
{
    OemAnsiMap map;
    auto oemToAnsi = [&](const std::string& utf8) {
        return map.OemToAnsi(EncodeFromUtf8(utf8, CodePage::CP866));
    };
    EXPECT_EQ(oemToAnsi("┌─┬─┐"), "+-+-+");
    EXPECT_EQ(oemToAnsi("│ ├┼┤ │"), "| +++ |");
    EXPECT_EQ(oemToAnsi("╔═╦═╗║╚╩╝╟╢╫╪"), "+-+-+|+++++++");
    EXPECT_EQ(oemToAnsi("░▒▓█▄▌▐▀"), "########");
    EXPECT_EQ(oemToAnsi("∙√■"), "???");

    // CP1251 typography and the undefined byte have no place in CP866.
    EXPECT_EQ(map.AnsiToOem(EncodeFromUtf8("€—«»", CodePage::CP1251)), "????");
    EXPECT_EQ(map.AnsiToOemByte(0x98), '?');

    // Whatever the pages, an upper-half byte maps to the same character or to
    // one of the fallbacks.
    const std::pair<CodePage, CodePage> pairs[] = {
        {CodePage::CP866, CodePage::CP1251}, {CodePage::CP437, CodePage::Latin1},
        {CodePage::CP850, CodePage::Latin1}, {CodePage::CP866, CodePage::KOI8R},
        {CodePage::CP437, CodePage::CP1251}};
    for (auto [oem, ansi] : pairs) {
        OemAnsiMap m(oem, ansi);
        for (int b = 0x80; b < 0x100; ++b) {
            unsigned char in = static_cast<unsigned char>(b);
            unsigned char a = m.OemToAnsiByte(in);
            unsigned char o = m.AnsiToOemByte(in);
            bool aOk = DecodeByte(a, ansi) == DecodeByte(in, oem) ||
                       std::string_view("+-|#?").find(static_cast<char>(a)) != std::string_view::npos;
            bool oOk = DecodeByte(o, oem) == DecodeByte(in, ansi) ||
                       std::string_view("+-|#?").find(static_cast<char>(o)) != std::string_view::npos;
            EXPECT_TRUE(aOk) << CodePageName(oem) << "->" << CodePageName(ansi) << " byte " << b;
            EXPECT_TRUE(oOk) << CodePageName(ansi) << "->" << CodePageName(oem) << " byte " << b;
        }
    }
}

// Walking a text character by character gives the same characters as decoding it
// whole, for well-formed and damaged UTF-8 and the single-byte pages.
TEST(DecodeNextChar, WalksTheCharactersOfDecodeToUtf8)
{
    const std::string text = "a\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80\x80\xC0\xAF\xE0\x80\xED\xA0\x80"
                             "\xF4\x90\x80\x80\xFF\xF0\x9F\t\xE2\x82";
    for (CodePage cp : {CodePage::UTF8, CodePage::CP866, CodePage::KOI8R}) {
        std::string walked;
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t before = pos;
            AppendUtf8(walked, DecodeNextChar(text, pos, cp));
            ASSERT_GT(pos, before);
            ASSERT_LE(pos, cp == CodePage::UTF8 ? text.size() : before + 1);
        }
        EXPECT_EQ(walked, DecodeToUtf8(text, cp)) << CodePageName(cp);
    }
}
