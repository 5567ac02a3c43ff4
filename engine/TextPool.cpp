#include "engine/TextPool.h"

#include <cstring>

namespace tarvix {

std::string_view TTextPool::Keep(std::string_view text)
{
    if (text.empty())
        return {};
    if (auto it = index_.find(text); it != index_.end())
        return *it;
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
    std::string_view kept(copy, text.size());
    index_.insert(kept);
    return kept;
}

void TTextPool::Clear()
{
    index_.clear();
    chunks_.clear();
    longTexts_.clear();
    used_ = kChunkSize;
}

}  // namespace tarvix
