#include "engine/BinkLog.h"
#include "engine/LogYears.h"
#include "fido/LogUtils.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>

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

// A Bink-style log read with --year 2025, the years pass sampling every 256 bytes of
// a text of sampleFrom bytes or more: its days (yyyymmdd) and error boxes (lines).
std::pair<std::vector<int>, std::vector<long long>> AnalyseBink(const std::string& text, std::size_t sampleFrom)
{
    const int savedYear = CurrentYear();
    SetCurrentYear(2025);
    test::QuietWindow window;
    test::CapturedDialogs dialogs;
    TBinkLog log;
    log.Window = &window;
    log.YearsSampleStep = 256;
    log.YearsSampleFrom = sampleFrom;
    log.SetText(text);
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
    EXPECT_EQ(log.DaysSpanYears(), days.front() / 10000 != days.back() / 10000);
    EXPECT_EQ(log.LineYear(), 2025);  // outside an analysis
    SetCurrentYear(savedYear);
    return {days, errorLines};
}

struct BinkCase {
    const char* text;
    std::vector<int> days;
    std::vector<long long> errorLines;
};

class BinkYears : public ::testing::TestWithParam<BinkCase> {};

TEST_P(BinkYears, DaysAndErrors)
{
    const auto [days, errorLines] = AnalyseBink(GetParam().text, SIZE_MAX);
    EXPECT_EQ(days, GetParam().days);
    EXPECT_EQ(errorLines, GetParam().errorLines);
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

// Multi-year Bink-style logs read with the years pass sampling and with the full pass
// give the same days and error boxes. A log is `years` times its runs of lines (month,
// day, count; month 0: every month, day 0: its first 28 days).
TEST(LogYears, SampledPassAsTheFullPass)
{
    const std::pair<int, std::vector<std::array<int, 3>>> logs[] = {
        {3, {{0, 0, 4}}},                              // lines every day
        {12, {{0, 1, 1}}},                             // a line a month
        {30, {{3, 15, 7}, {9, 15, 1}, {13, 1, 1}}},    // a year within a step; a bad month
        {4, {{0, 0, 2}, {12, 20, 20}, {12, 31, 20}}},  // a clock set back
        {2, {{2, 28, 40}, {2, 29, 40}, {10, 1, 40}}},  // 29 February of 2024, of 2025 (an error)
    };
    for (const auto& [years, runs] : logs) {
        std::string text;
        char line[64];
        for (int y = 0; y < years; ++y)
            for (const auto& [month, day, count] : runs)
                for (int m = month ? month : 1; m <= (month ? month : 12); ++m)
                    for (int d = day ? day : 1; d <= (day ? day : 28); ++d)
                        for (int k = 0; k < count; ++k)
                            text.append(line, std::snprintf(line, sizeof line, "+ %02d %s 10:00:00 BINK  x\n", d,
                                                            m <= 12 ? std::string(MonthAbbrs[m - 1]).c_str() : "Xyz"));
        EXPECT_EQ(AnalyseBink(text, 0), AnalyseBink(text, SIZE_MAX)) << years << " years";
    }
}

}  // namespace
