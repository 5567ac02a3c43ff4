#include "ui/UiText.h"

#include "fido/Lng.h"

namespace tarvix {

QString UiText(std::size_t index, const std::vector<FmtArg>& args, std::string_view fallback)
{
    return QString::fromStdString(LTextOr(index, args, fallback));
}

QString UiKeyText(std::string_view key, std::string_view fallback)
{
    return QString::fromStdString(LGetSOr(key, fallback));
}

}  // namespace tarvix
