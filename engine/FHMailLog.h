// Logs of the FhMail mailer (style 6): sessions, file requests and dial statistics.
//
// FhMail writes BinkleyTerm-layout lines with the program tag "FHML":
//
//   + 14 Mar 10:21:07 FHML Remote node: 2:5020/1
//   ^ ^^ ^^^ ^^^^^^^^ ^^^^ ^
//   1 3  6   10       19   24      (1-based columns)
//
// Its messages come from a language file of named texts ("fhmail.lng"), so a line
// is recognised by the text the installed language file holds under a key such as
// REMOTE_ADDRESS; a log written in any language is understood with the language file
// that wrote it. Only a few words are fixed: "Connect", "Starting ZMO session",
// "send:", "Tx/Rx:" and "Carrier lost".
//
// The mailer configuration "fhmail.cfg" (in the mailer directory) names the language
// file (Language) and the file-request alias list (AliasList); it may define macros
// ("Define NAME = value", used as %NAME%) and use environment variables the same way.
//
// Parse states:
//   0  no session
//   1  session opened by the remote address, waiting for the remote mailer
//   2  waiting for the system name
//   3  waiting for the sysop
//   4  waiting for the phone
//   5  password and protocol
//   6  transfers
//   10 a human (BBS) caller; the next FhMail line ends that call and is then read as
//      a line outside a session (it may open the next call)
// A mailer session ends with the post-session line (traffic totals) or, failed, with a
// no-carrier line.
#pragma once

#include "engine/MailerLog.h"
#include "engine/MsgIndex.h"
#include "fido/MailerLng.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarvix {

class TFHMailLog : public TMailerLog {
public:
    // The 1-based column where the message of a line starts.
    static constexpr int kMsgCol = 24;
    // Its 0-based offset.
    static constexpr std::size_t kMsgAt = kMsgCol - 1;
    // Parse states (see above).
    enum : int {
        fsNone = 0, fsMailer = 1, fsSystem = 2, fsSysOp = 3, fsPhone = 4, fsHandshake = 5,
        fsTransfer = 6, fsBbsCall = 10
    };
    // The kind of the call being set up.
    enum : int { cmNone = 0, cmRinging = 1, cmDialling = 2 };

    TFHMailLog();
    ~TFHMailLog() override;

    // --- highlighting ---
    // The day, month and time words (0-based columns 2, 5 and 9).
    bool IsDateWord(int col, std::string_view word) override;
    // The level mark "!" paints the whole line as errors.
    bool IsErrorWord(std::string_view word) override;
    // The program tag is Special for itself; the first message word decides the
    // rest of the line: Info (Connect, post-session, start and finish), Sent and
    // Recd (transfer lines), Special (a human caller), else Normal.
    bool WordClass(std::string_view word, int col) override;

    // --- dates ---
    // Day from columns 3-4, English month abbreviation from columns 6-8, LineYear().
    // Raises EConvertError for a line without a readable date.
    TDateTime DateOfLine(std::string_view line) override;
    bool MonthDayOfLine(std::string_view line, int& month, int& day) const override;
    // The date plus hours (columns 10-11), minutes (13-14) and seconds (16-17).
    TDateTime TimeOfLine(std::string_view line) override;

    // --- analysis ---
    void Reset() override;
    // Loads the language file named by fhmail.cfg (default "fhmail.lng") from the
    // mailer directory, unless the file loaded before is still the one named.
    // Raises EFOpenError / EReadError when it cannot be read.
    void LoadLng() override;
    // Reads fhmail.cfg of the mailer directory, then the alias list it names.
    // Raises EQParserError (also "Invalid Define" for a define without "=").
    void ReadConfig() override;
    void ParseMailerLine(std::string_view line) override;

    // --- what the configuration and the log have set ---
    const std::string& LanguageFile() const { return languageFile_; }
    const std::string& AliasList() const { return aliasList_; }
    bool HasLng() const { return lng_ != nullptr; }
    int CallMode() const { return callMode_; }
    std::uint32_t ConnectSpeed() const { return connectSpeed_; }
    const std::string& PendingSentPath() const { return pendingSentPath_; }

private:
    // The texts a message can begin with, by their place in Texts::msg.
    enum Msg : int {
        mRing, mDialing, mBusy, mNoCarrier, mRemoteAddress, mBbsCall, mPostSession, mSessionAbort,
        mRemoteMailer, mRemoteName, mRemoteSysOp, mRemotePhone, mPasswordProtected, mBadPassword,
        mJanusStart, mHydraStart, mFreq, mPartiallySent, kMsgCount
    };
    // The message texts the parser matches, taken from the language file once.
    struct Texts {
        std::array<std::string, kMsgCount> msg;
        // Texts found elsewhere in a line.
        std::string remoteSysOp2, sent, received, partiallySent2;
        // First words shown in colour.
        std::string infoPostSession, infoStarting, infoFinishing, specialBbsCall;
    };
    void UseTexts(const TFHMailLng& lng);
    const std::string& Text(Msg m) const { return texts_.msg[static_cast<std::size_t>(m)]; }

    // The message begins with the text of m; an empty text matches nothing. The line
    // must be the one being parsed (see lineMsgs_).
    bool Is(std::string_view line, Msg m) const { return ((lineMsgs_ >> m) & 1u) != 0 && Matches(line, m); }
    // The text compared as machine words (see TMsgWords) when the line is long enough,
    // else byte by byte; without a call either way, so that the functions that tell
    // the lines apart need no registers of their own.
    bool Matches(std::string_view line, Msg m) const
    {
        const TMsgWords& w = words_[static_cast<std::size_t>(m)];
        const std::string& text = Text(m);
        if (line.size() >= kMsgAt + w.Need())
            return w.Begins(line.data() + kMsgAt, text);
        return !text.empty() && line.size() >= kMsgAt + text.size() &&
               SameBytes(line.data() + kMsgAt, text.data(), text.size());
    }
    // Files the texts in msgs_ after texts_ has changed.
    void IndexMsgs();
    // The texts the message of a line may begin with, one bit per text.
    std::uint32_t Candidates(std::string_view line) const;
    // The line less its first (length of text + MsgCol - 1) characters.
    std::string_view ValueAfter(std::string_view line, std::string_view text) const;
    // The time of a line, or false when the line has no readable time stamp (when
    // TimeOfLine raises an error).
    bool TryTimeOfLine(std::string_view line, TDateTime& result) const;
    // TimeOfLine for a line without a readable stamp: raises the error the general
    // reading finds.
    [[gnu::noinline, gnu::cold]] TDateTime BadTime(std::string_view line);
    // TryTimeOfLine's work for a stamp other than the one read last.
    [[gnu::noinline]] bool ReadStamp(std::string_view line, int year, TDateTime& result) const;
    // ReadStamp for a stamp with another date or a damaged one.
    [[gnu::noinline]] bool ReadFullStamp(std::string_view line, int year, TDateTime& result) const;
    // Files the stamp and its time as the one read last.
    void KeepStampTime(std::string_view line, int year, TDateTime time) const;
    // The date of the day and month text (columns 3 to 8) read last: the lines of a
    // log ask for the same day over and over. CachedDate is false for another text
    // or year; KeepDate files a date read without an error. The line holds the text.
    bool CachedDate(std::string_view line, int year, TDateTime& date) const;
    void KeepDate(std::string_view line, int year, TDateTime date) const;

    // The line outside a session and inside one: ParseMailerLine hands each on.
    [[gnu::noinline]] void ParseIdle(std::string_view line);
    [[gnu::always_inline]] inline void ParseSession(std::string_view line);
    // The end of a human caller's call, or of a state set without a session; then
    // the line outside a session.
    [[gnu::noinline]] void LeaveState(std::string_view line);
    // A session opened by this line, starting at the line before it.
    void OpenSession(std::string_view line, bool incoming);
    // The steps of a session: the remote's texts, the handshake, the transfers.
    [[gnu::noinline]] void RemoteMailer(std::string_view line);
    [[gnu::noinline]] void RemoteSystem(std::string_view line);
    [[gnu::noinline]] void RemoteSysOp(std::string_view line);
    [[gnu::noinline]] void RemotePhone(std::string_view line);
    [[gnu::noinline]] void StepHandshake(std::string_view line);
    [[gnu::noinline]] void StepTransfer(std::string_view line);
    [[gnu::noinline]] void NoCarrier(std::string_view line);
    [[gnu::noinline]] void FreqLine(std::string_view line);
    [[gnu::noinline]] void SendLine(std::string_view line);
    void EndPostSession(std::string_view line);
    // The transfer lines, by their message.
    void SentLine(std::string_view message);
    void ReceivedLine(std::string_view message);
    void PartlySentLine(std::string_view message);
    // The lines outside a session, by kind.
    [[gnu::noinline]] void RingLine();
    [[gnu::noinline]] void DialLine(std::string_view line);
    [[gnu::noinline]] void DialResult(int result);
    [[gnu::noinline]] void ConnectLine(std::string_view line);
    [[gnu::noinline]] void RemoteAddressLine(std::string_view line);
    [[gnu::noinline]] void BbsCallLine(std::string_view line);
    // Keeps the stamp of the line in the slot the line before did not use.
    void KeepStamp(std::string_view line);
    [[gnu::noinline]] void KeepShortStamp(std::string_view line);

    std::string languageFile_ = "fhmail.lng";
    std::string aliasList_;
    std::unique_ptr<TFHMailLng> lng_;
    std::string lngPath_;  // the resolved name lng_ was read from
    Texts texts_;
    // The texts by their first bytes: a line is compared only with those its
    // message may begin with.
    TMsgIndex msgs_;
    // The texts as words, for Matches.
    std::array<TMsgWords, kMsgCount> words_{};
    // Where the first word of a sent or received line ends when the transfer text
    // holds no blank (1 + its length), else 0: see SentLine.
    std::size_t sentWordEnd_ = 0;
    std::size_t receivedWordEnd_ = 0;
    // The texts the current line may begin with: one look-up per line, so that most
    // tests of the chains in the parser are bit tests.
    std::uint32_t lineMsgs_ = 0;

    int callMode_ = cmNone;
    std::uint32_t connectSpeed_ = 0;
    std::string pendingSentPath_;

    // The time stamps (columns 1 to 17) of the last two lines and their numbers: a
    // session starts at the line before its remote address. Each line's stamp is kept
    // as the line comes in, in the slot the line before did not use, so that the line
    // before is at hand while the line is read.
    struct TStamp {
        std::array<char, 17> text{};
        std::uint8_t len = 0;
        std::int64_t lineNo = 0;
    };
    std::array<TStamp, 2> stamps_{};
    std::size_t stampSlot_ = 0;  // the slot of the line being read

    // The date cache of CachedDate.
    mutable std::array<char, 6> dateText_{};
    mutable int dateYear_ = 0;
    mutable TDateTime date_ = 0;
    mutable bool dateKnown_ = false;
    // The time stamp (columns 1 to 17) TryTimeOfLine read last, and its time.
    mutable std::array<char, 17> stamp_{};
    mutable int stampYear_ = 0;
    mutable TDateTime stampTime_ = 0;
    mutable bool stampKnown_ = false;
};

// Registers TFHMailLog with the log factory for style 6.
void RegisterFHMailLogStyle();

}  // namespace tarvix
