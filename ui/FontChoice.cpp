#include "ui/FontChoice.h"

#include "ui/QtConvert.h"

#include <QFontDialog>
#include <QFontInfo>

namespace tarvix {

namespace {

TFontAnswer& Answer()
{
    static TFontAnswer answer;
    return answer;
}

}  // namespace

TFontSpec FromQFont(const QFont& font, const TFontSpec& base)
{
    TFontSpec stored = base;
    stored.Name = font.family().toStdString();
    int size = font.pointSize();
    if (size <= 0)
        size = QFontInfo(font).pointSize();
    if (size > 0)
        stored.Size = size;
    stored.Bold = font.bold();
    stored.Italic = font.italic();
    stored.Underline = font.underline();
    stored.StrikeOut = font.strikeOut();
    return stored;
}

bool ChooseFont(QWidget* parent, const QString& title, TFontSpec& stored)
{
    const QFont preset = ToQFont(stored);
    std::optional<QFont> chosen;
    if (Answer()) {
        chosen = Answer()(preset);
    } else {
        bool ok = false;
        QFont f = QFontDialog::getFont(&ok, preset, parent, title);
        if (ok)
            chosen = f;
    }
    if (!chosen)
        return false;
    stored = FromQFont(*chosen, stored);
    return true;
}

void SetFontAnswer(TFontAnswer answer) { Answer() = std::move(answer); }

}  // namespace tarvix
