// The search of a language text anywhere in a T-Mail log line (TLineText): the first
// place of the text, as the library's search gives it, for lines of every length
// around the steps of the search (16, 32 and 64 bytes) and texts whose searched byte
// stands first, inside or last.
#include "engine/TMailLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace tarvix;

namespace {

// The line in storage of its own size, so that a search reading past its end is seen
// by the address checks of a sanitizer build.
class TExactLine {
public:
    explicit TExactLine(const std::string& text) : size_(text.size()), bytes_(new char[text.size() + 1])
    {
        std::memcpy(bytes_.get(), text.data(), text.size());
    }
    std::string_view View() const { return {bytes_.get(), size_}; }

private:
    std::size_t size_;
    std::unique_ptr<char[]> bytes_;
};

std::size_t LibraryFind(const std::string& line, const std::string& text)
{
    return text.empty() ? std::string_view::npos : std::string_view(line).find(text);
}

}  // namespace

TEST(TMailLineText, FirstPlaceAsTheLibraryFindsIt)
{
    // Texts of the language files and texts made to repeat their searched byte.
    const std::vector<std::string> texts = {"FAILED:", "bytes in/out:", "Protocol:", "ERROR",   "CONNECT",
                                            "x",       "RR",            "aRa",       "Q: Q: Q", "\xFE Traffic:"};
    std::mt19937 rng(20240312);
    for (const std::string& text : texts) {
        TLineText search;
        search.Set(text);
        EXPECT_EQ(search.Text(), text);
        // Filler of the text's own bytes and the common bytes of log lines: most lines
        // hold the searched byte, and parts of the text, in many places.
        const std::string alphabet = text + "0123456789 :/.,-abcdefABCDEF";
        for (std::size_t n = 0; n <= 140; ++n) {
            for (int trial = 0; trial < 12; ++trial) {
                std::string line(n, ' ');
                for (char& c : line)
                    c = alphabet[rng() % alphabet.size()];
                // Now and then the whole text at a random place, or at the end.
                if (n >= text.size() && trial % 3 != 0) {
                    const std::size_t at = trial % 3 == 1 ? rng() % (n - text.size() + 1) : n - text.size();
                    line.replace(at, text.size(), text);
                }
                const TExactLine exact(line);
                ASSERT_EQ(search.Find(exact.View()), LibraryFind(line, text)) << "[" << text << "] in [" << line << "]";
                ASSERT_EQ(search.In(exact.View()), LibraryFind(line, text) != std::string_view::npos);
            }
        }
    }
}

TEST(TMailLineText, PlacesAroundTheStepsOfTheSearch)
{
    TLineText search;
    search.Set("FAILED:");
    for (std::size_t n = 7; n <= 140; ++n) {
        for (std::size_t at = 0; at + 7 <= n; ++at) {
            // The searched byte of the text ("L") also stands just before it, and the
            // text but its last byte just after it.
            std::string line(n, '.');
            line.replace(at, 7, "FAILED:");
            if (at >= 1)
                line[at - 1] = 'L';
            if (at + 13 <= n)
                line.replace(at + 7, 6, "FAILED");
            const TExactLine exact(line);
            ASSERT_EQ(search.Find(exact.View()), at) << n << " " << at;
        }
        const TExactLine none(std::string(n, 'L'));
        ASSERT_EQ(search.Find(none.View()), std::string_view::npos) << n;
    }
}

// A language file may hold texts longer than the 64 bytes the search looks at first;
// their searched (rarest) byte may then stand 64 or more bytes into the text.
TEST(TMailLineText, TextsLongerThanTheFirstStepOfTheSearch)
{
    std::mt19937 rng(20261207);
    for (const std::size_t m : {63u, 64u, 65u, 70u, 100u, 130u}) {
        for (const std::size_t keyAt : {std::size_t{0}, std::size_t{40}, std::size_t{63}, std::size_t{64},
                                        std::size_t{65}, m - 1}) {
            if (keyAt >= m)
                continue;
            // Common bytes but one rare "Q" at keyAt.
            std::string text(m, 'a');
            for (char& c : text)
                c = "abc "[rng() % 4];
            text[keyAt] = 'Q';
            TLineText search;
            search.Set(text);
            for (std::size_t n = m; n <= m + 140; n += 7) {
                for (int trial = 0; trial < 4; ++trial) {
                    std::string line(n, ' ');
                    for (char& c : line)
                        c = "abcQ "[rng() % 5];
                    if (trial != 0)
                        line.replace(trial == 1 ? 0 : rng() % (n - m + 1), m, text);
                    const TExactLine exact(line);
                    ASSERT_EQ(search.Find(exact.View()), LibraryFind(line, text)) << m << " " << keyAt << " " << n;
                }
            }
        }
    }
}

TEST(TMailLineText, AnEmptyTextStandsNowhere)
{
    TLineText search;
    EXPECT_FALSE(search.In(""));
    EXPECT_FALSE(search.In("any line at all"));
    search.Set("");
    EXPECT_EQ(search.Find("12/03 10:00:00 ZR-OK FILE 10 bytes"), std::string_view::npos);
    // A text longer than the line is not in it.
    search.Set("a long text of the language file");
    EXPECT_FALSE(search.In("a long text"));
}

// A text that fills the first "%s" of an entry is first looked for right after the
// entry's lead; the answer must still be the first place of the text in the line.
TEST(TMailLineText, AnchorOnlyWhereNothingInTheLeadCanHoldTheText)
{
    TLineText search;
    search.Set("bab");
    // The lead and the text overlap so that the text begins inside the lead.
    EXPECT_EQ(search.Anchor("aba", 15).at, 0u);
    EXPECT_EQ(search.Anchor("x bab y ", 15).at, 0u);
    // They overlap, but the first place is where the lead ends.
    EXPECT_EQ(search.Anchor("ab", 15).at, 17u);
    const TLineAnchor handshake = search.Anchor("Handshake: ", 15);
    EXPECT_EQ(handshake.at, 26u);
    EXPECT_EQ(handshake.leadAndText, "Handshake: bab");
    // Nothing to anchor with an empty lead or text.
    EXPECT_EQ(search.Anchor("", 15).at, 0u);
    TLineText none;
    EXPECT_EQ(none.Anchor("lead ", 15).at, 0u);
}

TEST(TMailLineText, FindAfterTheLeadAsTheLibraryFindsIt)
{
    // Leads with and without an anchor, texts whose bytes also stand in stamps.
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"\xFE End of session, ", "bytes in/out:"}, {"Handshake complete, ", "Protocol:"},
        {"\xFE Incoming call: ", "CONNECT"},        {"aba", "bab"},
        {"Time ", "0:0"},                           {"x", "x"},
        {"12:", "2:1"},                             {"T", "1"},
    };
    std::mt19937 rng(20240313);
    for (const auto& [lead, text] : pairs) {
        TLineText search;
        search.Set(text);
        const TLineAnchor anchor = search.Anchor(lead, 15);
        const std::string alphabet = text + lead + "0123456789 :/";
        for (int trial = 0; trial < 3000; ++trial) {
            // A stamp of 15 bytes (now and then holding bytes of the text), the lead,
            // then mostly the text, and a tail.
            std::string line(15, ' ');
            for (char& c : line)
                c = trial % 2 == 0 ? "0123456789"[rng() % 10] : alphabet[rng() % alphabet.size()];
            line += lead;
            if (trial % 5 != 0)
                line += text;
            const std::size_t tail = rng() % 60;
            for (std::size_t i = 0; i < tail; ++i)
                line += alphabet[rng() % alphabet.size()];
            if (trial % 7 == 0 && line.size() > 15 + lead.size())
                line.resize(15 + lead.size() + rng() % (line.size() - 15 - lead.size()));
            const TExactLine exact(line);
            ASSERT_EQ(search.FindAt(exact.View(), anchor, 15), LibraryFind(line, text))
                << "[" << text << "] after [" << lead << "] in [" << line << "]";
        }
    }
}
