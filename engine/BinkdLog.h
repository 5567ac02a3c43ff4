// binkd logs (style 10): sessions, calls, file requests and dial statistics of the
// binkp mailer of today's Fidonet.
//
// binkd writes one line per event, a level mark, the date without a year, the time,
// the process id in brackets and the message:
//
//   + 07 Dec 18:12:45 [21087] call to 2:5020/200@fidonet
//   - 07 Dec 18:12:45 [21087] SYS Beta BBS
//   ? 07 Dec 18:12:51 [21411] rerror: Bad password
//   ^ ^^ ^^^ ^^^^^^^^ ^
//   1 3  6   10       19          (1-based columns; the message follows "] ")
//
// Every session runs in a process of its own, so the lines of sessions that run at
// the same time interleave: a session is followed by its process id, and the id
// may come back later for another process. A session is listed when it ends: at
// its "done" line, or, for a session whose process died without one, when its
// process is reported ended, its id starts something new, or the log ends.
//
// binkd serves file requests through an external program (the exec hook): it logs
// the files that program answers with ("parse_response: add file ...") but not the
// names asked for, so each answered file is recorded as a request of the remote
// and its "sent:" line as the request's send.
#pragma once

#include "engine/MailerLog.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvix {

// The month and day of a binkd line ("  07 Dec 18:12:45 ..."): false for a line
// whose date text is no day and English month abbreviation. The lines carry no
// year; the caller decides it.
bool BinkdLineDate(std::string_view line, int& month, int& day);

class TBinkdLog : public TMailerLog {
public:
    TBinkdLog();
    ~TBinkdLog() override;

    // Per-log option: binkd's configuration file. Empty: binkd.cfg of the mailer
    // directory when there is one, else none. A relative name is taken against the
    // mailer directory.
    std::string CfgPath;

    // The day, month and time words (0-based columns 2, 5 and 9).
    bool IsDateWord(int col, std::string_view word) override;
    // Lines marked "?" or "!" are errors; the first word of the message decides the
    // class of the rest: transfers out Sent, transfers in Recd, calls, session
    // starts and ends Info, the remote's own lines (SYS, ZYZ, LOC, NDL, VER, addr:)
    // Special.
    bool WordClass(std::string_view word, int col) override;

    // The month and day of the line in LineYear(). Raises EConvertError for a line
    // without a readable date.
    TDateTime DateOfLine(std::string_view line) override;
    bool MonthDayOfLine(std::string_view line, int& month, int& day) const override;
    // The date and the time stamp. Raises EConvertError for a bad one.
    TDateTime TimeOfLine(std::string_view line) override;

    void Reset() override;
    void LoadFromReg(const TIniFile& ini, std::string_view section) override;
    void SaveToReg(TIniFile& ini, std::string_view section) const override;

    // Reads the node's own addresses, domains and inbound folders from the
    // configuration, when there is one.
    void ReadConfig() override;
    void ParseMailerLine(std::string_view line) override;
    // A file path of the log relative to the folder binkd runs in (the mailer
    // directory) made whole.
    std::string ResolveFreqName(std::string_view fileName) override;

    // --- what the configuration gave, for the windows and the tests ---
    // The configuration file a parse reads; empty when none.
    std::string ConfigFileName() const;
    const std::vector<TFidoAddr>& OwnAddrs() const { return ownAddrs_; }
    const std::vector<std::string>& Domains() const { return domains_; }
    const std::vector<std::string>& Inbounds() const { return inbounds_; }
    // Sessions begun and not yet listed.
    std::size_t OpenSessionCount() const { return open_.size(); }

protected:
    void EndOfLog() override;
    bool EndOfLogKeepsState() const override { return open_.empty() && calls_.empty(); }

private:
    // A session being read, by the id of its process.
    struct TOpen {
        TSess sess;
        std::optional<TFidoAddr> called;  // the address an outgoing call was placed to
        std::string akas;                 // the remote's other addresses
        std::vector<std::string> freqFiles;  // the answered requests not yet sent
        std::int64_t lastLine = 0;        // the session's last line so far, and its time
        TDateTime lastTime = 0;
        // The bytes and the seconds (size / rate) of the files each way, for the rate.
        double secsSent = 0, secsRcvd = 0;
        std::int64_t rateBytesSent = 0, rateBytesRcvd = 0;
        bool sawDone = false;
    };
    // A call placed whose session has not begun yet.
    struct TCall {
        TFidoAddr addr;
        std::int64_t line = 0;
        TDateTime time = 0;
    };

    void Call(std::uint32_t pid, std::string_view line, std::string_view addrText);
    void CallFailed(std::uint32_t pid, std::string_view msg);
    void Begin(std::uint32_t pid, std::string_view line, bool incoming);
    void Done(TOpen& o, std::string_view msg);
    void FileDone(TOpen& o, std::string_view msg, bool sent);
    void Answered(TOpen& o, std::string_view msg);
    // Lists the session of pid: at its done line, or broken off at its last line.
    void Close(std::uint32_t pid, bool aborted);
    // What a message says about the session open under pid (the line is its own).
    void SessionLine(TOpen& o, std::string_view msg);

    std::unordered_map<std::uint32_t, TOpen> open_;
    std::unordered_map<std::uint32_t, TCall> calls_;
    std::vector<TFidoAddr> ownAddrs_;
    std::vector<std::string> domains_;
    std::vector<std::string> inbounds_;
    // The date of the date text read last (the 6 bytes from column 3).
    std::array<char, 6> dateText_{};
    TDateTime date_ = 0;
    bool dateValid_ = false;
    // Highlighting: the column of the message in the line being painted.
    int hlMsgCol_ = -1;
};

// Registers TBinkdLog as the class of style 10 with the log factory.
void RegisterBinkdLogStyle();

}  // namespace tarvix
