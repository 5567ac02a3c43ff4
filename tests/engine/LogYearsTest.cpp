#include "engine/BinkLog.h"
#include "engine/LogYears.h"

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

}  // namespace
