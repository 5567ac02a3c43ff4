#include "fido/StrDict.h"

#include <cassert>
#include <stdexcept>

namespace tarvix {

std::string TStrDict::Fold(std::string_view key)
{
    return UpperCaseAscii(key);
}

long TStrDict::IndexOf(std::string_view key) const
{
    auto it = index_.find(Fold(key));
    return it == index_.end() ? -1 : static_cast<long>(it->second);
}

void TStrDict::Add(std::string_view key, std::string_view value)
{
    long i = IndexOf(key);
    if (i >= 0) {
        values_[static_cast<std::size_t>(i)] = value;
        return;
    }
    index_.emplace(Fold(key), keys_.size());
    keys_.emplace_back(key);
    values_.emplace_back(value);
}

const std::string& TStrDict::KeyAt(std::size_t index) const
{
    if (index >= keys_.size())
        throw std::out_of_range("TStrDict.KeyAt: index out of bounds");
    return keys_[index];
}

const std::string& TStrDict::ValueAt(std::size_t index) const
{
    if (index >= values_.size())
        throw std::out_of_range("TStrDict.ValueAt: index out of bounds");
    return values_[index];
}

std::string TStrDict::Lookup(std::string_view key) const
{
    long i = IndexOf(key);
    return i >= 0 ? values_[static_cast<std::size_t>(i)] : std::string(key);
}

void TStrDict::Clear()
{
    keys_.clear();
    values_.clear();
    index_.clear();
}

}  // namespace tarvix
