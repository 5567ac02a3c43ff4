#include "engine/RecordList.h"

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
