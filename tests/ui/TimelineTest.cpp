// The timeline: which sessions fall on a day and which session a point hits (no
// window needed), and the window on the T-Mail sample following its log window's
// day, moving its caret and naming the session under the mouse.
#include "SessListFixture.h"

#include "ui/Timeline.h"
#include "ui/UiText.h"

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QSpinBox>
#include <QToolButton>

namespace tarvix {
namespace {

using namespace tarvix::test;

constexpr int kMarch5 = 37685;  // 5 March 2003, whole days since 1899-12-30

TSess At(int day, int h1, int m1, int h2, int m2, int dayEnd = -1)
{
    TSess s(1, day + EncodeTime(h1, m1, 0, 0));
    s.EndTime = (dayEnd < 0 ? day : dayEnd) + EncodeTime(h2, m2, 0, 0);
    return s;
}

TEST(TimelineGeometry, SpanOfTheWindowOfHours)
{
    EXPECT_EQ(TimelineSpan(0, 8), 8 * 3600);
    EXPECT_EQ(TimelineSpan(22, 6), 8 * 3600);  // across midnight
    EXPECT_EQ(TimelineSpan(5, 5), 86400);      // equal hours: the whole day, 24 ticks
}

TEST(TimelineGeometry, WhichSessionsFallOnTheShownDay)
{
    TTimelineBar bar;
    // 23:30 on 5 March belongs to the night that ends on 6 March, 1.5 hours in.
    ASSERT_TRUE(TimelineBarOf(At(kMarch5, 23, 30, 23, 40), 7, kMarch5 + 1, 22, 6, bar));
    EXPECT_EQ(bar.Session, 7);
    EXPECT_EQ(bar.Start, 5400);
    EXPECT_FALSE(TimelineBarOf(At(kMarch5, 23, 30, 23, 40), 7, kMarch5, 22, 6, bar));
    // Started before the window's start hour, ended after it: two timeline dates.
    EXPECT_FALSE(TimelineBarOf(At(kMarch5, 21, 50, 22, 10), 0, kMarch5, 22, 6, bar));
    EXPECT_FALSE(TimelineBarOf(At(kMarch5, 21, 50, 22, 10), 0, kMarch5 + 1, 22, 6, bar));
    // A session over midnight in a window that does not wrap: not drawn either.
    EXPECT_FALSE(TimelineBarOf(At(kMarch5, 23, 50, 0, 10, kMarch5 + 1), 0, kMarch5, 0, 8, bar));
}

TEST(TimelineGeometry, PixelsOfTheBarsAndWhatAPointHits)
{
    // 8 hours on 480 pixels: a minute per pixel.
    std::vector<TTimelineBar> bars = {
        {0, 90 * 60, 120 * 60, 0},  // 90..120
        {1, 100 * 60, 110 * 60, 0}, // drawn over the first
        {2, 200 * 60, 200 * 60, 0}, // shorter than a pixel: two pixels
        {3, -1800, 30 * 60, 0},     // began before the window: from the left edge
        {4, 9 * 3600, 9 * 3600, 0}, // after the end: the last pixel only
    };
    TTimelineLayout layout;
    layout.LayOut(bars, 480, 8 * 3600);
    EXPECT_EQ(layout.SecondsPerPixel(), 60);
    EXPECT_EQ(layout.SessionAt(90, 0), 0);
    EXPECT_EQ(layout.SessionAt(99, 20), 0);
    EXPECT_EQ(layout.SessionAt(105, 10), 1);
    EXPECT_EQ(layout.SessionAt(111, 10), 0);
    EXPECT_EQ(layout.SessionAt(120, 10), 0);
    EXPECT_EQ(layout.SessionAt(121, 10), -1);
    EXPECT_EQ(layout.SessionAt(200, 10), 2);
    EXPECT_EQ(layout.SessionAt(201, 10), 2);
    EXPECT_EQ(layout.SessionAt(202, 10), -1);
    EXPECT_EQ(layout.SessionAt(0, 10), 3);
    EXPECT_EQ(layout.SessionAt(478, 10), -1);
    EXPECT_EQ(layout.SessionAt(479, 10), 4);
    // Only the bar band hits; outside the area nothing.
    EXPECT_EQ(layout.SessionAt(105, 21), -1);
    EXPECT_EQ(layout.SessionAt(105, -1), -1);
    EXPECT_EQ(layout.SessionAt(480, 10), -1);
    EXPECT_EQ(layout.SessionAt(-1, 10), -1);
    // An area wider than the window has seconds, and an area of no width.
    layout.LayOut(bars, 4000, 3600);
    EXPECT_EQ(layout.SecondsPerPixel(), 1);
    EXPECT_EQ(layout.SessionAt(1800, 5), 3);
    EXPECT_EQ(layout.SessionAt(1801, 5), -1);
    layout.LayOut(bars, 0, 3600);
    EXPECT_EQ(layout.SessionAt(0, 5), -1);
}

class TimelineTest : public SessListFixture {
protected:
    void SetUp() override
    {
        SessListFixture::SetUp();
        RegisterTimelineWindow();
        Settings().DayStart = 0;
        Settings().DayEnd = 0;
    }
    void TearDown() override
    {
        RegisterAnalysisWindow(TAnalysisKind::Timeline, {});
        SessListFixture::TearDown();
    }
};

TEST_F(TimelineTest, FollowsTheDayOfTheLogWindowAndMovesItsCaret)
{
    TChildForm* w = OpenTMail();
    ASSERT_GT(tmail->DayCount(), 1u);
    w->GoToLine(tmail->GetDay(0).FirstLine);
    EXPECT_TRUE(w->Button("BtnTimeline")->isEnabled());
    SendKey(w->View(), Qt::Key_F7);
    auto* tl = dynamic_cast<TTimelineForm*>(w->AnalysisWindow(TAnalysisKind::Timeline));
    ASSERT_NE(tl, nullptr);
    EXPECT_EQ(tl->ShownDate(), static_cast<int>(DateOf(tmail->GetDay(0).Date)));
    EXPECT_EQ(tl->Span(), 86400);
    EXPECT_FALSE(tl->Button("BtnPrevDay")->isEnabled());
    EXPECT_TRUE(tl->Button("BtnNextDay")->isEnabled());
    tl->Area()->repaint();
    ASSERT_FALSE(tl->Bars().empty());
    SaveScreenshot(tl, "timeline");

    // The log window's next day is the timeline's next day; so is the timeline's own.
    SendKey(w->View(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(tl->ShownDate(), static_cast<int>(DateOf(tmail->GetDay(1).Date)));
    EXPECT_TRUE(tl->Button("BtnPrevDay")->isEnabled());
    tl->Button("BtnPrevDay")->click();
    EXPECT_EQ(w->CurrentDay(), 0);
    SendKey(tl->StartEdit(), Qt::Key_Down, Qt::AltModifier);  // a day, not an hour
    EXPECT_EQ(w->CurrentDay(), 1);
    EXPECT_EQ(tl->StartEdit()->value(), 0);
    tl->MenuAction("MIPrevDay")->trigger();
    EXPECT_EQ(w->CurrentDay(), 0);
    EXPECT_EQ(tl->ShownDate(), static_cast<int>(DateOf(tmail->GetDay(0).Date)));

    // A click on a bar moves the caret to that session; hovering names its remote.
    tl->LayOut(tl->Area()->width());
    const TTimelineBar bar = tl->Bars().back();
    int x1 = 0, x2 = 0;
    tl->Layout().BarPixels(bar, x1, x2);
    ASSERT_EQ(tl->Layout().SessionAt(x2, 5), bar.Session);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(x2, 5), tl->Area()->mapToGlobal(QPointF(x2, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tl->Area(), &press);
    EXPECT_EQ(w->CurrentSession(), bar.Session);
    tl->HoverAt(x2, 5);
    EXPECT_EQ(tl->HoverSession(), bar.Session);
    const TSess& s = tmail->GetSess(static_cast<std::size_t>(bar.Session));
    EXPECT_EQ(tl->StatusText().toStdString(),
              s.Has(sfHuman) ? UiText(100).toStdString() : (s.Addr ? s.Addr->ToStrFlags(pfAlias) : ""));
    EXPECT_NE(tl->SessionTip(bar.Session).toStdString().find(s.SessText()), std::string::npos);
    tl->HoverAt(x2, 30);
    EXPECT_EQ(tl->HoverSession(), -1);
    EXPECT_TRUE(tl->StatusText().isEmpty());

    // The hours are the program's settings, changed at once.
    tl->StartEdit()->setValue(22);
    tl->EndEdit()->setValue(6);
    EXPECT_EQ(Settings().DayStart, 22);
    EXPECT_EQ(Settings().DayEnd, 6);
    EXPECT_EQ(tl->Span(), 8 * 3600);
    tl->StartEdit()->setValue(0);
    tl->StartEdit()->stepDown();  // wraps
    EXPECT_EQ(Settings().DayStart, 23);

    // The log window records it with the other analysis windows.
    tl->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->AnalysisWindow(TAnalysisKind::Timeline), nullptr);
}

}  // namespace
}  // namespace tarvix
