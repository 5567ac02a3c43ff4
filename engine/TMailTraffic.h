// T-Mail's traffic statistics: per line (task) the file "t-mail.sNN" in the system
// directory, one 104-byte record per remote node, no header (little-endian):
//     0  4 x 2  zone, net, node, point (signed)
//     8  4      seconds online in incoming sessions
//     12 4      seconds online in outgoing sessions
//     16 4      bytes received          20 4  bytes sent
//     24 4      time of the first session, seconds since 1970-01-01 00:00
//     28 2      files received          30 2  files sent
//     32 2, 34 2  outgoing sessions: successful, failed
//     36 2, 38 2  incoming sessions: successful, failed
//     40 4      kilobytes received, 0 when the bytes at 16 count
//     44 4      kilobytes sent, 0 when the bytes at 20 count
//     48 56     not used
// T-Mail before 2605 writes only the first 40 bytes' worth: its kilobyte fields are
// taken as 0.
#pragma once

#include "engine/SideFile.h"
#include "fido/DateTime.h"
#include "fido/FidoAddr.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

TARVIX_EXCEPTION(ETrafficError, ESideFileError);

// One node's record; the totals use the same shape with wider sums.
struct TTrafficRecord {
    std::int16_t Zone = 0, Net = 0, Node = 0, Point = 0;
    std::uint64_t SecondsIn = 0, SecondsOut = 0;
    std::uint64_t BytesRcvd = 0, BytesSent = 0;
    std::int32_t FirstSession = 0;
    std::uint64_t FilesRcvd = 0, FilesSent = 0;
    std::uint64_t OutOk = 0, OutFailed = 0, InOk = 0, InFailed = 0;
    std::uint64_t KBytesRcvd = 0, KBytesSent = 0;

    TFidoAddr Addr() const { return TFidoAddr(Zone, Net, Node, Point); }
    // The kilobytes of a direction: the kilobyte field, else the bytes div 1024.
    std::uint64_t KRcvd() const { return KBytesRcvd != 0 ? KBytesRcvd : BytesRcvd / 1024; }
    std::uint64_t KSent() const { return KBytesSent != 0 ? KBytesSent : BytesSent / 1024; }
    // A direction's size as shown: FormatKBytes of the kilobytes when there are
    // any, else FormatBytes of the bytes.
    std::string SizeRcvd() const;
    std::string SizeSent() const;
};

// The sort orders of the traffic list.
enum TTrafficSort { tsFirstSession = 0, tsAddress = 1, tsSessions = 2, tsTraffic = 3, tsLength = 4 };
inline constexpr int kTrafficSortCount = 5;

struct TTrafficFile {
    static constexpr std::size_t RecordSize = 104;
    static constexpr std::size_t ShortRecord = 40;   // what versions before 2605 fill
    static constexpr int KBytesVersion = 2605;

    std::string FileName;                   // "t-mail.s01"
    std::vector<TTrafficRecord> Records;    // in file order until sorted
    TTrafficRecord Total;                   // sums; KBytes fields hold the kilobytes
    std::int32_t FirstTime = 0;             // record 0's first session in file order
    std::string Damage;                     // trailing bytes that make no record

    // The records of a file's bytes for a T-Mail version.
    static TTrafficFile Parse(std::string_view data, const std::string& fileName, int version);
    // Reads "t-mail.sNN" of line from the directory (a DOS or host path). Raises
    // EFOpenError / EReadError when it cannot be read.
    static TTrafficFile Read(const std::string& dir, int line, int version);
};

std::string TrafficFileName(int line);

// Sorts the records: first session and address ascending, sessions (successful
// ones both ways), traffic (kilobytes both ways) and length (seconds both ways)
// descending. The middle element is the pivot; equal records keep no order.
void SortTraffic(std::vector<TTrafficRecord>& records, int order);

// The sort order of a grid column (0 address, 1 first session, 2..7 the figures).
int TrafficSortOfColumn(int column);

// The plain-text report of the traffic in the records' present order, one string
// per line, in the texts of the interface language (ANSI; the caller converts for
// the file). now is the time the report is made.
std::vector<std::string> TrafficReport(const TTrafficFile& file, TDateTime now);

// The texts of the list: a record's cell of grid column 0..7 (address, first
// session, sent, received, time out, time in, sessions out, sessions in); the totals
// row (interface text 88 as address, no first session); the column headings.
inline constexpr int kTrafficColumns = 8;
std::string TrafficCell(const TTrafficRecord& r, int column);
std::string TrafficTotalCell(const TTrafficRecord& total, int column);
std::string TrafficHeading(int column);
// Whether a record's cell is a zero figure (drawn in grey).
bool TrafficCellIsZero(const TTrafficRecord& r, int column);

}  // namespace tarvix
