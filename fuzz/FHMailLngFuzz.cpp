// The FhMail language reader (KEY 'text' lines) over any bytes, with lookups of every
// key it read and of the words of the input.
#include "FuzzSupport.h"

#include "fido/MailerLng.h"

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    const std::string bytes(fuzz::AsText(data, size));
    TFHMailLng lng = TFHMailLng::FromBytes(bytes);
    const TStrDict& dict = lng.Dict();
    TARVIX_FUZZ_CHECK(dict.Count() == lng.Count());
    for (std::size_t i = 0; i < dict.Count(); ++i) {
        const std::string& key = dict.KeyAt(i);
        TARVIX_FUZZ_CHECK(!key.empty() && key.size() <= 251);
        TARVIX_FUZZ_CHECK(lng.GetStr(key) == dict.ValueAt(i));
        TARVIX_FUZZ_CHECK(dict.ValueAt(i).size() <= 250);
    }
    for (std::string_view line : fuzz::Lines(bytes)) {
        std::size_t blank = line.find_first_of(" \t");
        (void)lng.GetStr(std::string(line.substr(0, blank)));
    }
    return 0;
}
