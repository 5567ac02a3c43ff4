// The records of an analysis: the record list, the text pool of the session texts and
// the numbers of log lines.
#include "engine/LogNumber.h"
#include "engine/RecordList.h"
#include "engine/TextPool.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tarvix;

namespace {

// Counts the records alive, so that every record is destroyed exactly once.
struct Counted {
    static int alive;
    std::string text;
    std::unique_ptr<int> owned;  // move-only, like a record holding resources
    explicit Counted(int i) : text("record " + std::to_string(i) + " with a text too long to fit inline"),
                              owned(std::make_unique<int>(i)) { ++alive; }
    Counted(Counted&& o) noexcept : text(std::move(o.text)), owned(std::move(o.owned)) { ++alive; }
    ~Counted() { --alive; }
};
int Counted::alive = 0;

}  // namespace

TEST(RecordList, RecordsKeepTheirAddressesAndAreDestroyedOnce)
{
    {
        TRecordList<Counted, 8> list;
        EXPECT_TRUE(list.empty());
        std::vector<const Counted*> addresses;
        for (int i = 0; i < 100; ++i) {
            Counted& added = list.push_back(Counted(i));
            EXPECT_EQ(&added, &list.back());
            addresses.push_back(&added);
        }
        EXPECT_EQ(Counted::alive, 100);
        ASSERT_EQ(list.size(), 100u);
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(&list[static_cast<std::size_t>(i)], addresses[static_cast<std::size_t>(i)]);
            EXPECT_EQ(*list[static_cast<std::size_t>(i)].owned, i);
        }
        // Cleared and filled again across several blocks, partly.
        list.clear();
        EXPECT_EQ(Counted::alive, 0);
        EXPECT_TRUE(list.empty());
        for (int i = 0; i < 13; ++i)
            list.push_back(Counted(i * 2));
        EXPECT_EQ(list.size(), 13u);
        EXPECT_EQ(*list.back().owned, 24);
        const auto& constList = list;
        EXPECT_EQ(constList[12].text, list.back().text);
        EXPECT_EQ(Counted::alive, 13);
    }
    EXPECT_EQ(Counted::alive, 0);
}

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

TEST(TextPool, ViewsStayValidWhileThePoolGrows)
{
    TTextPool pool;
    std::vector<std::pair<std::string, std::string_view>> kept;
    // Many chunks' worth of short texts and some longer than a quarter of a chunk.
    for (int i = 0; i < 40000; ++i) {
        std::string text = "System " + std::to_string(i);
        if (i % 5000 == 0)
            text += std::string(30000, static_cast<char>('a' + i % 26));
        kept.emplace_back(text, pool.Keep(text));
    }
    EXPECT_EQ(pool.Count(), 40000u);
    for (const auto& [text, view] : kept)
        ASSERT_EQ(view, text);
    for (const auto& [text, view] : kept)
        ASSERT_EQ(pool.Keep(text).data(), view.data());
}

TEST(TextPool, CopiesEndInAZeroByteAndServeAsSessionTexts)
{
    TTextPool pool;
    const std::string longText(30000, 'q');  // storage of its own
    for (std::string_view text : {std::string_view("Ivan Petrov"), std::string_view(longText), std::string_view("x")}) {
        const TPoolText kept = pool.Keep(text);
        ASSERT_EQ(kept.data()[kept.size()], '\0');
        TSessText s = kept;
        EXPECT_EQ(s, text);
        EXPECT_EQ(s.size(), text.size());
        EXPECT_EQ(s.data(), kept.data());
    }
    // The empty text, a default text and a literal.
    TSessText empty = pool.Keep("");
    EXPECT_TRUE(empty.empty());
    EXPECT_TRUE(TSessText().empty());
    EXPECT_EQ(TSessText(nullptr), "");
    EXPECT_EQ(TSessText("Moscow"), std::string_view("Moscow"));
    EXPECT_NE(TSessText("Moscow"), TSessText("Moscow BBS"));
    // A text with a zero byte in it ends there, as a log's text does.
    const std::string withZero("a\0b", 3);
    EXPECT_EQ(TSessText(pool.Keep(withZero)), "a");
}

TEST(TextPool, TextsThatDifferInOneByteAreKeptApart)
{
    // Every length from 1 to 40 (hashed and compared a word at a time, the last word
    // overlapping the one before), with one byte changed at every place.
    TTextPool pool;
    std::size_t expected = 0;
    for (std::size_t n = 1; n <= 40; ++n) {
        const std::string base(n, 'q');
        ASSERT_EQ(pool.Keep(base), base);
        ++expected;
        for (std::size_t at = 0; at < n; ++at) {
            std::string other = base;
            other[at] = 'r';
            std::string_view kept = pool.Keep(other);
            ASSERT_EQ(kept, other) << n << " " << at;
            ++expected;
        }
        ASSERT_EQ(pool.Keep(base), base);
    }
    EXPECT_EQ(pool.Count(), expected);
    pool.Clear();
    EXPECT_EQ(pool.Keep("q"), "q");
    EXPECT_EQ(pool.Count(), 1u);
}
