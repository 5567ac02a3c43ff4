// The speed bar of a window (its toolbar "SpeedBar"), its buttons, and the small
// pictures the style has none for.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

class QMainWindow;
class QToolBar;
class QToolButton;

namespace tarvix {

// A fixed bar of 16-pixel icons at the top of the window's body.
QToolBar* AddSpeedBar(QMainWindow* body);
// A flat button of the bar, named for the language file and the tests; it never
// takes the focus.
QToolButton* AddSpeedButton(QToolBar* bar, const char* name, const QIcon& icon);

// A letter in a colour, for the commands without a picture of their own.
QIcon GlyphIcon(const QString& glyph, const QColor& colour);
QIcon FindIcon();     // a magnifying glass
QIcon CopyIcon();     // two sheets of paper
QIcon ColumnsIcon();  // a table of columns

}  // namespace tarvix
