#include "fido/MailerLng.h"

#include "platform/Bytes.h"
#include "platform/FileRead.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

    // Where the string that starts at each offset ends: the next zero byte (dataSize
    // for none), found in one pass however many pointers share the bytes.
    std::vector<std::uint32_t> zeroAt(dataSize + 1);
    zeroAt[dataSize] = static_cast<std::uint32_t>(dataSize);
    for (std::size_t k = dataSize; k-- > 0;)
        zeroAt[k] = block[k] == '\0' ? static_cast<std::uint32_t>(k) : zeroAt[k + 1];

    std::vector<Span> spans;
    spans.reserve(count);
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
        const std::size_t end = zeroAt[offset];
        if (end == dataSize)
            Damaged(name, which + " has no terminating zero inside the string block");
        spans.push_back(Span{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(end - offset)});
    }
    block_.assign(block);
    spans_ = std::move(spans);
}

std::string TBinkLng::GetStr(std::int64_t index) const
{
    if (index < 0 || static_cast<std::uint64_t>(index) >= spans_.size())
        return std::string();
    const Span& s = spans_[static_cast<std::size_t>(index)];
    return block_.substr(s.offset, s.size);
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
