#include "engine/BinkLog.h"
#include "engine/LogYears.h"
#include "fido/LogUtils.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tarvix;

namespace {

TEST(LogYears, YearTurnsWhereTheDateGoesBackMoreThanHalfAYear)
{
    struct Case {
        std::vector<std::pair<int, int>> dates;  // month, day of lines 1, 2, ...
        std::vector<std::int64_t> yearStarts;
    };
    const Case cases[] = {
        {{{12, 28}, {12, 31}, {1, 1}, {2, 3}}, {3}},              // New Year
        {{{3, 10}, {3, 2}, {3, 11}}, {}},                         // a clock set back
        {{{7, 2}, {1, 1}}, {}},                                   // back by half a year only
        {{{12, 31}, {6, 30}}, {2}},                               // back by more
        {{{11, 1}, {2, 29}, {12, 1}, {1, 5}, {5, 5}}, {2, 4}},    // three years
        {{{12, 1}, {0, 1}, {13, 1}, {1, 1}}, {4}},                // no months
    };
    for (const Case& c : cases) {
        TLogYears years;
        for (std::size_t i = 0; i < c.dates.size(); ++i)
            years.Add(static_cast<std::int64_t>(i) + 1, c.dates[i].first, c.dates[i].second);
        EXPECT_EQ(years.YearStarts(), c.yearStarts);
        EXPECT_EQ(years.FirstYear(2025), 2025 - static_cast<int>(c.yearStarts.size()));
    }
}

// Bink-style logs read with --year 2025: their days (yyyymmdd) and error boxes (lines).
struct BinkCase {
    const char* text;
    std::vector<int> days;
    std::vector<long long> errorLines;
};

class BinkYears : public ::testing::TestWithParam<BinkCase> {};

TEST_P(BinkYears, DaysAndErrors)
{
    const int savedYear = CurrentYear();
    SetCurrentYear(2025);
    test::QuietWindow window;
    test::CapturedDialogs dialogs;
    TBinkLog log;
    log.Window = &window;
    log.SetText(GetParam().text);
    EXPECT_TRUE(log.Analyse({}));
    std::vector<int> days;
    for (std::size_t i = 0; i < log.DayCount(); ++i) {
        int y, m, d;
        DecodeDate(log.GetDay(i).Date, y, m, d);
        days.push_back(y * 10000 + m * 100 + d);
    }
    std::vector<long long> errorLines;
    for (const TDialogRequest& r : dialogs.dialogs.Shown)
        errorLines.push_back(std::stoll(r.text.substr(r.text.find_first_of("0123456789"))));
    EXPECT_EQ(days, GetParam().days);
    EXPECT_EQ(errorLines, GetParam().errorLines);
    EXPECT_EQ(log.DaysSpanYears(), days.front() / 10000 != days.back() / 10000);
    EXPECT_EQ(log.LineYear(), 2025);  // outside an analysis
    SetCurrentYear(savedYear);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BinkYears,
    ::testing::Values(
        // December belongs to the year before the last line; empty lines between.
        BinkCase{"+ 28 Dec 10:00:00 BINK  a\n\n+ 31 Dec 23:00:00 BINK  b\n+ 01 Jan 00:01:00 BINK  c\n"
                 "+ 03 Feb 08:00:00 BINK  d\n",
                 {20241228, 20241231, 20250101, 20250203}, {}},
        // The 29 February of a leap year before the current one is no error.
        BinkCase{"+ 28 Feb 10:00:00 BINK  a\n+ 29 Feb 10:00:00 BINK  b\n+ 30 Nov 10:00:00 BINK  c\n"
                 "+ 02 Jan 10:00:00 BINK  d\n",
                 {20240228, 20240229, 20241130, 20250102}, {}},
        // An error before the year turns is reported once, though the analysis
        // starts again there; CR and CR LF line ends count as the analysis counts them.
        BinkCase{"+ 20 Dec 10:00:00 BINK  a\r+ xx Dec 10:00:00 BINK  bad\r\n+ 21 Dec 10:00:00 BINK  b\r\n"
                 "+ 01 Jan 10:00:00 BINK  c",
                 {20241220, 20241221, 20250101}, {2}}));

// Multi-year Bink-style logs analysed with the years pass sampling every 256 bytes
// and with the full pass: the days and the error lines are the same. Each log is
// given as the month and day of its lines, oldest first.
struct SampledCase {
    const char* name;
    std::vector<std::pair<int, int>> dates;
};

std::vector<std::pair<int, int>> operator+(std::vector<std::pair<int, int>> a, const std::vector<std::pair<int, int>>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::pair<int, int>> Repeat(int times, std::vector<std::pair<int, int>> once)
{
    std::vector<std::pair<int, int>> all;
    for (int i = 0; i < times; ++i)
        all = all + once;
    return all;
}

std::vector<std::pair<int, int>> Daily(int years, int linesPerDay)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    std::vector<std::pair<int, int>> all;
    for (int y = 0; y < years; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= kDays[m - 1]; d += linesPerDay > 0 ? 1 : 31)
                for (int k = 0; k < std::max(linesPerDay, 1); ++k)
                    all.push_back({m, d});
    return all;
}

class SampledYears : public ::testing::TestWithParam<SampledCase> {};

TEST_P(SampledYears, AsTheFullPass)
{
    const int savedYear = CurrentYear();
    SetCurrentYear(2025);
    auto analyse = [](std::size_t sampleFrom) {
        test::QuietWindow window;
        test::CapturedDialogs dialogs;
        std::string text;
        for (const auto& [month, day] : GetParam().dates) {
            char line[64];
            std::snprintf(line, sizeof line, "+ %02d %s 10:00:00 BINK  line\n", day,
                          month >= 1 && month <= 12 ? std::string(MonthAbbrs[month - 1]).c_str() : "Xyz");
            text += line;
        }
        TBinkLog log;
        log.Window = &window;
        log.YearsSampleStep = 256;
        log.YearsSampleFrom = sampleFrom;
        log.SetText(text);
        EXPECT_TRUE(log.Analyse({}));
        std::vector<std::string> days;
        for (std::size_t i = 0; i < log.DayCount(); ++i)
            days.push_back(std::to_string(log.GetDay(i).Date) + "@" + std::to_string(log.GetDay(i).FirstLine));
        for (const TDialogRequest& r : dialogs.dialogs.Shown)
            days.push_back(r.text);
        return days;
    };
    const std::vector<std::string> full = analyse(SIZE_MAX);
    EXPECT_GT(full.size(), 2u);
    EXPECT_EQ(analyse(0), full);
    SetCurrentYear(savedYear);
}

INSTANTIATE_TEST_SUITE_P(
    Logs, SampledYears,
    ::testing::Values(
        SampledCase{"LinesEveryDay", Daily(3, 4)},
        SampledCase{"LineAMonth", Daily(12, 0)},
        // Eight lines a year, fewer bytes than a sampling step: the samples all read
        // 15 Mar, the sampled pass misses the years and the analysis finds it out.
        SampledCase{"YearWithinAStep", Repeat(30, {{3, 15}, {3, 15}, {3, 15}, {3, 15}, {3, 15}, {3, 15}, {3, 15}, {9, 15}})},
        // A clock set back for a few days, every year.
        SampledCase{"ClockSetBack", Repeat(4, Daily(1, 2) + Repeat(20, {{12, 20}}) + Repeat(20, {{12, 31}}))},
        // A 29 February of the year before the current one, a bad month after it.
        SampledCase{"LeapDay", Repeat(40, {{2, 28}}) + Repeat(40, {{2, 29}}) + Repeat(40, {{3, 1}}) +
                                   Repeat(40, {{13, 1}}) + Repeat(40, {{10, 1}}) + Daily(1, 1)}),
    [](const ::testing::TestParamInfo<SampledCase>& info) { return std::string(info.param.name); });

}  // namespace
