// The log of the Argus mailer (style 8).
//
// Argus writes fixed English texts, so the parser matches literal messages; it
// reads neither a language file nor a configuration. Two line layouts exist, told
// apart by the option ArgusVersion:
//
//   versions 2.x to 3.131 (ArgusVersion 3131, two-digit year):
//     ! 30-Dec-25 10:21:07 Calling 2:5020/1042
//     ^ ^^ ^^^ ^^ ^^ ^^ ^^ ^
//     1 3  6   10 13 16 19 22      (1-based columns; the message starts in 22)
//
//   versions 3.132 to 3.156 (ArgusVersion 3132, four-digit year):
//     ! 30-Dec-2025 10:21:07 Calling 2:5020/1042
//     ^ ^^ ^^^ ^^^^ ^^ ^^ ^^ ^
//     1 3  6   10   15 18 21 24    (the message starts in 24)
//
// Column 1 holds a marker ("!" and "?" mark errors); the characters between the
// date fields are not looked at. Two-digit years 80-99 are 1980-1999, 00-79 are
// 2000-2079.
//
// A session: "CONNECT" opens it (incoming after "Answering call", else outgoing);
// the handshake gives the station, address, sysop, phone and mailer lines, then the
// protocol; transfers follow ("Sending", "Sent", "Receiving", "Received", file
// requests) until "Session complete" or one of the failure texts ends it.
#pragma once

#include "engine/MailerLog.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvix {

class TArgusLog : public TMailerLog {
public:
    // The two layouts, as ArgusVersion stores them.
    static constexpr int kVersionShortYear = 3131;  // 2.x to 3.131
    static constexpr int kVersionLongYear = 3132;   // 3.132 to 3.156

    TArgusLog();

    int ArgusVersion() const { return argusVersion_; }
    // Sets the version and the layout that goes with it (message column, date text).
    void SetArgusVersion(int version);
    bool LongYear() const { return argusVersion_ >= kVersionLongYear; }

    // The options dialog: its radio item of a stored version (-1 for a value that
    // is neither 3131 nor 3132) and the version an item stands for.
    static int VersionItem(int version);
    static int VersionOfItem(int item);

    // Directions of the last call seen.
    enum TCallDir : std::uint8_t { cdNone = 0, cdAnswering = 1, cdCalling = 2 };
    TCallDir CallDir() const { return callDir_; }

    // --- highlighting ---
    // The date word (0-based column 2) and the time word (column 12, or 14 in the
    // four-digit-year layout).
    bool IsDateWord(int col, std::string_view word) override;
    // The error markers "?" and "!", and the word "aborted".
    bool IsErrorWord(std::string_view word) override;
    // The first word of the message decides the class of the line: CONNECT, Session,
    // Begin and a leading End are Info, Sending is Sent, Receiving is Recd, Aborting
    // and Failed are Errors. The marker in column 0 is classed for itself only.
    bool WordClass(std::string_view word, int col) override;

    // --- settings ---
    void LoadFromReg(const TIniFile& ini, std::string_view section) override;
    void SaveToReg(TIniFile& ini, std::string_view section) const override;
    void Assign(const TLog& other) override;

    // --- analysis ---
    // Forgets the call direction and the transfers left waiting, then the base reset.
    void Reset() override;
    // Raises EConvertError for a line too short for its date, fields that are no
    // numbers, a month that is no English abbreviation or a day the month lacks.
    TDateTime DateOfLine(std::string_view line) override;
    TDateTime TimeOfLine(std::string_view line) override;
    void ParseMailerLine(std::string_view line) override;
    // Argus has no configuration the log depends on.
    void ReadConfig() override {}

    // The size in parentheses of a log text, "(12,345b)": the number after the
    // last "(" up to the first "b" after it, thousands separators allowed. The text
    // is cut before the two characters in front of that "(" (the closing quote of
    // a name stays). Without "(" the size is 0 and the text stays as it is. Raises
    // EConvertError when the number is no number.
    static std::int64_t TakeSize(std::string_view& text);
    // A byte count with thousands separators (commas are skipped), 64 bits; leading
    // blanks and a "+" allowed, never negative. Raises EConvertError.
    static std::int64_t ParseCount(std::string_view text);

    // What a transfer left waiting (tests and the session card look at it).
    const std::string& PendingSentPath() const { return sentPath_; }
    const std::string& PendingRcvdName() const { return rcvdName_; }
    std::int64_t PendingSendSize() const { return sendSize_; }
    std::int64_t PendingRcvdSize() const { return rcvdSize_; }

private:
    // Forgets the transfers a session left waiting.
    void ForgetPendingTransfers();
    // The first character of the message ('\0' for a line without one).
    char MsgHead(std::string_view line) const;
    // The ways a line ends a session.
    enum class TEnd : std::uint8_t { None, Complete, Broken, Lost, Cancelled };
    // How the line (whose message begins with head) ends the open session.
    TEnd EndOf(std::string_view line, char head) const;
    [[gnu::noinline]] void EndSessionAt(std::string_view line, TSess& s, TEnd end);
    void ParseIdle(std::string_view line);
    void ParseTransfer(std::string_view line, char head, TSess& s);
    // The line after the first n characters of its message (empty when shorter).
    std::string_view MsgFrom(std::string_view line, std::size_t n) const;

    int argusVersion_ = kVersionShortYear;
    TCallDir callDir_ = cdNone;
    std::string sentPath_;
    bool sentHeld_ = false;
    std::string rcvdName_;
    bool rcvdHeld_ = false;
    std::int64_t sendSize_ = 0;
    std::int64_t rcvdSize_ = 0;
    // The date of the last date text TimeOfLine read (see there).
    bool dateKnown_ = false;
    std::uint64_t dateKey_[2] = {};
    TDateTime date_ = 0;
};

// Registers TArgusLog with the log factory for style 8.
void RegisterArgusLogStyle();

}  // namespace tarvix
