#include "fido/ConfigParser.h"

#include "fido/NVUtils.h"
#include "platform/HostPath.h"
#include "platform/ReadOpen.h"
#include "platform/SysCall.h"

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace tarvix {

namespace {

inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string UpperStr(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = Upper(c);
    return r;
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Trimming removes every control character and blank, as the mailers' own readers do.
inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The parser being run by Parse on this thread, so that the static validators take
// relative names the way that parser does.
thread_local const TQParser* tActive = nullptr;

class ActiveGuard {
public:
    explicit ActiveGuard(const TQParser* p) : previous_(tActive) { tActive = p; }
    ~ActiveGuard() { tActive = previous_; }
    ActiveGuard(const ActiveGuard&) = delete;
    ActiveGuard& operator=(const ActiveGuard&) = delete;

private:
    const TQParser* previous_;
};

// The language text of key formatted with args. It must not fail: without a
// language file, or with a text that does not suit the arguments, the key and the
// arguments are given as they are.
std::string LngText(std::string_view key, const std::vector<FmtArg>& args)
{
    if (LngLoaded()) {
        try {
            return LFmtS(key, args);
        } catch (const Exception&) {
        }
    }
    std::string s(key);
    for (const FmtArg& a : args)
        if (a.IsString())
            s += " " + a.AsString();
    return s;
}

// The position of find in s at or after from, compared without regard to case.
// Finds a text in lines without regard to case, in time linear in the length of
// the line whatever the text (Knuth-Morris-Pratt): a configuration may search long
// expanded lines for many long define names.
class NoCaseFinder {
public:
    explicit NoCaseFinder(std::string_view find) : find_(UpperStr(find)), next_(find_.size(), 0)
    {
        // next_[k]: the length of the longest proper prefix of find_[0..k] that is
        // also a suffix of it.
        for (std::size_t k = 1, j = 0; k < find_.size(); ++k) {
            while (j > 0 && find_[k] != find_[j])
                j = next_[j - 1];
            if (find_[k] == find_[j])
                ++j;
            next_[k] = j;
        }
    }

    // The first occurrence at or after from, or npos.
    std::size_t Find(const std::string& s, std::size_t from) const
    {
        if (find_.empty())
            return std::string::npos;
        for (std::size_t i = from, j = 0; i < s.size(); ++i) {
            const char c = Upper(s[i]);
            while (j > 0 && c != find_[j])
                j = next_[j - 1];
            if (c == find_[j] && ++j == find_.size())
                return i + 1 - j;
        }
        return std::string::npos;
    }

private:
    std::string find_;
    std::vector<std::size_t> next_;
};

// Replaces every occurrence of find in s (any case) by replacement, left to right,
// without scanning the inserted text again - as ReplaceTextAll does - but the result
// is cut at limit bytes, since a short name with a long value would otherwise
// multiply the length of the line.
void ReplaceLimited(std::string& s, std::string_view find, std::string_view replacement, std::size_t limit)
{
    const NoCaseFinder finder(find);
    std::size_t at = finder.Find(s, 0);
    if (at == std::string::npos)
        return;
    std::string r;
    r.reserve(std::min(limit, s.size() + replacement.size()));
    std::size_t done = 0;
    while (at != std::string::npos && r.size() < limit) {
        r.append(s, done, at - done);
        r.append(replacement.substr(0, limit > r.size() ? limit - r.size() : 0));
        done = at + find.size();
        at = finder.Find(s, done);
    }
    if (r.size() < limit)
        r.append(s, done, std::string::npos);
    if (r.size() > limit)
        r.resize(limit);
    s = std::move(r);
}

bool IsAbsoluteName(std::string_view name)
{
    if (name.empty())
        return false;
    if (name[0] == '\\' || name[0] == '/')
        return true;
    const unsigned char c = static_cast<unsigned char>(name[0]);
    return name.size() >= 2 && name[1] == ':' && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
}

// The directory part of a host path: "" when it has none, "/" for a file in the root.
std::string DirOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// An integer as the classic StrToInt reads it: an optional sign and decimal digits,
// or hexadecimal after "$" or "0x" (up to 32 bits, so $FFFFFFFF is -1).
bool ParseInt(std::string_view s, int& out)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size())
        return false;
    long long value = 0;
    const long long limit = hex ? 0xFFFFFFFFLL : (negative ? 2147483648LL : 2147483647LL);
    for (; i < s.size(); ++i) {
        int digit;
        const char c = s[i];
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && Upper(c) >= 'A' && Upper(c) <= 'F')
            digit = Upper(c) - 'A' + 10;
        else
            return false;
        value = value * (hex ? 16 : 10) + digit;
        if (value > limit)
            return false;
    }
    if (hex && value > INT_MAX)
        value -= 0x100000000LL;
    out = static_cast<int>(negative ? -value : value);
    return true;
}

// Reads a file line by line. Lines end in CR LF, LF or CR; of each line only the
// first maxLine bytes are kept, so that any file is read in little memory.
class LineReader {
public:
    LineReader(int fd, std::size_t maxLine) : fd_(fd), maxLine_(maxLine), buf_(64 * 1024) {}
    ~LineReader() { ::close(fd_); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line; false at the end of the file (or after a read error).
    bool Next(std::string& line)
    {
        line.clear();
        int c = Get();
        if (c < 0)
            return false;
        for (;;) {
            if (c < 0 || c == '\n')
                return true;
            if (c == '\r') {
                if (Peek() == '\n')
                    ++pos_;
                return true;
            }
            if (line.size() < maxLine_)
                line += static_cast<char>(c);
            c = Get();
        }
    }
    bool Failed() const { return failed_; }

private:
    bool Fill()
    {
        while (!eof_) {
            const ssize_t n = RetryOnSignal([&] { return ::read(fd_, buf_.data(), buf_.size()); });
            if (n > 0) {
                pos_ = 0;
                len_ = static_cast<std::size_t>(n);
                return true;
            }
            failed_ = n < 0;
            eof_ = true;
        }
        return false;
    }
    int Get()
    {
        if (pos_ == len_ && !Fill())
            return -1;
        return static_cast<unsigned char>(buf_[pos_++]);
    }
    int Peek()
    {
        if (pos_ == len_ && !Fill())
            return -1;
        return static_cast<unsigned char>(buf_[pos_]);
    }

    int fd_;
    std::size_t maxLine_;
    std::vector<char> buf_;
    std::size_t pos_ = 0, len_ = 0;
    bool eof_ = false, failed_ = false;
};

}  // namespace

// ------------------------------------------------------------------ EQParserError

EQParserError::EQParserError(std::string_view key, const std::vector<FmtArg>& args)
    : ELException(key, args), message_(std::runtime_error::what())
{
}

EQParserError::EQParserError(std::string_view key, const std::vector<FmtArg>& args, std::string fileName,
                             int line)
    : ELException(key, args), message_(std::runtime_error::what()), fileName_(std::move(fileName)), line_(line)
{
}

EQParserError::EQParserError(std::string_view text, std::string fileName, int line)
    : ELException(text), message_(text), fileName_(std::move(fileName)), line_(line)
{
}

// ------------------------------------------------------------------ handlers

int THandler::MinWords() const
{
    switch (Kind) {
    case THandlerKind::hkProc:
        return MinArgs;
    case THandlerKind::hkCustom:
        return 1;
    default:
        return 2;
    }
}

TQParser::TQParser() = default;
TQParser::~TQParser() = default;

void TQParser::AddHandler(std::unique_ptr<THandler> handler)
{
    handler->Keyword = UpperStr(handler->Keyword);
    if (handlers_.count(handler->Keyword))
        throw EQParserError("QParser.DupKeyword", {handler->Keyword});
    last_ = handler.get();
    std::string key = handler->Keyword;
    handlers_.emplace(std::move(key), std::move(handler));
}

void TQParser::AddProc(std::string_view keyword, TQProc proc, int minArgs)
{
    auto h = std::make_unique<THandler>();
    h->Keyword = keyword;
    h->Kind = THandlerKind::hkProc;
    h->Proc = std::move(proc);
    h->MinArgs = minArgs;
    AddHandler(std::move(h));
}

void TQParser::AddStr(std::string_view keyword, std::string& var)
{
    auto h = std::make_unique<THandler>();
    h->Keyword = keyword;
    h->Kind = THandlerKind::hkStr;
    h->Str = &var;
    AddHandler(std::move(h));
}

void TQParser::AddBool(std::string_view keyword, bool& var)
{
    auto h = std::make_unique<THandler>();
    h->Keyword = keyword;
    h->Kind = THandlerKind::hkBool;
    h->Bool = &var;
    AddHandler(std::move(h));
}

void TQParser::AddInt(std::string_view keyword, int& var)
{
    auto h = std::make_unique<THandler>();
    h->Keyword = keyword;
    h->Kind = THandlerKind::hkInt;
    h->Int = &var;
    AddHandler(std::move(h));
}

void TQParser::AddList(std::string_view keyword, std::vector<std::string>& list)
{
    auto h = std::make_unique<THandler>();
    h->Keyword = keyword;
    h->Kind = THandlerKind::hkList;
    h->List = &list;
    AddHandler(std::move(h));
}

void TQParser::AddEnum(std::string_view keyword, int& var, std::vector<std::string> allowed)
{
    auto h = std::make_unique<THandler>();
    h->Keyword = keyword;
    h->Kind = THandlerKind::hkEnum;
    h->Int = &var;
    h->Allowed = std::move(allowed);
    AddHandler(std::move(h));
}

void TQParser::AddCustom(std::string_view keyword, TQCustomProc proc, void* target)
{
    auto h = std::make_unique<THandler>();
    h->Keyword = keyword;
    h->Kind = THandlerKind::hkCustom;
    h->Custom = std::move(proc);
    h->Target = target;
    AddHandler(std::move(h));
}

THandler* TQParser::FindHandler(std::string_view keyword)
{
    auto it = handlers_.find(UpperStr(keyword));
    return it == handlers_.end() ? nullptr : it->second.get();
}

THandler& TQParser::LastHandler()
{
    if (!last_)
        throw EQParserError("TQParser.LastHandler: no keyword registered", std::string(), 0);
    return *last_;
}

bool TQParser::CheckFileExists(const TQWords& words, std::string& errorText)
{
    const std::string name = words.size() >= 2 ? words[1] : std::string();
    if (!name.empty()) {
        const std::string host = tActive ? tActive->ResolvePath(name) : ToHostPath(name);
        struct stat st {};
        if (::stat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            return true;
    }
    errorText = LngText("QParser.NoFile", {name});
    return false;
}

bool TQParser::CheckDirExists(const TQWords& words, std::string& errorText)
{
    const std::string name = words.size() >= 2 ? words[1] : std::string();
    if (!name.empty() && DirExists(tActive ? tActive->ResolvePath(name) : ToHostPath(name)))
        return true;
    errorText = LngText("QParser.NoDir", {name});
    return false;
}

// ------------------------------------------------------------------ properties

void TQParser::SetDefineStr(std::string_view s)
{
    if (s.find_first_of(" \t") != std::string_view::npos)
        throw EQParserError("DefineStr must be a single word", std::string(), 0);
    defineStr_ = UpperStr(s);
}

void TQParser::SetIncludeStr(std::string_view s)
{
    if (s.find_first_of(" \t") != std::string_view::npos)
        throw EQParserError("IncludeStr must be a single word", std::string(), 0);
    includeStr_ = UpperStr(s);
}

void TQParser::AddEnvDefines(std::string_view wrap)
{
    for (char** e = environ; e && *e; ++e) {
        std::string_view entry(*e);
        std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos || eq == 0)
            continue;
        std::string name(entry.substr(0, eq));
        if (wrap != " ")
            name = std::string(wrap) + name + std::string(wrap);
        defines_.Add(UpperStr(name), entry.substr(eq + 1));
    }
}

// ------------------------------------------------------------------ state

const std::string& TQParser::CurrentFileName() const
{
    static const std::string none;
    return files_.empty() ? none : files_.back().path;
}

int TQParser::CurrentLine() const { return files_.empty() ? 0 : files_.back().line; }

std::string TQParser::BaseDir() const { return files_.empty() ? std::string() : files_.back().base; }

std::string TQParser::ResolvePath(std::string_view name) const
{
    const std::string base = BaseDir();
    if (name.empty() || base.empty() || IsAbsoluteName(name))
        return ToHostPath(name);
    std::string joined = base;
    if (joined.back() != '/')
        joined += '/';
    joined += name;
    return ToHostPath(joined);
}

EQParserError TQParser::LineError(std::string_view text) const
{
    return EQParserError(text, CurrentFileName(), CurrentLine());
}

// ------------------------------------------------------------------ parsing

void TQParser::Parse(std::string_view fileName)
{
    section_.clear();
    sectionAction_ = saParse;
    {
        ActiveGuard active(this);
        ParseFile(fileName);
    }
    for (const auto& [keyword, handler] : handlers_)
        if (handler->Required && !handler->Used)
            throw EQParserError("QParser.Missing", {keyword});
}

void TQParser::ParseFile(std::string_view name)
{
    const std::string path = ResolvePath(name);
    if (Level() >= kMaxIncludeDepth)
        throw EQParserError("QParser.IncludeDepth", {path}, CurrentFileName(), CurrentLine());

    // Only regular files are read: a directory, a pipe or a device (which might never
    // end) cannot be opened as a configuration file. O_NONBLOCK keeps the open of a
    // pipe from waiting for a writer.
    struct stat st {};
    int fd = -1;
    try {
        fd = path.empty() ? -1 : OpenRegularFile(path, &st);
    } catch (const EFOpenError&) {
    }
    if (fd < 0)
        throw EQParserError("QParser.CantOpen", {path});
    LineReader reader(fd, kMaxLine);
    for (const OpenFile& f : files_)
        if (f.device == static_cast<unsigned long long>(st.st_dev) &&
            f.inode == static_cast<unsigned long long>(st.st_ino))
            throw EQParserError("QParser.IncludeLoop", {path}, CurrentFileName(), CurrentLine());

    OpenFile file;
    file.path = path;
    file.base = files_.empty() || includesInSubdirs_ ? DirOf(path) : files_.back().base;
    file.device = static_cast<unsigned long long>(st.st_dev);
    file.inode = static_cast<unsigned long long>(st.st_ino);
    files_.push_back(std::move(file));
    struct Pop {
        std::vector<OpenFile>& files;
        ~Pop() { files.pop_back(); }
    } pop{files_};

    std::string raw;
    while (reader.Next(raw)) {
        int& line = files_.back().line;
        if (line < INT_MAX)
            ++line;
        if (!ProcessLine(std::move(raw)))
            break;
    }
    if (reader.Failed())
        throw LineError("Stream read error");
}

bool TQParser::ProcessLine(std::string line)
{
    if (OnBeforeParse) {
        TQParserAction action = qaProcess;
        OnBeforeParse(line, action);
        if (action == qaSkip)
            return true;
        if (action == qaStop)
            return false;
    }
    line_ = std::move(line);
    if (line_.empty())
        return true;

    if (line_[0] == '[') {
        std::size_t close = line_.find(']');
        if (close != std::string::npos) {
            section_ = line_.substr(1, close - 1);
            if (OnSection)
                OnSection(section_, sectionAction_);
            return true;
        }
        DebugTraceFmt("Ignoring invalid section start %s", {line_});
    }

    Substitute();
    Split();

    TQWords asSplit;
    if (OnAfterParse) {
        asSplit = words_;
        if (!OnAfterParse(words_))
            return true;
    }
    if (words_.empty())
        return true;

    const std::string first = UpperStr(words_[0]);
    if (!defineStr_.empty() && first == defineStr_) {
        if (OnDefine)
            OnDefine(words_);
        else
            DefineDirective(OnAfterParse ? asSplit : words_);
        return true;
    }
    if (!includeStr_.empty() && first == includeStr_) {
        if (words_.size() < 2)
            throw LineError("QParser.BadInclude");
        // The nested file reuses the line buffers, so the name is copied first.
        const std::string target = words_[1];
        ParseFile(target);
        return true;
    }
    if (sectionAction_ == saSkip)
        return true;

    THandler* handler = FindHandler(first);
    if (!handler)
        return !OnUnknownKeyword || OnUnknownKeyword(words_);
    CallHandler(*handler);
    return true;
}

void TQParser::Substitute()
{
    // Lines of the file are short; a line an OnBeforeParse handler made longer is
    // the program's own and keeps its length.
    const std::size_t limit = std::max(line_.size(), kMaxExpandedLine);
    for (std::size_t i = 0; i < defines_.Count(); ++i)
        ReplaceLimited(line_, defines_.KeyAt(i), defines_.ValueAt(i), limit);
}

void TQParser::Split()
{
    words_.clear();
    starts_.clear();
    std::string_view s = line_;
    if (!commentStr_.empty()) {
        std::size_t cut = s.find(commentStr_);
        if (cut != std::string_view::npos)
            s = s.substr(0, cut);
    }
    while (!s.empty() && IsTrimmed(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsTrimmed(s.back()))
        s.remove_suffix(1);

    // split_ is the line as the words see it: a define's value is taken from it. The
    // closing quote of a quoted word is not part of it.
    split_.clear();
    split_.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (IsBlank(s[i])) {
            split_ += s[i++];
            continue;
        }
        if (s[i] == '"') {
            std::size_t close = s.find('"', i + 1);
            if (close == std::string_view::npos)
                throw LineError("QParser.Unmatched");
            split_ += '"';
            starts_.push_back(split_.size());
            words_.emplace_back(s.substr(i + 1, close - i - 1));
            split_.append(s.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            std::size_t end = i;
            while (end < s.size() && !IsBlank(s[end]))
                ++end;
            starts_.push_back(split_.size());
            words_.emplace_back(s.substr(i, end - i));
            split_.append(s.substr(i, end - i));
            i = end;
        }
    }
}

void TQParser::DefineDirective(const TQWords& split)
{
    if (words_.size() < 3)
        throw LineError("QParser.BadDefine");
    // The value is the rest of the line from the third word on, blanks included. When
    // OnAfterParse dropped leading words, the third word is counted from the words
    // left; when it rewrote them, the value is made of the words themselves.
    std::string value;
    const std::size_t n = words_.size();
    if (split.size() >= n && std::equal(words_.begin(), words_.end(), split.end() - static_cast<std::ptrdiff_t>(n))) {
        value = split_.substr(starts_[2 + split.size() - n], kMaxDefineValue);
    } else {
        for (std::size_t k = 2; k < n && value.size() < kMaxDefineValue; ++k)
            value += (k > 2 ? " " : "") + words_[k];
        if (value.size() > kMaxDefineValue)
            value.resize(kMaxDefineValue);
    }
    defines_.Add(words_[1], value);
}

void TQParser::CallHandler(THandler& h)
{
    if (static_cast<long long>(words_.size()) < h.MinWords())
        throw LineError("QParser.NoArgs");
    if (h.Validator) {
        std::string errorText;
        if (!h.Validator(words_, errorText))
            throw LineError(errorText);
    }
    switch (h.Kind) {
    case THandlerKind::hkProc:
        if (h.Proc)
            h.Proc(words_);
        break;
    case THandlerKind::hkStr:
        *h.Str = words_[1];
        break;
    case THandlerKind::hkBool: {
        const std::string v = UpperStr(words_[1]);
        if (v == "YES" || v == "TRUE")
            *h.Bool = true;
        else if (v == "NO" || v == "FALSE")
            *h.Bool = false;
        else
            throw LineError("QParser.BadBool");
        break;
    }
    case THandlerKind::hkInt: {
        int value = 0;
        if (!ParseInt(words_[1], value))
            throw LineError("'" + words_[1] + "' is not a valid integer value");
        *h.Int = value;
        break;
    }
    case THandlerKind::hkList:
        h.List->push_back(words_[1]);
        break;
    case THandlerKind::hkEnum: {
        if (h.Allowed.empty())
            throw LineError("List not defined");
        int index = -1;
        for (std::size_t k = 0; k < h.Allowed.size(); ++k)
            if (SameText(h.Allowed[k], words_[1])) {
                index = static_cast<int>(k);
                break;
            }
        *h.Int = index;
        break;
    }
    case THandlerKind::hkCustom:
        if (!h.Custom)
            throw LineError("Undefined Custom handler");
        h.Custom(words_, h.Target);
        break;
    }
    h.Used = true;
}

}  // namespace tarvix
