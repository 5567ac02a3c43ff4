#include "ui/QtDialogs.h"

#include "engine/LogText.h"
#include "platform/CodePage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tarvix {

namespace {

struct ButtonKind {
    unsigned bit;
    QMessageBox::StandardButton standard;  // NoButton: a button of our own
    TModalResult result;
    const char* ownText;
};

// In the order the buttons are added.
constexpr ButtonKind kButtons[] = {
    {mbYes, QMessageBox::Yes, mrYes, nullptr},
    {mbNo, QMessageBox::No, mrNo, nullptr},
    {mbOK, QMessageBox::Ok, mrOk, nullptr},
    {mbCancel, QMessageBox::Cancel, mrCancel, nullptr},
    {mbAbort, QMessageBox::Abort, mrAbort, nullptr},
    {mbRetry, QMessageBox::Retry, mrRetry, nullptr},
    {mbIgnore, QMessageBox::Ignore, mrIgnore, nullptr},
    {mbAll, QMessageBox::NoButton, mrAll, "&All"},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll, nullptr},
    {mbYesToAll, QMessageBox::YesToAll, mrYesToAll, nullptr},
    {mbHelp, QMessageBox::Help, mrNone, nullptr},
};

const char* const kResultProperty = "tarvixResult";

QMessageBox::Icon IconOf(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtInformation: return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    case TMsgDlgType::mtCustom: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString DialogText(const std::string& text)
{
    return QString::fromStdString(IsValidUtf8(text) ? text : DisplayText(text));
}

std::unique_ptr<QMessageBox> BuildMessageBox(const TDialogRequest& request, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(IconOf(request.type));
    box->setWindowTitle(request.caption.empty() ? QApplication::applicationDisplayName()
                                                : DialogText(request.caption));
    box->setText(DialogText(request.text));
    box->setTextFormat(Qt::PlainText);
    unsigned buttons = request.buttons;
    if ((buttons & ~static_cast<unsigned>(mbHelp)) == 0)
        buttons |= mbOK;  // a box must close somehow
    QAbstractButton* byBit[sizeof kButtons / sizeof kButtons[0]] = {};
    int i = 0;
    for (const ButtonKind& k : kButtons) {
        QAbstractButton* b = nullptr;
        if (buttons & k.bit) {
            b = k.standard != QMessageBox::NoButton
                    ? static_cast<QAbstractButton*>(box->addButton(k.standard))
                    : box->addButton(QString::fromLatin1(k.ownText), QMessageBox::AcceptRole);
            b->setProperty(kResultProperty, static_cast<int>(k.result));
            auto caption = request.buttonCaptions.find(k.bit);
            if (caption != request.buttonCaptions.end())
                b->setText(DialogText(caption->second));
        }
        byBit[i++] = b;
    }
    auto find = [&](unsigned bit) -> QAbstractButton* {
        for (std::size_t k = 0; k < sizeof kButtons / sizeof kButtons[0]; ++k)
            if (kButtons[k].bit == bit)
                return byBit[k];
        return nullptr;
    };
    if (QAbstractButton* def = find(mbOK) ? find(mbOK) : find(mbYes))
        box->setDefaultButton(qobject_cast<QPushButton*>(def));
    for (unsigned bit : {static_cast<unsigned>(mbCancel), static_cast<unsigned>(mbNo), static_cast<unsigned>(mbOK)})
        if (QAbstractButton* esc = find(bit)) {
            box->setEscapeButton(esc);
            break;
        }
    return box;
}

int MessageBoxResult(const QMessageBox& box, const QAbstractButton* clicked)
{
    (void)box;
    if (!clicked)
        return mrCancel;
    bool ok = false;
    const int result = clicked->property(kResultProperty).toInt(&ok);
    return ok ? result : mrCancel;
}

TQtDialogs::TQtDialogs(QWidget* parent) : parent_(parent) {}

int TQtDialogs::MessageDlg(const TDialogRequest& request)
{
    std::unique_ptr<QMessageBox> box = BuildMessageBox(request, parent_);
    box->exec();
    return MessageBoxResult(*box, box->clickedButton());
}

bool TQtDialogs::InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    QInputDialog dialog(parent_);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(DialogText(caption));
    dialog.setLabelText(DialogText(prompt));
    dialog.setTextValue(DialogText(value));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue().toStdString();
    return true;
}

}  // namespace tarvix
