#include "fido/AddrDomain.h"

#include <mutex>
#include <unordered_set>

namespace tarvix {

namespace {

struct TDomainTable {
    std::mutex lock;
    // Elements of an unordered set keep their addresses while others are added, and
    // a text once kept never changes.
    std::unordered_set<std::string> texts;
};

// Most addresses name the domain of the one before: the text this thread kept last.
thread_local const std::string* lastKept = nullptr;

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
    if (lastKept && *lastKept == text) {
        text_ = lastKept;
        return;
    }
    TDomainTable& t = Table();
    std::lock_guard<std::mutex> hold(t.lock);
    text_ = &*t.texts.emplace(text).first;
    lastKept = text_;
}

}  // namespace tarvix
