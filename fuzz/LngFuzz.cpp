// The interface language loader over a language file of any content, then every
// lookup the windows and messages make: texts by position and key, formatted texts
// with the arguments messages give, the sections of the windows and the month names.
#include "FuzzSupport.h"

#include "fido/DateTime.h"
#include "fido/Lng.h"

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    static const std::string path = fuzz::WorkPath("fuzz.lng");
    fuzz::WriteFile(path, fuzz::AsText(data, size));
    SetLngVersion("");
    UnloadLng();
    try {
        LoadLng(path);
    } catch (const ELngError& e) {
        (void)e.what();
        TARVIX_FUZZ_CHECK(!LngLoaded());
        return 0;
    }
    TARVIX_FUZZ_CHECK(LngLoaded() && LngPath() == path);

    const std::vector<FmtArg> args = {std::string("2:5020/52"), 42, 3.25};
    const std::size_t count = LngCount();
    for (std::size_t i = 0; i <= count && i < 512; ++i) {
        try {
            (void)GetLStrI(i);
            (void)LGet(i);
            TARVIX_FUZZ_CHECK(i < count);
        } catch (const ELngError&) {
            TARVIX_FUZZ_CHECK(i == count);
        }
        try {
            (void)Fmt(i, args);
        } catch (const Exception&) {
            // A text that does not suit the arguments.
        }
        (void)LTextOr(i, args, "fallback");
        (void)LTextOr(i, {}, "fallback");
    }
    try {
        (void)LoadStrArray(11, count > 12 ? count - 12 : 0);
    } catch (const ELngError&) {
    }
    for (const char* section : {"Strings", "Any", "Lng", "TLogWindow", ""}) {
        for (const auto& [key, value] : LngSectionLines(section)) {
            (void)LGetS(key);
            (void)value;
            try {
                (void)LFmtS(key, args);
            } catch (const Exception&) {
            }
        }
    }
    (void)FormatDateTime("dd mmm yy hh:nn:ss", EncodeDate(2026, 4, 29) + 0.5);
    return 0;
}
