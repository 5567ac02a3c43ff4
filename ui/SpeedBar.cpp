#include "ui/SpeedBar.h"

#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

namespace tarvix {

namespace {

constexpr int kButtonSize = 25;

// A 16-pixel icon on a transparent ground, drawn by draw(QPainter&).
template <typename Draw>
QIcon DrawnIcon(Draw draw)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        draw(p);
    }
    return QIcon(pixmap);
}

}  // namespace

QToolBar* AddSpeedBar(QMainWindow* body)
{
    auto* bar = new QToolBar(body);
    bar->setObjectName("SpeedBar");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    body->addToolBar(Qt::TopToolBarArea, bar);
    return bar;
}

QToolButton* AddSpeedButton(QToolBar* bar, const char* name, const QIcon& icon)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setIcon(icon);
    button->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(button);
    return button;
}

// A small icon of a letter, for the commands the style has no picture for.
QIcon GlyphIcon(const QString& glyph, const QColor& colour)
{
    return DrawnIcon([&](QPainter& p) {
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(13);
        p.setFont(f);
        p.setPen(colour);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, glyph);
    });
}

// A magnifying glass.
QIcon FindIcon()
{
    return DrawnIcon([](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.drawEllipse(QRectF(2, 2, 8, 8));
        p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
    });
}

// Two sheets of paper.
QIcon CopyIcon()
{
    return DrawnIcon([](QPainter& p) {
        p.setPen(QColor(40, 40, 40));
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 8, 10);
        p.drawRect(6, 4, 8, 10);
    });
}

// A table of columns.
QIcon ColumnsIcon()
{
    return DrawnIcon([](QPainter& p) {
        p.setPen(QColor(40, 40, 40));
        p.setBrush(Qt::white);
        p.drawRect(1, 2, 13, 11);
        p.drawLine(1, 5, 14, 5);
        p.drawLine(6, 2, 6, 13);
        p.drawLine(10, 2, 10, 13);
    });
}

}  // namespace tarvix
