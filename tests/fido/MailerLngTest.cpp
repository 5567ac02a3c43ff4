#include "fido/MailerLng.h"

#include "platform/Error.h"
#include "tools/lngwriters/MailerLngWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace tarvix;
using namespace tarvix::lngwriters;
using namespace std::string_literals;

namespace {

// Runs Fn, which must raise EMailerLngError, and returns the message.
std::string LngErrorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EMailerLngError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no EMailerLngError raised";
    return {};
}

::testing::AssertionResult Contains(const std::string& text, const std::string& part)
{
    if (text.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << '"' << text << "\" lacks \"" << part << '"';
}

void PutU16At(std::string& b, std::size_t at, unsigned v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

const std::vector<std::string> kTMailTexts = {"Calling %s", "", "Sent %s, %d bytes",
                                              "Connect", "Session ended"};
const std::vector<std::string> kBinkTexts = {"+Connect %s", "", ":Sent %s", "!Failed"};

}  // namespace

// ---------------------------------------------------------------------------- T-Mail

TEST(TMailLng, FileOver64KWithMoreThan65535Entries)
{
    std::vector<std::string> texts;
    for (int i = 1; i <= 70000; ++i)
        texts.push_back("Entry " + std::to_string(i));
    const std::string bytes = BuildTMailLng(texts);
    ASSERT_GT(bytes.size(), 0x10000u * 8);
    const auto lng = TTMailLng::FromBytes(bytes);
    ASSERT_EQ(lng.Count(), 70000u);
    EXPECT_EQ(lng.GetStr(1), "Entry 1");
    EXPECT_EQ(lng.GetStr(65535), "Entry 65535");
    EXPECT_EQ(lng.GetStr(65536), "Entry 65536");
    EXPECT_EQ(lng.GetStr(65537), "Entry 65537");
    EXPECT_EQ(lng.GetStr(70000), "Entry 70000");
    EXPECT_EQ(LngErrorOf([&] { lng.GetStr(70001); }), ".LNG index 70001 too large");

    // A single entry that starts beyond 64 KB and one that straddles the 64 KB mark.
    const std::string big(70000, 'x');
    const auto two = TTMailLng::FromBytes(BuildTMailLng({big, "After"}));
    ASSERT_EQ(two.Count(), 2u);
    EXPECT_EQ(two.GetStr(1), big);
    EXPECT_EQ(two.GetStr(2), "After");
}

TEST(TMailLng, EveryTruncationLoadsWithTheEntriesStillComplete)
{
    const std::string full = BuildTMailLng(kTMailTexts);
    for (std::size_t n = 0; n <= full.size(); ++n) {
        const std::string part = full.substr(0, n);
        const auto lng = TTMailLng::FromBytes(part);
        std::size_t zeros = 0;
        for (std::size_t j = 0; j + 2 < n; ++j)
            zeros += part[j] == '\0';
        ASSERT_EQ(lng.Count(), zeros) << n;
        for (std::size_t k = 1; k <= lng.Count(); ++k)
            EXPECT_EQ(lng.GetStr(static_cast<std::int64_t>(k)), kTMailTexts[k - 1]) << n;
    }
}

// --------------------------------------------------------------------------- SF-Mail

TEST(SFMailLng, DamagedFilesRaiseNamingFileAndDamage)
{
    const std::string good = BuildSFMailLng({{10, "ten"}, {20, "twenty"}});
    // good: header 32, index 8, area "\3ten\6twenty" (11 bytes); positions 1 and 5.
    ASSERT_EQ(good.size(), 51u);

    auto msg = LngErrorOf([&] { TSFMailLng::FromBytes(good.substr(0, 31), "x.lng"); });
    EXPECT_TRUE(Contains(msg, "x.lng: "));
    EXPECT_TRUE(Contains(msg, "header"));

    std::string b = good;
    PutU16At(b, 36 + 2, 0);
    EXPECT_TRUE(Contains(LngErrorOf([&] { TSFMailLng::FromBytes(b, "x.lng"); }),
                         "message 20 has string position 0"));


    b = good;
    PutU16At(b, 36 + 2, 11);  // the last byte as a length byte: 'y' = 121 bytes
    EXPECT_TRUE(Contains(LngErrorOf([&] { TSFMailLng::FromBytes(b, "x.lng"); }),
                         "string of message 20 runs past end of file"));

    b = good;
    b[40 + 4] = 7;  // "twenty" claims 7 characters, one more than the file holds
    EXPECT_TRUE(Contains(LngErrorOf([&] { TSFMailLng::FromBytes(b, "x.lng"); }),
                         "runs past end of file"));
    b[40 + 4] = 6;
    EXPECT_EQ(TSFMailLng::FromBytes(b).GetStr(20), "twenty");
}

// ------------------------------------------------------------------------ BinkleyTerm

TEST(BinkLng, DamagedFilesRaiseNamingFileAndDamage)
{
    const std::string good = BuildBinkLng({"+One", "+Two"});
    // header 12, pointers 8, block "+One\0+Two\0" (10 bytes) at offset 20.
    ASSERT_EQ(good.size(), 30u);
    auto raises = [](const std::string& bytes, const std::string& part) {
        return Contains(LngErrorOf([&] { TBinkLng::FromBytes(bytes, "b.lng"); }), part);
    };
    EXPECT_TRUE(raises(good.substr(0, 11), "b.lng: file of 11 bytes is shorter"));

    std::string b = good;
    PutU16At(b, 16, 3);
    EXPECT_TRUE(raises(b, "b.lng: string 1 has pointer 3 before the string block"));
    PutU16At(b, 16, 0);
    EXPECT_TRUE(raises(b, "pointer 0 before"));

    b = good;
    PutU16At(b, 16, 4 + 10);  // offset 10 = DataSize
    EXPECT_TRUE(raises(b, "string 1 starts at offset 10 beyond the string block"));
    PutU16At(b, 16, 0xFFFF);
    EXPECT_TRUE(raises(b, "beyond the string block"));

    b = good;
    b[29] = 'x';  // the last string loses its zero byte
    EXPECT_TRUE(raises(b, "string 1 has no terminating zero inside the string block"));
    // A zero after the block does not count as the terminator.
    b = good;
    PutU16At(b, 6, 9);
    EXPECT_TRUE(raises(b, "no terminating zero"));

    b = good;
    PutU16At(b, 6, 11);
    EXPECT_TRUE(raises(b, "b.lng: string block of 11 bytes runs past end of file"));
}

namespace {

// The most memory this process has used so far, in bytes.
std::int64_t PeakMemory()
{
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<std::int64_t>(u.ru_maxrss) * 1024;
}

}  // namespace

// A file of 330 kB whose 65535 pointers all name one string of 60000 bytes: the
// reader does not make a copy of the string for each pointer (3.9 GB).
TEST(BinkLng, PointersSharingOneLongStringMakeNoCopies)
{
    const std::size_t count = 65535, length = 60000;
    std::string b(12, '\0');
    b[4] = '\xff', b[5] = '\xff';  // count
    b[6] = static_cast<char>((length + 1) & 0xFF), b[7] = static_cast<char>((length + 1) >> 8);
    for (std::size_t i = 0; i < count; ++i)
        b += std::string("\x04\0\0\0", 4);
    b += std::string(length, 'x');
    b += '\0';
    const std::int64_t before = PeakMemory();
    const auto lng = TBinkLng::FromBytes(b);
    EXPECT_LT(PeakMemory() - before, std::int64_t(512) << 20);
    ASSERT_EQ(lng.Count(), count);
    EXPECT_EQ(lng.GetStr(0), std::string(length, 'x'));
    EXPECT_EQ(lng.GetCut(static_cast<std::int64_t>(count - 1)), std::string(length - 1, 'x'));
}

TEST(BinkLng, TruncationAtAnyLengthRaisesUntilTheFileIsWhole)
{
    const std::string full = BuildBinkLng(kBinkTexts);
    for (std::size_t n = 0; n < full.size(); ++n)
        EXPECT_THROW(TBinkLng::FromBytes(full.substr(0, n)), EMailerLngError) << n;
    const auto lng = TBinkLng::FromBytes(full);
    for (std::size_t i = 0; i < kBinkTexts.size(); ++i)
        EXPECT_EQ(lng.GetStr(static_cast<std::int64_t>(i)), kBinkTexts[i]);
    // Bytes after the string block are not part of it.
    EXPECT_EQ(TBinkLng::FromBytes(full + "trailing").GetStr(3), "!Failed");
}

