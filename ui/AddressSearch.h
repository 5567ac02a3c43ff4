// The "Find address" dialog of the list windows: the address or mask to look for,
// where the search starts and which way it runs. The search itself is the calling
// window's.
//
// The addresses searched are remembered program-wide, the latest first, for as long
// as the program runs; the dialog offers them in its drop-down list.
#pragma once

#include "fido/AddrList.h"
#include "fido/FidoAddr.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

namespace tarvix {

class TRadioGroup;

// Where a search starts and which way it runs.
inline constexpr int kSearchGlobal = 0;      // from the first row (or the last, backwards)
inline constexpr int kSearchFromCursor = 1;  // from the row after (or before) the current one
inline constexpr int kSearchForward = 0;
inline constexpr int kSearchBackward = 1;

// What the dialog is handed and hands back.
struct TAddrSearch {
    std::optional<TFidoAddr> Addr;  // the address or mask; none before the first search
    int Origin = kSearchGlobal;
    int Direction = kSearchForward;
};

// The history of searched addresses of the whole program: masks allowed, no alias
// names (an alias typed is kept as its address). Empty at start, never saved.
TAddrList& AddrSearchHistory();

// Puts an address at the front of a history: an entry with the same four numbers is
// moved there, else the address is inserted there.
void RememberSearchAddr(TAddrList& history, const TFidoAddr& addr);

// The parse flags of the dialog's field: masks ("2:5030/*", "ALL") and alias names.
inline constexpr std::uint8_t kSearchParseFlags = afMask | afAlias;

class TAddrSearchForm : public QDialog {
    Q_OBJECT

public:
    // The field starts with the address (empty when there is none), the list with
    // the history, the radio groups with the options.
    TAddrSearchForm(const TAddrList& history, const TAddrSearch& current, QWidget* parent = nullptr);

    // The field's text without the blanks around it.
    QString AddrText() const;
    // The field's text parsed; none when it is empty or no address.
    std::optional<TFidoAddr> Address() const;
    int Origin() const;
    int Direction() const;

    QComboBox* AddrCombo() const { return combo_; }
    TRadioGroup* OriginGroup() const { return origin_; }
    TRadioGroup* DirectionGroup() const { return direction_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

    // Whichever way the dialog closes, a text in the field must be an address or
    // mask: otherwise message 128 is shown, the text selected and the dialog stays.
    void done(int result) override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyTexts();

    QLabel* label_;
    QComboBox* combo_;
    TRadioGroup* origin_;
    TRadioGroup* direction_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// Shows the dialog modally (through ExecModal). On OK the options go into Search and
// its address becomes the text parsed, or none when the field was empty; a text
// given is put at the front of the history. Cancel changes nothing. True on OK.
bool RunAddrSearch(TAddrList& history, TAddrSearch& search, QWidget* parent = nullptr);

}  // namespace tarvix
