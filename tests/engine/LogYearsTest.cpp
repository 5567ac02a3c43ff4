#include "engine/BinkLog.h"
#include "engine/LogYears.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarvix;

namespace {

struct MonthDay {
    int month, day;
};

struct YearsCase {
    const char* name;
    std::vector<MonthDay> dates;           // lines 1, 2, ...
    std::vector<std::int64_t> yearStarts;  // the first lines of the later years
};

class LogYears : public ::testing::TestWithParam<YearsCase> {};

TEST_P(LogYears, YearTurnsWhereTheDateGoesBackMoreThanHalfAYear)
{
    TLogYears years;
    for (std::size_t i = 0; i < GetParam().dates.size(); ++i)
        years.Add(static_cast<std::int64_t>(i) + 1, GetParam().dates[i].month, GetParam().dates[i].day);
    EXPECT_EQ(years.YearStarts(), GetParam().yearStarts);
    EXPECT_EQ(years.FirstYear(2025), 2025 - static_cast<int>(GetParam().yearStarts.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogYears,
    ::testing::Values(YearsCase{"NewYear", {{12, 28}, {12, 31}, {1, 1}, {2, 3}}, {3}},
                      YearsCase{"ClockSetBackDays", {{3, 10}, {3, 2}, {3, 11}}, {}},
                      YearsCase{"BackJustHalfAYear", {{7, 2}, {1, 1}}, {}},
                      YearsCase{"BackMoreThanHalfAYear", {{12, 31}, {6, 30}}, {2}},
                      YearsCase{"ThreeYears", {{11, 1}, {2, 29}, {12, 1}, {1, 5}, {5, 5}}, {2, 4}},
                      YearsCase{"BadMonthsIgnored", {{12, 1}, {0, 1}, {13, 1}, {1, 1}}, {4}}),
    [](const auto& info) { return std::string(info.param.name); });

// The analysis of a Bink-style log over New Year, as tarvix-report --year 2025 runs it.
struct BinkOverYears : ::testing::Test {
    int savedYear = CurrentYear();
    test::QuietWindow window;
    TBinkLog log;
    BinkOverYears()
    {
        SetCurrentYear(2025);
        log.Window = &window;
    }
    ~BinkOverYears() override { SetCurrentYear(savedYear); }
    std::vector<TDateTime> Days(const std::string& text)
    {
        log.SetText(text);
        EXPECT_TRUE(log.Analyse({}));
        std::vector<TDateTime> days;
        for (std::size_t i = 0; i < log.DayCount(); ++i)
            days.push_back(log.GetDay(i).Date);
        return days;
    }
};

TEST_F(BinkOverYears, DecemberIsInTheYearBeforeTheLastLine)
{
    const std::vector<TDateTime> days = Days("+ 28 Dec 10:00:00 BINK  a\n"
                                             "  28 Dec 23:59:59 BINK  b\n"
                                             "\n"
                                             "+ 31 Dec 23:00:00 BINK  c\n"
                                             "+ 01 Jan 00:01:00 BINK  d\n"
                                             "+ 03 Feb 08:00:00 BINK  e\n");
    EXPECT_EQ(days, (std::vector<TDateTime>{EncodeDate(2024, 12, 28), EncodeDate(2024, 12, 31),
                                            EncodeDate(2025, 1, 1), EncodeDate(2025, 2, 3)}));
    EXPECT_TRUE(log.DaysSpanYears());
    // Outside an analysis the year is CurrentYear() again.
    EXPECT_EQ(log.LineYear(), 2025);
}

TEST_F(BinkOverYears, LeapDayOfTheYearBeforeIsNoError)
{
    test::CapturedDialogs dialogs;
    const std::vector<TDateTime> days = Days("+ 28 Feb 10:00:00 BINK  a\n"
                                             "+ 29 Feb 10:00:00 BINK  leap day\n"
                                             "+ 01 Mar 10:00:00 BINK  b\n"
                                             "+ 30 Nov 10:00:00 BINK  c\n"
                                             "+ 02 Jan 10:00:00 BINK  d\n");
    EXPECT_EQ(dialogs.Count(), 0u);
    ASSERT_EQ(days.size(), 5u);
    EXPECT_EQ(days[1], EncodeDate(2024, 2, 29));
    EXPECT_EQ(days[4], EncodeDate(2025, 1, 2));
}

TEST_F(BinkOverYears, DamagedDatesDoNotTurnTheYear)
{
    // Lines without a readable date are left to the day split, which reports them;
    // they do not count as a date going back.
    test::CapturedDialogs dialogs;
    const std::vector<TDateTime> days = Days("+ 20 Dec 10:00:00 BINK  a\n"
                                             "+ xx Jan 10:00:00 BINK  damaged\n"
                                             "+ 21 Dec 10:00:00 BINK  b\n"
                                             "+ short\n");
    EXPECT_EQ(dialogs.Count(), 1u);
    EXPECT_EQ(days, (std::vector<TDateTime>{EncodeDate(2025, 12, 20), EncodeDate(2025, 12, 21)}));
    EXPECT_FALSE(log.DaysSpanYears());
}

}  // namespace
