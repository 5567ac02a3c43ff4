// What the generated installation knows: the generator's options, the random
// source, the calendar, the remote nodes, the file areas and the file requests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvix::gentmail {

struct Options {
    std::string out;
    std::uint64_t seed = 1;
    int days = 5;
    int sessionsPerDay = 8;
    std::uint64_t logSize = 0;  // 0: exactly `days` days
    int version = 2604;
    int task = 1;
    int year = 2003;            // year of the time stamps in the binary side files
};

// A small deterministic random source (splitmix64), the same on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next();
    // A number in [0, n); 0 when n is 0.
    std::uint64_t Below(std::uint64_t n) { return n == 0 ? 0 : Next() % n; }
    int Range(int lo, int hi) { return lo + static_cast<int>(Below(static_cast<std::uint64_t>(hi - lo + 1))); }
    bool Percent(int p) { return static_cast<int>(Below(100)) < p; }

private:
    std::uint64_t state_;
};

// A day of the log. February always has 28 days, so every date is valid in any year.
struct Day {
    int year = 2003;
    int month = 1;  // 1..12
    int day = 1;
    Day Next() const;
    int DaysInMonth() const;
    // Days since 1970-01-01 of this date.
    std::int64_t Serial() const;
    std::string LogDate() const;  // "dd/mm"
};

struct Addr {
    int zone = 0, net = 0, node = 0, point = 0;
    std::string Text() const;  // 2:5030/123 or 2:5030/123.4
};

struct Node {
    Addr addr;
    std::string sysop, system, location, phone, mailer;
    std::string password;  // empty: no session password
    std::string alias;     // name in the address alias file, or empty
    int speed = 33600;     // fastest connect
    bool listed = true;
    bool fts1 = false;     // the remote mailer knows only FTS-1
    bool dialable = true;  // has a phone we call
};

const std::vector<Node>& Nodes();

struct AreaFile {
    std::string name;         // as on disk and in the index
    std::uint32_t size = 0;   // size the log shows when it is sent
    std::string description;
    int counter = -1;         // download counter in files.bbs, -1 for none
    std::string more;         // continuation line of files.bbs, or empty
};

struct Area {
    std::string dosDir;       // as T-Mail names it, without the closing "\"
    std::string hostDir;      // below the installation directory
    std::string title;
    bool inDirList = true;    // listed in dir.frq (and in the index files)
    std::vector<AreaFile> files;
};

const std::vector<Area>& Areas();

// A magic name of index.frq: name -> file.
struct MagicName {
    std::string name;
    std::string areaDir;  // dosDir of the area holding the file
    std::string file;
};

const std::vector<MagicName>& MagicNames();

// A file served for a request, with the DOS directory it was found in.
struct Served {
    std::string dosDir;
    const AreaFile* file = nullptr;
};

// How a requested name is served: the files, and how it was found.
enum class ReqKind { Exact, Magic, Mask, Missing };
struct Resolution {
    ReqKind kind = ReqKind::Missing;
    std::vector<Served> files;
};

// Looks a requested name up as T-Mail does: magic names first, then a mask over the
// file areas of dir.frq (at most maxMask files), then the exact name.
Resolution Resolve(const std::string& requested, std::size_t maxMask = 4);

// The sets of names one caller requests in one session; none overlaps another of
// the same set, so every sent file answers exactly one request.
const std::vector<std::vector<std::string>>& RequestSets();

// Upper case of ASCII letters.
std::string Upper(std::string s);

}  // namespace tarvix::gentmail
