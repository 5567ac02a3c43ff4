// Interface texts as widgets take them: a numbered or a keyed text of the language
// file, with the English text for when the file lacks it or none is loaded.
#pragma once

#include "fido/Format.h"

#include <QString>

#include <cstddef>
#include <string_view>
#include <vector>

namespace tarvix {

QString UiText(std::size_t index, const std::vector<FmtArg>& args = {}, std::string_view fallback = {});
QString UiKeyText(std::string_view key, std::string_view fallback);

}  // namespace tarvix
