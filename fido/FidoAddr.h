// Fidonet addresses and address masks.
//
// An address is zone:net/node.point@domain. Each number is a signed 16-bit value,
// where -1 marks a part that was not given and -2 the wildcard "*" of a mask. The
// unit also keeps the station's main address (the default for parts left out, and
// the reference of short printing) and the table of address aliases that the mailer
// configuration read last defines.
#pragma once

#include "fido/AddrDomain.h"
#include "fido/Lng.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

// A malformed address ("FidoAddr.InvAddr") or a "*" where no mask is allowed
// ("FidoAddr.NoMask"); the message is the language text formatted with the address.
class EAddrError : public ELException {
public:
    using ELException::ELException;
};

inline constexpr std::int16_t kAddrMissing = -1;  // part not given
inline constexpr std::int16_t kAddrAny = -2;      // wildcard "*"

// Parse flags.
enum : std::uint8_t {
    afMask = 1,   // "*" for any number, and the word "ALL"
    afAlias = 2,  // an alias name in place of an address
};

// Print flags.
enum : std::uint8_t {
    pfDomain = 1,  // append "@domain" when there is one
    pfAlias = 2,   // the alias name instead of the address, when there is one
    pfShort = 4,   // leave out zone and net equal to those of the main address
    pfPoint = 8,   // print ".0" for a node
};

class TFidoAddr {
public:
    std::int16_t Zone = 0;
    std::int16_t Net = 0;
    std::int16_t Node = 0;
    std::int16_t Point = 0;
    TAddrDomain Domain;

    // Zone of the main address (0 without one); net, node and point 0.
    TFidoAddr();
    // The numbers given; a zone of 0 becomes the main address's zone when there is one.
    TFidoAddr(int zone, int net, int node, int point);

    // Parses an address taken from a log line or a mailer configuration: no masks,
    // no aliases, the main address as default. Raises EAddrError.
    //
    // The text is [zone:]net/node[.point][@domain], node alone, /node[.point] or
    // .point; the parts not given come from the main address (the domain too, when
    // the zone is the main address's). An empty text gives Zone, Net and Node -1
    // without error. Each number is at most 32767 ("FidoAddr.InvAddr" above that);
    // the domain keeps the first 255 characters after the first "@".
    static TFidoAddr CreateStr(std::string_view s);
    // Parses with the given parse flags and the main address as default. Raises EAddrError.
    static TFidoAddr CreateParse(std::string_view s, std::uint8_t flags);
    // As CreateParse, without exceptions: false for a text that is no address
    // (Out then holds no usable value).
    static bool TryParse(std::string_view s, std::uint8_t flags, TFidoAddr& out);
    // As CreateParse, without exceptions: false for a text that is no address, with
    // error set to the message of the EAddrError that CreateParse would raise.
    static bool TryParse(std::string_view s, std::uint8_t flags, TFidoAddr& out, std::string& error);

    // The text form with the default print flags, or with the flags given. An address
    // whose net or node is -1 prints as the empty string; a zone of 0 or -1 is left out.
    std::string ToStr() const;
    std::string ToStrFlags(std::uint8_t flags) const;
};

// Equal zone, net, node and point (the domain is not compared).
bool EqualAddr(const TFidoAddr& a, const TFidoAddr& b);
// Each number of the mask is the wildcard or equal to the address's.
bool MatchAddr(const TFidoAddr& mask, const TFidoAddr& addr);
// Whether any number of the address is the wildcard "*".
inline bool HasWildcard(const TFidoAddr& a)
{
    return a.Zone == kAddrAny || a.Net == kAddrAny || a.Node == kAddrAny || a.Point == kAddrAny;
}
// Zone, net, node and point in one number: equal numbers, equal addresses (the domain
// aside).
inline std::uint64_t AddrNumbers(const TFidoAddr& a)
{
    auto part = [](std::int16_t v) { return static_cast<std::uint64_t>(static_cast<std::uint16_t>(v)); };
    return part(a.Zone) << 48 | part(a.Net) << 32 | part(a.Node) << 16 | part(a.Point);
}
// -1, 0 or 1 by zone, net, node, point as signed numbers.
int CompareAddr(const TFidoAddr& a, const TFidoAddr& b);
// Whether CreateParse(s, flags) succeeds.
bool IsValidAddr(std::string_view s, std::uint8_t flags);
std::string AddrToStr(int zone, int net, int node, int point);
std::string AddrToStrFlags(int zone, int net, int node, int point, std::uint8_t flags);

// The station's main address; nullptr before the settings are loaded.
const TFidoAddr* MainAddr();
void SetMainAddr(const TFidoAddr& addr);
void ClearMainAddr();

// The print flags of ToStr (0, or pfDomain while "show domain" is on).
void SetDefaultAddrFlags(std::uint8_t flags);
std::uint8_t DefaultAddrFlags();

// The alias table.
struct TAddrAlias {
    std::int16_t Zone = 0, Net = 0, Node = 0, Point = 0;
    std::string Name;
};
// Renames the alias of an address that has one, else appends a new alias. An empty
// name is ignored.
void AddAlias(const TFidoAddr& addr, std::string_view name);
void ClearAliases();
const std::vector<TAddrAlias>& Aliases();

}  // namespace tarvix
