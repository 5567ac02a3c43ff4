// T-Mail's file-request limits, "freqlim.bin" in its system directory: per requesting
// node the kilobytes served on each of the last 30 days. 72-byte records without a
// header (little-endian):
//     0  4 x 2   zone, net, node, point
//     8  30 x 2  kilobytes served per day, the latest day first
//     68 4       time of the latest request, seconds since 1970-01-01 00:00
// Clearing a node's amounts is the one change this program makes to the file.
#pragma once

#include "engine/SideFile.h"
#include "fido/FidoAddr.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

TARVIX_EXCEPTION(EFreqLimError, ESideFileError);

// One record summed up.
struct TFreqLimEntry {
    std::size_t Number = 0;  // the record's place in the file, from 1
    std::int16_t Zone = 0, Net = 0, Node = 0, Point = 0;
    std::uint32_t Day = 0;    // the latest day
    std::uint32_t Week = 0;   // the latest 7 days
    std::uint32_t Month = 0;  // all 30 days
    std::int32_t LastFreq = 0;

    TFidoAddr Addr() const { return TFidoAddr(Zone, Net, Node, Point); }
};

// The sort orders of the limits list.
enum TFreqLimSort { fsNone = 0, fsAddress = 1, fsSize = 2, fsLastFreq = 3 };
inline constexpr int kFreqLimSortCount = 4;

struct TFreqLimFile {
    static constexpr std::size_t RecordSize = 72;
    static constexpr std::size_t Days = 30;
    static constexpr const char* Name = "freqlim.bin";

    std::string FileName;
    std::vector<TFreqLimEntry> Entries;  // in file order until sorted
    std::uint64_t TotalMonth = 0;        // the Month values added up at reading
    std::string Damage;                  // trailing bytes that make no record

    static TFreqLimFile Parse(std::string_view data, const std::string& fileName);
    // "freqlim.bin" of the directory (a DOS or host path). Raises EFOpenError /
    // EReadError.
    static TFreqLimFile Read(const std::string& dir);
};

// The path of "freqlim.bin" in a directory, as a host path.
std::string FreqLimPath(const std::string& dir);

// Sorts the entries: none keeps the order, address (unsigned numbers) and latest
// request ascending, Month descending. The middle element is the pivot.
void SortFreqLimits(std::vector<TFreqLimEntry>& entries, int order);
// The sort order of a grid column.
int FreqLimSortOfColumn(int column);

// Sets the 30 daily amounts of the entry's record to 0 in the file at path, keeping
// its address and latest-request time and every other byte. The file is read again
// first: when it no longer holds that record, or the record now belongs to another
// address (T-Mail rewrote the file meanwhile), EFreqLimError names the file and the
// record and nothing is written. The new content replaces the file through a
// temporary file, so that an interruption leaves the old file or the new one.
void ClearFreqLimit(const std::string& path, const TFreqLimEntry& entry);

// The texts of the list: an entry's cell of grid column 0..4 (address, date of the
// latest request, Day, Week, Month) and the headings.
inline constexpr int kFreqLimColumns = 5;
std::string FreqLimCell(const TFreqLimEntry& e, int column);
std::string FreqLimHeading(int column);

}  // namespace tarvix
