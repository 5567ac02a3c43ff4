#include "fido/LogUtils.h"

#include "platform/Error.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace tarvix;

TEST(FormatBytes, Thresholds)
{
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "0"},           {1000, "1000"},       {1023, "1023"},      {1024, "1.0K"},
        {1536, "1.5K"},     {2047, "1.9K"},       {10240, "10.0K"},    {10241, "10K"},
        {20480, "20K"},     {1048575, "1023K"},   {1048576, "1.0M"},   {1572864, "1.5M"},
        {10485760, "10.0M"}, {10485761, "10M"},   {INT_MAX, "2047M"},  {-5, "-5"},
        {INT_MIN, "-2147483648"},
    };
    for (const auto& [size, text] : cases)
        EXPECT_EQ(FormatBytes(size), text) << size;
}

TEST(FormatBytes, TenthsAreCutAndNeverExceedNine)
{
    // 1023 bytes over a whole KB would give a tenths digit of 10: it stays 9.
    EXPECT_EQ(FormatBytes(2 * 1024 + 1023), "2.9K");
    EXPECT_EQ(FormatBytes(2 * 1024 + 999), "2.9K");
    EXPECT_EQ(FormatBytes(2 * 1024 + 99), "2.0K");
    EXPECT_EQ(FormatBytes(2 * 1048576 + 1048575), "2.9M");
    EXPECT_EQ(FormatBytes(2 * 1048576 + 102399), "2.0M");
}

TEST(FormatBytes, SixtyFourBitSizesContinueInMegabytes)
{
    EXPECT_EQ(FormatBytes(std::int64_t {1023}), "1023");
    EXPECT_EQ(FormatBytes(std::int64_t {10240}), "10.0K");
    EXPECT_EQ(FormatBytes(std::int64_t {10485761}), "10M");
    EXPECT_EQ(FormatBytes(std::int64_t {INT_MAX} + 1), "2048M");
    EXPECT_EQ(FormatBytes(std::int64_t {5} * 1024 * 1024 * 1024), "5120M");
    EXPECT_EQ(FormatBytes(INT64_MAX), "8796093022207M");
}

TEST(FormatKBytes, Thresholds)
{
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "0"},          {1, "1K"},           {1023, "1023K"},      {1024, "1.0M"},
        {1536, "1.5M"},    {2047, "1.9M"},      {10239, "9.9M"},      {10240, "10M"},
        {10485759, "10239M"}, {10485760, "10G"}, {INT_MAX, "2047G"},  {-3, "-3K"},
    };
    for (const auto& [size, text] : cases)
        EXPECT_EQ(FormatKBytes(size), text) << size;
}

TEST(Durations, SecondsToHMS)
{
    EXPECT_EQ(SecondsToHMS(3725, false), "1:02:05");
    EXPECT_EQ(SecondsToHMS(3725, true), "01:02:05");
    EXPECT_EQ(SecondsToHMS(0, false), "0:00:00");
    EXPECT_EQ(SecondsToHMS(0, true), "00:00:00");
    EXPECT_EQ(SecondsToHMS(59, true), "00:00:59");
    EXPECT_EQ(SecondsToHMS(86399, true), "23:59:59");
    // Hours are not limited to a day, and three digits stay three.
    EXPECT_EQ(SecondsToHMS(90000, true), "25:00:00");
    EXPECT_EQ(SecondsToHMS(360000 * 3, true), "300:00:00");
    EXPECT_EQ(SecondsToHMS(INT_MAX, false), "596523:14:07");
    EXPECT_EQ(SecondsToHMS(-3725, false), "-1:02:05");
    EXPECT_EQ(SecondsToHMS(INT_MIN, false), "-596523:14:08");
}

TEST(Durations, SecondsToHM)
{
    EXPECT_EQ(SecondsToHM(3725), "1:02");
    EXPECT_EQ(SecondsToHM(0), "0:00");
    EXPECT_EQ(SecondsToHM(359999), "99:59");
    EXPECT_EQ(SecondsToHM(360000), "100h");
    EXPECT_EQ(SecondsToHM(432000), "120h");
    EXPECT_EQ(SecondsToHM(-60), "-0:01");
    EXPECT_EQ(SecondsToHM(INT_MIN), "-596523h");
}

TEST(UnixTime, ConvertsWithoutTimeZone)
{
    EXPECT_EQ(UnixToDateTime(0), EncodeDate(1970, 1, 1));
    EXPECT_EQ(UnixToDateTime(86400), EncodeDate(1970, 1, 2));
    EXPECT_EQ(UnixToDateTime(-86400), EncodeDate(1969, 12, 31));
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", UnixToDateTime(INT_MAX)),
              "2038-01-19 03:14:07");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", UnixToDateTime(INT_MIN)),
              "1901-12-13 20:45:52");
    EXPECT_EQ(FormatDateTime("dd.mm.yy hh:nn", UnixToDateTime(1000000000)), "09.09.01 01:46");
}

TEST(MonthNames, MonthFromNameIsExact)
{
    EXPECT_EQ(MonthFromName("Jan"), 1);
    EXPECT_EQ(MonthFromName("May"), 5);
    EXPECT_EQ(MonthFromName("Dec"), 12);
    for (const char* bad : {"MAY", "may", "", "May ", "Ma", "Mayo"}) {
        try {
            MonthFromName(bad);
            ADD_FAILURE() << "no error for '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Invalid month ") + bad);
        }
    }
    EXPECT_THROW(MonthFromName(std::string_view("May\0", 4)), EConvertError);
}

TEST(MonthNames, MonthFromNameInUsesTheCallersTable)
{
    std::vector<std::string> names = {"Янв", "Фев", "Мар", "Апр", "Май", "Июн",
                                      "Июл", "Авг", "Сен", "Окт", "Ноя", "Дек"};
    EXPECT_EQ(MonthFromNameIn("Май", names), 5);
    EXPECT_EQ(MonthFromNameIn("Дек", names), 12);
    EXPECT_THROW(MonthFromNameIn("May", names), EConvertError);
    try {
        MonthFromNameIn("xyz", names);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Invalid month xyz");
    }

    // A short table is searched as far as it goes, a long one only to the twelfth.
    std::vector<std::string> shortTable = {"a", "b"};
    EXPECT_EQ(MonthFromNameIn("b", shortTable), 2);
    EXPECT_THROW(MonthFromNameIn("c", shortTable), EConvertError);
    std::vector<std::string> longTable(14, "x");
    longTable[12] = "thirteenth";
    EXPECT_THROW(MonthFromNameIn("thirteenth", longTable), EConvertError);
    EXPECT_THROW(MonthFromNameIn("x", std::vector<std::string> {}), EConvertError);

    std::array<std::string, 12> arr;
    for (std::size_t i = 0; i < 12; ++i)
        arr[i] = MonthAbbrs[i];
    EXPECT_EQ(MonthFromNameIn("Oct", arr), 10);
}
