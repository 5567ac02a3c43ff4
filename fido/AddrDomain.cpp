#include "fido/AddrDomain.h"

#include <mutex>
#include <unordered_set>

namespace tarvix {

namespace {

struct TDomainTable {
    std::mutex lock;
    // Elements of an unordered set keep their addresses while others are added.
    std::unordered_set<std::string> texts;
    const std::string* last = nullptr;  // most addresses name the domain of the one before
};

TDomainTable& Table()
{
    // Never destroyed: addresses in static objects may outlive any other object.
    static TDomainTable* table = new TDomainTable;
    return *table;
}

}  // namespace

void TAddrDomain::assign(std::string_view text)
{
    if (text.empty()) {
        text_ = nullptr;
        return;
    }
    TDomainTable& t = Table();
    std::lock_guard<std::mutex> hold(t.lock);
    if (t.last && *t.last == text) {
        text_ = t.last;
        return;
    }
    text_ = &*t.texts.emplace(text).first;
    t.last = text_;
}

}  // namespace tarvix
