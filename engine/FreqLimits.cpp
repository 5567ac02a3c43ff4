#include "engine/FreqLimits.h"

#include "fido/DateTime.h"
#include "fido/LogUtils.h"
#include "fido/NVUtils.h"
#include "fido/Sort.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"

namespace tarvix {

namespace {

constexpr std::size_t kDaysAt = 8;
constexpr std::size_t kLastFreqAt = 68;
constexpr std::size_t kWeekDays = 7;

int Ascending(std::uint64_t a, std::uint64_t b) { return a < b ? -1 : a > b ? 1 : 0; }

}  // namespace

TFreqLimFile TFreqLimFile::Parse(std::string_view data, const std::string& fileName)
{
    TFreqLimFile f;
    f.FileName = fileName;
    const TRecordSpan span = SplitRecords(data, 0, RecordSize, fileName);
    f.Damage = span.Damage;
    f.Entries.reserve(span.Count);
    for (std::size_t i = 0; i < span.Count; ++i) {
        const std::string_view rec = data.substr(span.First + i * RecordSize, RecordSize);
        TFreqLimEntry e;
        e.Number = i + 1;
        e.Zone = RecI16(rec, 0);
        e.Net = RecI16(rec, 2);
        e.Node = RecI16(rec, 4);
        e.Point = RecI16(rec, 6);
        for (std::size_t d = 0; d < Days; ++d) {
            const std::uint32_t kb = RecU16(rec, kDaysAt + 2 * d);
            if (d == 0)
                e.Day = kb;
            if (d < kWeekDays)
                e.Week += kb;
            e.Month += kb;
        }
        e.LastFreq = RecI32(rec, kLastFreqAt);
        f.TotalMonth += e.Month;
        f.Entries.push_back(e);
    }
    return f;
}

std::string FreqLimPath(const std::string& dir) { return ToHostPath(MakePath(TFreqLimFile::Name, dir)); }

TFreqLimFile TFreqLimFile::Read(const std::string& dir)
{
    const std::string path = FreqLimPath(dir);
    return Parse(ReadWholeFile(path), path);
}

void SortFreqLimits(std::vector<TFreqLimEntry>& entries, int order)
{
    if (order == fsNone)
        return;
    SortList(entries, [order](const TFreqLimEntry& a, const TFreqLimEntry& b) {
        switch (order) {
        case fsAddress: return Ascending(AddrNumbers(a.Addr()), AddrNumbers(b.Addr()));
        case fsSize: return Ascending(b.Month, a.Month);
        case fsLastFreq: return a.LastFreq < b.LastFreq ? -1 : a.LastFreq > b.LastFreq ? 1 : 0;
        default: return 0;
        }
    });
}

int FreqLimSortOfColumn(int column)
{
    static constexpr int kMap[] = {fsAddress, fsLastFreq, fsSize, fsSize, fsSize};
    return column >= 0 && column < 5 ? kMap[column] : fsNone;
}

void ClearFreqLimit(const std::string& path, const TFreqLimEntry& entry)
{
    std::string data = ReadWholeFile(path);
    const TRecordSpan span = SplitRecords(data, 0, TFreqLimFile::RecordSize, path);
    const std::size_t at = span.First + (entry.Number - 1) * TFreqLimFile::RecordSize;
    if (entry.Number == 0 || entry.Number > span.Count || RecI16(data, at) != entry.Zone ||
        RecI16(data, at + 2) != entry.Net || RecI16(data, at + 4) != entry.Node || RecI16(data, at + 6) != entry.Point)
        throw EFreqLimError(SideFileText("FreqLim.Changed",
                                         "%s: record %d no longer belongs to %s; the file was changed since it "
                                         "was read",
                                         {path, static_cast<unsigned long long>(entry.Number), entry.Addr().ToStr()}));
    data.replace(at + kDaysAt, 2 * TFreqLimFile::Days, 2 * TFreqLimFile::Days, '\0');
    WriteFileAtomic(path, data);
}

std::string FreqLimCell(const TFreqLimEntry& e, int column)
{
    switch (column) {
    case 0: return e.Addr().ToStr();
    case 1: return FormatDateTime("dd.mm.yy", UnixToDateTime(e.LastFreq));
    case 2: return FormatKBytes(static_cast<std::int32_t>(e.Day));
    case 3: return FormatKBytes(static_cast<std::int32_t>(e.Week));
    case 4: return FormatKBytes(static_cast<std::int32_t>(e.Month));
    default: return {};
    }
}

std::string FreqLimHeading(int column)
{
    static constexpr const char* kEnglish[] = {"Address", "Last request", "Day", "Week", "Month"};
    return column >= 0 && column < kFreqLimColumns
               ? LTextOr(39 + static_cast<std::size_t>(column), {}, kEnglish[column])
               : std::string();
}

}  // namespace tarvix
