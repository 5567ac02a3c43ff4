// Message dialogs whose texts come from the interface language file.
//
// Units below the windows ask the user through this small interface. The desktop
// program installs its own implementation; tests and tarvix-report use
// TBatchDialogs, which never waits for anybody.
#pragma once

#include "fido/Format.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons of a message dialog (bits, combined with |).
enum TMsgDlgBtn : unsigned {
    mbYes = 1 << 0,
    mbNo = 1 << 1,
    mbOK = 1 << 2,
    mbCancel = 1 << 3,
    mbAbort = 1 << 4,
    mbRetry = 1 << 5,
    mbIgnore = 1 << 6,
    mbAll = 1 << 7,
    mbNoToAll = 1 << 8,
    mbYesToAll = 1 << 9,
    mbHelp = 1 << 10,
};
inline constexpr unsigned mbYesNo = mbYes | mbNo;
inline constexpr unsigned mbYesNoCancel = mbYes | mbNo | mbCancel;
inline constexpr unsigned mbOKCancel = mbOK | mbCancel;

// The answer of a dialog.
enum TModalResult : int {
    mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
    mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10,
};

// What a dialog shows: the caption, the text, its kind, its buttons and the captions
// of the buttons that the language file names (Cancel, Yes, No).
struct TDialogRequest {
    std::string caption;
    std::string text;
    TMsgDlgType type = TMsgDlgType::mtInformation;
    unsigned buttons = mbOK;
    std::map<unsigned, std::string> buttonCaptions;
};

class TDialogs {
public:
    virtual ~TDialogs() = default;
    virtual int MessageDlg(const TDialogRequest& request) = 0;
    // A one-line input; returns whether the user confirmed. Value is in and out.
    virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
};

// Answers without asking: the message goes to standard error (unless quiet) and is
// kept in Shown; the answer is the preferred result when the dialog offers that
// button, else OK, else Cancel, else the first button offered.
class TBatchDialogs : public TDialogs {
public:
    explicit TBatchDialogs(TModalResult preferred = mrNo, bool quiet = false);
    int MessageDlg(const TDialogRequest& request) override;
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;

    std::vector<TDialogRequest> Shown;

private:
    TModalResult preferred_;
    bool quiet_;
};

// The dialogs in force (a TBatchDialogs until the program installs its own).
TDialogs& Dialogs();
void SetDialogs(TDialogs* dialogs);  // nullptr restores the default

// The message at position Index of the language file, in a dialog of the given kind.
int MessageDlgL(std::size_t index, TMsgDlgType type, unsigned buttons);
int MessageDlgLF(std::size_t index, const std::vector<FmtArg>& args, TMsgDlgType type, unsigned buttons);
// As MessageDlgLF, for messages that must reach the user even when the language
// file lacks the text (or none is loaded): the fallback text is shown then.
int MessageDlgLOr(std::size_t index, const std::vector<FmtArg>& args, std::string_view fallback, TMsgDlgType type,
                  unsigned buttons);
// The same with captions of the caller's for some of the buttons (a button of its
// own, such as mbAll).
int MessageDlgLOr(std::size_t index, const std::vector<FmtArg>& args, std::string_view fallback, TMsgDlgType type,
                  unsigned buttons, const std::map<unsigned, std::string>& captions);
// A ready text (an exception's message, say) in a dialog of the given kind.
int MessageDlgText(std::string text, TMsgDlgType type, unsigned buttons);
bool InputQueryL(std::size_t captionIndex, std::size_t promptIndex, std::string& value);

}  // namespace tarvix
