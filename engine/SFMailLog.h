// SF-Mail logs (style 7): sessions, calls, file requests and traffic.
//
// SF-Mail writes its messages from the numbered entries of its language file
// sf-mail.lng, so a message is recognised by the fixed leading text of its entry
// (the entry cut before its first "%1"). A line is a time stamp and the message
// from column 11 on; the message starts with a four-character marker field:
//
//   ──────────── 13 Apr 2026, Monday ──────    day separator (first byte 0xC4)
//   10:21:07  (+) CONNECT 33600/ARQ/V42BIS
//   10:21:09      System: The Station (Somewhere)
//   10:22:30  +Send-ZM: C:\FILES\NODELIST.Z12 (10240 bytes)
//   ^         ^   ^     ^
//   1         11  15    21                 (1-based columns)
//
// The lines carry no date: it comes from the separator lines. Traffic totals and
// the rate of a session are written after the line that ends it, so they are put
// into the session closed last (and its dial statistics) while no session is open.
// The mailer configuration cfg\sf-mail.cfg names the file-request alias file.
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

class TSFMailLog : public TMailerLog {
public:
    // Parse states inside a session (0 = none, 1 = connected: from StartSession).
    enum : int {
        ssSystem = 1,      // waiting for the system name
        ssAddress = 2,     // the remote's address
        ssSysOp = 3,
        ssPhone = 4,
        ssMailer = 5,
        ssPassword = 6,    // password and listing lines
        ssProtocol = 7,    // protocol and mail-only lines
        ssTransfer = 8,    // files sent and received
        ssFreqList = 9,    // the names of the requested files
        ssFreqSend = 10,   // the requested files being sent
        ssHuman = 20,      // no mailer answered: waiting for the caller to leave
    };

    // Call modes: what the CONNECT line that follows belongs to.
    enum : int { cmNone = 0, cmAnswer = 1, cmDial = 2 };

    TSFMailLog();
    ~TSFMailLog() override;

    // Per-log option: the full name of the mailer configuration; empty means
    // cfg\sf-mail.cfg in the mailer directory. A relative name is taken against the
    // mailer directory.
    std::string CfgPath;

    // The time stamp (column 0, "hh:mm:ss").
    bool IsDateWord(int col, std::string_view word) override;
    // The markers "(!)" and "(?)".
    bool IsErrorWord(std::string_view word) override;
    // The first word of the message decides the class of the whole line: markers
    // and separator lines are Info, "?Send..." Sent, "?Recv..." Recd, the guest word
    // of the language file Special.
    bool WordClass(std::string_view word, int col) override;

    // The day split: a separator line starts a day when its date differs from the
    // current one. Raises EConvertError for a separator line without a readable date.
    void ParseLine(std::string_view line) override;
    TDateTime DateOfLine(std::string_view line) override;
    // The current date plus the time stamp. Raises EConvertError for a bad stamp.
    TDateTime TimeOfLine(std::string_view line) override;
    // TimeOfLine's reading of a stamp that is not all digits or out of range.
    [[gnu::noinline]] TDateTime ReadTime(std::string_view line);

    void Reset() override;
    void LoadFromReg(const TIniFile& ini, std::string_view section) override;
    void SaveToReg(TIniFile& ini, std::string_view section) const override;
    // A new mailer directory drops the language file read from the old one.
    void SetMailerPath(std::string_view path) override;

    // Reads sf-mail.lng of the mailer directory unless it is held already. Raises
    // EMailerLngError for a damaged file, EFOpenError / EReadError for one that
    // cannot be read.
    void LoadLng() override;
    // Reads the mailer configuration (Fr_Alias), then the file-request aliases.
    void ReadConfig() override;
    void ParseMailerLine(std::string_view line) override;

    // --- state, for the windows and the tests ---
    // The configuration file a parse reads (a DOS or host path).
    std::string ConfigFileName() const;
    const std::string& FrAlias() const { return frAlias_; }
    const std::string& SpecialWord() const { return specialWord_; }
    bool HoldsLng() const { return lng_ != nullptr; }
    TDateTime CurrentDate() const { return curDate_; }
    int CallMode() const { return callMode_; }

private:
    // The language entries the parser reads, in the order of kEntryNumbers.
    enum Msg : int {
        m1027, m1030, m1037, m1039, m1060, m1081, m1082, m1084, m1085, m1087, m1089, m1091,
        m1094, m1115, m1125, m1135, m1153, m1155, m1157, m1158, m1159, m1160, m2012, m2032,
        m2034, m2035, m2038, m2040, kMsgCount
    };
    static const std::array<std::uint16_t, kMsgCount> kEntryNumbers;
    // The entries that end a session in any state (besides any "(!)" line).
    static constexpr std::uint32_t kSessionEnds = 1u << m1157 | 1u << m1158 | 1u << m2038;
    // The entries of the lines between sessions: calls, their results, traffic.
    static constexpr std::uint32_t kCallLines =
        1u << m1060 | 1u << m1081 | 1u << m1153 | 1u << m2034 | 1u << m2032 | 1u << m1159 | 1u << m1160;

    // The message begins with the entry. An entry the language file lacks (an empty
    // text) matches no line. cand holds the entries the message may begin with (see
    // Candidates).
    bool Is(std::string_view line, std::uint32_t cand, Msg m) const
    {
        return (cand >> m & 1u) != 0 && Matches(line, m);
    }
    // The entry compared as words (see TMsgWords) when the line is long enough, else
    // byte by byte; without a call either way, so that the functions that tell the
    // lines apart need no registers of their own.
    bool Matches(std::string_view line, Msg m) const
    {
        const TMsgWords& w = words_[m];
        const std::string& text = cut_[m];
        if (line.size() >= kMsgStart + w.Need())
            return w.Begins(line.data() + kMsgStart, text);
        return !text.empty() && line.size() >= kMsgStart + text.size() &&
               SameBytes(line.data() + kMsgStart, text.data(), text.size());
    }
    // Files the entries in msgs_ and words_ after cut_ has changed.
    void IndexMsgs();
    // The entries the message of a line may begin with, one bit per entry.
    std::uint32_t Candidates(std::string_view line) const;
    // The text after the entry (the value of the message).
    std::string_view Value(std::string_view line, Msg m) const;

    // ParseMailerLine is a short dispatcher: it counts the files of the transfer
    // state itself and hands every other line on (see Step), so that it needs no
    // registers of its own on the way.
    [[gnu::noinline]] void StepNoSession(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void StateSystem(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void StateAddress(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void StateSysOp(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void StatePhone(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void StateMailer(std::string_view line, std::uint32_t cand);
    // The states from the password lines on.
    [[gnu::noinline]] void StepSession(std::string_view line, std::uint32_t cand);
    [[gnu::noinline]] void Connected(std::string_view line);
    [[gnu::noinline]] void CallerId(std::string_view line);
    // The lines that end a session in any state; then the line's step.
    [[gnu::noinline]] void SessionEnd(std::string_view line, std::uint32_t cand);
    // The line in the parse state: no session, transfers or the other states.
    [[gnu::always_inline]] inline void Step(std::string_view line, std::uint32_t cand);
    void CallPlaced(std::string_view line);
    // A call comes in or is placed without an address: what the call before left
    // goes.
    [[gnu::noinline]] void NewCall(int mode);
    // A placed call is busy (0) or has no carrier (1).
    [[gnu::noinline]] void DialResult(int result);
    // The steps of StepSession that change more than a flag.
    [[gnu::noinline]] void NodeStatus(std::string_view line);
    [[gnu::noinline]] void ProtocolLine(std::string_view line);
    [[gnu::noinline]] void RequestedFile(std::string_view line);
    [[gnu::noinline]] void RequestedFileSending(std::string_view line);
    [[gnu::noinline]] void RequestedFileSent();
    void Traffic(std::string_view line);
    void Rate(std::string_view line);
    // Ends the session and remembers its dial statistics record for the traffic
    // line that follows.
    [[gnu::noinline]] void Close(std::string_view line);
    TNodeStat* LastStats() const;
    TSess& Sess();

    std::unique_ptr<TSFMailLng> lng_;
    std::array<std::string, kMsgCount> cut_;
    // The entries by their bytes 5 to 8: the first four are the marker field, which
    // many entries share. A line is compared only with those its message may begin
    // with; the entries shorter than 8 bytes (shortMsgs_) with every line.
    TMsgIndex msgs_;
    std::uint32_t shortMsgs_ = 0;
    // 0-based offset of the message.
    static constexpr std::size_t kMsgStart = 10;
    // The entries as words, for Matches.
    std::array<TMsgWords, kMsgCount> words_{};
    // The offsets of the entries' values (see Value).
    std::array<std::size_t, kMsgCount> valueAt_{};
    std::string specialWord_;
    std::string frAlias_ = "freq.als";
    TDateTime curDate_ = 0;
    int callMode_ = cmNone;
    // The path of the file of the last "Send-" line, and where its name starts.
    std::string pendingSentPath_;
    std::size_t pendingSentNameAt_ = 0;
    // The dial statistics record of the session closed last: its list and index
    // (records move when a list grows; the lists are sorted only after the analysis).
    TNodeStatList* lastStatsList_ = nullptr;
    std::size_t lastStatsIndex_ = 0;
    // The rate of the session closed last came from its rate line.
    bool lastCpsGiven_ = false;
};

// Registers TSFMailLog as the class of style 7 with the log factory.
void RegisterSFMailLogStyle();

}  // namespace tarvix
