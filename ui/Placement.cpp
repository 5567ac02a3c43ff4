#include "ui/Placement.h"

#include "settings/SettingsStore.h"
#include "ui/QtConvert.h"

#include <QByteArray>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStringList>
#include <QTableView>
#include <QTreeView>
#include <QWidget>

namespace tarvix {

namespace {

// Coordinates beyond this are no placement of any screen.
constexpr int kMaxCoord = 100000;

std::string RectText(const QRect& r)
{
    return std::to_string(r.left()) + "," + std::to_string(r.top()) + "," + std::to_string(r.right() + 1) + "," +
           std::to_string(r.bottom() + 1);
}

bool ParseRect(const std::string& text, QRect& out)
{
    const QStringList parts = QString::fromStdString(text).split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || v[i] < -kMaxCoord || v[i] > kMaxCoord)
            return false;
    }
    const int width = v[2] - v[0], height = v[3] - v[1];
    if (width <= 0 || height <= 0)
        return false;
    out = QRect(v[0], v[1], width, height);
    return true;
}

QHeaderView* ColumnHeader(const QAbstractItemView* grid)
{
    if (auto* table = qobject_cast<const QTableView*>(grid))
        return table->horizontalHeader();
    if (auto* tree = qobject_cast<const QTreeView*>(grid))
        return tree->header();
    return nullptr;
}

QString ClassName(const QObject* o)
{
    QString name = QString::fromLatin1(o->metaObject()->className());
    const qsizetype colons = name.lastIndexOf(QLatin1String("::"));
    return colons >= 0 ? name.mid(colons + 2) : name;
}

}  // namespace

void SaveFormPlacement(const QWidget* form, std::string_view section)
{
    TNVIniFile& ini = Ini();
    const Qt::WindowStates state = form->windowState();
    const int show = state & Qt::WindowMinimized ? kShowMinimized
                     : state & Qt::WindowMaximized ? kShowMaximized
                                                   : kShowNormal;
    ini.WriteInteger(section, "Flags", 0);
    ini.WriteInteger(section, "ShowCmd", show);
    ini.WriteInteger(section, "PixelsPerInch", form->logicalDpiY());
    const QRect normal = form->isWindow() && !form->normalGeometry().isEmpty() ? form->normalGeometry()
                                                                                : form->geometry();
    ini.WriteString(section, "NormPos", RectText(normal));
    if (form->isWindow())
        ini.WriteString(section, "Geometry", form->saveGeometry().toBase64().toStdString());
}

bool RestoreFormPlacement(QWidget* form, std::string_view section)
{
    const TNVIniFile& ini = Ini();
    bool restored = false;
    if (form->isWindow()) {
        const std::string geometry = ini.ReadString(section, "Geometry", "");
        if (!geometry.empty()) {
            const QByteArray bytes = QByteArray::fromBase64(QByteArray::fromStdString(geometry));
            restored = !bytes.isEmpty() && form->restoreGeometry(bytes);
        }
    }
    QRect normal;
    if (!restored && ParseRect(ini.ReadString(section, "NormPos", ""), normal)) {
        form->setGeometry(normal);
        restored = true;
    }
    const long long show = ini.ReadInteger(section, "ShowCmd", 0);
    if (show == kShowMaximized) {
        form->setWindowState((form->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        restored = true;
    } else if (show == kShowMinimized && !form->isWindow()) {
        form->setWindowState(form->windowState() | Qt::WindowMinimized);
        restored = true;
    } else if (show >= kShowNormal && show <= kShowMinimized) {
        form->setWindowState(form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        restored = true;
    }
    return restored;
}

std::string GridLayoutSection(const QAbstractItemView* grid)
{
    QString form;
    for (const QObject* o = grid->parent(); o; o = o->parent()) {
        const QString name = ClassName(o);
        if (name.startsWith(QLatin1Char('T')) && name.endsWith(QLatin1String("Form"))) {
            form = name;
            break;
        }
    }
    if (form.isEmpty())
        form = ClassName(grid->window());
    return (form + grid->objectName()).toStdString();
}

void SaveGridLayout(const QAbstractItemView* grid) { SaveGridLayout(grid, GridLayoutSection(grid)); }

void SaveGridLayout(const QAbstractItemView* grid, std::string_view section)
{
    const QHeaderView* header = ColumnHeader(grid);
    if (!header)
        return;
    TNVIniFile& ini = Ini();
    for (int i = 0; i < header->count(); ++i)
        ini.WriteInteger(section, "Item" + std::to_string(i), header->sectionSize(i));
}

void RestoreGridLayout(QAbstractItemView* grid) { RestoreGridLayout(grid, GridLayoutSection(grid)); }

void RestoreGridLayout(QAbstractItemView* grid, std::string_view section)
{
    QHeaderView* header = ColumnHeader(grid);
    if (!header)
        return;
    const TNVIniFile& ini = Ini();
    for (int i = 0; i < header->count(); ++i) {
        const long long width = ini.ReadInteger(section, "Item" + std::to_string(i), -1);
        if (width > 0 && width <= kMaxCoord)
            header->resizeSection(i, static_cast<int>(width));
    }
}

void ApplyGridFont(QAbstractItemView* grid)
{
    auto* table = qobject_cast<QTableView*>(grid);
    if (!table)
        return;
    const QFont font = ToQFont(Settings().GridFont);
    table->setFont(font);
    const int height = QFontMetrics(font).height() + 2;
    QHeaderView* rows = table->verticalHeader();
    rows->setMinimumSectionSize(std::min(rows->minimumSectionSize(), height));
    rows->setDefaultSectionSize(height);
}

}  // namespace tarvix
