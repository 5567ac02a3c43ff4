#include "engine/LineFilter.h"

#include <gtest/gtest.h>

namespace tarvix {
namespace {

// The filter takes the lines a per-line test takes, over every kind of line end,
// an empty last line and lines with several matches, for plain text and regular
// expressions, shown and inverted.
TEST(LineFilter, TakesTheLinesThatMatchOrDoNot)
{
    const std::string text = "a busy\r\nidle\rBUSY busy\n\nbusy\r\n\nx";
    const TLineIndex index = TLineIndex::Build(text);
    for (const TFindPattern& pattern : {TFindPattern{"busy", false, false}, TFindPattern{"busy", false, true},
                                        TFindPattern{"^b", true, false}, TFindPattern{"^$", true, false}}) {
        const TTextFind find(pattern, CodePage::CP866);
        for (bool invert : {false, true}) {
            std::vector<std::int64_t> want;
            for (std::int64_t l = 0; l < index.LineCount(); ++l) {
                const std::string_view line = std::string_view(text).substr(index.LineStart(l), index.LineLength(l));
                if (find.LineMatches(line) != invert)
                    want.push_back(l + 1);
            }
            const auto got = FilterLines(text, index, find, invert);
            ASSERT_TRUE(got);
            EXPECT_EQ(*got, want) << pattern.Text << " invert " << invert;
        }
    }
}

// Stopped by its callback, the filter gives nothing rather than a part.
TEST(LineFilter, StopsWhenTold)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "busy\n";
    const TLineIndex index = TLineIndex::Build(text);
    const TTextFind find({"busy", false, false}, CodePage::CP866);
    EXPECT_FALSE(FilterLines(text, index, find, false, [](std::uint64_t, std::uint64_t) { return false; }));
}

}  // namespace
}  // namespace tarvix
