#include "engine/Sess.h"

#include "fido/DateTime.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "fido/Sort.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace tarvix;

namespace {

const std::string kEngLng = std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng";

// Restores the program-wide state the session texts depend on.
class SessFixture : public ::testing::Test {
protected:
    void TearDown() override
    {
        UnloadLng();
        ClearMainAddr();
        ClearAliases();
        Settings().OEMConvert = true;
        Settings().DayStart = 0;
        Settings().DayEnd = 8;
    }
};

TSess Fresh()
{
    TSess s(7, EncodeDate(2026, 3, 1) + EncodeTime(12, 0, 0, 0));
    s.Flags = sfOK | sfListed;
    return s;
}

std::uint32_t SpeedOf(std::string_view text, std::uint16_t flags = 0, std::uint16_t* flagsOut = nullptr)
{
    TSess s;
    s.Flags = flags;
    s.Speed = 999;  // every text sets the speed, none leaves an old one
    s.SetConnect(text);
    if (flagsOut)
        *flagsOut = s.Flags;
    return s.Speed;
}

}  // namespace

TEST_F(SessFixture, ConnectTextsGiveSpeedAndDirection)
{
    const std::vector<std::pair<const char*, std::uint32_t>> speeds = {
        {"28800/ARQ/V42BIS", 28800}, {"33600TX", 33600}, {"31200RX/V42", 31200}, {"  14400 ARQ/LAPM", 14400},
        {"\t2400\t", 2400}, {"TCP/IP", kSpeedIP}, {"TCP", kSpeedIP}, {"?", 0}, {"?/ARQ", 0}, {"", 0}, {"   ", 0},
        {"TX", 0}, {"V.34", 0}, {"tcp/ip", 0}, {"12ab", 0}, {"-300", 0}, {"9600 REL/V42", 9600},
        {"2400/ARQ 1200", 2400},
        // Speeds above 65535 are kept whole; past 32 bits there is no speed.
        {"115200/V42", 115200}, {"4294967295", 4294967295u}, {"4294967296", 0}, {"99999999999999999999999", 0},
        {"4294967295 ARQ", 4294967295u}, {"4294967296/ARQ", 0}, {"00000000009600/ARQ", 9600}, {"9600\t", 9600},
        {"9600?", 0}, {" \t 4294967295/ARQ", 4294967295u}, {"  4294967296", 0}, {" 0000000000000000000033600 V42", 33600}};
    for (const auto& [text, speed] : speeds)
        EXPECT_EQ(SpeedOf(text), speed) << text;
    // "From" and "To" give the direction of an IP connection; other texts leave it.
    std::uint16_t flags = 0;
    EXPECT_EQ(SpeedOf("From 192.0.2.7", sfOK, &flags), kSpeedIP);
    EXPECT_EQ(flags, sfOK | sfIncoming);
    EXPECT_EQ(SpeedOf("To node.example.org", sfOK | sfIncoming | sfListed, &flags), kSpeedIP);
    EXPECT_EQ(flags, sfOK | sfListed);
    EXPECT_EQ(SpeedOf("from 192.0.2.7", 0, &flags), 0u);
    EXPECT_EQ(SpeedOf("9600", sfIncoming, &flags), 9600u);
    EXPECT_EQ(flags, sfIncoming);
    TSess s;
    EXPECT_EQ(s.SpeedText(), "???");
    s.SetConnect("TCP/IP");
    EXPECT_EQ(s.SpeedText(), "IP");
    s.SetConnect("230400");
    EXPECT_EQ(s.SpeedText(), "230400");
}

TEST_F(SessFixture, HumanAndFailedCallsHideTransferColumns)
{
    TSess s = Fresh();
    s.SetProtocol("Hydra");
    EXPECT_EQ(s.ProtocolText(), "Hydra");
    s.Set(sfBad, true);
    EXPECT_EQ(s.ProtocolText(), "");
    s.Set(sfBad, false);
    s.Set(sfHuman, true);
    EXPECT_EQ(s.ProtocolText(), "");
    s.Set(sfHuman, false);
    s.Protocol = prNone;
    EXPECT_EQ(s.ProtocolText(), "???");

    s.Set(sfPassword, true);
    EXPECT_EQ(s.PasswordText(), "Yes");
    s.Set(sfBadPassword, true);
    EXPECT_EQ(s.PasswordText(), "BAD");
    s.Set(sfPassword, false);
    EXPECT_EQ(s.PasswordText(), "BAD");
}

TEST_F(SessFixture, LengthRoundsAsTheLibraryRounds)
{
    // Halves, values next to them, both signs (a clock set back), and very long spans.
    TSess s = Fresh();
    s.StartTime = 0;
    const double seconds[] = {0.5, 1.5, 2.5, -0.5, -1.5, 0.49999999999999994, -0.49999999999999994,
                              0.5000000000000001, 86399.5, 86400.49999, 1e9 + 0.5, -1e9 - 0.5,
                              4.4e15 + 0.5, 5e15, -5e15, 1e300};
    for (double x : seconds) {
        s.EndTime = x / 86400.0;
        EXPECT_EQ(s.SessLength(), std::llround(s.EndTime * 86400.0)) << x;
    }
    for (int i = -2000; i <= 2000; ++i) {
        s.EndTime = (i * 0.25 + 1e-9 * i) / 86400.0;
        EXPECT_EQ(s.SessLength(), std::llround(s.EndTime * 86400.0)) << i;
    }
}

TEST_F(SessFixture, IncrementTakesTheDirectoryOfThePath)
{
    EXPECT_EQ(TDLCFreq(nullptr, "A.ZIP", "C:\\FILES\\NEW\\A.ZIP").Dir, "C:\\FILES\\NEW\\");
    EXPECT_EQ(TDLCFreq(nullptr, "A.ZIP", "C:A.ZIP").Dir, "C:");
    EXPECT_EQ(TDLCFreq(nullptr, "A.ZIP", "/srv/fido/files/a.zip").Dir, "/srv/fido/files/");
    EXPECT_EQ(TDLCFreq(nullptr, "A.ZIP", "A.ZIP").Dir, "");
    EXPECT_EQ(TDLCFreq(nullptr, "A.ZIP", "").Dir, "");
    EXPECT_EQ(TDLCFreq(nullptr, "A.ZIP", "\\").Dir, "\\");
    TDLCFreq r(nullptr, "A.ZIP", "D:\\X\\A.ZIP");
    EXPECT_EQ(r.FileName, "A.ZIP");
    EXPECT_EQ(r.Log, nullptr);
}

TEST_F(SessFixture, IncrementsSortByDirectoryWithoutCase)
{
    std::vector<TDLCFreq> list = {
        {nullptr, "1", "c:\\files\\b\\1"}, {nullptr, "2", "C:\\FILES\\A\\2"}, {nullptr, "3", "C:\\Files\\B\\3"},
        {nullptr, "4", "c:\\files\\a\\4"}, {nullptr, "5", "4"},             {nullptr, "6", "C:\\FILES\\6"},
    };
    SortList(list, [](const TDLCFreq& a, const TDLCFreq& b) { return CompareDLC(a, b); });
    std::vector<std::string> dirs;
    for (const auto& r : list)
        dirs.push_back(UpperCaseAscii(r.Dir));
    EXPECT_EQ(dirs, (std::vector<std::string>{"", "C:\\FILES\\", "C:\\FILES\\A\\", "C:\\FILES\\A\\",
                                              "C:\\FILES\\B\\", "C:\\FILES\\B\\"}));
    EXPECT_EQ(CompareDLCDirs("c:\\x\\", "C:\\X\\"), 0);
    EXPECT_LT(CompareDLCDirs("C:\\X", "C:\\X\\"), 0);
    EXPECT_GT(CompareDLCDirs("C:\\Y\\", "c:\\x\\z\\"), 0);
    // Bytes above 127 compare as unsigned, not by the letters of some alphabet.
    EXPECT_GT(CompareDLCDirs("\xe0", "a"), 0);
    EXPECT_NE(CompareDLCDirs("\xe0", "\xc0"), 0);
}

TEST_F(SessFixture, StripParenTailRemovesTheCommentAndItsBlank)
{
    EXPECT_EQ(StripParenTail("Moscow Station (Node of the day)"), "Moscow Station");
    EXPECT_EQ(StripParenTail("Station"), "Station");
    EXPECT_EQ(StripParenTail("A (b) c"), "A (b) c");
    EXPECT_EQ(StripParenTail(""), "");
    EXPECT_EQ(StripParenTail("(all of it)"), "");
    EXPECT_EQ(StripParenTail(" (x)"), "");
    // The one character before "(" goes whatever it is.
    EXPECT_EQ(StripParenTail("Name(x)"), "Nam");
    // A text ending in ")" without any "(" is left as it is.
    EXPECT_EQ(StripParenTail(")"), ")");
    EXPECT_EQ(StripParenTail("smile :-)"), "smile :-)");
    EXPECT_EQ(StripParenTail(std::string(300, ')')), std::string(300, ')'));
}

// The day and the seconds from the start hour of a moment, and whether it is inside
// the span of hours: across midnight, rounding to midnight, within one day.
TEST_F(SessFixture, DayPosOfMoments)
{
    const TDateTime march1 = EncodeDate(2026, 3, 1), march2 = EncodeDate(2026, 3, 2);
    auto pos = [](TDateTime t, int start, int end) {
        const TDayPos p = DayPos(t, start, end);
        return std::to_string(p.Day) + " " + std::to_string(p.Seconds) + (p.Inside ? " in" : " out");
    };
    const std::string d1 = std::to_string(static_cast<int>(march1)), d2 = std::to_string(static_cast<int>(march2));
    const std::vector<std::tuple<TDateTime, int, int, std::string>> cases = {
        {march1 + EncodeTime(23, 30, 0, 0), 22, 6, d2 + " 5400 in"},
        {march2 + EncodeTime(3, 0, 0, 0), 22, 6, d2 + " 18000 in"},
        {march2 + EncodeTime(12, 0, 0, 0), 22, 6, d2 + " 50400 in"},
        {march1 + EncodeTime(22, 0, 0, 0), 22, 6, d2 + " 0 in"},
        // A stamp a hair short of midnight reads 00:00:00: its day is the next one.
        {march2 - 1e-10, 0, 8, d2 + " 0 in"}, {march2 - 1e-10, 22, 6, d2 + " 7200 in"},
        {march1 + EncodeTime(9, 0, 0, 0), 0, 8, d1 + " 32400 out"},
        {march1 + EncodeTime(7, 59, 59, 0), 0, 8, d1 + " 28799 in"},
        {march1 + EncodeTime(8, 0, 0, 0), 0, 8, d1 + " 28800 out"}, {march1, 0, 8, d1 + " 0 in"},
        {march1 + EncodeTime(6, 0, 0, 0), 8, 20, d1 + " -7200 out"},  // before the start hour
        {march1 + EncodeTime(8, 30, 0, 0), 8, 8, d1 + " 1800 out"}};  // equal hours: nothing is inside
    for (const auto& [t, start, end, want] : cases)
        EXPECT_EQ(pos(t, start, end), want) << start << "-" << end;
}
