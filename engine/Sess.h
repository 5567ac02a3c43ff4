// The records of a mailer log's analysis: sessions, file requests, freq aliases
// and pending download-counter increments, with the texts every view shows.
//
// Texts read from a log (system, sysop, mailer, phone) are kept as the log's bytes;
// they are decoded for the screen or a report where they leave the engine.
#pragma once

#include "engine/SessText.h"
#include "fido/DateTime.h"
#include "fido/FidoAddr.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvix {

class TLog;

// Session flags.
enum : std::uint16_t {
    sfIncoming = 0x0001,
    sfOK = 0x0002,
    sfHuman = 0x0004,
    sfBad = 0x0008,
    sfPassword = 0x0010,
    sfBadPassword = 0x0020,
    sfFTS1 = 0x0040,
    sfFirstOfDay = 0x0080,
    sfListed = 0x0100,
    sfMailOnly = 0x0200,
    // The connection broke off in the middle of the session (binkd): no end of its
    // own, or the link lost while files were on the way.
    sfAborted = 0x0400,
};
inline constexpr int kSessFlagCount = 11;
// The name of flag bit i (0 = sfIncoming).
const char* SessFlagName(int bit);

// The Speed value of an IP (TCP) connection.
inline constexpr std::uint32_t kSpeedIP = 1234;

// Protocol codes and their names.
enum : std::uint8_t { prNone, prXModem, prZModem, prZedZap, prDirZap, prJanus, prHydra, prXHydra, prBinkP };
inline constexpr int kProtocolCount = 9;
const char* ProtocolName(int code);

// The texts of a session (SysOp, System, Mailer, Phone, Location, Akas) point to copies that the log
// owning the session keeps (TMailerLog::KeepText); a session made elsewhere must see
// that its texts outlive it.
struct TSess {
    TSessText SysOp;
    TSessText System;
    TSessText Mailer;
    TSessText Phone;
    TSessText Location;  // the remote's own words for where it is (binkd's LOC); empty elsewhere
    TSessText Akas;      // the remote's other addresses, blank-separated (binkd); empty elsewhere
    std::int64_t StartLine = 0;
    std::int64_t EndLine = 0;
    TDateTime StartTime = 0;
    TDateTime EndTime = 0;
    std::optional<TFidoAddr> Addr;  // the remote's main address, once read
    std::uint16_t Flags = 0;
    std::uint8_t Protocol = prNone;
    // Bits per second; 0 = not given, kSpeedIP = an IP connection. 32 bits: modern
    // modems report speeds above 65535.
    std::uint32_t Speed = 0;
    int FilesSent = 0;
    int FilesRcvd = 0;
    std::int64_t BytesSent = 0;
    std::int64_t BytesRcvd = 0;
    std::int64_t CPS = 0;  // 0 = the log gave none

    TSess() = default;
    TSess(std::int64_t startLine, TDateTime startTime) : StartLine(startLine), StartTime(startTime) {}

    bool Has(std::uint16_t flag) const { return (Flags & flag) != 0; }
    void Set(std::uint16_t flag, bool on) { Flags = on ? (Flags | flag) : (Flags & ~flag); }

    // Reads the connect text of a log line ("28800/ARQ/V42BIS", "TCP/IP", "From ...").
    void SetConnect(std::string_view s);
    // Reads a protocol name ("ZModem", "Hydra-8k", "binkp", ...).
    void SetProtocol(std::string_view s);
    // The session's length in whole seconds.
    std::int64_t SessLength() const;
    // The one-line description of the session list (interface texts 100 to 103).
    std::string SessText() const;
    // The colour item of a session row or bar (ciTLInc, ciTLOut, ciTLHuman, ciTLBad).
    int SessColor() const;

    // The display forms every view uses.
    std::string SpeedText() const;
    std::string ProtocolText() const;  // empty for human callers and failed calls
    std::string PasswordText() const;  // "BAD", "Yes" or "No"
    std::string ListedText() const;    // "Listed" or "Unlisted"
    std::string OKText() const;        // "OK" or "Err"
};

struct TFreq {
    std::string Name;  // the requested name, trimmed, upper case
    std::optional<TFidoAddr> Addr;  // the requesting node
    std::int64_t LineNo = 0;
    std::string RealName;  // after alias resolution; once sent, the sent file's name
    // The sent file's path as the log gives it: a copy the log owning the request
    // keeps, as it keeps the texts of its sessions.
    std::string_view Path;
    bool Sent = false;
    bool IsNew = false;  // sent in the new part of the log
};

struct TFreqAlias {
    std::string Target;    // upper case
    std::string FileName;  // the part of Target after its last "\"
};

struct TDLCFreq {
    TLog* Log = nullptr;  // the log that resolves the file's directory
    std::string FileName;
    std::string Dir;  // the path up to and including its last "\", ":" or "/"; empty when unknown
    std::int64_t LineNo = 0;  // the line of the send
    std::size_t Freq = 0;     // the index of the request record
    bool IsNew = false;       // the send lies in the new part of the log

    TDLCFreq() = default;
    TDLCFreq(TLog* log, std::string_view fileName, std::string_view path);
};

// Compares the directories of two increments without regard to case, so that
// sorting gathers the increments of each directory.
int CompareDLC(const TDLCFreq& a, const TDLCFreq& b);
int CompareDLCDirs(std::string_view a, std::string_view b);

// A name followed by a blank and a comment in parentheses gives the name alone.
std::string StripParenTail(std::string_view s);

// Where a moment falls on the timeline of the hours dayStart to dayEnd.
struct TDayPos {
    int Day = 0;             // whole days since 1899-12-30
    std::int64_t Seconds = 0;  // from the start hour
    bool Inside = false;
};
TDayPos DayPos(TDateTime t, int dayStart, int dayEnd);

}  // namespace tarvix
