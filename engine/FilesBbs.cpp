#include "engine/FilesBbs.h"

#include "platform/Text.h"

#include "fido/NVUtils.h"
#include "fido/Sort.h"
#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <exception>
#include <sys/stat.h>

namespace tarvix {

namespace {

constexpr std::size_t kNameWidth = 14;
constexpr int kMaxDigits = 255;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The directory part of a path: up to and including its last "\", "/" or ":";
// empty when it has none.
std::string DirPart(std::string_view path)
{
    std::size_t p = path.find_last_of("\\/:");
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

// The value of a counter's inner text: digits, optionally preceded by blanks or by
// the padding character; 0 for anything else, and for a value beyond int.
int CounterValue(std::string_view text, char lead)
{
    std::size_t i = 0;
    bool leadIsDigit = lead >= '0' && lead <= '9';
    while (i < text.size() && (IsBlank(text[i]) || (!leadIsDigit && text[i] == lead)))
        ++i;
    if (i == text.size())
        return 0;
    long long v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9')
            return 0;
        v = v * 10 + (c - '0');
        if (v > INT_MAX)
            return 0;
    }
    return static_cast<int>(v);
}

}  // namespace

// ---------------------------------------------------------------- TFilesBbs

TFilesBbs::TFilesBbs(const TDLCSettings& settings)
    : LeftChar(settings.Left),
      RightChar(settings.Right),
      Digits(settings.Digits),
      LeadChar(settings.Lead),
      BackupName(settings.BackupX ? BackupFileName : "")
{
}

void TFilesBbs::Load(const std::string& path)
{
    lines_.clear();
    ends_.clear();
    nameIndex_.clear();
    modified_ = false;

    const std::string host = ToHostPath(path);
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return;
    const std::string data = ReadWholeFile(host);

    // Lines end in CR LF, LF or a lone CR; each line keeps its own end, and a last
    // line without one keeps having none.
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t eol = data.find_first_of("\r\n", pos);
        if (eol == std::string::npos) {
            lines_.push_back(data.substr(pos));
            ends_.emplace_back();
            break;
        }
        std::size_t endLen = data[eol] == '\r' && eol + 1 < data.size() && data[eol + 1] == '\n' ? 2 : 1;
        lines_.push_back(data.substr(pos, eol - pos));
        ends_.push_back(data.substr(eol, endLen));
        pos = eol + endLen;
    }

    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        if (line.empty() || IsBlank(line[0]))
            continue;
        Entry e = ParseEntry(line);
        nameIndex_.emplace(UpperCaseAscii(std::string_view(line).substr(0, e.nameEnd)), i);
    }
}

TFilesBbs::Entry TFilesBbs::ParseEntry(const std::string& line) const
{
    Entry e;
    std::size_t size = line.size();
    std::size_t i = 0;
    while (i < size && !IsBlank(line[i]))
        ++i;
    e.nameEnd = i;
    while (i < size && IsBlank(line[i]))
        ++i;
    std::size_t restEnd = size;
    while (restEnd > i && IsBlank(line[restEnd - 1]))
        --restEnd;
    e.descBegin = i;
    if (i < restEnd && line[i] == LeftChar) {
        std::size_t right = line.find(RightChar, i + 1);
        if (right != std::string::npos && right < restEnd) {
            e.hasCounter = true;
            e.counterBegin = i;
            e.counterEnd = right + 1;
            std::size_t d = e.counterEnd;
            while (d < size && IsBlank(line[d]))
                ++d;
            e.descBegin = d;
        }
    }
    return e;
}

const std::string* TFilesBbs::FindLine(std::string_view fileName, std::size_t& index) const
{
    auto it = nameIndex_.find(UpperCaseAscii(fileName));
    if (it == nameIndex_.end())
        return nullptr;
    index = it->second;
    return &lines_[index];
}

int TFilesBbs::GetCounter(std::string_view fileName) const
{
    std::size_t index = 0;
    const std::string* line = FindLine(fileName, index);
    if (!line)
        return -1;
    Entry e = ParseEntry(*line);
    if (!e.hasCounter)
        return 0;
    std::string_view inner = std::string_view(*line).substr(e.counterBegin + 1, e.counterEnd - e.counterBegin - 2);
    return CounterValue(inner, LeadChar);
}

void TFilesBbs::SetCounter(std::string_view fileName, int value)
{
    std::size_t index = 0;
    if (!FindLine(fileName, index))
        return;
    std::string& line = lines_[index];

    std::string digits = std::to_string(value);
    int width = std::min(std::max(Digits, 0), kMaxDigits);
    std::string counter(1, LeftChar);
    if (digits.size() < static_cast<std::size_t>(width))
        counter.append(static_cast<std::size_t>(width) - digits.size(), LeadChar);
    counter += digits;
    counter += RightChar;

    Entry e = ParseEntry(line);
    if (e.hasCounter) {
        // Only the counter itself is replaced, wherever it stands in the line.
        line = line.substr(0, e.counterBegin) + counter + line.substr(e.counterEnd);
    } else {
        std::string name = line.substr(0, e.nameEnd);
        std::string desc = line.substr(e.descBegin);
        std::string result = name;
        // At least one blank, so that the counter is never read as part of the name.
        result.append(name.size() < kNameWidth ? kNameWidth - name.size() : 1, ' ');
        result += counter;
        if (!desc.empty())
            result += ' ' + desc;
        line = std::move(result);
    }
    modified_ = true;
}

void TFilesBbs::Save(const std::string& path)
{
    if (!modified_)
        return;
    const std::string host = ToHostPath(path);
    struct stat st {};
    if (!BackupName.empty() && ::stat(host.c_str(), &st) == 0)
        CopyFileKeepDate(path, MakePath(BackupName, DirPart(path)));

    std::string content;
    std::size_t total = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        total += lines_[i].size() + ends_[i].size();
    content.reserve(total);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        content += lines_[i];
        content += ends_[i];
    }
    WriteFileAtomic(host, content);
    modified_ = false;
}

// ---------------------------------------------------------------- update

std::vector<TDLCStep> PlanDownloadCounters(std::vector<TDLCFreq>& records, const TDLCSettings& settings,
                                           const std::function<std::string(const std::string& fileName)>& resolve,
                                           std::exception_ptr* error)
{
    for (TDLCFreq& r : records)
        if (r.Dir.empty() && resolve)
            r.Dir = DirPart(resolve(r.FileName));

    SortList(records, CompareDLC);

    // Directories that differ only in case are one directory (the mailers' paths
    // are DOS paths, and their host paths are found regardless of case): sorting
    // puts them next to each other and they share one load.
    TFilesBbs bbs(settings);
    std::vector<TDLCStep> steps;
    std::size_t firstOfDir = 0;  // the first step of the current directory
    std::string current;
    for (const TDLCFreq& r : records) {
        // A file that no resolution placed in a directory is skipped (an empty
        // directory would name the files.bbs of the current directory).
        if (r.Dir.empty())
            continue;
        if (current.empty() || CompareDLCDirs(r.Dir, current) != 0) {
            current = r.Dir;
            firstOfDir = steps.size();
            try {
                bbs.Load(current + "files.bbs");
            } catch (const Exception&) {
                if (error && !*error)
                    *error = std::current_exception();
                bbs = TFilesBbs(settings);  // empty: this directory's records are skipped
            }
        }
        const int n = bbs.GetCounter(r.FileName);
        if (n == -1)
            continue;
        auto same = std::find_if(steps.begin() + static_cast<std::ptrdiff_t>(firstOfDir), steps.end(),
                                 [&](const TDLCStep& s) { return SameText(s.FileName, r.FileName); });
        if (same == steps.end()) {
            steps.push_back({current + "files.bbs", UpperCaseAscii(r.FileName), n, n});
            same = steps.end() - 1;
        }
        if (same->New != INT_MAX)
            ++same->New;
    }
    return steps;
}

std::vector<TDLCStep> ApplyDownloadCounters(const std::vector<TDLCStep>& steps, const TDLCSettings& settings,
                                            const std::function<void(std::size_t done, std::size_t total)>& progress,
                                            std::exception_ptr* error)
{
    std::vector<TDLCStep> failed;
    TFilesBbs bbs(settings);
    std::size_t i = 0;
    while (i < steps.size()) {
        std::size_t end = i;
        while (end < steps.size() && steps[end].BbsPath == steps[i].BbsPath)
            ++end;
        try {
            bbs.Load(steps[i].BbsPath);
            for (std::size_t k = i; k < end; ++k) {
                // A step whose counter already shows its new value was written by a
                // run that was stopped before it could say so.
                const TDLCStep& s = steps[k];
                const int n = bbs.GetCounter(s.FileName);
                if (n != -1 && n != s.New)
                    bbs.SetCounter(s.FileName, n > INT_MAX - (s.New - s.Old) ? INT_MAX : n + (s.New - s.Old));
            }
            bbs.Save(steps[i].BbsPath);
        } catch (const Exception&) {
            if (error && !*error)
                *error = std::current_exception();
            failed.insert(failed.end(), steps.begin() + static_cast<std::ptrdiff_t>(i),
                          steps.begin() + static_cast<std::ptrdiff_t>(end));
        }
        i = end;
        if (progress)
            progress(i, steps.size());
    }
    return failed;
}

void UpdateDownloadCounters(std::vector<TDLCFreq>& records, const TDLCSettings& settings,
                            const std::function<std::string(const std::string& fileName)>& resolve,
                            const std::function<void(std::size_t done, std::size_t total)>& progress)
{
    std::exception_ptr error;
    ApplyDownloadCounters(PlanDownloadCounters(records, settings, resolve, &error), settings, progress, &error);
    if (error)
        std::rethrow_exception(error);
}

}  // namespace tarvix
