// What the settings store keeps, as Qt paints it: colours and fonts.
#pragma once

#include "settings/Color.h"
#include "settings/Font.h"

#include <QColor>
#include <QFont>

namespace tarvix {

// A stored colour ($00BBGGRR, or a system colour with the high bit set, taken from
// the application's palette). clNone and clDefault give an invalid QColor.
QColor ToQColor(TColor color);

// The font of a stored font description: face, size in points, bold, italic,
// underline, strike-out. With fixedPitch, a face that is not of fixed pitch is
// replaced by the system's fixed-pitch face of the same size and style, so that
// every character takes the same width.
QFont ToQFont(const TFontSpec& spec, bool fixedPitch = false);

}  // namespace tarvix
