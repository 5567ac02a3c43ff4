#include "fido/MailerLng.h"

#include "platform/FileRead.h"

#include <string>
#include <utility>

namespace tarvix {

TTMailLng::TTMailLng(const std::string& fileName)
    : TTMailLng(ReadWholeFile(fileName), 0)
{
}

TTMailLng TTMailLng::FromBytes(std::string bytes, const std::string& /*name*/)
{
    // Every sequence of bytes is a T-Mail language file, so the name is never needed
    // for a message; it is taken for symmetry with the other readers.
    return TTMailLng(std::move(bytes), 0);
}

TTMailLng::TTMailLng(std::string bytes, int)
    : bytes_(std::move(bytes))
{
    // Zero bytes from the first to the third-last byte end an entry; the last two
    // bytes are the file's trailer and start nothing.
    const std::size_t scanned = bytes_.size() >= 2 ? bytes_.size() - 2 : 0;
    offsets_.push_back(0);
    for (std::size_t j = 0; j < scanned; ++j)
        if (bytes_[j] == '\0')
            offsets_.push_back(j + 1);
}

std::string TTMailLng::GetStr(std::int64_t index) const
{
    if (index < 1 || static_cast<std::uint64_t>(index) > Count())
        throw EMailerLngError(".LNG index " + std::to_string(index) + " too large");
    const std::size_t k = static_cast<std::size_t>(index);
    const std::size_t begin = offsets_[k - 1];
    // offsets_[k] - 1 is the entry's own zero byte.
    return bytes_.substr(begin, offsets_[k] - 1 - begin);
}

std::string TTMailLng::GetCut(std::int64_t index) const
{
    std::string s = GetStr(index);
    const std::size_t p = s.find('%');
    if (p != std::string::npos)
        s.erase(p);
    return s;
}

}  // namespace tarvix
