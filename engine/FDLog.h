// Logs in the layout of FrontDoor, read without session analysis: only split into
// days and highlighted (style 3, "Generic FrontDoor"). A separator line announces
// each date; ordinary lines carry only a time stamp:
//
//   ----------  Mon 13 Mar 95, FrontDoor 2.12
//   ^               ^^ ^^^ ^^
//   1               17 20  24      (1-based columns)
//   + 10:21:07  Connect 2400
#pragma once

#include "engine/Log.h"

namespace tarvix {

class TFDLog : public TLog {
public:
    TFDLog();

    // The date of the latest separator line; 0 until one is seen.
    TDateTime CurDay = 0;

    // The time stamp of an ordinary line (0-based column 2).
    bool IsDateWord(int col, std::string_view word) override;
    // A line whose first word starts with "-" is painted as errors, separator lines
    // included; every other line is Normal throughout.
    bool WordClass(std::string_view word, int col) override;
    // A separator line (ten "-" first) starts a day when its date differs from
    // CurDay. Raises EConvertError when a separator line has no readable date.
    void ParseLine(std::string_view line) override;
    TDateTime DateOfLine(std::string_view line) override;
    // Forgets the days and the date of the last separator, so that a new analysis
    // starts its first day at the first separator again.
    void Reset() override;

    // The year of two digits of a separator line: 00-79 are 2000-2079, 80-99 are
    // 1980-1999.
    static int ExpandYear(int twoDigits);
};

}  // namespace tarvix
