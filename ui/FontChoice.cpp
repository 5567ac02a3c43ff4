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
    TFontSpec spec = base;
    spec.Name = font.family().toStdString();
    int size = font.pointSize();
    if (size <= 0)
        size = QFontInfo(font).pointSize();
    if (size > 0)
        spec.Size = size;
    spec.Bold = font.bold();
    spec.Italic = font.italic();
    spec.Underline = font.underline();
    spec.StrikeOut = font.strikeOut();
    return spec;
}

bool ChooseFont(QWidget* parent, const QString& title, TFontSpec& spec)
{
    const QFont preset = ToQFont(spec);
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
    spec = FromQFont(*chosen, spec);
    return true;
}

void SetFontAnswer(TFontAnswer answer) { Answer() = std::move(answer); }

}  // namespace tarvix
