// The small toolbar pictures the style has none for, drawn once when a window builds
// its toolbar.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace tarvix {

// A letter in a colour, for the commands without a picture of their own.
QIcon GlyphIcon(const QString& glyph, const QColor& colour);
QIcon FindIcon();     // a magnifying glass
QIcon CopyIcon();     // two sheets of paper
QIcon ColumnsIcon();  // a table of columns

}  // namespace tarvix
