#include "ui/QtConvert.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>

namespace tarvix {

namespace {

// The palette colour that stands for a system colour index.
QColor SystemColor(int index)
{
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case 0x00: return pal.color(QPalette::Button);           // clScrollBar
    case 0x01: return pal.color(QPalette::Window);           // clBackground (desktop)
    case 0x02: return pal.color(QPalette::Highlight);        // clActiveCaption
    case 0x03: return pal.color(QPalette::Mid);              // clInactiveCaption
    case 0x04: return pal.color(QPalette::Window);           // clMenu
    case 0x05: return pal.color(QPalette::Base);             // clWindow
    case 0x06: return pal.color(QPalette::Shadow);           // clWindowFrame
    case 0x07: return pal.color(QPalette::WindowText);       // clMenuText
    case 0x08: return pal.color(QPalette::Text);             // clWindowText
    case 0x09: return pal.color(QPalette::HighlightedText);  // clCaptionText
    case 0x0A: return pal.color(QPalette::Mid);              // clActiveBorder
    case 0x0B: return pal.color(QPalette::Midlight);         // clInactiveBorder
    case 0x0C: return pal.color(QPalette::Dark);             // clAppWorkSpace
    case 0x0D: return pal.color(QPalette::Highlight);        // clHighlight
    case 0x0E: return pal.color(QPalette::HighlightedText);  // clHighlightText
    case 0x0F: return pal.color(QPalette::Button);           // clBtnFace
    case 0x10: return pal.color(QPalette::Dark);             // clBtnShadow
    case 0x11: return pal.color(QPalette::Disabled, QPalette::Text);  // clGrayText
    case 0x12: return pal.color(QPalette::ButtonText);       // clBtnText
    case 0x13: return pal.color(QPalette::Disabled, QPalette::WindowText);  // clInactiveCaptionText
    case 0x14: return pal.color(QPalette::Light);            // clBtnHighlight
    default: return pal.color(QPalette::Text);
    }
}

}  // namespace

QColor ToQColor(TColor color)
{
    if (color == 0x1FFFFFFF || color == 0x20000000)  // clNone, clDefault
        return QColor();
    if (color < 0)
        return SystemColor(color & 0xFF);
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

QFont ToQFont(const TFontSpec& spec, bool fixedPitch)
{
    QFont font(QString::fromStdString(spec.Name));
    if (spec.Size > 0)
        font.setPointSize(spec.Size);
    if (fixedPitch) {
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        if (!QFontInfo(font).fixedPitch()) {
            QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            fixed.setPointSize(font.pointSize());
            font = fixed;
        }
    }
    font.setBold(spec.Bold);
    font.setItalic(spec.Italic);
    font.setUnderline(spec.Underline);
    font.setStrikeOut(spec.StrikeOut);
    // Painting a log character by character cell needs no kerning between letters.
    font.setKerning(false);
    return font;
}

}  // namespace tarvix
