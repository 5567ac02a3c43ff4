#include "engine/TextPool.h"

#include "platform/Scan.h"

#include <cstring>

namespace tarvix {

TPoolText TTextPool::KeepNew(std::string_view text)
{
    if (text.empty())
        return {};
    if (text.size() >= UINT32_MAX)
        text = text.substr(0, UINT32_MAX - 1);  // texts come from log lines: never this long
    if (2 * (count_ + 1) > slots_.size())
        Grow();
    const std::uint32_t hash = HashBytes(text);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        TSlot& slot = slots_[i];
        if (!slot.data) {
            const TPoolText kept = Copy(text);
            slot = {kept.data(), static_cast<std::uint32_t>(kept.size()), hash};
            ++count_;
            Remember(kept);
            return kept;
        }
        if (slot.hash == hash && slot.size == text.size() && SameBytes(slot.data, text.data(), text.size())) {
            Remember({slot.data, slot.size});
            return TPoolText({slot.data, slot.size});
        }
    }
}

TPoolText TTextPool::Copy(std::string_view text)
{
    // Each copy is followed by a zero byte (sessions hold the copies as such texts).
    const std::size_t bytes = text.size() + 1;
    char* copy;
    if (bytes > kChunkSize / 4) {
        // A long text gets storage of its own, so that the current chunk stays in use.
        longTexts_.push_back(std::make_unique<char[]>(bytes));
        copy = longTexts_.back().get();
    } else {
        if (used_ + bytes > kChunkSize) {
            chunks_.push_back(std::make_unique<char[]>(kChunkSize));
            used_ = 0;
        }
        copy = chunks_.back().get() + used_;
        used_ += bytes;
    }
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return TPoolText({copy, text.size()});
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

void TTextPool::Remember(std::string_view kept)
{
    if (kept.size() >= 4)
        recent_[RecentIndex(kept)] = {kept.data(), kept.size()};
}

void TTextPool::Clear()
{
    for (TRecent& r : recent_)
        r = {};
    slots_.clear();
    count_ = 0;
    chunks_.clear();
    longTexts_.clear();
    used_ = kChunkSize;
}

}  // namespace tarvix
