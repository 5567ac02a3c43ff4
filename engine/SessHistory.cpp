#include "engine/SessHistory.h"

#include "fido/DateTime.h"
#include "fido/LogUtils.h"
#include "fido/NVUtils.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"

namespace tarvix {

namespace {

constexpr std::size_t kPositionFields[] = {28, 32};

// The form's records of the bytes; the header checked for the long form.
TRecordSpan HistoryRecords(std::string_view data, const std::string& fileName, bool longForm)
{
    if (!longForm)
        return SplitRecords(data, 0, THistoryFile::ShortRecord, fileName);
    if (data.size() < THistoryFile::HeaderSize || RecU16(data, 0) != THistoryFile::Signature)
        throw EHistoryError(SideFileText(
            "SideFile.BadHeader", "%s: the file does not begin with the session history's header %d",
            {fileName, static_cast<int>(THistoryFile::Signature)}));
    return SplitRecords(data, THistoryFile::HeaderSize, THistoryFile::LongRecord, fileName);
}

}  // namespace

std::int64_t THistoryRecord::Day() const
{
    const std::int64_t s = Start;
    return s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
}

std::string HistoryFileName(int line) { return TaskFileName("t-hist.$", line); }

std::string LogFileDir(const std::string& logPath)
{
    const std::size_t cut = logPath.find_last_of("/\\");
    return cut == std::string::npos ? std::string(".") : cut == 0 ? logPath.substr(0, 1) : logPath.substr(0, cut);
}

THistoryFile THistoryFile::Parse(std::string_view data, const std::string& fileName, bool longForm)
{
    THistoryFile f;
    f.FileName = fileName;
    f.LongForm = longForm;
    const TRecordSpan span = HistoryRecords(data, fileName, longForm);
    f.Damage = span.Damage;
    const std::size_t size = longForm ? LongRecord : ShortRecord;
    f.Records.reserve(span.Count);
    for (std::size_t i = 0; i < span.Count; ++i) {
        const std::string_view rec = data.substr(span.First + i * size, size);
        THistoryRecord r;
        r.Zone = RecI16(rec, 0);
        r.Net = RecI16(rec, 2);
        r.Node = RecI16(rec, 4);
        r.Point = RecI16(rec, 6);
        r.Start = RecI32(rec, 8);
        r.Length = RecI32(rec, 12);
        r.BytesRcvd = RecI32(rec, 16);
        r.BytesSent = RecI32(rec, 20);
        r.FilesRcvd = static_cast<std::uint8_t>(rec[24]);
        r.FilesSent = static_cast<std::uint8_t>(rec[25]);
        r.Flags = static_cast<std::uint8_t>(rec[26]);
        if (longForm) {
            r.LogStart = RecI32(rec, kPositionFields[0]);
            r.LogEnd = RecI32(rec, kPositionFields[1]);
        }
        f.Records.push_back(r);
    }
    return f;
}

THistoryFile THistoryFile::ReadTMail(const std::string& dir, int line, int version)
{
    const std::string path = ToHostPath(MakePath(HistoryFileName(line), dir));
    return Parse(ReadWholeFile(path), path, version >= LongFormVersion);
}

THistoryFile THistoryFile::ReadArgus(const std::string& logPath)
{
    const std::string path = ToHostPath(LogFileDir(logPath) + "/" + kArgusBinaryLog);
    return Parse(ReadWholeFile(path), path, false);
}

std::string LowerHistoryPositions(std::string_view data, const std::string& fileName, std::int64_t bytesRemoved)
{
    const TRecordSpan span = HistoryRecords(data, fileName, true);
    if (!span.Damage.empty())
        throw EHistoryError(span.Damage);
    std::string out(data);
    for (std::size_t i = 0; i < span.Count; ++i) {
        const std::size_t rec = span.First + i * THistoryFile::LongRecord;
        for (std::size_t field : kPositionFields) {
            const std::int64_t pos = RecI32(out, rec + field);
            const std::uint32_t moved = pos < bytesRemoved ? 0u : static_cast<std::uint32_t>(pos - bytesRemoved);
            for (std::size_t b = 0; b < 4; ++b)
                out[rec + field + b] = static_cast<char>((moved >> (8 * b)) & 0xFF);
        }
    }
    return out;
}

std::string HistoryCell(const THistoryRecord& r, int column)
{
    switch (column) {
    case 0: {
        std::string s = (r.Flags & THistoryRecord::Incoming) ? LTextOr(55, {}, "In") : LTextOr(56, {}, "Out");
        if (r.Flags & THistoryRecord::Success)
            s += " " + LTextOr(57, {}, "OK");
        return s;
    }
    case 1: return r.Addr().ToStr();
    case 2: return SecondsToHMS(static_cast<std::int32_t>(r.Start - r.Day() * 86400), true);
    case 3: return SecondsToHMS(r.Length, false);
    case 4: return std::to_string(r.FilesSent) + "/" + FormatBytes(r.BytesSent);
    case 5: return std::to_string(r.FilesRcvd) + "/" + FormatBytes(r.BytesRcvd);
    default: return {};
    }
}

std::string HistoryHeading(int column)
{
    static constexpr const char* kEnglish[] = {"Session", "Address", "Start", "Length", "Sent", "Received"};
    return column >= 0 && column < kHistoryColumns
               ? LTextOr(49 + static_cast<std::size_t>(column), {}, kEnglish[column])
               : std::string();
}

}  // namespace tarvix
