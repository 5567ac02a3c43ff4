#include "engine/MailerLog.h"

#include "engine/DLCState.h"
#include "engine/FilesBbs.h"
#include "fido/Dialogs.h"
#include "fido/NVUtils.h"
#include "fido/ConfigParser.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace tarvix {

namespace {

// A directory without a drive letter that does not start at a root (DOS or host).
bool IsRelativeDir(const std::string& dir)
{
    return !dir.empty() && dir.front() != '\\' && dir.front() != '/' && !(dir.size() >= 2 && dir[1] == ':');
}

}  // namespace

TMailerLog::TMailerLog() = default;
TMailerLog::~TMailerLog() = default;

void TMailerLog::SetMailerPath(std::string_view path) { mailerPath_ = path; }

std::string TMailerLog::ResolveFreqName(std::string_view fileName) { return std::string(fileName); }

void TMailerLog::Reset()
{
    TLog::Reset();
    freqs_.clear();
    freqsOfNode_.clear();
    maskFreqs_.clear();
    dlcList_.clear();
    requesters_.Clear();
    sessions_.clear();
    open_.reset();
    texts_.Clear();
    closedValid_ = false;
    aliases_.clear();
    dayStats_.clear();
    NodeStats = nullptr;
    // A call, a phone or a day mark left waiting by the last analysis belongs to it.
    dialAddr_.reset();
    PendingPhone.clear();
    NewDayMark = false;
}

void TMailerLog::Assign(const TLog& other)
{
    TLog::Assign(other);
    if (auto* m = dynamic_cast<const TMailerLog*>(&other)) {
        SetMailerPath(m->MailerPath());
        UpdateDLC = m->UpdateDLC;
    }
}

void TMailerLog::LoadFromReg(const TIniFile& ini, std::string_view section)
{
    TLog::LoadFromReg(ini, section);
    SetMailerPath(ini.ReadString(section, "MailerPath", ""));
    UpdateDLC = ini.ReadBool(section, "UpdateDLC", false);
    DSSort = static_cast<int>(ini.ReadInteger(section, "DSSort", 0));
    if (DSSort < 0 || DSSort > nsoCPS)
        DSSort = 0;
}

void TMailerLog::SaveToReg(TIniFile& ini, std::string_view section) const
{
    TLog::SaveToReg(ini, section);
    ini.WriteString(section, "MailerPath", mailerPath_);
    ini.WriteBool(section, "UpdateDLC", UpdateDLC);
    ini.WriteInteger(section, "DSSort", DSSort);
}

TLogDay& TMailerLog::NewDay(std::int64_t firstLine, TDateTime date)
{
    TLogDay& day = TLog::NewDay(firstLine, date);
    // The list of the day before is complete: sorted now, while it is in the cache,
    // rather than at the end with all the others.
    if (NodeStats)
        NodeStats->Sort(nsoAddr);
    // A day usually sees about as many nodes as the day before: room for them at once.
    const std::size_t expected = NodeStats ? NodeStats->Count() : 0;
    NodeStats = &dayStats_.push_back(TNodeStatList());
    NodeStats->Reserve(expected);
    day.NodeStats = NodeStats;
    NewDayMark = true;
    return day;
}

void TMailerLog::NewPartFound()
{
    FirstNewFreq = static_cast<std::int64_t>(freqs_.size());
    FirstNewSess = static_cast<std::int64_t>(sessions_.size());
}

template <typename Step>
bool TMailerLog::Guarded(Step step, bool dayStep)
{
    try {
        step();
    } catch (const std::exception& e) {
        return StepFailed(e.what(), dayStep);
    }
    if (LineFailedQuietly()) [[unlikely]]
        return StepFailed(TakeLineFailure(), dayStep);
    return true;
}

bool TMailerLog::StepFailed(const std::string& error, bool dayStep)
{
    if (!Window)
        return false;
    ++ErrorCount;
    if (LineNo <= ReportedUpTo)
        return true;  // reported by the analysis that ran first
    std::string message = dayStep ? LTextOr(94, {LineNo}, "Line cannot be analysed") : error;
    Window->LineError(LineNo, message);
    if (Settings().SkipErrors)
        return true;
    return Window->ShowErrorLine(LineNo, message);
}

bool TMailerLog::Analyse(const TProgressFunc& progress)
{
    // The years of a log without them come from the years pass; where its sampled
    // years prove wrong, all of it runs again (Reset forgets the configuration too).
    canContinue_ = false;
    StartYears(false);
    bool done = ReadAndRunLines(progress);
    while (!done && AnalyseAgain())
        done = ReadAndRunLines(progress);
    if (!done)
        return false;
    EndRun(0);
    return true;
}

bool TMailerLog::ContinueAnalysis(const TProgressFunc& progress)
{
    // The download counters count what lies between the marks of whole analyses.
    if (!canContinue_ || UpdateDLC)
        return false;
    canContinue_ = false;
    // The day the last run ended in may get more sessions.
    const std::size_t lastDay = dayStats_.empty() ? 0 : dayStats_.size() - 1;
    if (!RunMoreLines(progress, [this](std::string_view line) { return RunLine(line); }))
        return false;
    EndRun(lastDay);
    return true;
}

bool TMailerLog::RunLine(std::string_view line)
{
    // Lines of blanks carry nothing, and would be line errors of most mailers'
    // parsers; a cut leaves one at the head of the file. (Empty lines never get here.)
    if (line[0] == ' ' && line.find_first_not_of(' ') == std::string_view::npos)
        return true;
    if (!dlcState_.empty())
        WatchCountedMark(line);
    return Guarded([&] { ParseLine(line); }, true) && Guarded([&] { ParseMailerLine(line); }, false);
}

void TMailerLog::EndRun(std::size_t firstDay)
{
    // Asked before EndOfLog closes anything.
    canContinue_ = EndOfLogKeepsState();
    EndOfLog();
    for (std::size_t d = firstDay; d < dayStats_.size(); ++d) {
        dayStats_[d].Sort(nsoAddr);
        dayStats_[d].UpdateTotalCPS();
    }
    SelectDLC();
}

void TMailerLog::StartCountedMark()
{
    dlcState_.clear();
    countedMark_ = {};
    countedLine_ = 0;
    nextMark_ = {};
    nextMarkLine_ = 0;
    if (!UpdateDLC || (DLCStateFile.empty() && !SettingsOpen()))
        return;
    dlcState_ = DLCStateFile.empty() ? DLCStatePath() : DLCStateFile;
    dlcKey_ = DLCLogKey(Path);
    countedMark_ = TDLCState::ReadMark(dlcState_, dlcKey_);
}

void TMailerLog::WatchCountedMark(std::string_view line)
{
    // The counted line is the last with its bytes at or before its old offset: at
    // it when the log only grew, before it when the log lost its head since.
    if (countedMark_.Valid() && line.size() == countedMark_.Len && LinePos <= countedMark_.Pos &&
        LineHash(line) == countedMark_.Hash)
        countedLine_ = LineNo;
    // The next mark is the last line that has its line end: a line the mailer is
    // still writing is counted once it is whole.
    if (LineEnded()) {
        nextMark_.Pos = LinePos;
        nextMark_.Len = line.size();
        nextMark_.Hash = LineHash(line);
        nextMarkLine_ = LineNo;
    }
}

void TMailerLog::SelectDLC()
{
    std::vector<TDLCFreq> sent = std::move(dlcList_);
    dlcList_.clear();
    for (TDLCFreq& r : sent) {
        bool take;
        if (!UpdateDLC)
            take = r.IsNew;
        else if (!dlcState_.empty() && countedMark_.Valid())
            // Counted up to the marked line; a log without it is a new log.
            take = r.LineNo > countedLine_ && r.LineNo <= nextMarkLine_;
        else if (!dlcState_.empty())
            take = (NewPartLine == 0 || r.IsNew) && r.LineNo <= nextMarkLine_;
        else
            take = NewPartLine == 0 || r.IsNew;
        if (take)
            dlcList_.push_back(std::move(r));
    }
    // Counted from the start, the increments come in the order of the requests.
    if (NewPartLine == 0)
        std::stable_sort(dlcList_.begin(), dlcList_.end(),
                         [](const TDLCFreq& a, const TDLCFreq& b) { return a.Freq < b.Freq; });
}

bool TMailerLog::ReadAndRunLines(const TProgressFunc& progress)
{
    Reset();
    try {
        ReadConfig();
    } catch (const EQParserError& e) {
        // Errors of a line carry a language key ("QParser.NoArgs") or a ready text.
        std::string text = e.what();
        if (text.starts_with("QParser."))
            text = LGetSOr(text, text);
        if (e.Line() != 0)
            MessageDlgLOr(91, {e.FileName(), e.Line(), text}, "Error in configuration file", TMsgDlgType::mtError,
                          mbOK);
        else
            MessageDlgLOr(92, {text}, "Error reading the mailer configuration", TMsgDlgType::mtError, mbOK);
        return false;
    } catch (const std::exception& e) {
        MessageDlgLOr(92, {std::string(e.what())}, "Error reading the mailer configuration", TMsgDlgType::mtError,
                      mbOK);
        return false;
    }
    try {
        LoadLng();
    } catch (const std::exception& e) {
        // The user must learn which file is missing or damaged.
        MessageDlgLOr(92, {std::string(e.what())}, "Error reading the mailer configuration", TMsgDlgType::mtError,
                      mbOK);
        return false;
    }

    State = 0;
    ErrorCount = 0;
    StartCountedMark();
    return RunLines(progress, [this](std::string_view line) { return RunLine(line); });
}

void TMailerLog::AddDLC(std::size_t freq, std::string_view name, std::string_view filePath)
{
    TDLCFreq& r = dlcList_.emplace_back(this, name, filePath);
    r.Freq = freq;
    r.LineNo = LineNo;
    r.IsNew = IsNew;
}

void TMailerLog::UpdateCounters(const std::function<void(std::size_t done, std::size_t total)>& progress)
{
    if (dlcList_.empty() && dlcState_.empty())
        return;
    const TGeneralSettings& g = Settings();
    TDLCSettings dlc;
    dlc.Left = g.DLCLeft.empty() ? '[' : g.DLCLeft[0];
    dlc.Right = g.DLCRight.empty() ? ']' : g.DLCRight[0];
    dlc.Digits = std::clamp(g.DLCDigits, 1, 20);
    dlc.Lead = g.DLCLead.empty() ? '0' : g.DLCLead[0];
    dlc.BackupX = g.DLCBackupX;
    std::vector<TDLCFreq> pending = std::move(dlcList_);
    dlcList_.clear();
    // The log gives the paths of sent files as the mailer sees them: a relative
    // directory is one of the mailer's directory, not of the current one.
    for (TDLCFreq& r : pending)
        if (IsRelativeDir(r.Dir))
            r.Dir = MakePath(r.Dir, MailerPath());
    auto resolve = [this](const std::string& name) { return ResolveFreqName(name); };
    if (dlcState_.empty()) {
        tarvix::UpdateDownloadCounters(pending, dlc, resolve, progress);
        return;
    }

    TDLCState state(dlcState_);
    // Another run counted since this analysis read the mark: its sends are its own.
    if (!(state.Mark(dlcKey_) == countedMark_))
        return;
    std::exception_ptr error;
    // First what a run stopped half-way left to do: its mark is the one read.
    std::vector<TDLCStep> left = state.Journal(dlcKey_);
    if (!left.empty()) {
        left = ApplyDownloadCounters(left, dlc, {}, &error);
        state.Commit(dlcKey_, countedMark_, left);
        // A files.bbs that still cannot be written keeps the run at the old mark:
        // the next one tries again, and counts this analysis' sends then.
        if (!left.empty())
            std::rethrow_exception(error);
    }
    // Then this analysis' sends. The mark moves on with the journal of their steps,
    // so that whatever stops the run, a rerun neither misses nor repeats one.
    std::vector<TDLCStep> steps = PlanDownloadCounters(pending, dlc, resolve, &error);
    const TLineMark next = nextMark_.Valid() ? nextMark_ : countedMark_;
    if (!steps.empty()) {
        state.Commit(dlcKey_, next, steps);
        steps = ApplyDownloadCounters(steps, dlc, progress, &error);
    }
    state.Commit(dlcKey_, next, steps);
    if (error)
        std::rethrow_exception(error);
}

const TSess& TMailerLog::GetSess(std::size_t index) const
{
    if (index >= sessions_.size())
        throw ELogError("TMailerLog.GetSess: session index out of bounds");
    return sessions_[index];
}

const TNodeStatList& TMailerLog::GetDayStats(std::size_t index) const
{
    if (index >= dayStats_.size())
        throw ELogError("TMailerLog.GetDayStats: day index out of bounds");
    return dayStats_[index];
}

const TFreq& TMailerLog::GetFreq(std::size_t index) const
{
    if (index >= freqs_.size())
        throw ELogError("TMailerLog.GetFreq: freq index out of bounds");
    return freqs_[index];
}

const std::string& TMailerLog::GetFreqName(std::size_t index) const { return GetFreq(index).Name; }

long TMailerLog::SessOfLine(std::int64_t lineNo) const
{
    for (std::size_t i = 0; i < sessions_.size(); ++i)
        if (sessions_[i].StartLine <= lineNo && lineNo <= sessions_[i].EndLine)
            return static_cast<long>(i);
    return -1;
}

std::string_view TMailerLog::MsgAfter(std::string_view line, std::string_view text) const
{
    std::size_t cut = static_cast<std::size_t>(MsgCol - 1) + text.size();
    if (text.empty() || text.back() != ' ')
        ++cut;
    return cut >= line.size() ? std::string_view{} : line.substr(cut);
}

void TMailerLog::StartSession(std::string_view line, bool incoming)
{
    OpenSession(LineNo, TimeOfLine(line), incoming);
}

void TMailerLog::OpenSession(std::int64_t startLine, TDateTime startTime, bool incoming)
{
    // A session still open is abandoned: neither closed nor listed.
    open_.emplace(startLine, startTime);
    closedValid_ = false;
    TSess& s = *open_;
    s.Flags = sfOK | sfListed;
    if (NewDayMark) {
        s.Flags |= sfFirstOfDay;
        NewDayMark = false;
    }
    if (incoming)
        s.Flags |= sfIncoming;
    if (!PendingPhone.empty()) {
        s.Phone = KeepText(PendingPhone);
        PendingPhone.clear();
    }
    State = 1;
}

TNodeStat* TMailerLog::EndSession(std::string_view line)
{
    // Only an open session is closed: closing the same session twice would list it twice.
    if (!open_)
        return nullptr;
    return EndSessionAt(TimeOfLine(line), LineNo);
}

TNodeStat* TMailerLog::EndSessionAt(TDateTime endTime, std::int64_t endLine)
{
    if (!open_)
        return nullptr;
    TSess& s = *open_;
    s.EndTime = endTime;
    s.EndLine = endLine;
    std::int64_t length = s.SessLength();
    if (s.CPS == 0 && length > 0)
        s.CPS = std::max(s.BytesSent / length, s.BytesRcvd / length);
    if (s.Has(sfBad))
        s.Set(sfOK, false);
    State = 0;
    sessions_.push_back(std::move(s));
    open_.reset();
    closedValid_ = true;
    const TSess& closed = sessions_.back();
    TNodeStat* result = nullptr;
    if (NodeStats) {
        const TFidoAddr* addr = dialAddr_ ? &*dialAddr_ : (closed.Addr ? &*closed.Addr : nullptr);
        if (addr)
            result = &NodeStats->AddSess(*addr, closed, static_cast<std::int64_t>(sessions_.size() - 1), length);
    }
    dialAddr_.reset();
    return result;
}

namespace {

bool IsWildName(std::string_view name)
{
    for (char c : name)
        if (c == '*' || c == '?')
            return true;
    return false;
}

void InsertSorted(std::vector<std::size_t>& list, std::size_t index)
{
    // Requests are indexed as they are made: nearly always the last one.
    if (list.empty() || list.back() <= index)
        list.push_back(index);
    else
        list.insert(std::upper_bound(list.begin(), list.end(), index), index);
}

// Bit 5 set in every byte: a byte and its UpperAscii become the same byte.
constexpr std::uint64_t kFold = 0x2020202020202020ull;

// Makes a buffer at least a word and at least size bytes long.
[[gnu::noinline, gnu::cold]] void GrowBuffer(std::string& buffer, std::size_t size)
{
    buffer.resize(std::max<std::size_t>(size, 16));
}


}  // namespace

TMailerLog::TNameEnds::TNameEnds(std::string_view name) : size(name.size())
{
    const char* p = name.data();
    if (size >= 8) {
        first = LoadWord8(p);
        last = LoadWord8(p + size - 8);
    } else if (size >= 4) {
        first = LoadWord4(p);
        last = LoadWord4(p + size - 4);
    } else {
        for (std::size_t i = 0; i < size; ++i)
            first = first << 8 | static_cast<unsigned char>(p[i]);
    }
    first |= kFold;
    last |= kFold;
}

unsigned TMailerLog::TNameEnds::FilterBit() const
{
    std::uint64_t h = (first ^ size) * 0x9E3779B97F4A7C15ull;
    h = (h ^ last) * 0xBF58476D1CE4E5B9ull;
    return static_cast<unsigned>(h >> 56);
}

TMailerLog::TWildName::TWildName(std::string m, TNameFreqs& f) : mask(std::move(m)), freqs(&f)
{
    const auto stars = static_cast<std::size_t>(std::count(mask.begin(), mask.end(), '*'));
    minSize = mask.size() - stars;
    const std::string_view all = mask;
    const std::string_view front = stars == 0 ? all : all.substr(0, all.find('*'));
    const std::string_view back = stars == 0 ? all : all.substr(all.rfind('*') + 1);
    byEnds = stars == 1 && front.size() <= 8 && back.size() <= 8;
    // The words byte by byte: which byte a name must have at each place of the word.
    char headBytes[8] = {}, headMask[8] = {}, tailBytes[8] = {}, tailMask[8] = {};
    auto put = [](char* bytes, char* care, std::size_t at, char c) {
        if (c != '?') {
            bytes[at] = c;
            care[at] = '\xFF';
        }
    };
    for (std::size_t i = 0; i < 8 && i < front.size(); ++i)
        put(headBytes, headMask, i, front[i]);
    for (std::size_t i = 0; i < 8 && i < back.size(); ++i)
        put(tailBytes, tailMask, 7 - i, back[back.size() - 1 - i]);
    head = LoadWord8(headBytes);
    headCare = LoadWord8(headMask);
    headFolded = (head | kFold) & headCare;
    tail = LoadWord8(tailBytes);
    tailCare = LoadWord8(tailMask);
    tailFolded = (tail | kFold) & tailCare;
}

bool TMailerLog::TWildName::MayMatch(const TNameEnds& name) const
{
    if (name.size < minSize)
        return false;
    // A name shorter than a word is left to the full match.
    return name.size < 8 || ((name.first & headCare) == headFolded && (name.last & tailCare) == tailFolded);
}

bool TMailerLog::TWildName::Matches(std::string_view upperName, const TNameEnds& ends) const
{
    if (!MayMatch(ends))
        return false;
    if (byEnds && upperName.size() >= 8) {
        const char* p = upperName.data();
        return (LoadWord8(p) & headCare) == head && (LoadWord8(p + upperName.size() - 8) & tailCare) == tail;
    }
    return MatchWild(upperName, mask, false);
}

TMailerLog::TNameFreqs& TMailerLog::TNodeFreqs::Entry(std::string_view name)
{
    auto it = names.find(name);
    if (it == names.end()) {
        it = names.emplace(std::string(name), TNameFreqs{}).first;
        const unsigned bit = TNameEnds(name).FilterBit();
        nameBits[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    return it->second;
}

void TMailerLog::TNodeFreqs::Add(std::size_t index, std::string_view name, TNameFreqs& own, TNameFreqs& real)
{
    const bool firstOfName = own.lastOfName < 0;
    own.lastOfName = static_cast<long>(index);
    InsertSorted(real.ofRealName, index);
    // A mask is tried on the files sent to the node from its first request on.
    if (firstOfName && IsWildName(name))
        wildcards.emplace_back(std::string(name), own);
}

bool TMailerLog::TNodeFreqs::MayAnswer(const TNameEnds& fileName) const
{
    const unsigned bit = fileName.FilterBit();
    if (nameBits[bit / 64] >> (bit % 64) & 1)
        return true;
    for (const TWildName& w : wildcards)
        if (w.MayMatch(fileName))
            return true;
    return false;
}

void TMailerLog::IndexFreq(std::size_t index)
{
    const TFreq& f = freqs_[index];
    const TFidoAddr& a = *f.Addr;
    if (HasWildcard(a)) {
        maskFreqs_.push_back(index);
        return;
    }
    TNodeFreqs& node = freqsOfNode_[AddrNumbers(a)];
    TNameFreqs& own = node.Entry(f.Name);
    node.Add(index, f.Name, own, node.Entry(f.RealName));
}

void TMailerLog::SetRealName(std::size_t index, std::string_view realName)
{
    TFreq& f = freqs_[index];
    if (f.RealName == realName)
        return;
    if (!HasWildcard(*f.Addr)) {
        TNodeFreqs& node = freqsOfNode_[AddrNumbers(*f.Addr)];
        if (auto it = node.names.find(f.RealName); it != node.names.end()) {
            auto& list = it->second.ofRealName;
            auto at = std::lower_bound(list.begin(), list.end(), index);
            if (at != list.end() && *at == index)
                list.erase(at);
        }
        InsertSorted(node.Entry(realName).ofRealName, index);
    }
    f.RealName = realName;
}

long TMailerLog::LastFreqOfName(const TFidoAddr& addr, std::string_view name) const
{
    long best = -1;
    if (auto it = freqsOfNode_.find(AddrNumbers(addr)); it != freqsOfNode_.end())
        if (auto n = it->second.names.find(name); n != it->second.names.end())
            best = n->second.lastOfName;
    // Requests made under an address mask (none in practice) that cover the node.
    for (auto k = maskFreqs_.rbegin(); k != maskFreqs_.rend() && static_cast<long>(*k) > best; ++k)
        if (MatchAddr(*freqs_[*k].Addr, addr) && freqs_[*k].Name == name)
            return static_cast<long>(*k);
    return best;
}

TMailerLog::TFileAnswer TMailerLog::LastFreqForFile(const TFidoAddr& addr, TNodeFreqs* node, std::string_view name,
                                                    const TNameEnds& ends)
{
    TFileAnswer found;
    if (node) {
        // A name without wildcards is matched by that name alone.
        if (auto n = node->names.find(name); n != node->names.end()) {
            found.file = &n->second;
            found.index = n->second.lastOfName;
            if (!n->second.ofRealName.empty())
                found.index = std::max(found.index, static_cast<long>(n->second.ofRealName.back()));
        }
        // The masks that match it; a mask whose last request is the one found by the
        // name (sent as this file before) is noted as well.
        for (TWildName& w : node->wildcards)
            if (w.freqs->lastOfName >= found.index && w.Matches(name, ends)) {
                found.index = w.freqs->lastOfName;
                found.mask = &w;
            }
    }
    auto answers = [&name](const TFreq& f) { return f.RealName == name || MatchWild(name, f.Name, false); };
    for (auto k = maskFreqs_.rbegin(); k != maskFreqs_.rend() && static_cast<long>(*k) > found.index; ++k)
        if (MatchAddr(*freqs_[*k].Addr, addr) && answers(freqs_[*k])) {
            found.index = static_cast<long>(*k);
            found.mask = nullptr;
            break;
        }
    return found;
}

std::string_view TMailerLog::UpperName(std::string_view name)
{
    // The buffer only grows, to a word at least: nothing clears what the next call
    // writes over.
    const std::size_t n = name.size();
    if (nameBuf_.size() < n || nameBuf_.size() < 8)
        GrowBuffer(nameBuf_, n);
    char* upper = nameBuf_.data();
    const char* from = name.data();
    if (n < 8) {
        for (std::size_t i = 0; i < n; ++i)
            upper[i] = UpperAscii(from[i]);
        return {upper, n};
    }
    // A word at a time, the last one overlapping the one before.
    auto word = [&](std::size_t at) {
        const std::uint64_t w = UpperAsciiWord(LoadWord8(from + at));
        std::memcpy(upper + at, &w, 8);
    };
    for (std::size_t i = 0; i + 8 < n; i += 8)
        word(i);
    word(n - 8);
    return {upper, n};
}

void TMailerLog::AddFreq(std::string_view name, const TFidoAddr& addr)
{
    std::string_view trimmed = TrimControls(name);
    if (trimmed.empty())
        return;
    const std::string_view upper = UpperName(trimmed);
    // The same file asked again by the same node: only the line changes.
    if (long same = LastFreqOfName(addr, upper); same >= 0) {
        freqs_[static_cast<std::size_t>(same)].LineNo = LineNo;
        return;
    }
    std::string key(upper);
    std::string realName = key;
    if (auto it = aliases_.find(key); it != aliases_.end())
        realName = it->second.FileName;
    const bool newRequester = HasWildcard(addr) || freqsOfNode_.find(AddrNumbers(addr)) == freqsOfNode_.end();
    TFreq f;
    f.Name = std::move(key);
    f.Addr = addr;
    f.LineNo = LineNo;
    f.RealName = std::move(realName);
    freqs_.push_back(std::move(f));
    IndexFreq(freqs_.size() - 1);
    if (newRequester && requesters_.IndexOf(addr) < 0)
        requesters_.Add(addr);
}

void TMailerLog::FreqSent(std::string_view fileName, std::string_view filePath, const TFidoAddr& addr)
{
    const auto nodeAt = freqsOfNode_.find(AddrNumbers(addr));
    TNodeFreqs* node = nodeAt == freqsOfNode_.end() ? nullptr : &nodeAt->second;
    const std::string_view trimmed = TrimControls(fileName);
    if (trimmed.empty())
        return;
    // Most files sent are mail, for a node that asked for nothing or named so that
    // none of its requests answers it: nothing to look up.
    const TNameEnds ends(trimmed);
    if (maskFreqs_.empty() && (!node || !node->MayAnswer(ends)))
        return;
    FreqSentToNode(node, trimmed, ends, filePath, addr);
}

void TMailerLog::FreqSentToNode(TNodeFreqs* node, std::string_view fileName, const TNameEnds& ends,
                                std::string_view filePath, const TFidoAddr& addr)
{
    const std::string_view name = UpperName(fileName);
    // The last request of that node that names the file, or whose mask matches it.
    const TFileAnswer found = LastFreqForFile(addr, node, name, ends);
    if (found.index < 0)
        return;
    const std::size_t index = static_cast<std::size_t>(found.index);
    TFreq* candidate = &freqs_[index];
    if (candidate->Sent && (found.mask || IsWildName(candidate->Name))) {
        // Another file for a request of several files: a record of its own. The
        // record already sent keeps the name of the file it was sent with.
        TFreq& f = freqs_.push_back(TFreq{});
        f.Name = candidate->Name;
        f.Addr = addr;
        f.LineNo = LineNo;
        f.IsNew = IsNew;
        f.Sent = true;
        f.RealName = name;
        f.Path = KeepText(filePath);
        const std::size_t added = freqs_.size() - 1;
        // The node's own mask: the entries of the record's name and real name are at hand.
        if (found.mask)
            node->Add(added, found.mask->mask, *found.mask->freqs, found.file ? *found.file : node->Entry(name));
        else
            IndexFreq(added);
        if (UpdateDLC || IsNew)
            AddDLC(added, name, filePath);
        return;
    }
    const bool wasSent = candidate->Sent;
    SetRealName(index, name);
    candidate->Sent = true;
    candidate->LineNo = LineNo;
    candidate->IsNew = IsNew;
    candidate->Path = KeepText(filePath);
    if (!wasSent && (UpdateDLC || IsNew))
        AddDLC(index, name, filePath);
}

void TMailerLog::AddFreqAlias(std::string_view alias, std::string_view target)
{
    if (alias.empty() || target.empty())
        return;
    TFreqAlias& a = aliases_[UpperCaseAscii(alias)];
    a.Target = UpperCaseAscii(target);
    std::size_t slash = a.Target.rfind('\\');
    a.FileName = slash == std::string::npos ? a.Target : a.Target.substr(slash + 1);
}

void TMailerLog::ReadAliasFile(const std::string& fileName)
{
    std::string text;
    try {
        text = ReadWholeFile(ToHostPath(fileName));
    } catch (const EInOutError&) {
        MessageDlgLOr(96, {fileName}, "Cannot open the alias file", TMsgDlgType::mtWarning, mbOK);
        return;
    }
    ForEachLine(text, [this](std::string_view raw) {
        std::string_view line = TrimControls(raw);
        if (line.empty() || line.front() == ';')
            return;
        if (line.front() == '@')
            line.remove_prefix(1);
        std::string cleaned(line);
        std::size_t open = cleaned.find('(');
        if (open != std::string::npos) {
            std::size_t close = cleaned.find(')', open);
            if (close != std::string::npos)
                cleaned.erase(open, close - open + 1);
        }
        std::string_view rest;
        std::string_view alias = FirstWord(cleaned, &rest);
        std::string_view target = FirstWord(rest);
        if (alias.empty() || target.empty()) {
            MessageDlgLOr(111, {std::string(line)}, "Bad line in the alias file", TMsgDlgType::mtWarning, mbOK);
            return;
        }
        AddFreqAlias(alias, target);
    });
}

std::vector<std::string> TMailerLog::ReadPathList(const std::string& fileName)
{
    std::vector<std::string> list;
    std::string text = ReadWholeFile(ToHostPath(fileName));
    ForEachLine(text, [&list](std::string_view raw) {
        std::string_view line = TrimControls(raw);
        if (line.empty() || line.front() == ';')
            return;
        std::string word(FirstWord(line));
        if (word.front() != '@' && word.back() != '\\')
            word += '\\';
        list.push_back(std::move(word));
    });
    return list;
}

}  // namespace tarvix
