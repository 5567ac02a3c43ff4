// The goto-line dialog: which numbers it takes, and that no button closes it on a
// number it does not take.
#include "ui/GotoLine.h"

#include "fido/Dialogs.h"
#include "fido/Lng.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

namespace tarvix {
namespace {

TEST(GotoLineNumbers, WholeNumbersFromOneToTheLineCount)
{
    EXPECT_EQ(ParseLineNumber("1", 10), 1);
    EXPECT_EQ(ParseLineNumber("10", 10), 10);
    EXPECT_EQ(ParseLineNumber("  7\t", 10), 7);
    EXPECT_EQ(ParseLineNumber("007", 10), 7);
    EXPECT_EQ(ParseLineNumber("3000000000", 4000000000LL), 3000000000LL);
    for (const char* bad : {"", " ", "0", "11", "-1", "+5", "5x", "x5", "1e1", "5 5", "5.0",
                            "99999999999999999999999"})
        EXPECT_EQ(ParseLineNumber(bad, 10), std::nullopt) << bad;
    // A log without lines takes no number at all.
    EXPECT_EQ(ParseLineNumber("1", 0), std::nullopt);
}

class GotoLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnloadLng();
        LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
    }
    void TearDown() override { UnloadLng(); }
    test::CapturedDialogs dialogs;
};

TEST_F(GotoLineTest, StaysOpenUntilTheNumberIsValidWhicheverButton)
{
    TGotoLineForm form(250, 17);
    EXPECT_EQ(form.Edit()->text(), "17");
    EXPECT_EQ(form.LineNumber(), 17);
    int finished = 0;
    QObject::connect(&form, &QDialog::finished, [&] { ++finished; });
    form.show();

    form.Edit()->setText("0");
    form.OkButton()->click();
    form.CancelButton()->click();
    {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(form.Edit(), &esc);
    }
    form.close();
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(dialogs.Count(), 4u);
    for (const TDialogRequest& r : dialogs.dialogs.Shown) {
        EXPECT_EQ(r.text, "Enter a line number from 1 to 250.");
        EXPECT_EQ(r.type, TMsgDlgType::mtError);
        EXPECT_EQ(r.buttons, unsigned(mbOK));
    }
    // The field is selected for the next try.
    EXPECT_EQ(form.Edit()->selectedText(), "0");

    form.Edit()->setText("251");
    form.OkButton()->click();
    EXPECT_EQ(finished, 0);
    form.Edit()->setText("250");
    form.CancelButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(dialogs.Count(), 5u);

    TGotoLineForm second(250, 1);
    second.show();
    second.Edit()->setText(" 125 ");
    second.OkButton()->click();
    EXPECT_EQ(second.result(), QDialog::Accepted);
    EXPECT_EQ(second.LineNumber(), 125);
    test::SaveScreenshot(&form, "TGotoLineForm");
}

TEST_F(GotoLineTest, WorksWithoutALanguageFile)
{
    UnloadLng();
    TGotoLineForm form(3, 2);
    EXPECT_FALSE(form.findChild<QLabel*>("LblLineNumber")->text().isEmpty());
    form.Edit()->setText("4");
    form.OkButton()->click();
    EXPECT_EQ(dialogs.Count(), 1u);
    EXPECT_NE(dialogs.dialogs.Shown[0].text.find("(3)"), std::string::npos);
}

}  // namespace
}  // namespace tarvix
