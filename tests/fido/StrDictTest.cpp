#include "fido/StrDict.h"

#include <gtest/gtest.h>

using namespace tarvix;

TEST(StrDict, AddReplacesCaseInsensitivelyKeepingFirstSpelling)
{
    TStrDict d;
    d.Add("Name", "a");
    d.Add("NAME", "b");
    ASSERT_EQ(d.Count(), 1u);
    EXPECT_EQ(d.KeyAt(0), "Name");
    EXPECT_EQ(d.ValueAt(0), "b");
    EXPECT_EQ(d.Lookup("name"), "b");
}

TEST(StrDict, KeepsInsertionOrderAndAnswersAbsentKeyWithItself)
{
    TStrDict d;
    d.Add("z", "1");
    d.Add("a", "2");
    EXPECT_EQ(d.KeyAt(0), "z");
    EXPECT_EQ(d.KeyAt(1), "a");
    EXPECT_EQ(d.Lookup("Missing.Key"), "Missing.Key");
    EXPECT_THROW(d.KeyAt(2), std::out_of_range);
    d.Clear();
    EXPECT_EQ(d.Count(), 0u);
}
