#include "ui/ListWindow.h"

#include "fido/AddrList.h"
#include "fido/Dialogs.h"
#include "settings/SettingsStore.h"
#include "platform/IniFile.h"
#include "ui/ModalHook.h"
#include "ui/ColumnSetup.h"
#include "ui/Placement.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QSignalBlocker>
#include <QTableView>

#include <algorithm>
#include <cmath>

namespace tarvix {

int DigitWidth(const QFont& font)
{
    const QFontMetrics metrics(font);
    int widest = 1;
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(digit)));
    return widest;
}

int StoredDigitWidth(const TIniFile& ini, std::string_view section)
{
    const long long stored = ini.ReadInteger(section, kDigitWidthKey, kDefaultDigitWidth);
    // A damaged value counts as the width the defaults were made for.
    return stored > 0 && stored <= 1000 ? static_cast<int>(stored) : kDefaultDigitWidth;
}

void ScaleColumnWidths(TColumnList& columns, int from, int to)
{
    if (from <= 0 || to <= 0 || from == to)
        return;
    for (int i = 0; i < columns.Count(); ++i) {
        TColumn& c = columns.GetColumn(i);
        const long long scaled = (static_cast<long long>(std::clamp(c.ScrWidth, 0, MaxScrWidth)) * to + from - 1) / from;
        c.ScrWidth = static_cast<int>(std::min<long long>(scaled, MaxScrWidth));
    }
    columns.Recalc();
}

void DrawCellText(QPainter& painter, const QRect& rect, Qt::Alignment alignment, const QString& text)
{
    const QRect inner = rect.adjusted(2, 0, -2, 0);
    const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, inner.width()));
    painter.drawText(inner, static_cast<int>(alignment), shown);
}

Qt::Alignment ColumnAlignment(const TColumn& column)
{
    switch (column.Alignment) {
    case caRight: return Qt::AlignRight | Qt::AlignVCenter;
    case caCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

bool AskReportFile(QWidget* parent, TReportSettings& settings, const QString& proposal)
{
    QFileDialog dialog(parent);
    dialog.setObjectName("ReportDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowTitle(UiKeyText("SessList.ReportTitle", "Write report"));
    dialog.setNameFilters({UiKeyText("List.ReportFilter", "Text files (*.txt)"),
                           UiKeyText("Frame.FilterAll", "All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (!settings.FileName.empty()) {
        dialog.selectFile(QString::fromStdString(settings.FileName));
    } else {
        // Characters that no file name may hold become "_".
        QString name = proposal;
        for (QChar& c : name)
            if (QStringLiteral("\\/:*?\"<>|").contains(c) || c.unicode() < 32)
                c = '_';
        dialog.setDirectory(QDir::homePath());
        dialog.selectFile(QDir::home().filePath(name + ".txt"));
    }
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    QString chosen = dialog.selectedFiles().front();
    // The dialog answered without its own suffix handling (tests): the same rule.
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += ".txt";
    settings.FileName = chosen.toStdString();
    return true;
}

TSetupResult RunColumnSetup(QWidget* parent, const QString& caption, const QStringList& typeNames,
                            const TColumnFactory& factory, TColumnList& columns, TAddrList& highlight,
                            TReportSettings& report, int select)
{
    TSLSetupForm dialog(caption, typeNames, factory, columns, highlight, report, select, parent);
    if (ExecModal(dialog) != QDialog::Accepted)
        return TSetupResult::Cancelled;
    highlight.Clear();
    try {
        highlight.AddStrings(dialog.HighlightLines());
    } catch (const std::exception&) {
        // A line the dialog let through that the list cannot hold (an alias name
        // where the list takes none): the entries before it stay.
    }
    dialog.GetReport(report);
    if (!dialog.ColumnsChanged())
        return TSetupResult::Unchanged;
    columns = dialog.TakeColumns();
    columns.Recalc();
    return TSetupResult::ColumnsChanged;
}

int LoadListState(const std::string& section, const QFont& gridFont, const TColumnFactory& factory,
                  void (*defaults)(TColumnList&), TColumnList& columns, TAddrList& highlight,
                  TReportSettings& report, const std::function<void(const std::string&)>& showError)
{
    const TNVIniFile* ini = SettingsOpen() ? &Ini() : nullptr;
    bool loaded = false;
    if (ini) {
        try {
            loaded = columns.LoadIni(*ini, section, factory);
        } catch (const std::exception& e) {
            // A damaged column: the window opens with its default columns.
            showError(e.what());
            loaded = false;
        }
    }
    if (!loaded)
        defaults(columns);
    // The widths were set for the grid font of their time.
    const int digitWidth = DigitWidth(gridFont);
    ScaleColumnWidths(columns, loaded && ini ? StoredDigitWidth(*ini, section) : kDefaultDigitWidth, digitWidth);
    columns.Recalc();
    if (!ini)
        return digitWidth;
    try {
        highlight.LoadIni(*ini, section, "Highlight");
    } catch (const std::exception&) {
        // The entries before a damaged one stay; the rest is dropped.
    }
    LoadReportSettings(report, *ini, section);
    return digitWidth;
}

void SaveListState(QWidget* form, const std::string& section, const TColumnList& columns, int digitWidth,
                   const TAddrList& highlight, const TReportSettings& report)
{
    TNVIniFile& ini = Ini();
    const bool hasOpen = ini.ValueExists(section, "Open");
    const bool open = ini.ReadBool(section, "Open", false);
    ini.EraseSection(section);
    if (hasOpen)
        ini.WriteBool(section, "Open", open);
    SaveFormPlacement(form, section);
    columns.SaveIni(ini, section);
    ini.WriteInteger(section, kDigitWidthKey, digitWidth);
    highlight.SaveIni(ini, section, "Highlight");
    SaveReportSettings(report, ini, section);
}

int ListColumnOfGridColumn(const TColumnList& columns, int gridColumn)
{
    const auto& map = columns.ScrIndex();
    return gridColumn >= 0 && static_cast<std::size_t>(gridColumn) < map.size() ? map[static_cast<std::size_t>(gridColumn)]
                                                                                : 0;
}

void FitWindowToColumns(QWidget* window, QTableView* grid, TColumnList& columns)
{
    QHeaderView* header = grid->horizontalHeader();
    const auto& map = columns.ScrIndex();
    for (std::size_t k = 0; k < map.size(); ++k)
        columns.GetColumn(map[k]).ScrWidth = std::clamp(header->sectionSize(static_cast<int>(k)), 0, MaxScrWidth);
    columns.Recalc();
    if (columns.ScrTotalWidth() <= 0)
        return;
    // The frame around the columns: the window's edges, the grid's frame and its
    // vertical scroll bar.
    const int frame = window->width() - grid->viewport()->width();
    const int wanted = header->length() + frame;
    QRect g = window->geometry();
    g.setWidth(wanted);
    if (QWidget* area = window->parentWidget()) {
        const int right = area->width();
        if (g.right() + 1 > right)
            g.moveLeft(std::max(0, right - wanted));
    }
    window->setGeometry(g);
}

bool MoveListColumn(QTableView* grid, TColumnList& columns, int oldVisual, int newVisual)
{
    const auto& map = columns.ScrIndex();
    const int count = static_cast<int>(map.size());
    if (oldVisual < 0 || newVisual < 0 || oldVisual >= count || newVisual >= count || oldVisual == newVisual)
        return false;
    const int from = map[static_cast<std::size_t>(oldVisual)];
    const int to = map[static_cast<std::size_t>(newVisual)];
    {
        const QSignalBlocker block(grid->horizontalHeader());
        grid->horizontalHeader()->moveSection(newVisual, oldVisual);
    }
    columns.Move(from, to);
    return true;
}

void TWaitCursor::Set(bool on)
{
    if (on == on_)
        return;
    on_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TWaitCursor::ShowError(const std::string& text)
{
    const bool was = on_;
    Set(false);
    MessageDlgText(text, TMsgDlgType::mtError, mbOK);
    Set(was);
}

}  // namespace tarvix
