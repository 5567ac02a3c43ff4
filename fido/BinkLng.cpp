#include "fido/MailerLng.h"

#include "platform/Bytes.h"
#include "platform/FileRead.h"

#include <string>
#include <string_view>

namespace tarvix {

namespace {

constexpr std::size_t kHeaderSize = 12;

[[noreturn]] void Damaged(const std::string& name, const std::string& what)
{
    throw EMailerLngError(name + ": " + what);
}

}  // namespace

TBinkLng::TBinkLng(const std::string& fileName)
{
    Load(ReadWholeFile(fileName), fileName);
}

TBinkLng TBinkLng::FromBytes(const std::string& bytes, const std::string& name)
{
    TBinkLng lng;
    lng.Load(bytes, name);
    return lng;
}

void TBinkLng::Load(const std::string& bytes, const std::string& name)
{
    const std::size_t size = bytes.size();
    if (size < kHeaderSize)
        Damaged(name, "file of " + std::to_string(size) + " bytes is shorter than its " +
                          std::to_string(kHeaderSize) + "-byte header");
    const std::size_t count = LoadU16LE(bytes, 4);
    const std::size_t dataSize = LoadU16LE(bytes, 6);
    const std::size_t blockStart = kHeaderSize + 4 * count;
    if (blockStart > size)
        Damaged(name, "pointer table of " + std::to_string(count) +
                          " entries runs past end of file");
    if (dataSize > size - blockStart)
        Damaged(name, "string block of " + std::to_string(dataSize) +
                          " bytes runs past end of file");
    const std::string_view block(bytes.data() + blockStart, dataSize);

    std::vector<std::string> strings;
    strings.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t pointer = LoadU16LE(bytes, kHeaderSize + 4 * i);
        const std::string which = "string " + std::to_string(i);
        // The pointer counts from four bytes before the block.
        if (pointer < 4)
            Damaged(name, which + " has pointer " + std::to_string(pointer) +
                              " before the string block");
        const std::size_t offset = pointer - 4;
        if (offset >= dataSize)
            Damaged(name, which + " starts at offset " + std::to_string(offset) +
                              " beyond the string block of " + std::to_string(dataSize) +
                              " bytes");
        const std::size_t end = block.find('\0', offset);
        if (end == std::string_view::npos)
            Damaged(name, which + " has no terminating zero inside the string block");
        strings.emplace_back(block.substr(offset, end - offset));
    }
    strings_ = std::move(strings);
}

std::string TBinkLng::GetStr(std::int64_t index) const
{
    if (index < 0 || static_cast<std::uint64_t>(index) >= strings_.size())
        return std::string();
    return strings_[static_cast<std::size_t>(index)];
}

std::string TBinkLng::GetCut(std::int64_t index) const
{
    std::string s = GetStr(index);
    if (s.empty())
        return s;
    s.erase(0, 1);
    const std::size_t p = s.find('%');
    if (p != std::string::npos)
        s.erase(p);
    return s;
}

}  // namespace tarvix
