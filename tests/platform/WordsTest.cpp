#include "platform/Words.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tarvix;

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
