// The frame of the option dialogs of the log styles: their fields above the
// buttons "OK", "Cancel" and "Help". A dialog takes its values into the log only
// when it is closed with OK (done with Accepted); Help shows the dialog's help page.
#pragma once

#include <QDialog>

class QPushButton;
class QVBoxLayout;

namespace tarvix {

class TOptionsForm : public QDialog {
    Q_OBJECT

public:
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* HelpButton() const { return help_; }

protected:
    // className names the dialog's section of the language file.
    TOptionsForm(const char* className, int helpContext, QWidget* parent);

    // Where a dialog puts its fields (above the buttons).
    QVBoxLayout* Body() const { return body_; }
    // Sets the English texts of the dialog's own fields; ApplyTexts calls it before
    // the language file has its say.
    virtual void SetDefaultTexts() = 0;
    // The texts of the dialog: defaults, then the language file. Subclasses call it
    // once their fields exist.
    void ApplyTexts();
    void changeEvent(QEvent* event) override;

private:
    const char* className_;
    QVBoxLayout* body_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* help_;
};

}  // namespace tarvix
