// The domain of a Fidonet address ("fidonet"). Every distinct domain text is kept once
// for the whole program, and an address holds a pointer to it: addresses copy without
// allocation, and the millions of them in the records of a large log stay small.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace tarvix {

class TAddrDomain {
public:
    TAddrDomain() = default;
    TAddrDomain(std::string_view text) { assign(text); }
    TAddrDomain& operator=(std::string_view text)
    {
        assign(text);
        return *this;
    }

    // Keeps the text (the empty text is no domain).
    void assign(std::string_view text);
    void clear() { text_ = nullptr; }
    bool empty() const { return text_ == nullptr; }
    std::size_t size() const { return text_ ? text_->size() : 0; }
    std::string_view view() const { return text_ ? std::string_view(*text_) : std::string_view(); }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }

    // Equal texts are the same kept copy.
    friend bool operator==(const TAddrDomain& a, const TAddrDomain& b) { return a.text_ == b.text_; }
    friend bool operator==(const TAddrDomain& a, std::string_view b) { return a.view() == b; }
    friend std::ostream& operator<<(std::ostream& out, const TAddrDomain& d) { return out << d.view(); }

private:
    const std::string* text_ = nullptr;
};

}  // namespace tarvix
