// Window placement, grid column widths and the grid font, kept in the settings.
//
// A window's placement lives in a section named by the caller ("TFrameForm", a log
// window's Name + ".MainWnd", ...): "ShowCmd" (1 normal, 2 minimised, 3 maximised),
// "Flags", "NormPos" (left,top,right,bottom of the normal position, relative to the
// parent for an MDI child), "PixelsPerInch", and for a top-level window "Geometry",
// Qt's own description of it (base64). The column widths of a grid are the values
// "Item0", "Item1", ... of the section named by its window class followed directly
// by the grid's object name ("TSessListFormSessGrid").
//
// The settings store must be open (OpenSettings). Damaged values are ignored.
#pragma once

#include <string>
#include <string_view>

class QAbstractItemView;
class QWidget;

namespace tarvix {

// ShowCmd values.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

void SaveFormPlacement(const QWidget* form, std::string_view section);
// Restores position, size and state; false when the section holds no placement
// (the window is left as it was). A top-level window is never restored minimised.
bool RestoreFormPlacement(QWidget* form, std::string_view section);

// The section of a grid's column widths: the class name of the nearest enclosing
// window class named T...Form (else of the grid's window), then the grid's name.
std::string GridLayoutSection(const QAbstractItemView* grid);
// Column widths of a table view or a tree view.
void SaveGridLayout(const QAbstractItemView* grid);
void SaveGridLayout(const QAbstractItemView* grid, std::string_view section);
void RestoreGridLayout(QAbstractItemView* grid);
void RestoreGridLayout(QAbstractItemView* grid, std::string_view section);

// A table view takes the grid font of the settings, and rows as high as its text
// plus 2 pixels; other views are left alone.
void ApplyGridFont(QAbstractItemView* grid);

}  // namespace tarvix
