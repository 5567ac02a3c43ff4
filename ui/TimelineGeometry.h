// Where the sessions of a day lie on the timeline: which sessions are drawn, as
// which bars, and which session a point of the drawing hits. No widget is needed,
// so that the geometry can be worked out (and checked) without a window.
//
// The timeline covers the hours dayStart to dayEnd (a window across midnight when
// the start is after the end, a whole day when they are equal). A timeline day is
// the day on which its window ends.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvix {

class TMailerLog;
struct TSess;

// The bar band is the top kTimelineBarHeight pixels; below it the hour scale: ticks
// from y = 25 to 30 and the hour numbers from y = 35.
inline constexpr int kTimelineBarHeight = 21;
inline constexpr int kTimelineTickTop = 25;
inline constexpr int kTimelineTickBottom = 30;
inline constexpr int kTimelineHourTop = 35;
inline constexpr int kTimelineHeight = 73;

// The length of the time window in seconds.
std::int64_t TimelineSpan(int dayStart, int dayEnd);

// A session on the timeline of one day: its offsets from the window's start.
struct TTimelineBar {
    long Session = -1;
    std::int64_t Start = 0;
    std::int64_t End = 0;
    int Colour = 0;  // the colour item (SessColor)
};

// The bar of a session (its index) on the timeline day shownDate (whole days since
// 1899-12-30); false when the session does not both start and end on that day.
bool TimelineBarOf(const TSess& s, long index, int shownDate, int dayStart, int dayEnd, TTimelineBar& bar);
// The sessions of a log whose start and end both fall on the timeline day
// shownDate (whole days since 1899-12-30), in list order.
std::vector<TTimelineBar> TimelineBars(const TMailerLog& log, int shownDate, int dayStart, int dayEnd);

// The bars laid out on an area of a given width: the pixels of each bar and the
// session of each pixel column (later sessions over earlier ones).
class TTimelineLayout {
public:
    void LayOut(const std::vector<TTimelineBar>& bars, int width, std::int64_t span);

    int Width() const { return width_; }
    std::int64_t SecondsPerPixel() const { return secondsPerPixel_; }
    // The pixel column of an offset: 0 before the start, at most the last column.
    int Pixel(std::int64_t seconds) const;
    // The first and last pixel column of a bar: at least two columns wide, except
    // at the right edge.
    void BarPixels(const TTimelineBar& bar, int& x1, int& x2) const;
    // The session drawn at a point of the area, -1 for none.
    long SessionAt(int x, int y) const;

private:
    int width_ = 0;
    std::int64_t secondsPerPixel_ = 1;
    std::vector<long> pixelMap_;
};

}  // namespace tarvix
