// The texts of an analysis kept once each. The systems, sysops, mailers and phones
// of millions of sessions are a few thousand distinct texts: a session holds views
// of the pool's copies instead of strings of its own, which keeps the records small
// and spares an allocation per text.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tarvix {

class TTextPool {
public:
    TTextPool() = default;
    TTextPool(const TTextPool&) = delete;
    TTextPool& operator=(const TTextPool&) = delete;

    // The pool's copy of the text; valid until Clear() or the pool's end. The empty
    // text needs no copy.
    std::string_view Keep(std::string_view text);
    // Forgets every text: the views handed out before must no longer be used.
    void Clear();
    std::size_t Count() const { return index_.size(); }

private:
    static constexpr std::size_t kChunkSize = 64 * 1024;

    std::unordered_set<std::string_view> index_;
    // The copies live in chunks that never move; a long text has storage of its own.
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::vector<std::unique_ptr<char[]>> longTexts_;
    std::size_t used_ = kChunkSize;  // bytes used of the last chunk
};

}  // namespace tarvix
