#include "fido/Dialogs.h"

#include "fido/Lng.h"

#include <iostream>

namespace tarvix {

namespace {

TDialogs* g_dialogs = nullptr;

int ResultOf(unsigned button)
{
    switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    default: return mrNone;
    }
}

std::string CheckedText(std::size_t index, const char* who)
{
    if (!LngLoaded())
        throw ELngError(".LNG not loaded");
    if (index >= LngCount())
        throw ELngError(std::string(who) + ": lng index " + std::to_string(index) + " out of bounds");
    return LGet(index);
}

// A caption or button text of the file (the key itself where the file lacks it), or
// the English text while no file is loaded.
std::string KeyText(std::string_view key, std::string_view english)
{
    return LngLoaded() ? LGetS(key) : std::string(english);
}

TDialogRequest MakeRequest(std::string text, TMsgDlgType type, unsigned buttons)
{
    TDialogRequest r;
    r.text = std::move(text);
    r.type = type;
    r.buttons = buttons;
    switch (type) {
    case TMsgDlgType::mtWarning: r.caption = KeyText("MDlg.mtWarning", "Warning"); break;
    case TMsgDlgType::mtError: r.caption = KeyText("MDlg.mtError", "Error"); break;
    case TMsgDlgType::mtInformation: r.caption = KeyText("MDlg.mtInformation", "Information"); break;
    case TMsgDlgType::mtConfirmation: r.caption = KeyText("MDlg.mtConfirmation", "Confirmation"); break;
    case TMsgDlgType::mtCustom: break;
    }
    if (buttons & mbCancel)
        r.buttonCaptions[mbCancel] = KeyText("MDlg.Cancel", "Cancel");
    if (buttons & mbYes)
        r.buttonCaptions[mbYes] = KeyText("MDlg.Yes", "&Yes");
    if (buttons & mbNo)
        r.buttonCaptions[mbNo] = KeyText("MDlg.No", "&No");
    return r;
}

}  // namespace

TBatchDialogs::TBatchDialogs(TModalResult preferred, bool quiet) : preferred_(preferred), quiet_(quiet) {}

int TBatchDialogs::MessageDlg(const TDialogRequest& request)
{
    Shown.push_back(request);
    if (!quiet_) {
        // One line per message, so that a log of a cron job reads line by line.
        std::string text = request.text;
        for (char& c : text)
            if (c == '\n' || c == '\r')
                c = ' ';
        std::cerr << (request.caption.empty() ? "" : request.caption + ": ") << text << '\n';
    }
    for (unsigned b = 1; b <= mbHelp; b <<= 1)
        if ((request.buttons & b) && ResultOf(b) == preferred_)
            return preferred_;
    if (request.buttons & mbOK)
        return mrOk;
    if (request.buttons & mbCancel)
        return mrCancel;
    for (unsigned b = 1; b <= mbHelp; b <<= 1)
        if (request.buttons & b)
            return ResultOf(b);
    return mrNone;
}

bool TBatchDialogs::InputQuery(const std::string& caption, const std::string& prompt, std::string&)
{
    TDialogRequest r;
    r.caption = caption;
    r.text = prompt;
    r.buttons = mbOKCancel;
    Shown.push_back(r);
    return false;
}

TDialogs& Dialogs()
{
    static TBatchDialogs fallback;
    return g_dialogs ? *g_dialogs : fallback;
}

void SetDialogs(TDialogs* dialogs) { g_dialogs = dialogs; }

int MessageDlgL(std::size_t index, TMsgDlgType type, unsigned buttons)
{
    return Dialogs().MessageDlg(MakeRequest(CheckedText(index, "MessageDlgL"), type, buttons));
}

int MessageDlgLF(std::size_t index, const std::vector<FmtArg>& args, TMsgDlgType type, unsigned buttons)
{
    std::string text = Format(CheckedText(index, "MessageDlgLF"), args);
    return Dialogs().MessageDlg(MakeRequest(std::move(text), type, buttons));
}

int MessageDlgLOr(std::size_t index, const std::vector<FmtArg>& args, std::string_view fallback, TMsgDlgType type,
                  unsigned buttons)
{
    return Dialogs().MessageDlg(MakeRequest(LTextOr(index, args, fallback), type, buttons));
}

int MessageDlgLOr(std::size_t index, const std::vector<FmtArg>& args, std::string_view fallback, TMsgDlgType type,
                  unsigned buttons, const std::map<unsigned, std::string>& captions)
{
    TDialogRequest request = MakeRequest(LTextOr(index, args, fallback), type, buttons);
    for (const auto& [bit, caption] : captions)
        request.buttonCaptions[bit] = caption;
    return Dialogs().MessageDlg(request);
}

int MessageDlgText(std::string text, TMsgDlgType type, unsigned buttons)
{
    return Dialogs().MessageDlg(MakeRequest(std::move(text), type, buttons));
}

bool InputQueryL(std::size_t captionIndex, std::size_t promptIndex, std::string& value)
{
    if (captionIndex >= LngCount())
        throw ELngError("InputQueryL: caption lng index " + std::to_string(captionIndex) + " out of bounds");
    if (promptIndex >= LngCount())
        throw ELngError("InputQueryL: prompt lng index " + std::to_string(promptIndex) + " out of bounds");
    return Dialogs().InputQuery(LGet(captionIndex), LGet(promptIndex), value);
}

}  // namespace tarvix
