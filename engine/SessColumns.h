// The columns of the session list: what each column type shows of a session, in
// the window and in reports. Column type t is named by interface text 59 + t.
#pragma once

#include "engine/Sess.h"
#include "settings/Column.h"

#include <memory>
#include <string>

namespace tarvix {

inline constexpr int kSessColumnTypes = 17;
inline constexpr int kSessColumnNameText = 59;

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
