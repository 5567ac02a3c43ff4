// The "OK" and "Cancel" buttons of a small dialog (objects "BtnOK" and "BtnCancel",
// OK the default), wired to accept and reject.
#pragma once

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace tarvix {

QDialogButtonBox* MakeOkCancel(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel);

}  // namespace tarvix
