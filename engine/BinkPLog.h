// Logs of the Bink/+ mailer (style 5): BinkleyTerm line layout, program tag "BINK".
//
//   + 02 Mar 10:21:07 BINK Calling Fido Station (2:5020/52)
//   ^ ^^ ^^^ ^^^^^^^^ ^^^^ ^
//   1 3  6   10       19   24      (1-based columns)
//
// The mailer writes its messages from the numbered entries of its language file
// "binkley.lng", so the parser reads that file from the mailer directory and knows a
// message by the fixed text its entry starts with (the entry without its log-level
// mark, cut before the first "%"). Only the modem words "Busy", "No Carrier" and
// "Connect" are fixed. The mailer's "binkley.cfg" (and the OKFile it names) give the
// file-request aliases.
//
// Parse states: 0 no session; 1 connected, waiting for the system line; 2 waiting for
// the remote mailer; 3 waiting for the sysop; 4 handshake details until the protocol
// line; 5 transfers; 100 failed handshake, waiting for the end of the session.
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

class TBinkPLog : public TMailerLog {
public:
    TBinkPLog();
    ~TBinkPLog() override;

    // The day, month and time words (0-based columns 2, 5 and 9).
    bool IsDateWord(int col, std::string_view word) override;
    // The error level mark "!" (as a word of its own) paints the rest of the line.
    bool IsErrorWord(std::string_view word) override;
    // The first word of the message decides the colour of the line (Info, Sent, Recd,
    // Special or Normal, from the words of the language file); the program tag is
    // Special for itself only.
    bool WordClass(std::string_view word, int col) override;
    // Day from columns 3-4, month from columns 6-8 against the language file's month
    // names, LineYear(). Raises EConvertError for a line that holds no such date.
    TDateTime DateOfLine(std::string_view line) override;
    bool MonthDayOfLine(std::string_view line, int& month, int& day) const override;
    // The date plus the time of columns 10-17. Raises EConvertError.
    TDateTime TimeOfLine(std::string_view line) override;

    void ParseMailerLine(std::string_view line) override;
    // Reads "binkley.lng" of the mailer directory unless it is held already.
    // Raises EFOpenError / EReadError / EMailerLngError.
    void LoadLng() override;
    // Reads "binkley.cfg" of the mailer directory and the OKFile it names; registers
    // the aliases ABOUT, FILES and those of the OKFile. Raises EQParserError and the
    // file errors.
    void ReadConfig() override;
    // A different directory drops the language file read from the old one.
    void SetMailerPath(std::string_view path) override;
    void Reset() override;

    // --- what the parser holds (for the windows and the tests) ---
    const TBinkLng* Lng() const { return lng_.get(); }
    const std::array<std::string, 12>& MonthNames() const { return months_; }
    const std::string& OkFile() const { return okFile_; }
    const std::string& About() const { return about_; }
    const std::string& Avail() const { return avail_; }
    bool Dialling() const { return dialling_; }
    bool Sending() const { return sending_; }
    bool EndPending() const { return endPending_; }

private:
    // The entries a message is matched against, one bit each (see kEntryTexts).
    enum Entry : int {
        eHuman, ePhone, eSysOp, eAddrList, eHandshakeBad, ePassword, eBadPassword, eSessionEnd, eTerminal,
        eVisitor, eMailer, eCalling, eSentPath, eByteCount, eRequest, eFileRcvd, eTransferBad, eFileSent,
        eCarrierLost, kEntryCount
    };
    // The member that holds the text of each entry.
    static const std::array<std::string TBinkPLog::*, kEntryCount> kEntryTexts;

    // Entries that change the session whatever its state: its end, a failed handshake
    // or transfer, a person on the line.
    static constexpr std::uint32_t kSessionEvents = 1u << eCarrierLost | 1u << eSessionEnd | 1u << eHandshakeBad |
                                                    1u << eTransferBad | 1u << eHuman | 1u << eTerminal |
                                                    1u << eVisitor;
    // Entries of the transfer lines.
    static constexpr std::uint32_t kTransferLines =
        1u << eRequest | 1u << eFileRcvd | 1u << eFileSent | 1u << eByteCount | 1u << eSentPath;

    // True when the message (from MsgCol) starts with the text of the entry; an empty
    // text (an entry missing from the language file) matches nothing. cand holds the
    // entries the message may begin with (see Candidates).
    bool Begins(std::string_view line, std::uint32_t cand, Entry e) const
    {
        return (cand >> e & 1u) != 0 && Matches(line, e);
    }
    // The entry compared as words (see TMsgWords) when the line is long enough, else
    // by FullMatch.
    bool Matches(std::string_view line, Entry e) const
    {
        const TMsgWords& w = words_[e];
        if (line.size() < kMsgStart + w.Need())
            return FullMatch(line, e);
        return w.Begins(line.data() + kMsgStart, this->*kEntryTexts[e]);
    }
    bool FullMatch(std::string_view line, Entry e) const;
    // Files the entries in msgs_ after their texts have changed.
    void IndexEntries();
    // The entries the message of a line may begin with, one bit per entry.
    std::uint32_t Candidates(std::string_view line) const;
    // The line loop runs through ParseMailerLine, a short dispatcher without calls on
    // the way to the handler of its line; the handlers of rare lines stay out of line
    // so that the frequent ones need few registers.
    [[gnu::noinline]] void ParseNoSession(std::string_view line, std::uint32_t cand);
    // A session event (see kSessionEvents, or the line after a person's call); a line
    // that does not close the session goes on to SessionStep.
    [[gnu::noinline]] void SessionEvent(std::string_view line, std::uint32_t cand);
    // The line in the state of the open session.
    [[gnu::always_inline]] inline void SessionStep(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void OnCalling(std::string_view line);
    [[gnu::noinline]] void OnSystem(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void OnMailer(std::string_view line);
    [[gnu::noinline]] void OnSysOp(std::string_view line);
    [[gnu::noinline]] void OnTransfer(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void OnHandshake(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void OnByteCount(std::string_view line);
    [[gnu::noinline]] void OnSentPath(std::string_view line);
    // The month (1-12) of the three letters at kMonthAt; raises EConvertError.
    int MonthOfLine(std::string_view line) const;
    // Files the month names as numbers for MonthOfLine after months_ has changed.
    void KeyMonths();
    void ReadOkFile(const std::string& fileName);

    std::unique_ptr<TBinkLng> lng_;
    std::array<std::string, 12> months_;
    // The three letters of each name as one number (0 for a name of another length).
    std::array<std::uint32_t, 12> monthKeys_{};

    // Cut entries (without the level mark, up to the first "%").
    std::string human_;         // 16: a person called, the next line ends the session
    std::string phone_;         // 71
    std::string sysop_;         // 75
    std::string addrList_;      // 100: ends with ")" but is not the system line
    std::string handshakeBad_;  // 102
    std::string password_;      // 103
    std::string badPassword_;   // 104
    std::string sessionEnd_;    // 110 (with "EMSI" in the line)
    std::string terminal_;      // 126
    std::string visitor_;       // 127
    std::string mailer_;        // 142
    std::string calling_;       // 183
    std::string recdMark_;      // 241 (highlighting)
    std::string sentPath_;      // 242
    std::string byteCount_;     // 251
    std::string request_;       // 255
    std::string fileRcvd_;      // 293
    std::string transferBad_;   // 304
    std::string fileSent_;      // 305
    // Whole entries and words of them.
    std::string carrierLost_;   // 273, as stored
    std::string sysopSep_;      // third word of 75
    std::string protoMarker_;   // second word of 109
    std::string infoWord100_;   // first words for highlighting
    std::string infoWord352_;
    std::string infoWord353_;
    std::string sentWord_;      // 305
    std::string recdWord_;      // 293
    std::string humanWord16_;
    std::string humanWord127_;

    // The entries by their first bytes: a line is compared only with those its
    // message may begin with.
    TMsgIndex msgs_;
    // 0-based offset of the message.
    static constexpr std::size_t kMsgStart = 23;
    // The entries as words, for Matches.
    std::array<TMsgWords, kEntryCount> words_{};

    // binkley.cfg
    std::string okFile_;
    std::string about_;
    std::string avail_;

    bool dialling_ = false;    // the previous line of the mailer was a call attempt
    bool sending_ = false;     // the last counted file line was a sent file
    bool endPending_ = false;  // the next line of the session closes it
};

// Registers TBinkPLog as the class of style 5 with the log factory.
void RegisterBinkPLogStyle();

}  // namespace tarvix
