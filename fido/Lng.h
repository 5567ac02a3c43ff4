// Interface texts: the program's language file.
//
// Every message, caption and list text comes from an interface language file
// (QZ_Eng.lng, QZ_Rus.lng): an INI file whose [Strings] section holds the texts,
// addressed by their 0-based position in the section or by their key. One language
// is loaded at a time for the whole program. The windows read their own sections
// ([Any] and one per window class) through LngSectionLines.
#pragma once

#include "fido/Format.h"
#include "platform/Error.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvix {

// Problems of the language file itself (missing, wrong version, ...).
TARVIX_EXCEPTION(ELngError, Exception);

// An error whose message is a text of the language file, looked up by key.
class ELException : public Exception {
public:
    explicit ELException(std::string_view key);
    ELException(std::string_view key, const std::vector<FmtArg>& args);
    // The key the message was made from.
    const std::string& Key() const { return key_; }

private:
    std::string key_;
};

// The version the program requires of its language files.
inline constexpr const char* kLngVersion = "beta 5";

// Sets the version that later loads require ("" accepts any version).
void SetLngVersion(std::string_view version);

// Loads a language file for the whole program. Nothing happens when the name is
// empty or names the file already loaded. The file is looked for as given (relative
// to the current directory), next to the executable, and in the program's data
// folders. On any error the previous language stays loaded and ELngError is raised:
// "Cannot find .LNG file <path>", "Invalid .LNG version: current %s, needed %s",
// "ShortMonthNames: string too short".
void LoadLng(std::string_view fileName);
// Drops the loaded language (tests use it to start afresh).
void UnloadLng();
// The name given to the last successful LoadLng, and the path it was read from.
const std::string& LngName();
const std::string& LngPath();
bool LngLoaded();
// The number of texts in [Strings].
std::size_t LngCount();

// Texts by position; each raises ELngError ".LNG not loaded" before a file is loaded,
// and "<who>: lng index %d out of bounds" for a position past the end.
std::string GetLStrI(std::size_t index);
std::string LGet(std::size_t index);
std::string Fmt(std::size_t index, const std::vector<FmtArg>& args);
// The texts at positions start .. start + high.
std::vector<std::string> LoadStrArray(std::size_t high, std::size_t start);

// The text at a position formatted with Args, for messages that must not fail
// themselves: without a language file, or with a text that does not suit the
// arguments, the fallback followed by the arguments.
std::string LTextOr(std::size_t index, const std::vector<FmtArg>& args, std::string_view fallback);

// Texts by key: the key itself when the file lacks it (so a partial file still
// gives a usable interface).
std::string LGetS(std::string_view key);
// The text of a key, or the fallback while no file is loaded or the file lacks the key.
std::string LGetSOr(std::string_view key, std::string_view fallback);
std::string LFmtS(std::string_view key, const std::vector<FmtArg>& args);

// At most the first 255 characters of a value (the file is UTF-8: characters are
// counted, not bytes).
std::string_view LimitLngValue(std::string_view v);

// The Name=Value lines of a section of the loaded file, in file order, for the
// windows to apply to their components (comment lines left out).
std::vector<std::pair<std::string, std::string>> LngSectionLines(std::string_view section);

// Where language files are searched besides the given path (for messages and tests).
std::vector<std::string> LngSearchDirs();

}  // namespace tarvix
