// The columns of the session list: what each column type shows of a session, in
// the window and in reports. Column types 0 to 16 are named by interface text 59 + t,
// the later ones by their keys (SessColumnName).
#pragma once

#include "engine/Sess.h"
#include "settings/Column.h"

#include <memory>
#include <string>

namespace tarvix {

inline constexpr int kSessColumnTypes = 18;
inline constexpr int kSessColumnNameText = 59;
// The type of the remote's location (binkd's LOC line; empty for other mailers).
inline constexpr int kSessColLocation = 17;

// The name of a column type (UTF-8) from the interface language file.
std::string SessColumnName(int type);

// The text of column type Type for a session (UTF-8). In a report, the password,
// listed and OK columns of width 1 give one character.
std::string SessColumnText(const TSess& s, int type, bool forFile = false, int fileWidth = 0);

// A session-list column; its rows are TSess objects.
class TSLColumn : public TColumn {
public:
    void GetText(const void* item, bool forFile, std::string& text) const override;
    // A session that is the first of its day starts a group in reports.
    bool IsGroupStart(const void* item) const override;
};

std::unique_ptr<TColumn> CreateSessColumn(int type);
// The default columns: start time, description, system.
void DefaultSessColumns(TColumnList& list);

}  // namespace tarvix
