#include "engine/TMailTraffic.h"

#include "fido/DateTime.h"
#include "fido/Format.h"
#include "fido/LogUtils.h"
#include "fido/NVUtils.h"
#include "fido/Sort.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace tarvix {

namespace {

// Sums are wider than the fields they add up; what a 32-bit display routine gets is
// held to its range.
std::int32_t Clamp32(std::uint64_t v)
{
    return static_cast<std::int32_t>(std::min<std::uint64_t>(v, std::numeric_limits<std::int32_t>::max()));
}

std::string Size(std::uint64_t kbytes, std::uint64_t bytes)
{
    if (kbytes != 0)
        return FormatKBytes(Clamp32(kbytes));
    return FormatBytes(static_cast<std::int64_t>(std::min<std::uint64_t>(bytes, std::numeric_limits<std::int64_t>::max())));
}

int Descending(std::uint64_t a, std::uint64_t b) { return a > b ? -1 : a < b ? 1 : 0; }

int CompareAddress(const TTrafficRecord& a, const TTrafficRecord& b)
{
    const int pa[] = {a.Zone, a.Net, a.Node, a.Point};
    const int pb[] = {b.Zone, b.Net, b.Node, b.Point};
    for (int i = 0; i < 4; ++i)
        if (pa[i] != pb[i])
            return pa[i] < pb[i] ? -1 : 1;
    return 0;
}

std::string Padded4(std::uint64_t v)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04llu", static_cast<unsigned long long>(v));
    return buf;
}

std::string ReportLine(const std::string& addr, const TTrafficRecord& r)
{
    return Format("%-18s %-5s %-5s %5s %5s  %5s %5s %s/%s %s/%s",
                  {addr, r.SizeRcvd(), r.SizeSent(), SecondsToHM(Clamp32(r.SecondsIn)),
                   SecondsToHM(Clamp32(r.SecondsOut)), std::to_string(r.FilesRcvd), std::to_string(r.FilesSent),
                   Padded4(r.InOk), Padded4(r.InFailed), Padded4(r.OutOk), Padded4(r.OutFailed)});
}

}  // namespace

std::string TTrafficRecord::SizeRcvd() const { return Size(KBytesRcvd, BytesRcvd); }
std::string TTrafficRecord::SizeSent() const { return Size(KBytesSent, BytesSent); }

std::string TrafficFileName(int line) { return TaskFileName("t-mail.s", line); }

TTrafficFile TTrafficFile::Parse(std::string_view data, const std::string& fileName, int version)
{
    TTrafficFile f;
    f.FileName = fileName;
    const TRecordSpan span = SplitRecords(data, 0, RecordSize, fileName);
    f.Damage = span.Damage;
    const bool kbytes = version >= KBytesVersion;
    f.Records.reserve(span.Count);
    for (std::size_t i = 0; i < span.Count; ++i) {
        const std::string_view rec = data.substr(span.First + i * RecordSize, RecordSize);
        TTrafficRecord r;
        r.Zone = RecI16(rec, 0);
        r.Net = RecI16(rec, 2);
        r.Node = RecI16(rec, 4);
        r.Point = RecI16(rec, 6);
        r.SecondsIn = RecU32(rec, 8);
        r.SecondsOut = RecU32(rec, 12);
        r.BytesRcvd = RecU32(rec, 16);
        r.BytesSent = RecU32(rec, 20);
        r.FirstSession = RecI32(rec, 24);
        r.FilesRcvd = RecU16(rec, 28);
        r.FilesSent = RecU16(rec, 30);
        r.OutOk = RecU16(rec, 32);
        r.OutFailed = RecU16(rec, 34);
        r.InOk = RecU16(rec, 36);
        r.InFailed = RecU16(rec, 38);
        if (kbytes) {
            r.KBytesRcvd = RecU32(rec, 40);
            r.KBytesSent = RecU32(rec, 44);
        }
        TTrafficRecord& t = f.Total;
        t.SecondsIn += r.SecondsIn;
        t.SecondsOut += r.SecondsOut;
        t.FilesRcvd += r.FilesRcvd;
        t.FilesSent += r.FilesSent;
        t.OutOk += r.OutOk;
        t.OutFailed += r.OutFailed;
        t.InOk += r.InOk;
        t.InFailed += r.InFailed;
        t.KBytesRcvd += r.KRcvd();
        t.KBytesSent += r.KSent();
        if (i == 0)
            f.FirstTime = r.FirstSession;
        f.Records.push_back(r);
    }
    return f;
}

TTrafficFile TTrafficFile::Read(const std::string& dir, int line, int version)
{
    const std::string name = TrafficFileName(line);
    const std::string path = ToHostPath(MakePath(name, dir));
    return Parse(ReadWholeFile(path), path, version);
}

void SortTraffic(std::vector<TTrafficRecord>& records, int order)
{
    SortList(records, [order](const TTrafficRecord& a, const TTrafficRecord& b) {
        switch (order) {
        case tsFirstSession: return a.FirstSession < b.FirstSession ? -1 : a.FirstSession > b.FirstSession ? 1 : 0;
        case tsAddress: return CompareAddress(a, b);
        case tsSessions: return Descending(a.OutOk + a.InOk, b.OutOk + b.InOk);
        case tsTraffic: return Descending(a.KRcvd() + a.KSent(), b.KRcvd() + b.KSent());
        case tsLength: return Descending(a.SecondsIn + a.SecondsOut, b.SecondsIn + b.SecondsOut);
        default: return 0;
        }
    });
}

int TrafficSortOfColumn(int column)
{
    static constexpr int kMap[] = {tsAddress, tsFirstSession, tsTraffic, tsTraffic,
                                   tsLength,  tsLength,       tsSessions, tsSessions};
    return column >= 0 && column < 8 ? kMap[column] : tsFirstSession;
}

std::vector<std::string> TrafficReport(const TTrafficFile& file, TDateTime now)
{
    std::vector<std::string> lines;
    lines.push_back(std::string(21, ' ') + LTextOr(144, {}, "Traffic      Time         Files         Sessions"));
    lines.push_back(" " + LTextOr(145, {}, "Address           In    Out      In   Out     In   Out    In        Out"));
    lines.emplace_back();
    for (const TTrafficRecord& r : file.Records)
        lines.push_back(ReportLine(r.Addr().ToStr(), r));
    lines.push_back(std::string(77, '-'));
    lines.push_back(ReportLine(LTextOr(88, {}, "Total"), file.Total));
    lines.emplace_back();
    const std::string name = UpperCaseAscii(file.FileName.substr(file.FileName.find_last_of('/') + 1));
    lines.push_back(" " + LTextOr(143, {name, FormatDateTime("hh:nn dd/mm/yy", UnixToDateTime(file.FirstTime))},
                                  "Data of %s since %s"));
    lines.emplace_back();
    lines.push_back(" " + LTextOr(89, {}, "Report created:") + " " + FormatDateTime("c", now));
    return lines;
}

std::string TrafficTotalCell(const TTrafficRecord& total, int column)
{
    switch (column) {
    case 0: return LTextOr(88, {}, "Total");
    case 1: return {};
    default: return TrafficCell(total, column);
    }
}

std::string TrafficCell(const TTrafficRecord& r, int column)
{
    auto pair = [](std::uint64_t a, std::uint64_t b) { return std::to_string(a) + "/" + std::to_string(b); };
    switch (column) {
    case 0: return r.Addr().ToStr();
    case 1: return FormatDateTime("dd.mm.yy hh:nn", UnixToDateTime(r.FirstSession));
    case 2: return std::to_string(r.FilesSent) + "/" + r.SizeSent();
    case 3: return std::to_string(r.FilesRcvd) + "/" + r.SizeRcvd();
    case 4: return SecondsToHMS(Clamp32(r.SecondsOut), false);
    case 5: return SecondsToHMS(Clamp32(r.SecondsIn), false);
    case 6: return pair(r.OutOk, r.OutFailed);
    case 7: return pair(r.InOk, r.InFailed);
    default: return {};
    }
}

bool TrafficCellIsZero(const TTrafficRecord& r, int column)
{
    switch (column) {
    case 2: return r.FilesSent == 0;
    case 3: return r.FilesRcvd == 0;
    case 4: return r.SecondsOut == 0;
    case 5: return r.SecondsIn == 0;
    case 6: return r.OutOk == 0;
    case 7: return r.InOk == 0;
    default: return false;
    }
}

std::string TrafficHeading(int column)
{
    static constexpr std::size_t kTexts[] = {80, 142, 81, 82, 83, 84, 85, 86};
    static constexpr const char* kEnglish[] = {"Address",  "First session", "Sent",         "Received",
                                               "Time out", "Time in",       "Sessions out", "Sessions in"};
    return column >= 0 && column < kTrafficColumns ? LTextOr(kTexts[column], {}, kEnglish[column]) : std::string();
}

}  // namespace tarvix
