// The file-request list on the T-Mail sample: its rows (alias targets with real
// names on, requests not sent in red), moving the log window to a request, the
// steps through the requests of one address; and the log window offering only the
// analysis windows that exist.
#include "SessListFixture.h"

#include "settings/SettingsStore.h"
#include "ui/FreqList.h"
#include "ui/UiText.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>

namespace tarvix {
namespace {

using namespace tarvix::test;

class FreqListTest : public SessListFixture {
protected:
    void SetUp() override
    {
        SessListFixture::SetUp();
        RegisterFreqListWindow();
    }
    void TearDown() override
    {
        RegisterAnalysisWindow(TAnalysisKind::FreqList, {});
        SessListFixture::TearDown();
    }

    TFreqForm* OpenFreqs(TChildForm* w)
    {
        SendKey(w->View(), Qt::Key_F6);
        return dynamic_cast<TFreqForm*>(w->AnalysisWindow(TAnalysisKind::FreqList));
    }
};

TEST_F(FreqListTest, RowsShowTheRequestsWithAliasesAndUnsentInRed)
{
    TChildForm* w = OpenTMail();
    // The commands of the windows this program does not have are not offered.
    EXPECT_TRUE(w->Button("BtnFreqList")->isEnabled());
    EXPECT_FALSE(w->Button("BtnDialStat")->isEnabled());
    EXPECT_FALSE(w->MenuAction("MIDialStat")->isEnabled());
    EXPECT_FALSE(w->Button("BtnTimeline")->isEnabled());

    Settings().FreqRealName = true;
    TFreqForm* list = OpenFreqs(w);
    ASSERT_NE(list, nullptr);
    TFreqListModel* model = list->Model();
    ASSERT_EQ(model->rowCount(), static_cast<int>(tmail->FreqCount()));
    ASSERT_GT(model->rowCount(), 3);
    bool alias = false, sent = false, unsent = false;
    for (int r = 0; r < model->rowCount(); ++r) {
        const TFreq& f = tmail->GetFreq(static_cast<std::size_t>(r));
        const QVariant colour = model->data(model->index(r, 2), Qt::ForegroundRole);
        EXPECT_EQ(model->Text(r, 1).toStdString(), f.RealName);
        if (f.Name == "FILES") {
            alias = true;
            EXPECT_EQ(f.RealName, "ALLFILES.ZIP");
        }
        if (f.Sent) {
            sent = true;
            EXPECT_FALSE(colour.isValid());
            EXPECT_EQ(model->Text(r, 2), UiText(31));
        } else {
            unsent = true;
            EXPECT_EQ(colour.value<QColor>(), QColor(255, 0, 0));
            EXPECT_EQ(model->Text(r, 2), UiText(32));
        }
    }
    EXPECT_TRUE(alias && sent && unsent);
    Settings().FreqRealName = false;
    EXPECT_EQ(model->Text(0, 1).toStdString(), tmail->GetFreq(0).Name);
    SaveScreenshot(list, "freqlist");
    EXPECT_FALSE(list->StatusText().isEmpty());
}

TEST_F(FreqListTest, ChoosingARequestMovesTheLogWindowAndStepsByAddress)
{
    TChildForm* w = OpenTMail();
    TFreqForm* list = OpenFreqs(w);
    ASSERT_NE(list, nullptr);
    const long count = list->Model()->rowCount();
    // Without a new part, the list opens at its last request.
    EXPECT_EQ(list->SelectedRequest(), count - 1);

    // A left click on a row moves the caret to its line, as Enter does.
    QTableView* grid = list->Grid();
    const QPoint at = grid->visualRect(list->Model()->index(1, 0)).center();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), grid->viewport()->mapToGlobal(QPointF(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &press);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetFreq(1).LineNo);
    list->SelectRequest(2);
    SendKey(grid, Qt::Key_Return);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetFreq(2).LineNo);

    // The last request of an address: "next from" stays, "previous from" steps to
    // the request before it from the same address.
    auto same = [this](long a, long b) {
        const TFreq& x = tmail->GetFreq(static_cast<std::size_t>(a));
        const TFreq& y = tmail->GetFreq(static_cast<std::size_t>(b));
        return x.Addr && y.Addr && EqualAddr(*x.Addr, *y.Addr);
    };
    long last = -1, prev = -1;
    for (long r = count - 1; r >= 0 && prev < 0; --r) {
        bool later = false;
        for (long q = r + 1; q < count; ++q)
            later |= same(q, r);
        for (long q = r - 1; q >= 0 && !later && prev < 0; --q)
            if (same(q, r))
                last = r, prev = q;
    }
    ASSERT_GE(prev, 0);
    list->SelectRequest(last);
    list->NextRequestFrom();
    EXPECT_EQ(list->SelectedRequest(), last);
    SendKey(grid, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(list->SelectedRequest(), prev);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetFreq(static_cast<std::size_t>(prev)).LineNo);
    emit list->RowMenu()->aboutToShow();
    EXPECT_TRUE(list->MenuAction("MIPrevFrom")->isEnabled());
    EXPECT_TRUE(list->MenuAction("MIPrevFrom")->text().contains(
        QString::fromStdString(tmail->GetFreq(static_cast<std::size_t>(prev)).Addr->ToStrFlags(pfAlias | pfShort))));
}

}  // namespace
}  // namespace tarvix
