// tarvix-gentmail: writes a T-Mail installation with a log for trying out and
// testing the log viewer. The same seed and options always give the same bytes.
//
// Usage: tarvix-gentmail --out DIR --seed S [--days N] [--sessions-per-day N]
//                        [--log-size BYTES] [--version 2599|2602|2603|2604|2605]
//                        [--task N] [--year Y]
#include "tools/gentmail/Installation.h"
#include "tools/gentmail/LogGen.h"
#include "tools/gentmail/SideFiles.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

using namespace tarvix::gentmail;

namespace {

const char* const kUsage =
    "Usage: tarvix-gentmail --out DIR --seed S [--days N] [--sessions-per-day N]\n"
    "                       [--log-size BYTES] [--version 2599|2602|2603|2604|2605]\n"
    "                       [--task N] [--year Y]\n"
    "Writes a T-Mail installation into DIR: t-mail.lng, t-mail.ctl (and the file it\n"
    "includes), dir.frq, index.frq, the index files, the address alias file, file areas\n"
    "with files.bbs, t-mail.log, the session history, the traffic file, freqlim.bin.\n"
    "  --days N              days of log (default 5); ignored with --log-size\n"
    "  --sessions-per-day N  calls and sessions per day (default 8)\n"
    "  --log-size BYTES      repeat days until the log holds at least BYTES (K, M, G allowed)\n"
    "  --version V           T-Mail version that wrote the files (default 2604)\n"
    "  --task N              T-Mail task number 1..255 (default 1)\n"
    "  --year Y              year of the time stamps of the binary files (default 2003)\n";

struct EUsage : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::uint64_t Number(const std::string& option, const std::string& text, bool suffix = false)
{
    std::size_t used = 0;
    std::uint64_t v = 0;
    try {
        if (text.empty() || text[0] == '-')
            throw std::invalid_argument(text);
        v = std::stoull(text, &used, 10);
    } catch (const std::exception&) {
        throw EUsage(option + " " + text + ": not a number");
    }
    std::string rest = text.substr(used);
    if (suffix && rest.size() == 1) {
        std::uint64_t mult = rest == "K" || rest == "k" ? 1024ull
                           : rest == "M" || rest == "m" ? 1024ull * 1024
                           : rest == "G" || rest == "g" ? 1024ull * 1024 * 1024
                                                        : 0;
        if (mult == 0)
            throw EUsage(option + " " + text + ": unknown size suffix");
        return v * mult;
    }
    if (!rest.empty())
        throw EUsage(option + " " + text + ": not a number");
    return v;
}

int Bounded(const std::string& option, const std::string& text, std::uint64_t lo, std::uint64_t hi)
{
    std::uint64_t v = Number(option, text);
    if (v < lo || v > hi)
        throw EUsage(option + " " + text + ": must be from " + std::to_string(lo) + " to " + std::to_string(hi));
    return static_cast<int>(v);
}

Options Parse(int argc, char** argv)
{
    Options o;
    bool seed = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            std::exit(0);
        }
        if (i + 1 >= argc)
            throw EUsage(a + ": unknown option or missing value");
        std::string v = argv[++i];
        if (a == "--out") {
            o.out = v;
        } else if (a == "--seed") {
            o.seed = Number(a, v);
            seed = true;
        } else if (a == "--days") {
            o.days = Bounded(a, v, 1, 100000);
        } else if (a == "--sessions-per-day") {
            o.sessionsPerDay = Bounded(a, v, 1, 1000);
        } else if (a == "--log-size") {
            o.logSize = Number(a, v, true);
        } else if (a == "--version") {
            o.version = Bounded(a, v, 2599, 2605);
            if (o.version != 2599 && (o.version < 2602))
                throw EUsage(a + " " + v + ": one of 2599, 2602, 2603, 2604, 2605");
        } else if (a == "--task") {
            o.task = Bounded(a, v, 1, 255);
        } else if (a == "--year") {
            o.year = Bounded(a, v, 1980, 2099);
        } else {
            throw EUsage(a + ": unknown option");
        }
    }
    if (o.out.empty() || !seed)
        throw EUsage("--out and --seed are required");
    return o;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    try {
        o = Parse(argc, argv);
    } catch (const EUsage& e) {
        std::cerr << "tarvix-gentmail: " << e.what() << "\n" << kUsage;
        return 2;
    }
    try {
        WriteInstallation(o);
        LogResult log = WriteLog(o);
        WriteSideFiles(o, log);
        std::cout << "tarvix-gentmail: " << o.out << ": T-Mail " << o.version << ", task " << o.task << ", "
                  << log.lines << " log lines, " << log.size << " bytes, " << log.sessions.size()
                  << " sessions in the history\n";
    } catch (const std::exception& e) {
        std::cerr << "tarvix-gentmail: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
