// A window's position, size and state in a settings section, as the placement
// values "Flags", "ShowCmd" (1 normal, 2 minimised, 3 maximised), "MinMaxPos",
// "NormPos" (left,top,right,bottom of the normal position) and "PixelsPerInch".
// MDI children keep their position in the MDI area, other windows on the screen.
#pragma once

#include <string_view>

class QWidget;

namespace tarvix {

// Writes the placement of a window into a section of the settings store. A
// maximised or minimised MDI child keeps the normal position stored before.
void SaveFormPlacement(const QWidget* window, std::string_view section);

// Gives a window the stored position, size and state (the state takes effect when
// the window is shown). A section without a usable "NormPos" changes nothing; sizes
// are kept within 16 and 32000 pixels. False when nothing was stored.
bool RestoreFormPlacement(QWidget* window, std::string_view section);

}  // namespace tarvix
