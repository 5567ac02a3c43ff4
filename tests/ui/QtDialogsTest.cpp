#include "ui/QtDialogs.h"

#include "fido/Lng.h"
#include "settings/QZIni.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace tarvix {
namespace {

// Runs Act on the modal dialog as soon as it is on screen (the dialog is answered
// from inside its own event loop).
void WhenModal(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            WhenModal(act);
            return;
        }
        act(modal);
    });
}

QAbstractButton* ButtonWithText(QMessageBox& box, const QString& text)
{
    for (QAbstractButton* b : box.buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

TEST(QtDialogsTest, BoxShowsTheCaptionTextKindAndButtonCaptionsItIsGiven)
{
    TDialogRequest request;
    request.caption = "Bestätigung";
    request.text = "Open the logs setup?";
    request.type = TMsgDlgType::mtConfirmation;
    request.buttons = mbYesNo;
    request.buttonCaptions = {{mbYes, "&Да"}, {mbNo, "&Нет"}};
    auto box = BuildMessageBox(request);
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8("Bestätigung"));
    EXPECT_EQ(box->text(), "Open the logs setup?");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    ASSERT_EQ(box->buttons().size(), 2);
    QAbstractButton* yes = ButtonWithText(*box, QString::fromUtf8("&Да"));
    QAbstractButton* no = ButtonWithText(*box, QString::fromUtf8("&Нет"));
    ASSERT_NE(yes, nullptr);
    ASSERT_NE(no, nullptr);
    EXPECT_EQ(box->defaultButton(), yes);
    EXPECT_EQ(box->escapeButton(), no);
    EXPECT_EQ(MessageBoxResult(*box, yes), mrYes);
    EXPECT_EQ(MessageBoxResult(*box, no), mrNo);
    EXPECT_EQ(MessageBoxResult(*box, nullptr), mrCancel);
}

TEST(QtDialogsTest, EveryButtonGivesItsAnswer)
{
    const std::pair<unsigned, TModalResult> all[] = {
        {mbYes, mrYes},       {mbNo, mrNo},       {mbOK, mrOk},           {mbCancel, mrCancel},
        {mbAbort, mrAbort},   {mbRetry, mrRetry}, {mbIgnore, mrIgnore},   {mbAll, mrAll},
        {mbNoToAll, mrNoToAll}, {mbYesToAll, mrYesToAll},
    };
    for (const auto& [bit, result] : all) {
        TDialogRequest request;
        request.buttons = bit;
        auto box = BuildMessageBox(request);
        ASSERT_EQ(box->buttons().size(), 1) << bit;
        EXPECT_EQ(MessageBoxResult(*box, box->buttons().front()), result) << bit;
    }
    // OK with Cancel: OK is the default, Cancel answers Esc.
    TDialogRequest request;
    request.buttons = mbOKCancel;
    auto box = BuildMessageBox(request);
    EXPECT_EQ(MessageBoxResult(*box, box->defaultButton()), mrOk);
    EXPECT_EQ(MessageBoxResult(*box, box->escapeButton()), mrCancel);
}

TEST(QtDialogsTest, KindsCaptionsAndTextsOfEveryShape)
{
    TDialogRequest request;
    request.type = TMsgDlgType::mtError;
    request.buttons = 0;  // no button asked for: the box still closes with OK
    auto box = BuildMessageBox(request);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(MessageBoxResult(*box, box->buttons().front()), mrOk);
    EXPECT_EQ(box->windowTitle(), QApplication::applicationDisplayName());

    request.type = TMsgDlgType::mtWarning;
    EXPECT_EQ(BuildMessageBox(request)->icon(), QMessageBox::Warning);
    request.type = TMsgDlgType::mtInformation;
    EXPECT_EQ(BuildMessageBox(request)->icon(), QMessageBox::Information);
    request.type = TMsgDlgType::mtCustom;
    EXPECT_EQ(BuildMessageBox(request)->icon(), QMessageBox::NoIcon);

    // A message quoting a log line in the DOS code page shows it decoded; text that
    // looks like markup stays text.
    Settings().OEMConvert = true;
    request.text = "Line: \x8F\xE0\xA8\xA2\xA5\xE2 <b>";
    EXPECT_EQ(BuildMessageBox(request)->text(), QString::fromUtf8("Line: Привет <b>"));
    EXPECT_EQ(BuildMessageBox(request)->textFormat(), Qt::PlainText);
}

TEST(QtDialogsTest, MessageDlgReturnsTheButtonClicked)
{
    TQtDialogs dialogs;
    TDialogRequest request;
    request.caption = "Question";
    request.text = "Go on?";
    request.type = TMsgDlgType::mtConfirmation;
    request.buttons = mbYesNoCancel;
    request.buttonCaptions = {{mbNo, "&No way"}};
    QString seenTitle;
    WhenModal([&seenTitle](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seenTitle = box->windowTitle();
        ButtonWithText(*box, "&No way")->click();
    });
    EXPECT_EQ(dialogs.MessageDlg(request), mrNo);
    EXPECT_EQ(seenTitle, "Question");

    WhenModal([](QWidget* modal) { static_cast<QMessageBox*>(modal)->escapeButton()->click(); });
    EXPECT_EQ(dialogs.MessageDlg(request), mrCancel);
}

TEST(QtDialogsTest, InputQueryGivesTheTextOnlyWhenConfirmed)
{
    TQtDialogs dialogs;
    std::string value = "2:5030/1";
    QString prompt;
    WhenModal([&prompt](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        prompt = dialog->labelText();
        EXPECT_EQ(dialog->textValue(), "2:5030/1");
        dialog->setTextValue(QString::fromUtf8("2:5020/52 Ёж"));
        dialog->accept();
    });
    EXPECT_TRUE(dialogs.InputQuery("Find address", "Address or mask:", value));
    EXPECT_EQ(value, "2:5020/52 Ёж");
    EXPECT_EQ(prompt, "Address or mask:");

    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        dialog->setTextValue("ignored");
        dialog->reject();
    });
    EXPECT_FALSE(dialogs.InputQuery("Find address", "Address or mask:", value));
    EXPECT_EQ(value, "2:5020/52 Ёж");
}

}  // namespace
}  // namespace tarvix
