#include "ui/TimelineGeometry.h"

#include "engine/MailerLog.h"

#include <algorithm>

namespace tarvix {

std::int64_t TimelineSpan(int dayStart, int dayEnd)
{
    std::int64_t span = static_cast<std::int64_t>(dayEnd - dayStart) * 3600;
    if (dayStart >= dayEnd)
        span += 86400;
    return span;
}

bool TimelineBarOf(const TSess& s, long index, int shownDate, int dayStart, int dayEnd, TTimelineBar& bar)
{
    const TDayPos start = DayPos(s.StartTime, dayStart, dayEnd);
    if (start.Day != shownDate)
        return false;
    const TDayPos end = DayPos(s.EndTime, dayStart, dayEnd);
    if (end.Day != shownDate)
        return false;
    bar = {index, start.Seconds, end.Seconds, s.SessColor()};
    return true;
}

std::vector<TTimelineBar> TimelineBars(const TMailerLog& log, int shownDate, int dayStart, int dayEnd)
{
    std::vector<TTimelineBar> bars;
    TTimelineBar bar;
    for (std::size_t i = 0; i < log.SessCount(); ++i)
        if (TimelineBarOf(log.GetSess(i), static_cast<long>(i), shownDate, dayStart, dayEnd, bar))
            bars.push_back(bar);
    return bars;
}

void TTimelineLayout::LayOut(const std::vector<TTimelineBar>& bars, int width, std::int64_t span)
{
    width_ = std::max(0, width);
    // An area wider than the window has seconds: every pixel is one second rather
    // than a division by zero.
    secondsPerPixel_ = width_ > 0 ? std::max<std::int64_t>(1, span / width_) : 1;
    pixelMap_.assign(static_cast<std::size_t>(width_), -1);
    if (width_ == 0)
        return;
    for (const TTimelineBar& bar : bars) {
        int x1 = 0, x2 = 0;
        BarPixels(bar, x1, x2);
        std::fill(pixelMap_.begin() + x1, pixelMap_.begin() + x2 + 1, bar.Session);
    }
}

int TTimelineLayout::Pixel(std::int64_t seconds) const
{
    if (seconds < 0 || width_ == 0)
        return 0;
    return static_cast<int>(std::min<std::int64_t>(seconds / secondsPerPixel_, width_ - 1));
}

void TTimelineLayout::BarPixels(const TTimelineBar& bar, int& x1, int& x2) const
{
    x1 = Pixel(bar.Start);
    x2 = std::max(x1, Pixel(bar.End));
    if (x1 == x2 && x2 < width_ - 1)
        ++x2;
}

long TTimelineLayout::SessionAt(int x, int y) const
{
    if (y < 0 || y >= kTimelineBarHeight || x < 0 || x >= width_)
        return -1;
    return pixelMap_[static_cast<std::size_t>(x)];
}

}  // namespace tarvix
