#include "FuzzSupport.h"

#include "engine/DialStatColumns.h"
#include "engine/LogStyles.h"
#include "engine/LogText.h"
#include "engine/MailerLog.h"
#include "engine/SessColumns.h"
#include "fido/DateTime.h"
#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "platform/CodePage.h"
#include "settings/SettingsStore.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tarvix::fuzz {

void CheckFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

namespace {

void RemoveWorkDir();

std::string MakeWorkDir()
{
    fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path dir = base / ("tarvix-fuzz-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::atexit(RemoveWorkDir);
    return dir.string();
}

void RemoveWorkDir()
{
    std::error_code ec;
    fs::remove_all(WorkDir(), ec);
}

}  // namespace

const std::string& WorkDir()
{
    // Never destroyed: the exit handler that removes the directory needs its name.
    static const std::string& dir = *new std::string(MakeWorkDir());
    return dir;
}

std::string WorkPath(const std::string& name) { return WorkDir() + "/" + name; }

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::abort();
    }
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

const std::string& SampleCopy(const std::string& mailer)
{
    static std::vector<std::pair<std::string, std::string>> copies;
    for (const auto& c : copies)
        if (c.first == mailer)
            return c.second;
    fs::path to = fs::path(WorkDir()) / ("sample-" + mailer);
    fs::create_directories(to.parent_path());  // a sample in a subfolder ("binkd/beta")
    fs::copy(fs::path(TARVIX_SOURCE_DIR) / "samples" / mailer, to, fs::copy_options::recursive);
    copies.emplace_back(mailer, to.string());
    return copies.back().second;
}

TBatchDialogs& QuietDialogs()
{
    static TBatchDialogs dialogs(mrOk, true);
    return dialogs;
}

void Setup()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterGenericLogStyles();
    SetCurrentYear(2026);
    LoadLng("QZ_Eng.lng");
    SetDialogs(&QuietDialogs());
    Settings().SkipErrors = true;
    ClearMainAddr();
    SetMainAddr(TFidoAddr::CreateStr(kDefaultMainAddr));
    SetDefaultAddrFlags(0);
}

std::pair<std::string_view, std::string_view> SplitInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return {{}, {}};
    std::size_t len = data[0] | (std::size_t(data[1]) << 8);
    std::string_view rest = AsText(data + 2, size - 2);
    if (len > rest.size())
        len = rest.size();
    return {rest.substr(0, len), rest.substr(len)};
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find_first_of("\r\n", pos);
        if (eol == std::string_view::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, eol - pos));
        pos = eol + (text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

void FuzzWindow::GoToLine(std::int64_t) {}

void FuzzWindow::LineError(std::int64_t, const std::string& message)
{
    ++Errors;
    // As tarvix-report shows a message that quotes the log's own bytes.
    if (!IsValidUtf8(message))
        (void)DisplayText(message);
}

bool FuzzWindow::ShowErrorLine(std::int64_t, const std::string&) { return true; }

void Highlight(TLog& log, std::string_view text)
{
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::int64_t lineNo = 0;
    for (std::string_view line : Lines(text)) {
        ++lineNo;
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && blank(line[i]))
                ++i;
            std::size_t start = i;
            while (i < line.size() && !blank(line[i]))
                ++i;
            if (start == i)
                break;
            try {
                (void)log.GetWordClass(line.substr(start, i - start), lineNo, static_cast<int>(start));
            } catch (const std::exception&) {
                // The view paints a word whose decision fails plain.
            }
        }
    }
}

namespace {

void ReadResults(TLog& log)
{
    for (std::size_t d = 0; d < log.DayCount(); ++d)
        (void)log.DayOfLine(log.GetDay(d).FirstLine);
    auto* mailer = dynamic_cast<TMailerLog*>(&log);
    if (!mailer)
        return;
    for (std::size_t i = 0; i < mailer->SessCount(); ++i) {
        const TSess& s = mailer->GetSess(i);
        (void)mailer->SessOfLine(s.StartLine);
        (void)s.SessText();
        for (int type = 0; type < kSessColumnTypes; ++type) {
            (void)SessColumnText(s, type, false);
            (void)SessColumnText(s, type, true, 1);
        }
    }
    for (std::size_t i = 0; i < mailer->FreqCount(); ++i) {
        const TFreq& f = mailer->GetFreq(i);
        (void)mailer->GetFreqName(i);
        if (f.Sent)
            (void)mailer->ResolveFreqName(f.RealName);
    }
    for (std::size_t d = 0; d < mailer->DayStatCount(); ++d) {
        const TNodeStatList& stats = mailer->GetDayStats(d);
        for (std::size_t i = 0; i < stats.Count(); ++i)
            for (int type = 0; type < kDialStatColumnTypes; ++type)
                (void)DialStatColumnText(stats.GetItems(i), type, type & 1);
        for (int type = 0; type < kDialStatColumnTypes; ++type)
            (void)DialStatColumnText(stats.Total, type, true);
    }
}

}  // namespace

bool AnalyseLog(TLog& log, std::string_view text)
{
    std::vector<std::string_view> lines = Lines(text);
    if (!lines.empty()) {
        log.AutoNew = true;
        log.LastStr = std::string(lines[text.size() % lines.size()].substr(0, 20));
    }
    log.SetText(std::string(text));
    QuietDialogs().Shown.clear();
    FuzzWindow window;
    log.Window = &window;
    bool done = log.Analyse({});
    log.Window = nullptr;
    ReadResults(log);
    Highlight(log, text);
    return done;
}

}  // namespace tarvix::fuzz
