// The session history that T-Mail ("t-hist.$NN" per line, in its system directory)
// and Argus ("binary_log" beside its log) keep of their latest sessions, one
// fixed-size record per session (little-endian):
//     0  4 x 2  zone, net, node, point
//     8  4      start of the session, seconds since 1970-01-01 00:00 (signed)
//     12 4      length in seconds          16 4  bytes received      20 4  bytes sent
//     24 1      files received             25 1  files sent
//     26 1      flags: 1 incoming (else outgoing), 4 successful
//     27 1      not used
// Argus and T-Mail before 2603 write these 28 bytes per record and no header. From
// 2603 T-Mail writes the word 241 first and 100 bytes per record, whose signed
// 32-bit fields at 28 and 32 are the positions of the session's first and last line
// in the T-Mail log; cutting the front of the log lowers them (LowerHistoryPositions).
#pragma once

#include "engine/SideFile.h"
#include "fido/FidoAddr.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

TARVIX_EXCEPTION(EHistoryError, ESideFileError);

struct THistoryRecord {
    std::int16_t Zone = 0, Net = 0, Node = 0, Point = 0;
    std::int32_t Start = 0;
    std::int32_t Length = 0;
    std::int32_t BytesRcvd = 0, BytesSent = 0;
    std::uint8_t FilesRcvd = 0, FilesSent = 0;
    std::uint8_t Flags = 0;
    std::int32_t LogStart = 0, LogEnd = 0;  // the 100-byte form only

    static constexpr std::uint8_t Incoming = 1;
    static constexpr std::uint8_t Success = 4;

    TFidoAddr Addr() const { return TFidoAddr(Zone, Net, Node, Point); }
    // Days since 1970-01-01 of the start (rounded down for times before it).
    std::int64_t Day() const;
};

struct THistoryFile {
    static constexpr std::size_t ShortRecord = 28;
    static constexpr std::size_t LongRecord = 100;
    static constexpr std::size_t HeaderSize = 2;
    static constexpr std::uint16_t Signature = 241;
    static constexpr int LongFormVersion = 2603;
    // The version the history window is created with for Argus's binary log.
    static constexpr int ArgusVersion = 27;

    std::string FileName;
    bool LongForm = false;
    std::vector<THistoryRecord> Records;  // in file order
    std::string Damage;                   // trailing bytes that make no record

    // The records of a file's bytes: the 100-byte form with its header when longForm.
    // Raises EHistoryError ("SideFile.BadHeader") for a long-form file whose header is
    // not 241.
    static THistoryFile Parse(std::string_view data, const std::string& fileName, bool longForm);
    // T-Mail's history of a line in its system directory (a DOS or host path); the
    // form follows the version. Raises EFOpenError / EReadError and EHistoryError.
    static THistoryFile ReadTMail(const std::string& dir, int line, int version);
    // Argus's "binary_log" in the directory of its log file.
    static THistoryFile ReadArgus(const std::string& logPath);
};

std::string HistoryFileName(int line);                     // "t-hist.$01"
inline constexpr const char* kArgusBinaryLog = "binary_log";
// The directory of a log file's path, without the trailing separator.
std::string LogFileDir(const std::string& logPath);

// The new bytes of a 100-byte-form history after bytesRemoved bytes were cut off the
// front of the T-Mail log: both positions of every record lowered by that amount,
// never below 0. Raises EHistoryError for a file that is not a whole long-form
// history (wrong header, a record cut short).
std::string LowerHistoryPositions(std::string_view data, const std::string& fileName, std::int64_t bytesRemoved);

// The texts of the list: a record's cell of grid column 0..5 (direction and
// outcome, address, start time of day, length, sent, received) and the headings.
inline constexpr int kHistoryColumns = 6;
std::string HistoryCell(const THistoryRecord& r, int column);
std::string HistoryHeading(int column);

}  // namespace tarvix
