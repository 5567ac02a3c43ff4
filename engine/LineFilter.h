// The lines of a log that a search matches (or does not match): the filter of the
// log window, a list of line numbers over the line index, no copy of the text.
#pragma once

#include "engine/LineIndex.h"
#include "engine/TextFind.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarvix {

// The numbers (from 1) of the lines of `text` (indexed by `index`, whose offsets
// start at the text's first byte plus its base) that hold a match of `find`, or
// with `invert` those that hold none. nullopt when the progress callback stopped it.
std::optional<std::vector<std::int64_t>> FilterLines(std::string_view text, const TLineIndex& index,
                                                     const TTextFind& find, bool invert,
                                                     const TTextFind::TProgress& progress = {});

}  // namespace tarvix
