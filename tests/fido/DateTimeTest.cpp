#include "fido/DateTime.h"

#include "platform/Error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tarvix;

namespace {

struct Ymd {
    int y, m, d;
};

Ymd Decode(TDateTime dt)
{
    Ymd r {};
    DecodeDate(dt, r.y, r.m, r.d);
    return r;
}

// Restores the default month names after a test that replaces them.
struct MonthNamesGuard {
    std::array<std::string, 12> saved = ShortMonthNames();
    ~MonthNamesGuard() { SetShortMonthNames(saved); }
};

}  // namespace

TEST(DateTime, KnownDayNumbers)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1899, 12, 31), 1.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1970, 1, 1), UnixDateDelta);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(2024, 2, 29), 45351.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
}

TEST(DateTime, EveryDayFromYear1To9999DecodesToTheNextCalendarDay)
{
    const int first = static_cast<int>(EncodeDate(1, 1, 1));
    const int last = static_cast<int>(EncodeDate(9999, 12, 31));
    int y = 1, m = 1, d = 1;
    for (int day = first; day <= last; ++day) {
        Ymd got = Decode(day);
        ASSERT_TRUE(got.y == y && got.m == m && got.d == d)
            << "day " << day << " decoded as " << got.y << "-" << got.m << "-" << got.d
            << ", expected " << y << "-" << m << "-" << d;
        TDateTime back = 0;
        ASSERT_TRUE(TryEncodeDate(y, m, d, back));
        ASSERT_EQ(back, day);
        if (++d > DaysInAMonth(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
}

TEST(DateTime, LeapYears)
{
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInAMonth(2024, 2), 29);
    EXPECT_EQ(DaysInAMonth(1900, 2), 28);
    EXPECT_EQ(DaysInAMonth(2023, 13), 0);
    EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1.0);
}

TEST(DateTime, InvalidDatesAreRejected)
{
    const Ymd bad[] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1},   {10000, 1, 1}, {2024, 0, 1},
                       {2024, 13, 1}, {2024, 4, 31}, {2024, 1, 0}, {2024, 1, 32}, {-5, 1, 1}};
    for (const Ymd& b : bad) {
        TDateTime r = 123;
        EXPECT_FALSE(TryEncodeDate(b.y, b.m, b.d, r)) << b.y << "-" << b.m << "-" << b.d;
        EXPECT_EQ(r, 123) << "result must be left alone";
        EXPECT_THROW(EncodeDate(b.y, b.m, b.d), EConvertError);
    }
    // Asked again right after a valid date (the last date is remembered), a bad one
    // still raises, and the remembered date still reads right.
    EXPECT_EQ(EncodeDate(2024, 2, 29), EncodeDate(2024, 2, 28) + 1);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_EQ(EncodeDate(2024, 2, 28) + 1, EncodeDate(2024, 2, 29));
    EXPECT_THROW(EncodeDate(0, 0, 0), EConvertError);
    try {
        EncodeDate(2023, 2, 29);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Invalid argument to date encode");
    }
}

TEST(DateTime, EncodeAndDecodeTime)
{
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0.0);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);

    // Every second of a day, with a millisecond part, survives the round trip.
    for (int s = 0; s < SecsPerDay; s += 7) {
        int h = s / 3600, n = s / 60 % 60, sec = s % 60, ms = s % 1000;
        TDateTime dt = EncodeDate(2024, 2, 29) + EncodeTime(h, n, sec, ms);
        int h2, n2, s2, ms2;
        DecodeTime(dt, h2, n2, s2, ms2);
        ASSERT_TRUE(h == h2 && n == n2 && sec == s2 && ms == ms2) << "second " << s;
        ASSERT_EQ(Decode(dt).d, 29);
    }
}

TEST(DateTime, ValuesRoundToTheMillisecond)
{
    // Just short of midnight: rounds to the next day, not to 23:59:59.1000.
    TDateTime dt = EncodeDate(2023, 12, 31) + (MSecsPerDay - 0.4) / MSecsPerDay;
    Ymd d = Decode(dt);
    EXPECT_EQ(d.y, 2024);
    EXPECT_EQ(d.m, 1);
    EXPECT_EQ(d.d, 1);
    int h, n, s, ms;
    DecodeTime(dt, h, n, s, ms);
    EXPECT_EQ(h + n + s + ms, 0);
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", dt), "01.01.2024 00:00:00.000");
}

TEST(DateTime, NegativeValuesCountTheTimeForwards)
{
    Ymd d = Decode(-1.25);
    EXPECT_EQ(d.y, 1899);
    EXPECT_EQ(d.m, 12);
    EXPECT_EQ(d.d, 29);
    int h, n, s, ms;
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(DateOf(-1.25), -1.0);
    EXPECT_EQ(TimeOf(-1.25), 0.25);
}

TEST(DateTime, DateOfTimeOfAndDayOfWeek)
{
    TDateTime dt = EncodeDate(2024, 3, 5) + EncodeTime(18, 0, 0, 0);
    EXPECT_EQ(DateOf(dt), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(TimeOf(dt), 0.75);
    EXPECT_EQ(DayOfWeek(0), 7);                         // Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2000, 1, 1)), 7);    // Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 2, 29)), 5);   // Thursday
    EXPECT_EQ(DayOfWeek(dt), 3);                        // Tuesday
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 24)), 1);  // Sunday, a negative day number
    EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);       // Monday
}

TEST(DateTime, DamagedValuesDoNotBreakDecoding)
{
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 1e300, -1e300};
    for (double v : bad) {
        int y, m, d, h, n, s, ms;
        DecodeDate(v, y, m, d);
        DecodeTime(v, h, n, s, ms);
        EXPECT_TRUE(m >= 1 && m <= 12 && d >= 1 && d <= 31);
        EXPECT_TRUE(h >= 0 && h < 24);
        EXPECT_FALSE(FormatDateTime("dddd d mmmm yyyy hh:nn", v).empty());
    }
}

TEST(DateTime, NowAndCurrentYearArePlausible)
{
    TDateTime now = Now();
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_GE(CurrentYear(), 2020);
    EXPECT_LE(CurrentYear(), Decode(now).y);
}

TEST(FormatDateTime, DayMonthYear)
{
    TDateTime dt = EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 45);
    EXPECT_EQ(FormatDateTime("dd mmm yy", dt), "05 Mar 24");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", dt), "05/03/2024");
    EXPECT_EQ(FormatDateTime("dd.mm.yy", dt), "05.03.24");
    EXPECT_EQ(FormatDateTime("d.m.yy", dt), "5.3.24");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", dt), "2024-03-05");
    EXPECT_EQ(FormatDateTime("yyy", dt), "2024");
    EXPECT_EQ(FormatDateTime("y", dt), "24");
    EXPECT_EQ(FormatDateTime("ddd, dddd", dt), "Tue, Tuesday");
    EXPECT_EQ(FormatDateTime("mmmm", dt), "March");
    EXPECT_EQ(FormatDateTime("DD MMM YYYY", dt), "05 Mar 2024");
    EXPECT_EQ(FormatDateTime("ddddd", dt), "05/03/2024");
    EXPECT_EQ(FormatDateTime("dddddd", dt), "Tuesday, 5 March 2024");
    EXPECT_EQ(FormatDateTime("dd mmm yy", EncodeDate(2009, 12, 31)), "31 Dec 09");
    EXPECT_EQ(FormatDateTime("dd mmm yy", EncodeDate(1905, 1, 1)), "01 Jan 05");
}

TEST(FormatDateTime, TimeOfDay)
{
    TDateTime dt = EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 45);
    EXPECT_EQ(FormatDateTime("hh:nn:ss", dt), "07:08:09");
    EXPECT_EQ(FormatDateTime("h:n:s", dt), "7:8:9");
    EXPECT_EQ(FormatDateTime("hhh:nnn:sss", dt), "07:08:09");
    EXPECT_EQ(FormatDateTime("z", dt), "45");
    EXPECT_EQ(FormatDateTime("zzz", dt), "045");
    EXPECT_EQ(FormatDateTime("zzzz", dt), "045");
    EXPECT_EQ(FormatDateTime("t", dt), "07:08");
    EXPECT_EQ(FormatDateTime("tt", dt), "07:08:09");
    EXPECT_EQ(FormatDateTime("dd.mm.yy hh:nn", dt), "05.03.24 07:08");
}

TEST(FormatDateTime, MAfterAnHourMeansMinutes)
{
    TDateTime dt = EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 0);
    EXPECT_EQ(FormatDateTime("hh:mm", dt), "07:08");
    EXPECT_EQ(FormatDateTime("h:m", dt), "7:8");
    EXPECT_EQ(FormatDateTime("hh 'x' mm", dt), "07 x 08");
    // Only right after an hour: after the minutes m is the month again.
    EXPECT_EQ(FormatDateTime("hh nn mm", dt), "07 08 03");
    EXPECT_EQ(FormatDateTime("mm hh", dt), "03 07");
}

TEST(FormatDateTime, AmPm)
{
    TDateTime morning = EncodeTime(7, 5, 0, 0);
    TDateTime evening = EncodeTime(19, 5, 0, 0);
    TDateTime midnight = EncodeTime(0, 30, 0, 0);
    TDateTime noon = EncodeTime(12, 30, 0, 0);
    EXPECT_EQ(FormatDateTime("h:nn am/pm", morning), "7:05 am");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", evening), "7:05 pm");
    EXPECT_EQ(FormatDateTime("hh:nn AM/PM", midnight), "12:30 AM");
    EXPECT_EQ(FormatDateTime("hh:nn AM/PM", noon), "12:30 PM");
    EXPECT_EQ(FormatDateTime("h a/p", evening), "7 p");
    EXPECT_EQ(FormatDateTime("h ampm", morning), "7 AM");
    // Without an am/pm marker the clock has 24 hours; a quoted "am/pm" is text.
    EXPECT_EQ(FormatDateTime("hh:nn", evening), "19:05");
    EXPECT_EQ(FormatDateTime("hh 'am/pm'", evening), "19 am/pm");
}

TEST(FormatDateTime, LiteralsAndSeparators)
{
    TDateTime dt = EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 0);
    EXPECT_EQ(FormatDateTime("'day' d \"of\" mmm", dt), "day 5 of Mar");
    EXPECT_EQ(FormatDateTime("\"unterminated d", dt), "unterminated d");
    EXPECT_EQ(FormatDateTime("d/m:n", dt), "5/3:8");
    EXPECT_EQ(FormatDateTime("[d]-#", dt), "[5]-#");
    EXPECT_EQ(FormatDateTime("''", dt), "");
}

TEST(FormatDateTime, EmptyFormatAndC)
{
    EXPECT_EQ(FormatDateTime("", EncodeDate(2024, 3, 5)), "05/03/2024");
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 0)),
              "05/03/2024 07:08:09");
}

TEST(FormatDateTime, ShortMonthNamesCanBeReplaced)
{
    MonthNamesGuard guard;
    EXPECT_EQ(ShortMonthNames()[0], "Jan");
    EXPECT_EQ(ShortMonthNames()[11], "Dec");
    std::array<std::string, 12> names = {"янв", "фев", "мар", "апр", "май", "июн",
                                         "июл", "авг", "сен", "окт", "ноя", "дек"};
    SetShortMonthNames(names);
    EXPECT_EQ(FormatDateTime("dd mmm yy", EncodeDate(2024, 3, 5)), "05 мар 24");
    // The long names stay English.
    EXPECT_EQ(FormatDateTime("mmmm", EncodeDate(2024, 3, 5)), "March");
}
