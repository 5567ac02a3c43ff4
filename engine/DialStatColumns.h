// The columns of the dial statistics: what each column type shows of a node's
// record, and the sort order the column sorts by. Type t is named by interface
// text 15 + t.
#pragma once

#include "engine/NodeStat.h"
#include "settings/Column.h"

#include <memory>
#include <string>

namespace tarvix {

inline constexpr int kDialStatColumnTypes = 10;
inline constexpr int kDialStatColumnNameText = 15;

// The text of a column type for a record; in a report, the day's total (no
// address) is named by interface text 88.
std::string DialStatColumnText(const TNodeStat& n, int type, bool forFile = false);
// The sort order a column type sorts by (nsoNone for none).
int DialStatColumnOrder(int type);

class TDSColumn : public TColumn {
public:
    void GetText(const void* item, bool forFile, std::string& text) const override;
};

std::unique_ptr<TColumn> CreateDialStatColumn(int type);
// The default columns: address, outgoing and incoming sessions.
void DefaultDialStatColumns(TColumnList& list);

}  // namespace tarvix
