// The address search dialog (its closing check, what it hands back, the history of
// the addresses searched) and the session list's search with it on a copy of the
// T-Mail sample: forwards, backwards, from the cursor, with masks, "ALL" and alias
// names, and the message when nothing matches.
#include "SessListFixture.h"

#include "ui/AddrSrch.h"
#include "ui/LngComponent.h"
#include "ui/RadioGroup.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tarvix {
namespace {

using namespace tarvix::test;

TFidoAddr Addr(const char* text) { return TFidoAddr::CreateParse(text, afMask); }

std::vector<std::string> Entries(const TAddrList& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(static_cast<const TFidoAddr&>(list.GetAddr(i)).ToStr());
    return out;
}

TEST(AddrSearchHistoryTest, TheLatestAddressComesFirstAndOnlyOnce)
{
    SetMainAddr(TFidoAddr(2, 5030, 999, 999));
    TAddrList history(true, false);
    RememberSearchAddr(history, Addr("2:5030/1"));
    RememberSearchAddr(history, Addr("2:463/*"));
    RememberSearchAddr(history, Addr("ALL"));
    EXPECT_EQ(Entries(history), (std::vector<std::string>{"*:*/*.*", "2:463/*", "2:5030/1"}));
    // The same address again moves to the front; the domain is no part of sameness.
    RememberSearchAddr(history, Addr("2:5030/1@fidonet"));
    EXPECT_EQ(Entries(history), (std::vector<std::string>{"2:5030/1", "*:*/*.*", "2:463/*"}));
    EXPECT_EQ(history.GetAddr(0).Domain, "fidonet");
    RememberSearchAddr(history, Addr("2:5030/1"));
    EXPECT_EQ(history.Count(), 3);
    // A point is another address; a mask is not the same as what it matches.
    RememberSearchAddr(history, Addr("2:5030/1.1"));
    RememberSearchAddr(history, Addr("2:463/45"));
    EXPECT_EQ(Entries(history),
              (std::vector<std::string>{"2:463/45", "2:5030/1.1", "2:5030/1", "*:*/*.*", "2:463/*"}));
    // The program-wide history is one list with masks.
    EXPECT_EQ(&AddrSearchHistory(), &AddrSearchHistory());
    EXPECT_EQ(AddrSearchHistory().ParseFlags & afMask, afMask);
    ClearMainAddr();
}

class AddrSearchDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnloadLng();
        LoadLng(kSourceDir + "/lng/QZ_Eng.lng");
        SetDialogs(&dialogs);
        SetMainAddr(TFidoAddr(2, 5030, 999, 999));
        ClearAliases();
        AddAlias(TFidoAddr(2, 5030, 123, 0), "Petrov");
    }
    void TearDown() override
    {
        SetModalRunner({});
        SetDialogs(nullptr);
        ClearAliases();
        ClearMainAddr();
    }
    RecordingDialogs dialogs;
};

TEST_F(AddrSearchDialogTest, ShowsTheHistoryTheAddressAndTheOptions)
{
    TAddrList history(true, false);
    history.Add(Addr("2:463/45"));
    history.Add(Addr("2:5030/*"));
    TAddrSearch current;
    current.Addr = Addr("2:5030/123");
    current.Origin = kSearchFromCursor;
    current.Direction = kSearchBackward;
    TAddrSearchForm form(history, current);
    EXPECT_EQ(form.windowTitle(), "Find address");
    EXPECT_EQ(form.findChild<QLabel*>("LblAddr")->text(), "&Address");
    EXPECT_EQ(form.AddrCombo()->objectName(), "CmbAddr");
    ASSERT_EQ(form.AddrCombo()->count(), 2);
    EXPECT_EQ(form.AddrCombo()->itemText(0), "2:463/45");
    EXPECT_EQ(form.AddrCombo()->itemText(1), "2:5030/*");
    EXPECT_EQ(form.AddrCombo()->currentText(), "2:5030/123");
    EXPECT_EQ(form.OriginGroup()->objectName(), "RadOrig");
    EXPECT_EQ(form.OriginGroup()->title(), "Origin");
    EXPECT_EQ(form.OriginGroup()->Items(), (QStringList{"&Global", "From &cursor"}));
    EXPECT_EQ(form.DirectionGroup()->title(), "Direction");
    EXPECT_EQ(form.DirectionGroup()->Items(), (QStringList{"&Forward", "&Backward"}));
    EXPECT_EQ(form.Origin(), kSearchFromCursor);
    EXPECT_EQ(form.Direction(), kSearchBackward);
    EXPECT_TRUE(form.OkButton()->isDefault());
    EXPECT_EQ(form.CancelButton()->text(), "Cancel");
    form.show();
    SaveScreenshot(&form, "TAddrSearchForm");

    // Nothing searched yet: an empty field, global and forwards.
    TAddrSearchForm fresh(history, TAddrSearch{});
    EXPECT_TRUE(fresh.AddrCombo()->currentText().isEmpty());
    EXPECT_EQ(fresh.Origin(), kSearchGlobal);
    EXPECT_EQ(fresh.Direction(), kSearchForward);
    EXPECT_FALSE(fresh.Address());

    // The language file renames the radio items.
    LoadLng(kSourceDir + "/lng/QZ_Rus.lng");
    NotifyLanguageChanged();
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Поиск адреса"));
    EXPECT_EQ(form.DirectionGroup()->Items(),
              (QStringList{QString::fromUtf8("&Вперёд"), QString::fromUtf8("&Назад")}));
    EXPECT_EQ(form.Direction(), kSearchBackward);
}

TEST_F(AddrSearchDialogTest, AnInvalidTextKeepsTheDialogOpenWhicheverButtonIsPressed)
{
    TAddrList history(true, false);
    TAddrSearchForm form(history, TAddrSearch{});
    form.show();
    int finished = 0;
    QObject::connect(&form, &QDialog::finished, [&] { ++finished; });
    for (const char* bad : {"2:5030/x", "Nobody", "1:2:3", "2:99999/1", "2:5030/1.1.1", "/"}) {
        form.AddrCombo()->setEditText(bad);
        form.OkButton()->click();
        form.CancelButton()->click();
        form.reject();  // the close box
        EXPECT_EQ(finished, 0) << bad;
        EXPECT_TRUE(form.isVisible()) << bad;
        EXPECT_EQ(form.AddrCombo()->lineEdit()->selectedText(), bad);
    }
    ASSERT_EQ(dialogs.shown.size(), 18u);
    EXPECT_EQ(dialogs.shown[0].text, "Invalid address or mask.");
    EXPECT_EQ(dialogs.shown[0].type, TMsgDlgType::mtError);
    // Emptied (blanks only), the field lets the dialog close.
    form.AddrCombo()->setEditText("   ");
    form.CancelButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(AddrSearchDialogTest, RunHandsBackMasksAliasesAndOptionsAndRemembersThem)
{
    TAddrList history(true, false);
    TAddrSearch search;
    auto answer = [](const char* text, int origin, int direction, bool ok) {
        SetModalRunner([=](QDialog& d) {
            auto& form = dynamic_cast<TAddrSearchForm&>(d);
            form.AddrCombo()->setEditText(text);
            form.OriginGroup()->Button(origin)->click();
            form.DirectionGroup()->Button(direction)->click();
            (ok ? form.OkButton() : form.CancelButton())->click();
            return form.result();
        });
    };

    answer(" 2:5030/* ", kSearchFromCursor, kSearchBackward, true);
    ASSERT_TRUE(RunAddrSearch(history, search));
    ASSERT_TRUE(search.Addr);
    EXPECT_EQ(search.Addr->Zone, 2);
    EXPECT_EQ(search.Addr->Net, 5030);
    EXPECT_EQ(search.Addr->Node, kAddrAny);
    EXPECT_EQ(search.Origin, kSearchFromCursor);
    EXPECT_EQ(search.Direction, kSearchBackward);
    EXPECT_EQ(Entries(history), std::vector<std::string>{"2:5030/*"});

    // An alias name stands for its address.
    answer("petrov", kSearchGlobal, kSearchForward, true);
    ASSERT_TRUE(RunAddrSearch(history, search));
    EXPECT_TRUE(EqualAddr(*search.Addr, TFidoAddr(2, 5030, 123, 0)));
    EXPECT_EQ(search.Origin, kSearchGlobal);
    EXPECT_EQ(Entries(history), (std::vector<std::string>{"2:5030/123", "2:5030/*"}));

    // The same address twice stays once, at the front.
    answer("2:5030/*", kSearchGlobal, kSearchForward, true);
    ASSERT_TRUE(RunAddrSearch(history, search));
    answer("2:5030/*", kSearchGlobal, kSearchForward, true);
    ASSERT_TRUE(RunAddrSearch(history, search));
    EXPECT_EQ(Entries(history), (std::vector<std::string>{"2:5030/*", "2:5030/123"}));

    // Cancel changes nothing.
    answer("2:463/45", kSearchFromCursor, kSearchBackward, false);
    EXPECT_FALSE(RunAddrSearch(history, search));
    EXPECT_EQ(search.Origin, kSearchGlobal);
    EXPECT_EQ(search.Direction, kSearchForward);
    EXPECT_EQ(search.Addr->Node, kAddrAny);
    EXPECT_EQ(history.Count(), 2);

    // OK with an empty field: the options, but no address.
    answer("", kSearchFromCursor, kSearchForward, true);
    EXPECT_TRUE(RunAddrSearch(history, search));
    EXPECT_FALSE(search.Addr);
    EXPECT_EQ(search.Origin, kSearchFromCursor);
    EXPECT_EQ(history.Count(), 2);
    EXPECT_TRUE(dialogs.shown.empty());
}

class SessListSearchTest : public SessListFixture {
protected:
    void TearDown() override
    {
        AddrSearchHistory().Clear();
        SessListFixture::TearDown();
    }

    // Searches as the dialog would hand it over.
    static bool Search(TSessListForm* list, const char* text, int origin, int direction)
    {
        list->Search().Addr = TFidoAddr::CreateParse(text, kSearchParseFlags);
        list->Search().Origin = origin;
        list->Search().Direction = direction;
        return list->SearchAddress();
    }
};

TEST_F(SessListSearchTest, ForwardBackwardFromTheCursorWithMasksAliasesAndAll)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);

    // 2:5030/* is in sessions 5, 6, 7, 9, 11, 18, 25, 26, 27, 29 and 31.
    ASSERT_TRUE(Search(list, "2:5030/*", kSearchGlobal, kSearchForward));
    EXPECT_EQ(list->SelectedSession(), 5);
    EXPECT_EQ(w->View()->CaretLine(), 57);
    std::vector<long> found;
    while (Search(list, "2:5030/*", kSearchFromCursor, kSearchForward))
        found.push_back(list->SelectedSession());
    EXPECT_EQ(found, (std::vector<long>{6, 7, 9, 11, 18, 25, 26, 27, 29, 31}));
    // Past the last one: the message, and the list stays.
    ASSERT_EQ(dialogs.Texts(), std::vector<std::string>{"No matching address was found."});
    EXPECT_EQ(dialogs.shown[0].type, TMsgDlgType::mtInformation);
    EXPECT_EQ(list->SelectedSession(), 31);
    EXPECT_EQ(w->View()->CaretLine(), 341);

    ASSERT_TRUE(Search(list, "2:5030/*", kSearchFromCursor, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 29);
    ASSERT_TRUE(Search(list, "2:5030/*", kSearchGlobal, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 31);

    // ALL: every session with an address (2 and 3 have none).
    ASSERT_TRUE(Search(list, "ALL", kSearchGlobal, kSearchForward));
    EXPECT_EQ(list->SelectedSession(), 0);
    ASSERT_TRUE(Search(list, "ALL", kSearchFromCursor, kSearchForward));
    ASSERT_TRUE(Search(list, "ALL", kSearchFromCursor, kSearchForward));
    EXPECT_EQ(list->SelectedSession(), 4);
    ASSERT_TRUE(Search(list, "ALL", kSearchFromCursor, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 1);

    // An alias of the T-Mail configuration: Kiev is 2:463/45 (10, 12, 14, 15, 22).
    ASSERT_TRUE(Search(list, "Kiev", kSearchGlobal, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 22);
    ASSERT_TRUE(Search(list, "kiev", kSearchFromCursor, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 15);
    ASSERT_TRUE(Search(list, "Kiev", kSearchGlobal, kSearchForward));
    EXPECT_EQ(list->SelectedSession(), 10);
    // A point is not its node.
    dialogs.shown.clear();
    EXPECT_FALSE(Search(list, "2:463/45.1", kSearchGlobal, kSearchForward));
    EXPECT_FALSE(Search(list, "3:*/*", kSearchGlobal, kSearchBackward));
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(list->SelectedSession(), 10);
    // From the first row backwards there is nothing before it.
    ASSERT_TRUE(Search(list, "ALL", kSearchGlobal, kSearchForward));
    EXPECT_FALSE(Search(list, "ALL", kSearchFromCursor, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 0);
}

TEST_F(SessListSearchTest, CtrlFTheButtonAndTheMenuAskThroughTheDialog)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    int runs = 0;
    std::string text = "2:5020/*";
    bool ok = true;
    QString shownText;
    SetModalRunner([&](QDialog& d) {
        ++runs;
        auto& form = dynamic_cast<TAddrSearchForm&>(d);
        shownText = form.AddrCombo()->currentText();
        form.AddrCombo()->setEditText(QString::fromStdString(text));
        form.OriginGroup()->Button(kSearchFromCursor)->click();
        (ok ? form.OkButton() : form.CancelButton())->click();
        return form.result();
    });

    // 2:5020/* is in sessions 13, 24 and 30.
    SendKey(list->Grid(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(shownText.isEmpty());
    EXPECT_EQ(list->SelectedSession(), 13);
    list->Button("BtnFind")->click();
    EXPECT_EQ(shownText, "2:5020/*");
    EXPECT_EQ(list->SelectedSession(), 24);
    list->MenuAction("MIFindAddr")->trigger();
    EXPECT_EQ(list->SelectedSession(), 30);
    EXPECT_EQ(w->View()->CaretLine(), 327);
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(AddrSearchHistory().Count(), 1);

    // Cancel, or an empty field, search nothing.
    ok = false;
    text = "ALL";
    list->FindAddress();
    ok = true;
    text = "";
    list->FindAddress();
    EXPECT_EQ(list->SelectedSession(), 30);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(AddrSearchHistory().Count(), 1);

    // Nothing more after the last: the message.
    text = "2:5020/1000";
    list->FindAddress();
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"No matching address was found."});
    EXPECT_EQ(AddrSearchHistory().Count(), 2);
    EXPECT_EQ(list->SelectedSession(), 30);
}

}  // namespace
}  // namespace tarvix
