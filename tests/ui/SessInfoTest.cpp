// The session card: the mailer name and rate as it shows them, long texts fitted
// into their labels, and the card on the T-Mail sample following the caret of its
// log window and moving it by session.
#include "SessListFixture.h"

#include "settings/SettingsStore.h"
#include "ui/FreqList.h"
#include "ui/QtConvert.h"
#include "ui/SessInfo.h"
#include "ui/Timeline.h"
#include "ui/UiText.h"

#include <QFontMetrics>
#include <QLabel>
#include <QToolButton>

namespace tarvix {
namespace {

using namespace tarvix::test;

struct MailerCase {
    int style;
    const char* text;
    const char* shown;
};

class SessInfoMailerTest : public ::testing::TestWithParam<MailerCase> {};

TEST_P(SessInfoMailerTest, ShowsTheWordsTheLogStyleKeeps)
{
    EXPECT_EQ(SessInfoMailer(GetParam().style, GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Words, SessInfoMailerTest,
    ::testing::Values(MailerCase{lsTMail, "T-Mail/2605/Win", "T-Mail/2605"},
                      MailerCase{lsTMail, "Bink/+/2.60/Win32", "Bink/+/2.60"},
                      MailerCase{lsTMail, "binkd", "binkd"}, MailerCase{lsTMail, "", ""},
                      MailerCase{lsTMail, "//T-Mail//2605/", "T-Mail/2605"},
                      MailerCase{lsArgus, "Argus/3.210/Win32/x", "Argus/3.210/Win32"},
                      MailerCase{lsArgus, "Xenia/2 Mailer/1.0/OS2", "Xenia/2 Mailer/1.0"},
                      MailerCase{lsBrake, "Bink/2.60", "Bink/2.60"}, MailerCase{lsBrake, "Xenia/2.1", "Xenia/2.1"},
                      MailerCase{lsBrake, "T-Mail/2605", "T-Mail"}, MailerCase{lsBrake, "bink/2.60", "bink"},
                      MailerCase{lsBinkPlus, "Argus/3.210", "Argus/3.210"},
                      MailerCase{lsBinkPlus, "ArgusX/3.210", "ArgusX"}));

TEST(SessInfoText, RateAndFittedTexts)
{
    EXPECT_EQ(SessInfoCPS(0), "0");
    EXPECT_EQ(SessInfoCPS(9999), "9999");
    EXPECT_EQ(SessInfoCPS(10240), "10K");
    EXPECT_EQ(SessInfoCPS(10000), "9K");

    const QFontMetrics metrics{QFont()};
    QString shown, hint = "stale";
    FitText("Short", 200, metrics, shown, hint);
    EXPECT_EQ(shown, "Short");
    EXPECT_TRUE(hint.isEmpty());
    const QString name = "The Long Name Of A Fidonet System That Does Not Fit";
    FitText(name, 100, metrics, shown, hint);
    EXPECT_EQ(hint, name);
    ASSERT_TRUE(shown.endsWith("..."));
    const QString part = shown.chopped(3);
    EXPECT_TRUE(name.startsWith(part));
    EXPECT_GE(metrics.horizontalAdvance(part), 80);
    EXPECT_LT(metrics.horizontalAdvance(part.chopped(1)), 80);
}

class SessInfoTest : public SessListFixture {
protected:
    void SetUp() override
    {
        SessListFixture::SetUp();
        RegisterSessInfoWindow();
    }
    void TearDown() override
    {
        RegisterAnalysisWindow(TAnalysisKind::SessInfo, {});
        SessListFixture::TearDown();
    }
};

TEST_F(SessInfoTest, ShowsTheSessionOfTheCaretAndMovesBySession)
{
    TChildForm* w = OpenTMail();
    ASSERT_GT(tmail->SessCount(), 3u);
    const TSess& first = tmail->GetSess(1);
    w->GoToLine(first.StartLine);
    SendKey(w->View(), Qt::Key_F9);
    auto* card = dynamic_cast<TSessInfoForm*>(w->AnalysisWindow(TAnalysisKind::SessInfo));
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->Session(), 1);
    EXPECT_TRUE(card->Button("BtnPrevSess")->isEnabled());
    EXPECT_EQ(card->Label("LblSessInfo1")->text(),
              UiText(117, {FormatDateTime("dd mmm hh:nn:ss", first.StartTime),
                           (first.Has(sfIncoming) ? UiText(118) : UiText(119)).toStdString() +
                               (first.Has(sfPassword) ? " " + UiText(136).toStdString() : "") +
                               (first.Has(sfMailOnly) ? " MO" : "") + (first.Has(sfFTS1) ? " FTS-1" : "")}));
    EXPECT_FALSE(card->Label("LblSessInfo1")->font().bold());
    EXPECT_EQ(card->Label("LblConnect")->text().toStdString(), first.SpeedText());
    SaveScreenshot(card, "sessinfo");

    // The card's buttons move the log window, which shows the next session here.
    card->Button("BtnNextSess")->click();
    EXPECT_EQ(card->Session(), 2);
    SendKey(card, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(card->Session(), 1);

    // Outside every session: no session, in bold, and every value empty.
    w->GoToLine(tmail->GetSess(1).EndLine + 1);
    if (tmail->SessOfLine(w->View()->CaretLine()) < 0) {
        EXPECT_EQ(card->Session(), -1);
        EXPECT_EQ(card->Label("LblSessInfo1")->text(), UiText(135));
        EXPECT_TRUE(card->Label("LblSessInfo1")->font().bold());
        EXPECT_TRUE(card->Label("LblSysName")->text().isEmpty());
    }

    // A call without handshake: the failure in the error colour and no protocol.
    for (std::size_t i = 0; i < tmail->SessCount(); ++i) {
        const TSess& s = tmail->GetSess(i);
        if (!s.Has(sfBad) || s.Has(sfHuman))
            continue;
        card->ShowSession(static_cast<long>(i));
        EXPECT_EQ(card->Label("LblSessAddr")->text(), UiText(103));
        EXPECT_EQ(card->Label("LblSessAddr")->palette().color(QPalette::WindowText),
                  ToQColor(Settings().Colors[ciErrors]));
        EXPECT_TRUE(card->Label("LblProtocol")->text().isEmpty());
        SaveScreenshot(card, "sessinfo-failed");
        break;
    }
}

TEST_F(SessInfoTest, TheAnalysisWindowsOpenAgainWithTheLog)
{
    RegisterFreqListWindow();
    RegisterTimelineWindow();
    TChildForm* w = OpenTMail();
    w->GoToLine(tmail->GetSess(3).StartLine);
    for (int key : {Qt::Key_F6, Qt::Key_F7, Qt::Key_F9})
        SendKey(w->View(), key);
    tmail->AutoNew = true;
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The log was seen up to 2 May: what follows is new. The windows open in the
    // other interface language.
    tmail->LastStr = "02/05 02:16:13 T-Mai";
    UnloadLng();
    LoadLng(kSourceDir + "/lng/QZ_Rus.lng");
    w = OpenTMail();
    ASSERT_EQ(tmail->FirstNewSess, 20);
    auto* card = dynamic_cast<TSessInfoForm*>(w->AnalysisWindow(TAnalysisKind::SessInfo));
    auto* freqs = dynamic_cast<TFreqForm*>(w->AnalysisWindow(TAnalysisKind::FreqList));
    auto* timeline = dynamic_cast<TTimelineForm*>(w->AnalysisWindow(TAnalysisKind::Timeline));
    ASSERT_TRUE(card && freqs && timeline);
    // The card on the first new session, the requests at the first new request, the
    // timeline on the day of the caret.
    EXPECT_EQ(card->Session(), tmail->FirstNewSess);
    EXPECT_EQ(card->Label("CapSysName")->text(), QString::fromUtf8("Система"));
    EXPECT_TRUE(timeline->windowTitle().startsWith(QString::fromUtf8("Шкала времени")));
    ASSERT_GT(tmail->FirstNewFreq, 0);
    EXPECT_EQ(freqs->SelectedRequest(), tmail->FirstNewFreq);
    EXPECT_EQ(timeline->ShownDate(), static_cast<int>(DateOf(tmail->GetDay(w->CurrentDay()).Date)));
    RegisterAnalysisWindow(TAnalysisKind::FreqList, {});
    RegisterAnalysisWindow(TAnalysisKind::Timeline, {});
}

}  // namespace
}  // namespace tarvix
