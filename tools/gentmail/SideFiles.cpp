#include "tools/gentmail/SideFiles.h"

#include "tools/gentmail/Output.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tarvix::gentmail {

namespace {

// T-Mail keeps only its latest sessions in the history.
constexpr std::size_t kHistoryMax = 500;

bool SameAddr(const Addr& a, const Addr& b)
{
    return a.zone == b.zone && a.net == b.net && a.node == b.node && a.point == b.point;
}

void PutAddr(std::string& s, const Addr& a)
{
    Put16(s, static_cast<std::uint16_t>(a.zone));
    Put16(s, static_cast<std::uint16_t>(a.net));
    Put16(s, static_cast<std::uint16_t>(a.node));
    Put16(s, static_cast<std::uint16_t>(a.point));
}

std::uint32_t Clamp32(std::uint64_t v)
{
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, std::numeric_limits<std::int32_t>::max()));
}

std::uint16_t Clamp16(std::uint64_t v)
{
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(v, 65535));
}

// Below 2603: 28-byte records without header. From 2603: the header word 241 and
// 100-byte records whose bytes 28 and 32 hold the session's positions in the log.
std::string History(const Options& o, const LogResult& log)
{
    const bool longForm = o.version >= 2603;
    std::string s;
    if (longForm)
        Put16(s, 241);
    std::size_t first = log.sessions.size() > kHistoryMax ? log.sessions.size() - kHistoryMax : 0;
    for (std::size_t i = first; i < log.sessions.size(); ++i) {
        const SessionSummary& x = log.sessions[i];
        std::size_t at = s.size();
        PutAddr(s, x.addr);
        Put32(s, static_cast<std::uint32_t>(x.start));
        Put32(s, static_cast<std::uint32_t>(x.length));
        Put32(s, x.bytesRcvd);
        Put32(s, x.bytesSent);
        s += static_cast<char>(std::min(x.filesRcvd, 255));
        s += static_cast<char>(std::min(x.filesSent, 255));
        s += static_cast<char>((x.incoming ? 1 : 0) | (x.ok ? 4 : 0));
        s += '\0';
        if (longForm) {
            Put32(s, Clamp32(x.logStart));
            Put32(s, Clamp32(x.logEnd));
            s.resize(at + 100, '\0');
        }
    }
    return s;
}

struct Traffic {
    Addr addr;
    std::uint64_t secondsIn = 0, secondsOut = 0, bytesRcvd = 0, bytesSent = 0;
    std::int64_t first = 0;
    std::uint64_t filesRcvd = 0, filesSent = 0;
    std::uint64_t outOk = 0, outFailed = 0, inOk = 0, inFailed = 0;
};

// One 104-byte record per node in the order of its first session. The kilobyte
// fields exist from 2605 on; older versions leave them 0.
std::string TrafficFile(const Options& o, const LogResult& log)
{
    std::vector<Traffic> nodes;
    for (const SessionSummary& x : log.sessions) {
        auto it = std::find_if(nodes.begin(), nodes.end(), [&](const Traffic& t) { return SameAddr(t.addr, x.addr); });
        if (it == nodes.end()) {
            nodes.push_back({});
            it = nodes.end() - 1;
            it->addr = x.addr;
            it->first = x.start;
        }
        (x.incoming ? it->secondsIn : it->secondsOut) += static_cast<std::uint64_t>(std::max(x.length, 0));
        it->bytesRcvd += x.bytesRcvd;
        it->bytesSent += x.bytesSent;
        it->filesRcvd += static_cast<std::uint64_t>(x.filesRcvd);
        it->filesSent += static_cast<std::uint64_t>(x.filesSent);
        if (x.incoming)
            ++(x.ok ? it->inOk : it->inFailed);
        else
            ++(x.ok ? it->outOk : it->outFailed);
    }
    std::string s;
    for (const Traffic& t : nodes) {
        std::size_t at = s.size();
        PutAddr(s, t.addr);
        Put32(s, Clamp32(t.secondsIn));
        Put32(s, Clamp32(t.secondsOut));
        Put32(s, Clamp32(t.bytesRcvd));
        Put32(s, Clamp32(t.bytesSent));
        Put32(s, static_cast<std::uint32_t>(t.first));
        Put16(s, Clamp16(t.filesRcvd));
        Put16(s, Clamp16(t.filesSent));
        Put16(s, Clamp16(t.outOk));
        Put16(s, Clamp16(t.outFailed));
        Put16(s, Clamp16(t.inOk));
        Put16(s, Clamp16(t.inFailed));
        if (o.version >= 2605) {
            Put32(s, Clamp32(t.bytesRcvd / 1024));
            Put32(s, Clamp32(t.bytesSent / 1024));
        }
        s.resize(at + 104, '\0');
    }
    return s;
}

// Per requesting node: kilobytes served on each of the 30 days up to the last day
// of the log (that day first), and the time of the latest request.
std::string FreqLimits(const LogResult& log)
{
    struct Limit {
        Addr addr;
        std::uint32_t kb[30] = {};
        std::int64_t latest = 0;
    };
    std::vector<Limit> nodes;
    const std::int64_t lastDay = log.lastDay.Serial();
    for (const FreqServed& f : log.freqs) {
        auto it = std::find_if(nodes.begin(), nodes.end(), [&](const Limit& l) { return SameAddr(l.addr, f.addr); });
        if (it == nodes.end()) {
            nodes.push_back({});
            it = nodes.end() - 1;
            it->addr = f.addr;
        }
        std::int64_t age = lastDay - f.time / 86400;
        if (age >= 0 && age < 30)
            it->kb[age] = std::min<std::uint32_t>(it->kb[age] + (f.bytes + 1023) / 1024, 65535);
        it->latest = std::max(it->latest, f.time);
    }
    std::string s;
    for (const Limit& l : nodes) {
        PutAddr(s, l.addr);
        for (std::uint32_t kb : l.kb)
            Put16(s, kb);
        Put32(s, static_cast<std::uint32_t>(l.latest));
    }
    return s;
}

}  // namespace

std::string HistoryFileName(int task) { return "t-hist.$" + TaskHex(task); }
std::string TrafficFileName(int task) { return "t-mail.s" + TaskHex(task); }

void WriteSideFiles(const Options& o, const LogResult& log)
{
    WriteFile(o.out, HistoryFileName(o.task), History(o, log));
    WriteFile(o.out, TrafficFileName(o.task), TrafficFile(o, log));
    WriteFile(o.out, kFreqLimFile, FreqLimits(log));
}

}  // namespace tarvix::gentmail
