#include "tools/ndxwriters/NdxWriter.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>

namespace tarvix::ndxwriters {

namespace {

constexpr std::size_t kRecord2600 = 512;
constexpr std::size_t kName2600 = 264;
constexpr std::size_t kDir2600 = 248;
constexpr std::size_t kHeader2604 = 256;
constexpr std::size_t kNameField = 16;
constexpr std::size_t kContinuation = 248;

void Require(bool ok, const char* what)
{
    if (!ok)
        throw std::invalid_argument(what);
}

void Put16(std::string& out, std::size_t at, std::uint32_t v)
{
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t Get32(const std::string& in, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(in.at(at + static_cast<std::size_t>(i)));
    return v;
}

char Up(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Upper(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        c = Up(c);
    return r;
}

bool HasZero(const std::string& s) { return s.find('\0') != std::string::npos; }

}  // namespace

std::string BuildNdx2600(std::vector<NdxEntry> entries)
{
    std::sort(entries.begin(), entries.end(),
              [](const NdxEntry& a, const NdxEntry& b) { return a.first < b.first; });
    std::string out;
    out.reserve(entries.size() * kRecord2600);
    for (const NdxEntry& e : entries) {
        std::string dir = e.second;
        if (!dir.empty() && dir.back() == '\\')
            dir.pop_back();
        Require(!HasZero(e.first) && e.first.size() < kName2600, "2600: bad file name");
        Require(!HasZero(dir) && dir.size() < kDir2600, "2600: bad directory");
        std::string rec(kRecord2600, '\0');
        rec.replace(0, e.first.size(), e.first);
        rec.replace(kName2600, dir.size(), dir);
        out += rec;
    }
    return out;
}

std::string BuildNdx2604(const std::vector<NdxEntry>& entries)
{
    // Directories: sorted, each given its number.
    std::map<std::string, std::uint32_t> dirNumbers;
    for (const NdxEntry& e : entries) {
        Require(!HasZero(e.second), "2604: directory holds a zero byte");
        dirNumbers.emplace(e.second, 0);
    }
    Require(dirNumbers.size() <= 0x10000, "2604: too many directories");
    std::string block;
    std::string previous;
    std::uint32_t number = 0;
    for (auto& [dir, no] : dirNumbers) {
        no = number++;
        std::size_t shared = 0;
        while (shared < 255 && shared < dir.size() && shared < previous.size() && dir[shared] == previous[shared])
            ++shared;
        block.push_back(static_cast<char>(shared));
        block += dir.substr(shared);
        block.push_back('\0');
        previous = dir;
    }

    // File records, grouped by their first two letters in upper case.
    std::vector<const NdxEntry*> files;
    for (const NdxEntry& e : entries) {
        Require(!e.first.empty() && !HasZero(e.first) && e.first.size() < kNameField + kContinuation,
                "2604: bad file name");
        files.push_back(&e);
    }
    std::stable_sort(files.begin(), files.end(),
                     [](const NdxEntry* a, const NdxEntry* b) { return Upper(a->first) < Upper(b->first); });

    std::string records;
    std::vector<std::pair<std::string, std::size_t>> table;  // (two letters, offset within records)
    for (const NdxEntry* e : files) {
        std::string up = Upper(e->first);
        std::string two {up[0], up.size() > 1 ? up[1] : '\0'};
        if (table.empty() || table.back().first != two)
            table.emplace_back(two, records.size());
        std::string rec(10, '\0');
        Put16(rec, 0, dirNumbers.at(e->second));
        std::string name = e->first;
        std::string field(kNameField, '\0');
        field.replace(0, std::min(name.size(), kNameField), name.substr(0, kNameField));
        rec += field;
        if (name.size() >= kNameField) {
            std::string cont(kContinuation, '\0');
            std::string rest = name.substr(kNameField);
            cont.replace(0, rest.size(), rest);
            rec += cont;
        }
        records += rec;
    }

    const std::size_t tableOffset = kHeader2604 + block.size();
    const std::size_t recordsOffset = tableOffset + table.size() * 6;
    Require(recordsOffset + records.size() <= 0xFFFFFFFFu, "2604: file too large");

    std::string out(kHeader2604, '\0');
    Put16(out, 0, 0x3145);
    Put32(out, 4, static_cast<std::uint32_t>(dirNumbers.size()));
    Put32(out, 8, static_cast<std::uint32_t>(block.size()));
    Put32(out, 16, static_cast<std::uint32_t>(table.size()));
    Put32(out, 24, static_cast<std::uint32_t>(tableOffset));
    out += block;
    for (const auto& [two, offset] : table) {
        std::string entry(6, '\0');
        entry[0] = two[0];
        entry[1] = two[1];
        Put32(entry, 2, static_cast<std::uint32_t>(recordsOffset + offset));
        out += entry;
    }
    out += records;
    return out;
}

Ndx2604Layout LayoutOf2604(const std::string& file)
{
    Ndx2604Layout l;
    l.dirBlockSize = Get32(file, 8);
    l.tableCount = Get32(file, 16);
    l.tableOffset = Get32(file, 24);
    l.recordsOffset = l.tableOffset + l.tableCount * 6;
    return l;
}

}  // namespace tarvix::ndxwriters
