// Addresses: parsing with every combination of parse flags, printing with every
// combination of print flags, and the printed form parsed back.
//
// Input: byte 0 chooses the main address (none, a point, a node, zone 0 only) and
// whether an alias table is set; the rest is the address text.
#include "FuzzSupport.h"

#include "fido/FidoAddr.h"

using namespace tarvix;

namespace {

void SetState(std::uint8_t mode)
{
    ClearMainAddr();
    switch (mode & 3) {
    case 0: break;
    case 1: SetMainAddr(TFidoAddr(2, 5030, 999, 999)); break;
    case 2: SetMainAddr(TFidoAddr(21, 1, 2, 0)); break;
    default: SetMainAddr(TFidoAddr(0, 0, 0, 0)); break;
    }
    ClearAliases();
    if (mode & 4) {
        AddAlias(TFidoAddr(2, 5030, 1, 0), "Boss");
        AddAlias(TFidoAddr(1, 2, 3, 4), "x");
        AddAlias(TFidoAddr(-2, -2, -2, -2), "*");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    if (size < 1)
        return 0;
    SetState(data[0]);
    std::string_view text = fuzz::AsText(data + 1, size - 1);

    for (std::uint8_t flags = 0; flags < 4; ++flags) {
        TFidoAddr tried;
        bool ok = TFidoAddr::TryParse(text, flags, tried);
        TARVIX_FUZZ_CHECK(IsValidAddr(text, flags) == ok);
        bool thrown = false;
        TFidoAddr a;
        try {
            a = TFidoAddr::CreateParse(text, flags);
        } catch (const EAddrError& e) {
            thrown = true;
            (void)e.what();
        }
        TARVIX_FUZZ_CHECK(thrown == !ok);
        if (!ok)
            continue;
        TARVIX_FUZZ_CHECK(EqualAddr(a, tried) && a.Domain == tried.Domain);
        TARVIX_FUZZ_CHECK(a.Domain.size() <= 255);
        (void)a.ToStr();
        for (std::uint8_t pf = 0; pf < 16; ++pf) {
            std::string printed = a.ToStrFlags(pf);
            if (printed.empty() || (pf & pfAlias))
                continue;
            // A printed address (masks included) reads back as the same numbers. A
            // zone of 0 or -1 is left out of the text: parsing gives the main
            // address's zone or -1 for it.
            if ((a.Net < 0 && a.Net != kAddrAny) || (a.Node < 0 && a.Node != kAddrAny))
                continue;
            TFidoAddr back;
            TARVIX_FUZZ_CHECK(TFidoAddr::TryParse(printed, afMask, back));
            const bool zoneLeftOut = a.Zone == 0 || a.Zone == kAddrMissing;
            const std::int16_t zoneBack = MainAddr() ? MainAddr()->Zone : kAddrMissing;
            TARVIX_FUZZ_CHECK(back.Zone == (zoneLeftOut ? zoneBack : a.Zone));
            TARVIX_FUZZ_CHECK(back.Net == a.Net && back.Node == a.Node && back.Point == a.Point);
            (void)CompareAddr(a, back);
            (void)MatchAddr(a, back);
        }
    }
    return 0;
}
