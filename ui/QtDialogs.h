// The program's message and input dialogs: Qt boxes with the captions, texts and
// button captions that fido/Dialogs.h hands over.
#pragma once

#include "fido/Dialogs.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QAbstractButton;
class QMessageBox;

namespace tarvix {

class TQtDialogs : public TDialogs {
public:
    // Boxes are centred on the parent (the main frame) when it is given.
    explicit TQtDialogs(QWidget* parent = nullptr);
    void SetParent(QWidget* parent) { parent_ = parent; }

    int MessageDlg(const TDialogRequest& request) override;
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;

private:
    QPointer<QWidget> parent_;
};

// The box of a request, ready to be shown: icon by kind, caption (the program's
// name when empty), text, the buttons asked for with the captions given, OK or Yes
// as default, and Cancel, No or OK for Esc.
std::unique_ptr<QMessageBox> BuildMessageBox(const TDialogRequest& request, QWidget* parent = nullptr);
// The answer of a box built by BuildMessageBox after a button was clicked
// (mrCancel when it was closed without one).
int MessageBoxResult(const QMessageBox& box, const QAbstractButton* clicked);

// Texts handed to the dialogs are UTF-8; text that is not (a log line quoted in a
// message) is decoded as the log text is.
QString DialogText(const std::string& text);

}  // namespace tarvix
