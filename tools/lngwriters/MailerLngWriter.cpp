#include "tools/lngwriters/MailerLngWriter.h"

#include <algorithm>
#include <stdexcept>

namespace tarvix::lngwriters {

namespace {

void PutU16(std::string& out, std::size_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Require(bool ok, const char* what)
{
    if (!ok)
        throw std::invalid_argument(what);
}

}  // namespace

std::string BuildTMailLng(const std::vector<std::string>& entries, const std::string& trailer)
{
    Require(trailer.size() == 2, "t-mail.lng: the trailer must be two bytes");
    std::string out;
    for (const std::string& e : entries) {
        Require(e.find('\0') == std::string::npos, "t-mail.lng: entry holds a zero byte");
        out += e;
        out.push_back('\0');
    }
    out += trailer;
    return out;
}

std::string BuildSFMailLng(std::vector<std::pair<std::uint16_t, std::string>> entries)
{
    Require(entries.size() <= 0xFFFF, "sf-mail.lng: too many entries");
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string index;
    std::string area;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Require(i == 0 || entries[i - 1].first != entries[i].first,
                "sf-mail.lng: message number given twice");
        const std::string& text = entries[i].second;
        Require(text.size() <= 0xFF, "sf-mail.lng: string longer than 255 bytes");
        const std::size_t pos = area.size() + 1;  // 1-based position of the length byte
        Require(pos <= 0xFFFF, "sf-mail.lng: string area too large");
        PutU16(index, entries[i].first);
        PutU16(index, pos);
        area.push_back(static_cast<char>(text.size()));
        area += text;
    }
    std::string out(28, '\0');
    PutU16(out, entries.size());
    PutU16(out, 0);
    return out + index + area;
}

std::string BuildBinkLng(const std::vector<std::string>& strings)
{
    Require(strings.size() <= 0xFFFF, "binkley.lng: too many strings");
    std::string pointers;
    std::string block;
    for (const std::string& s : strings) {
        Require(s.find('\0') == std::string::npos, "binkley.lng: string holds a zero byte");
        Require(block.size() + 4 <= 0xFFFF, "binkley.lng: string block too large");
        PutU16(pointers, block.size() + 4);
        PutU16(pointers, 0);
        block += s;
        block.push_back('\0');
    }
    Require(block.size() <= 0xFFFF, "binkley.lng: string block too large");
    std::string out(4, '\0');
    PutU16(out, strings.size());
    PutU16(out, block.size());
    out.append(4, '\0');
    return out + pointers + block;
}

std::string BuildFHMailLng(const std::vector<FhEntry>& entries, const std::string& eol)
{
    auto plainValue = [](const std::string& v) {
        return v.find_first_of("'\r\n") == std::string::npos;
    };
    std::string out = "; FhMail language file" + eol;
    for (const FhEntry& e : entries) {
        Require(!e.key.empty() && e.key.find_first_of(" \t'\r\n;") == std::string::npos,
                "fhmail.lng: key is not a single word");
        Require(plainValue(e.value), "fhmail.lng: value holds a quote or line break");
        out += e.key + " '" + e.value + "'";
        if (e.value2) {
            Require(plainValue(*e.value2), "fhmail.lng: value holds a quote or line break");
            out += " '" + *e.value2 + "'";
        }
        out += eol;
    }
    return out;
}

}  // namespace tarvix::lngwriters
