// Choosing one of the program's fonts (log text, grids) with the font dialog.
#pragma once

#include "settings/Font.h"

#include <QFont>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace tarvix {

// The stored description of a font: face, size, bold, italic, underline and
// strike-out from the font; pitch, colour and character set kept from Base.
TFontSpec FromQFont(const QFont& font, const TFontSpec& base);

// Shows the font dialog preset with Stored; on OK Stored becomes the chosen font and
// the answer is true.
bool ChooseFont(QWidget* parent, const QString& title, TFontSpec& stored);

// Answers the font dialog instead of the user (tests): given the preset font, the
// chosen font or nothing for Cancel. An empty function restores the dialog.
using TFontAnswer = std::function<std::optional<QFont>(const QFont& preset)>;
void SetFontAnswer(TFontAnswer answer);

}  // namespace tarvix
