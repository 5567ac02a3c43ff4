#include "fido/MailerLng.h"

#include "platform/Error.h"
#include "tools/lngwriters/MailerLngWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
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

// A temporary directory removed with the fixture.
class TempDir {
public:
    TempDir()
    {
        path_ = std::filesystem::temp_directory_path() /
                ("tarvix-mailerlng-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const auto p = path_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void PutU16At(std::string& b, std::size_t at, unsigned v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

std::string RandomBytes(std::mt19937& rng, std::size_t maxLen)
{
    std::uniform_int_distribution<std::size_t> len(0, maxLen);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s(len(rng), '\0');
    for (char& c : s)
        c = static_cast<char>(byte(rng));
    return s;
}

// A copy of Bytes with one to four bytes replaced by random values.
std::string Mutate(std::mt19937& rng, std::string bytes)
{
    if (bytes.empty())
        return bytes;
    std::uniform_int_distribution<std::size_t> at(0, bytes.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> times(1, 4);
    for (int i = times(rng); i > 0; --i)
        bytes[at(rng)] = static_cast<char>(byte(rng));
    return bytes;
}

const std::vector<std::string> kTMailTexts = {"Calling %s", "", "Sent %s, %d bytes",
                                              "Connect", "Session ended"};
const std::vector<std::pair<std::uint16_t, std::string>> kSFTexts = {
    {10, "Dialing %1"}, {20, "Sent %1 (%2 cps)"}, {30, ""}, {65535, "Last"}};
const std::vector<std::string> kBinkTexts = {"+Connect %s", "", ":Sent %s", "!Failed"};
const std::vector<FhEntry> kFhEntries = {
    {"MSG_CALL", "Calling %s", std::string("Call to")}, {"MSG_SENT", "Sent", std::nullopt},
    {"msg_done", "Done", std::nullopt}};

}  // namespace

// ---------------------------------------------------------------------------- T-Mail

TEST(TMailLng, ZeroBytesInTheLastTwoBytesStartNoEntry)
{
    const auto eight = TTMailLng::FromBytes("A\0B\0C\0xy"s);
    ASSERT_EQ(eight.Count(), 3u);
    EXPECT_EQ(eight.GetStr(1), "A");
    EXPECT_EQ(eight.GetStr(2), "B");
    EXPECT_EQ(eight.GetStr(3), "C");

    const auto seven = TTMailLng::FromBytes("A\0B\0C\0x"s);
    ASSERT_EQ(seven.Count(), 2u);
    EXPECT_EQ(seven.GetStr(2), "B");

    for (const std::string& tiny : {""s, "\0"s, "\0\0"s, "ab"s})
        EXPECT_EQ(TTMailLng::FromBytes(tiny).Count(), 0u) << tiny.size();
    EXPECT_EQ(TTMailLng::FromBytes("\0\0\0"s).Count(), 1u);
    EXPECT_EQ(TTMailLng::FromBytes("\0\0\0"s).GetStr(1), "");
}

TEST(TMailLng, IndexOutOfRangeRaisesWithTheIndexInTheMessage)
{
    const auto lng = TTMailLng::FromBytes("A\0B\0C\0xy"s);
    EXPECT_EQ(LngErrorOf([&] { lng.GetStr(4); }), ".LNG index 4 too large");
    EXPECT_EQ(LngErrorOf([&] { lng.GetStr(0); }), ".LNG index 0 too large");
    EXPECT_EQ(LngErrorOf([&] { lng.GetStr(-7); }), ".LNG index -7 too large");
    EXPECT_EQ(LngErrorOf([&] { lng.GetCut(100000); }), ".LNG index 100000 too large");
    EXPECT_EQ(LngErrorOf([] { TTMailLng::FromBytes("").GetStr(1); }), ".LNG index 1 too large");
}

TEST(TMailLng, GetCutStopsBeforeFirstPercentKeepingTheBlank)
{
    const auto lng = TTMailLng::FromBytes(BuildTMailLng({"Sent %s", "No params", "%first", "100%% %d"}));
    EXPECT_EQ(lng.GetCut(1), "Sent ");
    EXPECT_EQ(lng.GetStr(1), "Sent %s");
    EXPECT_EQ(lng.GetCut(2), "No params");
    EXPECT_EQ(lng.GetCut(3), "");
    EXPECT_EQ(lng.GetCut(4), "100");
}

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

TEST(TMailLng, RandomBytesLoadAndEveryEntryIsReadable)
{
    std::mt19937 rng(20240601);
    for (int round = 0; round < 500; ++round) {
        const auto lng = TTMailLng::FromBytes(RandomBytes(rng, 300));
        for (std::size_t k = 1; k <= lng.Count(); ++k)
            EXPECT_EQ(lng.GetStr(static_cast<std::int64_t>(k)).find('\0'), std::string::npos);
        EXPECT_THROW(lng.GetStr(static_cast<std::int64_t>(lng.Count()) + 1), EMailerLngError);
    }
}

TEST(TMailLng, ReadsFileAndReportsMissingFile)
{
    TempDir dir;
    const auto lng = TTMailLng(dir.Write("t-mail.lng", BuildTMailLng(kTMailTexts)));
    ASSERT_EQ(lng.Count(), kTMailTexts.size());
    EXPECT_EQ(lng.GetCut(3), "Sent ");
    EXPECT_THROW(TTMailLng(dir.PathOf("absent.lng")), EFOpenError);
}

// --------------------------------------------------------------------------- SF-Mail

TEST(SFMailLng, BinarySearchFindsPresentNumbersOnly)
{
    const auto lng = TSFMailLng::FromBytes(BuildSFMailLng({{10, "ten"}, {20, "twenty"}, {30, "thirty"}}));
    ASSERT_EQ(lng.Count(), 3u);
    EXPECT_EQ(lng.GetStr(10), "ten");
    EXPECT_EQ(lng.GetStr(20), "twenty");
    EXPECT_EQ(lng.GetStr(30), "thirty");
    for (std::int64_t absent : {25, 0, 5, 15, 31, 65535, -1, 70000})
        EXPECT_EQ(lng.GetStr(absent), "") << absent;

    // Every entry of indices of all sizes up to 40 is found; gaps between them are not.
    for (std::uint16_t n = 0; n <= 40; ++n) {
        std::vector<std::pair<std::uint16_t, std::string>> entries;
        for (std::uint16_t i = 0; i < n; ++i)
            entries.emplace_back(static_cast<std::uint16_t>(2 * i + 1), "m" + std::to_string(i));
        const auto l = TSFMailLng::FromBytes(BuildSFMailLng(entries));
        for (std::uint16_t i = 0; i < n; ++i) {
            EXPECT_EQ(l.GetStr(2 * i + 1), "m" + std::to_string(i)) << n << ' ' << i;
            EXPECT_EQ(l.GetStr(2 * i), "") << n << ' ' << i;
        }
        EXPECT_EQ(l.GetStr(2 * n + 1), "");
    }
}

TEST(SFMailLng, EmptyIndexAnswersEmptyText)
{
    const auto lng = TSFMailLng::FromBytes(BuildSFMailLng({}));
    EXPECT_EQ(lng.Count(), 0u);
    EXPECT_EQ(lng.GetStr(0), "");
    EXPECT_EQ(lng.GetCut(1), "");
}

TEST(SFMailLng, GetCutStopsBeforePercentOne)
{
    const auto lng = TSFMailLng::FromBytes(BuildSFMailLng(kSFTexts));
    EXPECT_EQ(lng.GetCut(10), "Dialing ");
    EXPECT_EQ(lng.GetCut(20), "Sent ");
    EXPECT_EQ(lng.GetCut(30), "");
    EXPECT_EQ(lng.GetCut(65535), "Last");
    const auto pct = TSFMailLng::FromBytes(BuildSFMailLng({{1, "50% of %1"}}));
    EXPECT_EQ(pct.GetCut(1), "50% of ");
}

TEST(SFMailLng, IndexOutOfOrderIsStillSearchedCorrectly)
{
    std::string bytes = BuildSFMailLng({{10, "ten"}, {20, "twenty"}, {30, "thirty"}});
    // Swap the first and last index entries (4 bytes each, from offset 32).
    const std::string first = bytes.substr(32, 4);
    bytes.replace(32, 4, bytes.substr(40, 4));
    bytes.replace(40, 4, first);
    const auto lng = TSFMailLng::FromBytes(bytes);
    EXPECT_EQ(lng.GetStr(10), "ten");
    EXPECT_EQ(lng.GetStr(20), "twenty");
    EXPECT_EQ(lng.GetStr(30), "thirty");
}

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
    PutU16At(b, 36 + 2, 12);  // the area holds 11 bytes
    EXPECT_TRUE(Contains(LngErrorOf([&] { TSFMailLng::FromBytes(b, "x.lng"); }),
                         "beyond the string area"));

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

TEST(SFMailLng, OversizedCountRaises)
{
    std::string b(40, '\0');
    PutU16At(b, 28, 65535);
    EXPECT_EQ(LngErrorOf([&] { TSFMailLng::FromBytes(b, "sf.lng"); }),
              "sf.lng: index table of 65535 entries runs past end of file");
    PutU16At(b, 28, 3);  // 32 + 12 > 40
    EXPECT_TRUE(Contains(LngErrorOf([&] { TSFMailLng::FromBytes(b); }), "runs past end"));
}

TEST(SFMailLng, TruncationAtAnyLengthRaisesUntilTheFileIsWhole)
{
    const std::string full = BuildSFMailLng(kSFTexts);
    for (std::size_t n = 0; n < full.size(); ++n)
        EXPECT_THROW(TSFMailLng::FromBytes(full.substr(0, n)), EMailerLngError) << n;
    const auto lng = TSFMailLng::FromBytes(full);
    for (const auto& [number, text] : kSFTexts)
        EXPECT_EQ(lng.GetStr(number), text);
}

TEST(SFMailLng, GarbageAndMutatedFilesNeverReadOutOfBounds)
{
    std::mt19937 rng(4711);
    const std::string good = BuildSFMailLng(kSFTexts);
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = round % 2 ? RandomBytes(rng, 200) : Mutate(rng, good);
        try {
            const auto lng = TSFMailLng::FromBytes(bytes);
            ++loaded;
            for (std::int64_t n = 0; n <= 0xFFFF; n += 97)
                (void)lng.GetCut(n);
            for (const auto& e : kSFTexts)
                (void)lng.GetStr(e.first);
        } catch (const EMailerLngError&) {
        }
    }
    EXPECT_GT(loaded, 0);  // some mutations leave a valid file
}

TEST(SFMailLng, ReadsFileAndReportsMissingFile)
{
    TempDir dir;
    const auto lng = TSFMailLng(dir.Write("sf-mail.lng", BuildSFMailLng(kSFTexts)));
    EXPECT_EQ(lng.GetStr(20), "Sent %1 (%2 cps)");
    const std::string path = dir.Write("bad.lng", "short");
    EXPECT_TRUE(Contains(LngErrorOf([&] { TSFMailLng{path}; }), path + ": "));
    EXPECT_THROW(TSFMailLng(dir.PathOf("absent.lng")), EFOpenError);
}

// ---------------------------------------------------------------------------- FhMail

TEST(FHMailLng, KeysValuesSecondValuesCommentsAndEmptyLines)
{
    const auto lng = TFHMailLng::FromBytes(
        "; a comment 'with quotes'\r\n"
        "\r\n"
        "MSG_X 'Calling' 'Call to'\r\n"
        "MSG_Y 'Only one'\r\n"
        "NOQUOTE text without quotes\r\n"
        "   \t\r\n");
    ASSERT_EQ(lng.Count(), 3u);
    EXPECT_EQ(lng.GetStr("MSG_X"), "Calling");
    EXPECT_EQ(lng.GetStr("MSG_X2"), "Call to");
    EXPECT_EQ(lng.GetStr("MSG_Y"), "Only one");
    EXPECT_EQ(lng.Dict().KeyAt(2), "MSG_Y");
    EXPECT_EQ(lng.GetStr("MSG_Y2"), "MSG_Y2");  // absent keys answer themselves
    EXPECT_EQ(lng.GetStr("NOQUOTE"), "NOQUOTE");
}

TEST(FHMailLng, KeysUpperCaseBlanksTrimmedLaterDefinitionWins)
{
    const auto lng = TFHMailLng::FromBytes(
        "  msg_a   'first'  \n"
        "\tMsg_B 'x y z ' 'second' 'third'\n"
        "MSG_A 'again'\n"
        "EMPTY ''\n"
        "BROKEN 'no closing quote\n"
        "'noKey' 'value'\n"
        "GLUED'text'\n");
    EXPECT_EQ(lng.Dict().KeyAt(0), "MSG_A");
    EXPECT_EQ(lng.GetStr("MSG_A"), "again");
    EXPECT_EQ(lng.GetStr("msg_b"), "x y z ");
    EXPECT_EQ(lng.GetStr("MSG_B2"), "second");
    EXPECT_EQ(lng.GetStr("EMPTY"), "");
    EXPECT_EQ(lng.GetStr("BROKEN"), "BROKEN");
    EXPECT_EQ(lng.GetStr("GLUED"), "text");
    EXPECT_EQ(lng.Count(), 5u);  // MSG_A, MSG_B, MSG_B2, EMPTY, GLUED
}

TEST(FHMailLng, LineEndsCrLfLfAndCrAlike)
{
    for (const std::string eol : {"\r\n", "\n", "\r"}) {
        const auto lng = TFHMailLng::FromBytes(BuildFHMailLng(kFhEntries, eol));
        EXPECT_EQ(lng.Count(), 4u) << eol.size();
        EXPECT_EQ(lng.GetStr("MSG_CALL"), "Calling %s");
        EXPECT_EQ(lng.GetStr("MSG_CALL2"), "Call to");
        EXPECT_EQ(lng.GetStr("MSG_SENT"), "Sent");
        EXPECT_EQ(lng.GetStr("MSG_DONE"), "Done");
    }
    const auto mixed = TFHMailLng::FromBytes("A 'a'\rB 'b'\r\n\r\nC 'c'\n\rD 'd'");
    EXPECT_EQ(mixed.Count(), 4u);
    EXPECT_EQ(mixed.GetStr("D"), "d");
}

TEST(FHMailLng, OnlyTheFirst250CharactersOfALineCount)
{
    const std::string pad(240, ' ');
    // The closing quote at character 250 is still seen; at 251 it is not.
    const std::string in = "K" + std::string(238, ' ') + "'123456789'";  // 250 characters
    ASSERT_EQ(in.size(), 250u);
    const std::string out = "L" + std::string(239, ' ') + "'123456789'";  // 251
    const std::string second = "M 'one'" + std::string(236, ' ') + "'two'";  // 248
    const auto lng = TFHMailLng::FromBytes(in + "\n" + out + "\n" + second + "XYZ'\n" +
                                           "N 'after'" + pad + "'over the limit'\n");
    EXPECT_EQ(lng.GetStr("K"), "123456789");
    EXPECT_EQ(lng.GetStr("L"), "L");
    EXPECT_EQ(lng.GetStr("M"), "one");
    EXPECT_EQ(lng.GetStr("M2"), "two");
    EXPECT_EQ(lng.GetStr("N"), "after");
    EXPECT_EQ(lng.GetStr("N2"), "N2");
}

TEST(FHMailLng, EveryTruncationLoadsKeepingCompleteLines)
{
    const std::string full = BuildFHMailLng(kFhEntries);
    const auto whole = TFHMailLng::FromBytes(full);
    for (std::size_t n = 0; n <= full.size(); ++n) {
        const auto lng = TFHMailLng::FromBytes(full.substr(0, n));
        ASSERT_LE(lng.Count(), whole.Count());
        for (std::size_t i = 0; i < lng.Count(); ++i) {
            const std::string& key = lng.Dict().KeyAt(i);
            ASSERT_EQ(key, whole.Dict().KeyAt(i)) << n;
            // A line cut short loses its closing quote, so values are whole or absent.
            EXPECT_EQ(lng.Dict().ValueAt(i), whole.GetStr(key)) << n;
        }
    }
}

TEST(FHMailLng, GarbageLoadsWithUpperCaseKeys)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 1000; ++round) {
        std::string bytes = RandomBytes(rng, 400);
        // Plenty of quotes and line breaks, so that entries do form.
        for (std::size_t i = 0; i < bytes.size(); i += 7)
            bytes[i] = "'\n ';\r'"[i % 7];
        const auto lng = TFHMailLng::FromBytes(bytes);
        for (std::size_t i = 0; i < lng.Count(); ++i) {
            const std::string& key = lng.Dict().KeyAt(i);
            ASSERT_FALSE(key.empty());
            for (char c : key)
                ASSERT_FALSE(c >= 'a' && c <= 'z') << key;
            EXPECT_EQ(lng.GetStr(key), lng.Dict().ValueAt(i));
        }
    }
}

TEST(FHMailLng, ReadsFileAndReportsMissingFile)
{
    TempDir dir;
    const auto lng = TFHMailLng(dir.Write("fhmail.lng", BuildFHMailLng(kFhEntries)));
    EXPECT_EQ(lng.GetStr("MSG_CALL2"), "Call to");
    EXPECT_THROW(TFHMailLng(dir.PathOf("absent.lng")), EFOpenError);
}

// ------------------------------------------------------------------------ BinkleyTerm

TEST(BinkLng, GetStrAndGetCut)
{
    const auto lng = TBinkLng::FromBytes(BuildBinkLng(kBinkTexts));
    ASSERT_EQ(lng.Count(), 4u);
    EXPECT_EQ(lng.GetStr(0), "+Connect %s");
    EXPECT_EQ(lng.GetCut(0), "Connect ");
    EXPECT_EQ(lng.GetStr(1), "");
    EXPECT_EQ(lng.GetCut(1), "");
    EXPECT_EQ(lng.GetCut(2), "Sent ");
    EXPECT_EQ(lng.GetCut(3), "Failed");
    EXPECT_EQ(lng.GetStr(4), "");
    EXPECT_EQ(lng.GetStr(-1), "");
    EXPECT_EQ(lng.GetCut(65536), "");
}

TEST(BinkLng, HighPointerBitsIgnoredAndStringsMayShareBytes)
{
    std::string b = BuildBinkLng({"+Hello", "World"});
    b[12 + 2] = '\x12';  // high half of the first pointer
    b[12 + 3] = '\x34';
    PutU16At(b, 16, 4 + 1);  // the second string points into the first: "Hello"
    const auto lng = TBinkLng::FromBytes(b);
    EXPECT_EQ(lng.GetStr(0), "+Hello");
    EXPECT_EQ(lng.GetStr(1), "Hello");
}

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

TEST(BinkLng, OversizedCountRaises)
{
    std::string b(40, '\0');
    PutU16At(b, 4, 65535);
    EXPECT_EQ(LngErrorOf([&] { TBinkLng::FromBytes(b, "b.lng"); }),
              "b.lng: pointer table of 65535 entries runs past end of file");
    PutU16At(b, 4, 0);
    PutU16At(b, 6, 65535);
    EXPECT_TRUE(Contains(LngErrorOf([&] { TBinkLng::FromBytes(b); }),
                         "string block of 65535 bytes runs past end of file"));
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

TEST(BinkLng, GarbageAndMutatedFilesNeverReadOutOfBounds)
{
    std::mt19937 rng(1234);
    const std::string good = BuildBinkLng(kBinkTexts);
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = round % 2 ? RandomBytes(rng, 200) : Mutate(rng, good);
        try {
            const auto lng = TBinkLng::FromBytes(bytes);
            ++loaded;
            for (std::size_t i = 0; i <= lng.Count(); ++i)
                EXPECT_EQ(lng.GetCut(static_cast<std::int64_t>(i)).find('\0'), std::string::npos);
        } catch (const EMailerLngError&) {
        }
    }
    EXPECT_GT(loaded, 0);
}

TEST(BinkLng, ReadsFileAndReportsMissingFile)
{
    TempDir dir;
    const auto lng = TBinkLng(dir.Write("binkley.lng", BuildBinkLng(kBinkTexts)));
    EXPECT_EQ(lng.GetCut(0), "Connect ");
    EXPECT_THROW(TBinkLng(dir.PathOf("absent.lng")), EFOpenError);
}

// --------------------------------------------------------------------------- Writers

TEST(MailerLngWriter, RejectsWhatTheFormatsCannotHold)
{
    EXPECT_THROW(BuildTMailLng({"a\0b"s}), std::invalid_argument);
    EXPECT_THROW(BuildSFMailLng({{1, "a"}, {1, "b"}}), std::invalid_argument);
    EXPECT_THROW(BuildSFMailLng({{1, std::string(256, 'x')}}), std::invalid_argument);
    EXPECT_THROW(BuildBinkLng({std::string(70000, 'x')}), std::invalid_argument);
    EXPECT_THROW(BuildFHMailLng({{"K", "it's", std::nullopt}}), std::invalid_argument);
    EXPECT_THROW(BuildFHMailLng({{"TWO WORDS", "v", std::nullopt}}), std::invalid_argument);
}
