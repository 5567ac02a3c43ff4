// A small string dictionary: case-insensitive keys in insertion order.
#pragma once

#include "platform/Text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvix {

class TStrDict {
public:
    // Replaces the value of Key when it is present (in any case of letters),
    // otherwise appends the pair. The key keeps the spelling it was first added with.
    void Add(std::string_view key, std::string_view value);
    std::size_t Count() const { return keys_.size(); }
    const std::string& KeyAt(std::size_t index) const;
    const std::string& ValueAt(std::size_t index) const;
    // The value of Key, or Key itself when it is absent.
    std::string Lookup(std::string_view key) const;
    // The index of Key, or -1.
    long IndexOf(std::string_view key) const;
    void Clear();

private:
    static std::string Fold(std::string_view key);

    std::vector<std::string> keys_;
    std::vector<std::string> values_;
    std::unordered_map<std::string, std::size_t> index_;  // upper-case key -> position
};

}  // namespace tarvix
