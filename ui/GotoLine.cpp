#include "ui/GotoLine.h"

#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "ui/DialogButtons.h"
#include "ui/LngComponent.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <charconv>
#include <string>

namespace tarvix {

std::optional<std::int64_t> ParseLineNumber(std::string_view text, std::int64_t lineCount)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty() || text.front() == '-' || text.front() == '+')
        return std::nullopt;
    std::int64_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (n < 1 || n > lineCount)
        return std::nullopt;
    return n;
}

TGotoLineForm::TGotoLineForm(std::int64_t lineCount, std::int64_t currentLine, QWidget* parent)
    : QDialog(parent), lineCount_(lineCount)
{
    setObjectName("TGotoLineForm");
    label_ = new QLabel(this);
    label_->setObjectName("LblLineNumber");
    edit_ = new QLineEdit(this);
    edit_->setObjectName("EdtLineNumber");
    edit_->setText(QString::number(currentLine));
    edit_->selectAll();
    label_->setBuddy(edit_);
    QDialogButtonBox* buttons = MakeOkCancel(this, ok_, cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    setMinimumWidth(240);
    ApplyTexts();
}

void TGotoLineForm::ApplyTexts()
{
    setWindowTitle("Goto line");
    cancel_->setText(LngLoaded() ? QString::fromStdString(LGetS("MDlg.Cancel")) : QStringLiteral("Cancel"));
    label_->setText(QString::fromStdString(LTextOr(162, {lineCount_}, "Line number")));
    ApplyLng(this, "TGotoLineForm");
}

void TGotoLineForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

std::optional<std::int64_t> TGotoLineForm::LineNumber() const
{
    return ParseLineNumber(edit_->text().toStdString(), lineCount_);
}

void TGotoLineForm::done(int result)
{
    if (!LineNumber()) {
        edit_->setFocus();
        edit_->selectAll();
        MessageDlgLOr(163, {lineCount_}, "Enter a line number from 1 to the line count", TMsgDlgType::mtError, mbOK);
        return;
    }
    QDialog::done(result);
}

}  // namespace tarvix
