// Lists of addresses and address masks: the addresses a list window highlights and
// the history of searched addresses.
//
// Each entry is an address or mask with an optional exclusion mark, written "!" in
// front of the address. A list selects an address when the last entry that matches
// it is not excluded.
#pragma once

#include "fido/FidoAddr.h"
#include "platform/Error.h"
#include "platform/IniFile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

// An index outside the list ("TAddrList.GetAddr: index out of bounds").
TARVIX_EXCEPTION(EAddrListError, Exception);

// One entry of an address list.
class TListFidoAddr : public TFidoAddr {
public:
    // The entry removes the addresses it matches instead of adding them.
    bool Exclude = false;

    TListFidoAddr() = default;
    explicit TListFidoAddr(const TFidoAddr& addr, bool exclude = false) : TFidoAddr(addr), Exclude(exclude) {}

    // Parses an entry: a leading "!" marks it excluded, the rest is parsed as by
    // TFidoAddr::CreateParse with the parse flags given. An empty text, or a "!"
    // with nothing after it, is no entry ("FidoAddr.InvAddr"). Raises EAddrError.
    static TListFidoAddr CreateEntry(std::string_view text, std::uint8_t parseFlags);
    // The address printed with the print flags given, preceded by "!" when excluded.
    std::string EntryStr(std::uint8_t printFlags) const;
};

class TAddrList {
public:
    // With Masks the entries may be masks ("*", "ALL"); with Aliases they may be
    // alias names and print as them.
    TAddrList(bool masks, bool aliases);

    std::uint8_t ParseFlags = 0;
    std::uint8_t PrintFlags = pfDomain | pfShort;

    int Count() const { return static_cast<int>(items_.size()); }
    // The entry at Index; raises EAddrListError outside 0 .. Count - 1.
    const TListFidoAddr& GetAddr(int index) const;
    TListFidoAddr& GetAddr(int index);

    // Append or insert a copy of Addr, not excluded. Insert accepts 0 .. Count.
    void Add(const TFidoAddr& addr);
    void Insert(int index, const TFidoAddr& addr);
    // Moves the entry at CurIndex so that it ends up at NewIndex.
    void Move(int curIndex, int newIndex);
    void Clear();

    // Appends an entry for each line, blanks at both ends removed; empty lines are
    // skipped. A line that is no address raises EAddrError; the entries of the lines
    // before it stay in the list.
    void AddStrings(const std::vector<std::string>& lines);
    // Appends one line per entry, printed with PrintFlags.
    void ToStrings(std::vector<std::string>& lines) const;

    // The index of the first entry that matches Addr as a mask, or -1.
    int IndexOf(const TFidoAddr& addr) const;
    // Whether the last entry that matches Addr is not excluded (false when none does).
    bool Selects(const TFidoAddr& addr) const;

    // Appends the entries stored as Name + "Cnt" and Name0, Name1, ... in Section.
    // Empty values are skipped; an unparsable one raises EAddrError.
    void LoadIni(const TIniFile& ini, std::string_view section, std::string_view name);
    // Stores the entries printed with the default print flags. Values numbered
    // beyond the new count are left as they are (the count governs reading).
    void SaveIni(TIniFile& ini, std::string_view section, std::string_view name) const;

private:
    void CheckIndex(int index, const char* who, int limit) const;

    std::vector<TListFidoAddr> items_;
};

}  // namespace tarvix
