#include "fido/MailerLng.h"

#include "platform/Bytes.h"
#include "platform/FileRead.h"

#include <algorithm>
#include <string>

namespace tarvix {

namespace {

constexpr std::size_t kCountOffset = 28;
constexpr std::size_t kIndexOffset = 32;

[[noreturn]] void Damaged(const std::string& name, const std::string& what)
{
    throw EMailerLngError(name + ": " + what);
}

}  // namespace

TSFMailLng::TSFMailLng(const std::string& fileName)
{
    Load(ReadWholeFile(fileName), fileName);
}

TSFMailLng TSFMailLng::FromBytes(const std::string& bytes, const std::string& name)
{
    TSFMailLng lng;
    lng.Load(bytes, name);
    return lng;
}

void TSFMailLng::Load(const std::string& bytes, const std::string& name)
{
    const std::size_t size = bytes.size();
    if (size < kIndexOffset)
        Damaged(name, "file of " + std::to_string(size) + " bytes is shorter than its " +
                          std::to_string(kIndexOffset) + "-byte header");
    const std::size_t count = LoadU16LE(bytes, kCountOffset);
    const std::size_t areaStart = kIndexOffset + 4 * count;
    if (areaStart > size)
        Damaged(name, "index table of " + std::to_string(count) +
                          " entries runs past end of file");
    const std::size_t areaSize = size - areaStart;

    std::vector<Entry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kIndexOffset + 4 * i;
        const std::uint16_t number = LoadU16LE(bytes, at);
        const std::size_t pos = LoadU16LE(bytes, at + 2);
        const std::string which = "message " + std::to_string(number);
        if (pos == 0)
            Damaged(name, which + " has string position 0");
        if (pos > areaSize)
            Damaged(name, which + " has string position " + std::to_string(pos) +
                              " beyond the string area of " + std::to_string(areaSize) +
                              " bytes");
        // pos is the 1-based position of the length byte.
        const std::size_t lenAt = areaStart + pos - 1;
        const std::size_t len = static_cast<unsigned char>(bytes[lenAt]);
        if (len > size - lenAt - 1)
            Damaged(name, "string of " + which + " runs past end of file");
        entries.push_back(Entry{number, bytes.substr(lenAt + 1, len)});
    }
    // The mailer writes the index in ascending order; keep a hand-edited file usable
    // for the binary search by putting it in order ourselves.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.number < b.number; });
    entries_ = std::move(entries);
}

std::string TSFMailLng::GetStr(std::int64_t number) const
{
    std::size_t low = 0;
    std::size_t n = entries_.size();
    while (n > 0) {
        const std::size_t half = n / 2;
        const std::size_t mid = low + half;
        const std::int64_t at = entries_[mid].number;
        if (at == number)
            return entries_[mid].text;
        if (number > at) {
            low = mid + 1;
            n = n - half - 1;
        } else {
            n = half;
        }
    }
    return std::string();
}

std::string TSFMailLng::GetCut(std::int64_t number) const
{
    std::string s = GetStr(number);
    const std::size_t p = s.find("%1");
    if (p != std::string::npos)
        s.erase(p);
    return s;
}

}  // namespace tarvix
