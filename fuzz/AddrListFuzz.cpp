// Address lists read from a settings text: LoadIni of [List] Addr*, AddStrings of the
// lines of [Lines], then lookups, and the list written out and read back.
//
// Input: byte 0 chooses masks, aliases and the main address; the rest is the INI text.
#include "FuzzSupport.h"

#include "fido/AddrList.h"
#include "platform/IniFile.h"

using namespace tarvix;

namespace {

// Whether an entry prints as a text that parses back to its own numbers: a zone
// of 0 is left out by printing and filled in from the main address by parsing.
bool RoundTrips(const TFidoAddr& a)
{
    const TFidoAddr* main = MainAddr();
    return !((a.Zone == 0 || a.Zone == kAddrMissing) && main && main->Zone != a.Zone);
}

void Lookups(const TAddrList& list)
{
    for (int i = 0; i < list.Count(); ++i) {
        const TListFidoAddr& e = list.GetAddr(i);
        int found = list.IndexOf(e);
        // An entry matches itself as a mask, so it or one before it is found.
        TARVIX_FUZZ_CHECK(found >= 0 && found <= i);
        (void)list.Selects(e);
        (void)list.Selects(TFidoAddr(e.Zone, e.Net, e.Node, 0));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    ClearMainAddr();
    if (mode & 4)
        SetMainAddr(TFidoAddr(2, 5030, 999, 1));
    else
        SetMainAddr(TFidoAddr(1, 1, 1, 0));
    ClearAliases();
    if (mode & 2) {
        AddAlias(TFidoAddr(2, 5030, 1, 0), "Boss");
        AddAlias(TFidoAddr(1, 2, 3, 4), "Far Away");
    }
    SetDefaultAddrFlags((mode & 8) ? pfDomain : 0);

    TIniFile ini;
    ini.FromText(fuzz::AsText(data + 1, size - 1));
    TAddrList list((mode & 1) != 0, (mode & 2) != 0);
    try {
        list.LoadIni(ini, "List", "Addr");
    } catch (const EAddrError& e) {
        (void)e.what();
    }
    std::vector<std::string> lines;
    for (const auto& [ident, value] : ini.ReadSectionValues("Lines")) {
        lines.push_back(ident);
        lines.push_back(value);
    }
    try {
        list.AddStrings(lines);
    } catch (const EAddrError& e) {
        (void)e.what();
    }
    Lookups(list);

    bool all = true;
    for (int i = 0; i < list.Count(); ++i)
        all = all && RoundTrips(list.GetAddr(i));
    if (!all)
        return 0;

    // As the list windows keep it: printed lines read back give the same entries.
    std::vector<std::string> printed;
    list.ToStrings(printed);
    TAddrList again((mode & 1) != 0, (mode & 2) != 0);
    again.AddStrings(printed);
    TARVIX_FUZZ_CHECK(again.Count() == list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        TARVIX_FUZZ_CHECK(EqualAddr(again.GetAddr(i), list.GetAddr(i)));
        TARVIX_FUZZ_CHECK(again.GetAddr(i).Exclude == list.GetAddr(i).Exclude);
    }

    // As the settings keep it.
    TIniFile saved;
    list.SaveIni(saved, "Saved", "A");
    TIniFile reread;
    reread.FromText(saved.ToText());
    TAddrList loaded((mode & 1) != 0, (mode & 2) != 0);
    loaded.LoadIni(reread, "Saved", "A");
    TARVIX_FUZZ_CHECK(loaded.Count() == list.Count());
    for (int i = 0; i < list.Count(); ++i)
        TARVIX_FUZZ_CHECK(EqualAddr(loaded.GetAddr(i), list.GetAddr(i)));
    return 0;
}
