#include "tools/gentmail/World.h"

#include <cctype>
#include <cstdio>

namespace tarvix::gentmail {

std::uint64_t Rng::Next()
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int Day::DaysInMonth() const
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return days[month - 1];
}

Day Day::Next() const
{
    Day d = *this;
    if (++d.day > DaysInMonth()) {
        d.day = 1;
        if (++d.month > 12) {
            d.month = 1;
            ++d.year;
        }
    }
    return d;
}

std::int64_t Day::Serial() const
{
    // Days from the civil date (proleptic Gregorian calendar).
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t m = month;
    std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string Day::LogDate() const
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d/%02d", day % 100, month % 100);
    return buf;
}

std::string Addr::Text() const
{
    std::string s = std::to_string(zone) + ":" + std::to_string(net) + "/" + std::to_string(node);
    if (point != 0) {
        s += '.';
        s += std::to_string(point);
    }
    return s;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

const std::vector<Node>& Nodes()
{
    // Sysop with a comma in the name (two commas in the sysop line), a sysop name in
    // code page 866, a point, an unlisted node, an FTS-1 only mailer.
    static const std::vector<Node> nodes = {
        {{2, 5030, 1, 0}, "Alexey Orlov", "Moscow Hub", "Moscow, Russia", "7-095-100-0001",
         "T-Mail 2605/DOS", "HUBPASS", "Boss", 33600},
        {{2, 5030, 123, 0}, "Ivan Petrov", "Petrov Station", "Moscow", "7-095-111-2233",
         "T-Mail 2604/OS2", "SECRET", "Petrov", 33600},
        {{2, 5030, 456, 0}, "Olga Smirnova", "Night Owl BBS", "Zelenograd", "7-095-532-0456",
         "Bink/+ 1.10/OS2", "", "", 28800},
        {{2, 5030, 77, 0}, "Dmitry Volkov", "Volkov Home", "Moscow", "7-095-777-7070",
         "FrontDoor 2.33ml/DOS", "", "", 14400},
        {{2, 5030, 777, 0}, "Smith, John", "Smith and Sons", "Dolgoprudny", "7-095-408-7777",
         "Argus 3.210/Win32", "", "", 31200},
        {{2, 463, 45, 0}, "Andriy Koval", "Kiev Gate", "Kiev, Ukraine", "380-44-555-1212",
         "T-Mail 2605/DOS", "KIEVGATE", "Kiev", 33600},
        {{2, 463, 45, 7}, "Taras Melnyk", "Melnyk Point", "Kiev", "-Unpublished-",
         "T-Mail 2604/DOS", "", "", 28800, true, false, false},
        {{2, 5020, 1000, 0}, "\x91\xA5\xE0\xA3\xA5\xA9 \x8A\xAE\xA7\xAB\xAE\xA2", "Kozlov BBS", "Moscow",
         "7-095-200-1000", "SF-Mail 2.05/DOS", "", "", 19200},
        {{2, 5020, 52, 0}, "Pavel Egorov", "Egorov Station", "Moscow", "-Unpublished-",
         "Bink/+ 1.00/DOS", "PAVEL52", "", 33600, true, false, false},
        {{2, 450, 20, 0}, "Natalia Kuzmina", "Minsk Mail", "Minsk, Belarus", "375-17-222-3344",
         "Argus 3.210/Win32", "", "", 28800},
        {{2, 5030, 888, 0}, "Unknown Sysop", "New Node", "Khimki", "7-095-572-8888",
         "T-Mail 2604/DOS", "", "", 33600, false, false, false},
        {{2, 5030, 300, 0}, "Boris Lebedev", "Lebedev BBS", "Moscow", "7-095-300-0300",
         "FrontDoor 1.99c/DOS", "", "", 9600, true, true, true},
    };
    return nodes;
}

const std::vector<Area>& Areas()
{
    static const std::vector<Area> areas = {
        {"FILES\\SOFT", "FILES/SOFT", "software", true,
         {
             {"T-MAIL.ZIP", 612345, "T-Mail 2604 mailer, DOS and OS/2 versions", 12,
              "with the documentation in Russian and English"},
             {"TM2605.ZIP", 234567, "T-Mail 2605 update", -1, ""},
             {"GOLDED.ZIP", 456789, "GoldED 3.00 mail editor", 3, ""},
             {"FASTECHO.ZIP", 345678, "FastEcho 1.46 echomail tosser", -1, "registration key not included"},
             {"T-MAIL-2604-DOCS.ZIP", 98765, "T-Mail documentation (long file name)", 0, ""},
         }},
        {"FILES\\FIDO", "FILES/FIDO", "Fidonet documents", true,
         {
             {"FTS-0001.TXT", 45678, "FTS-0001: a basic Fidonet technical standard", 27, ""},
             {"POLICY4.ZIP", 23456, "Fidonet policy 4.07", -1, ""},
             {"FIDONEWS.ZIP", 56789, "FidoNews, this year's issues", 5, "one file per issue"},
         }},
        {"C:\\FILES\\NODELIST", "FILES/NODELIST", "nodelists and diffs", true,
         {
             {"NODELIST.Z45", 1234567, "Fidonet nodelist, day 045", 41, ""},
             {"NODEDIFF.A52", 45678, "Nodediff for day 052", -1, ""},
             {"PNT5030.ZIP", 34567, "Pointlist of net 5030", 8, ""},
         }},
        {"FILES\\LISTS", "FILES/LISTS", "file lists (magic names only)", false,
         {
             {"ALLFILES.ZIP", 12345, "List of all files", 2, ""},
             {"NEWFILES.ZIP", 2345, "New files of the month", -1, ""},
         }},
    };
    return areas;
}

const std::vector<MagicName>& MagicNames()
{
    static const std::vector<MagicName> names = {
        {"FILES", "FILES\\LISTS", "ALLFILES.ZIP"},
        {"NEWFILES", "FILES\\LISTS", "NEWFILES.ZIP"},
        {"NODELIST", "C:\\FILES\\NODELIST", "NODELIST.Z45"},
        {"TMAIL", "FILES\\SOFT", "T-MAIL.ZIP"},
    };
    return names;
}

const std::vector<std::vector<std::string>>& RequestSets()
{
    static const std::vector<std::vector<std::string>> sets = {
        {"T-MAIL.ZIP"},
        {"FILES"},
        {"*.ZIP"},
        {"NODELIST", "POLICY4.ZIP"},
        {"NOSUCH.ZIP", "FTS-0001.TXT"},
        {"tm2605.zip"},
        {"NODE*.*"},
        {"T-MAIL-2604-DOCS.ZIP", "NEWFILES"},
        {"GOLDED.ZIP", "NODEDIFF.A52"},
        {"FIDONEWS.ZIP", "PNT5030.ZIP"},
    };
    return sets;
}

namespace {

bool WildMatch(const char* mask, const char* name)
{
    for (; *mask; ++mask, ++name) {
        if (*mask == '*') {
            for (const char* n = name;; ++n) {
                if (WildMatch(mask + 1, n))
                    return true;
                if (!*n)
                    return false;
            }
        }
        if (!*name || (*mask != '?' && *mask != *name))
            return false;
    }
    return !*name;
}

const Area* AreaOf(const std::string& dosDir)
{
    for (const Area& a : Areas())
        if (a.dosDir == dosDir)
            return &a;
    return nullptr;
}

}  // namespace

Resolution Resolve(const std::string& requested, std::size_t maxMask)
{
    const std::string name = Upper(requested);
    Resolution r;
    for (const MagicName& m : MagicNames()) {
        if (m.name != name)
            continue;
        for (const AreaFile& f : AreaOf(m.areaDir)->files)
            if (f.name == m.file)
                r.files.push_back({m.areaDir, &f});
        r.kind = ReqKind::Magic;
        return r;
    }
    const bool mask = name.find_first_of("*?") != std::string::npos;
    for (const Area& a : Areas()) {
        if (!a.inDirList)
            continue;
        for (const AreaFile& f : a.files) {
            if (mask ? WildMatch(name.c_str(), f.name.c_str()) : f.name == name) {
                if (r.files.size() < (mask ? maxMask : 1))
                    r.files.push_back({a.dosDir, &f});
            }
        }
    }
    r.kind = r.files.empty() ? ReqKind::Missing : (mask ? ReqKind::Mask : ReqKind::Exact);
    return r;
}

}  // namespace tarvix::gentmail
