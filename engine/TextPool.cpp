#include "engine/TextPool.h"

#include <cstring>

namespace tarvix {

namespace {

std::uint64_t Word8(const char* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

std::uint64_t Word4(const char* p)
{
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

// A quick hash of a short text, 8 bytes at a time; the last word of a text of 8
// bytes or more overlaps the one before, so that no byte is copied one by one.
std::uint32_t HashText(std::string_view s)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    const char* p = s.data();
    const std::size_t n = s.size();
    std::uint64_t last;
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8) {
            h = (h ^ Word8(p + i)) * 0xBF58476D1CE4E5B9ull;
            h ^= h >> 31;
        }
        last = Word8(p + n - 8);
    } else if (n >= 4) {
        last = Word4(p) | Word4(p + n - 4) << 32;
    } else {
        last = 0;
        for (std::size_t i = 0; i < n; ++i)
            last = last << 8 | static_cast<unsigned char>(p[i]);
    }
    h = (h ^ last) * 0x94D049BB133111EBull;
    h ^= h >> 29;
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// Whether two texts of the same size n are equal; short ones without a call.
bool EqualBytes(const char* a, const char* b, std::size_t n)
{
    if (n >= 8 && n <= 16)
        return Word8(a) == Word8(b) && Word8(a + n - 8) == Word8(b + n - 8);
    return std::memcmp(a, b, n) == 0;
}

}  // namespace

std::string_view TTextPool::Keep(std::string_view text)
{
    if (text.empty())
        return {};
    if (text.size() > UINT32_MAX)
        text = text.substr(0, UINT32_MAX);  // texts come from log lines: never this long
    if (2 * (count_ + 1) > slots_.size())
        Grow();
    const std::uint32_t hash = HashText(text);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        TSlot& slot = slots_[i];
        if (!slot.data) {
            std::string_view kept = Copy(text);
            slot = {kept.data(), static_cast<std::uint32_t>(kept.size()), hash};
            ++count_;
            return kept;
        }
        if (slot.hash == hash && slot.size == text.size() && EqualBytes(slot.data, text.data(), text.size()))
            return {slot.data, slot.size};
    }
}

std::string_view TTextPool::Copy(std::string_view text)
{
    char* copy;
    if (text.size() > kChunkSize / 4) {
        // A long text gets storage of its own, so that the current chunk stays in use.
        longTexts_.push_back(std::make_unique<char[]>(text.size()));
        copy = longTexts_.back().get();
    } else {
        if (used_ + text.size() > kChunkSize) {
            chunks_.push_back(std::make_unique<char[]>(kChunkSize));
            used_ = 0;
        }
        copy = chunks_.back().get() + used_;
        used_ += text.size();
    }
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

void TTextPool::Grow()
{
    std::vector<TSlot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : 2 * old.size(), TSlot{});
    const std::size_t mask = slots_.size() - 1;
    for (const TSlot& slot : old) {
        if (!slot.data)
            continue;
        std::size_t i = slot.hash & mask;
        while (slots_[i].data)
            i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void TTextPool::Clear()
{
    slots_.clear();
    count_ = 0;
    chunks_.clear();
    longTexts_.clear();
    used_ = kChunkSize;
}

}  // namespace tarvix
