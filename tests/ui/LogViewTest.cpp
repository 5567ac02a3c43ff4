#include "ui/LogView.h"

#include "engine/Log.h"
#include "engine/LogStyles.h"
#include "ui/LineCells.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QThread>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace tarvix {
namespace {

struct WordCall {
    std::string word;
    std::int64_t line;
    int col;
    bool operator==(const WordCall&) const = default;
};

std::ostream& operator<<(std::ostream& os, const WordCall& c)
{
    return os << "(" << c.word << ", " << c.line << ", " << c.col << ")";
}

class LogViewTest : public ::testing::Test {
protected:
    // A view on screen (offscreen) of the given size showing a text.
    TLogView& Show(const std::string& text, int width = 400, int height = 200)
    {
        view = std::make_unique<TLogView>();
        view->resize(width, height);
        view->SetText(text);
        view->show();
        QApplication::processEvents();
        return *view;
    }

    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(view.get(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods);
        QApplication::sendEvent(view.get(), &release);
    }

    // The middle of a character cell on screen (row from 0, cell from the left edge).
    QPoint CellPoint(int row, int cell) const
    {
        return QPoint(static_cast<int>(cell * view->CharWidth()) + 1, row * view->LineHeight() + view->LineHeight() / 2);
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(at), view->viewport()->mapToGlobal(QPointF(at)), button, buttons, mods);
        QApplication::sendEvent(view->viewport(), &event);
    }

    // Records the words the view asks about; classes from a function of the word.
    void RecordWords(std::function<int(std::string_view)> classOf = {})
    {
        view->SetWordClassFunc([this, classOf](std::string_view word, std::int64_t line, int col) {
            calls.push_back({std::string(word), line, col});
            return classOf ? classOf(word) : 0;
        });
    }

    QImage Grab() { return view->viewport()->grab().toImage(); }

    // True when some pixel of the cells [cell, cell+cells) of a row has the colour
    // (within a small tolerance, for antialiased text).
    bool RowHasColor(const QImage& image, int row, int cell, int cells, QColor color)
    {
        const qreal ratio = image.devicePixelRatio();
        for (int y = row * view->LineHeight(); y < (row + 1) * view->LineHeight(); ++y) {
            for (int x = static_cast<int>(cell * view->CharWidth());
                 x < static_cast<int>((cell + cells) * view->CharWidth()); ++x) {
                QColor c = image.pixelColor(static_cast<int>(x * ratio), static_cast<int>(y * ratio));
                if (std::abs(c.red() - color.red()) < 40 && std::abs(c.green() - color.green()) < 40 &&
                    std::abs(c.blue() - color.blue()) < 40)
                    return true;
            }
        }
        return false;
    }

    std::unique_ptr<TLogView> view;
    std::vector<WordCall> calls;
};

std::string NumberedLines(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "line " + std::to_string(i) + " of the log\n";
    return text;
}

TEST_F(LogViewTest, KeysMoveTheCaret)
{
    Show("hello world\nab\n\tx\n0123456789abcdef");
    std::vector<std::int64_t> moves;
    QObject::connect(view.get(), &TLogView::caretMoved, [&](qint64 line) { moves.push_back(line); });
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 0}));
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 3}));
    Key(Qt::Key_End);
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 11}));
    // Up and down keep the cell the caret came from across shorter lines and tabs.
    Key(Qt::Key_Down);
    EXPECT_EQ(view->CaretPos(), (TTextPos{2, 2}));
    Key(Qt::Key_Down);
    EXPECT_EQ(view->CaretPos(), (TTextPos{3, 2}));
    Key(Qt::Key_Down);
    EXPECT_EQ(view->CaretPos(), (TTextPos{4, 11}));
    Key(Qt::Key_Up);
    EXPECT_EQ(view->CaretPos(), (TTextPos{3, 2}));
    Key(Qt::Key_Home);
    Key(Qt::Key_Right);  // past the tab: cell 8
    EXPECT_EQ(view->CaretPos(), (TTextPos{3, 1}));
    Key(Qt::Key_Down);
    EXPECT_EQ(view->CaretPos(), (TTextPos{4, 8}));
    // Left at a line start goes to the end of the line before, Right back.
    Key(Qt::Key_Home);
    Key(Qt::Key_Left);
    EXPECT_EQ(view->CaretPos(), (TTextPos{3, 2}));
    Key(Qt::Key_Right);
    EXPECT_EQ(view->CaretPos(), (TTextPos{4, 0}));
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view->CaretPos(), (TTextPos{4, 16}));
    Key(Qt::Key_Right);  // the end of the text
    EXPECT_EQ(view->CaretPos(), (TTextPos{4, 16}));
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 0}));
    Key(Qt::Key_Left);
    Key(Qt::Key_Up);
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 0}));
    // Ctrl with the arrows goes by words.
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 6}));
    Key(Qt::Key_Right, Qt::ControlModifier);
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(view->CaretPos(), (TTextPos{2, 0}));
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 11}));
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 6}));
    EXPECT_FALSE(view->HasSelection());
    EXPECT_EQ(moves.front(), 1);
    EXPECT_NE(std::find(moves.begin(), moves.end(), 4), moves.end());
    EXPECT_EQ(moves.back(), view->CaretLine());
}

TEST_F(LogViewTest, PagesAndKeysLeftToTheWindow)
{
    Show(NumberedLines(100), 400, 200);
    const int visible = view->VisibleLines();
    ASSERT_GT(visible, 2);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(view->CaretLine(), visible);
    EXPECT_EQ(view->TopLine(), visible);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(view->CaretLine(), 2 * visible - 1);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(view->CaretLine(), visible);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view->CaretLine(), 101);
    EXPECT_EQ(view->TopLine(), 101 - visible + 1);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(view->CaretLine(), 101);
    // Ctrl+Up and Ctrl+Down scroll without the caret.
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(view->TopLine(), 101 - visible);
    EXPECT_EQ(view->CaretLine(), 101);
    // Alt with the arrows and the function keys go to the window.
    QKeyEvent alt(QEvent::KeyPress, Qt::Key_Left, Qt::AltModifier);
    QApplication::sendEvent(view.get(), &alt);
    EXPECT_FALSE(alt.isAccepted());
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &f5);
    EXPECT_FALSE(f5.isAccepted());
    EXPECT_EQ(view->CaretLine(), 101);
}

TEST_F(LogViewTest, CaretStepsOverWholeCharacters)
{
    Show("\xD0\x96\xD1\x83\xD0\xBA!");  // "Жук!" in UTF-8
    view->SetCodePage(CodePage::UTF8);
    Key(Qt::Key_Right);
    EXPECT_EQ(view->CaretPos().Col, 2);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    EXPECT_EQ(view->CaretPos().Col, 6);
    Key(Qt::Key_Left);
    EXPECT_EQ(view->CaretPos().Col, 4);
    // In a single-byte page every byte is a character.
    view->SetCodePage(CodePage::CP1251);
    Key(Qt::Key_Left);
    EXPECT_EQ(view->CaretPos().Col, 3);
    // A position inside a character is moved to its start.
    view->SetCodePage(CodePage::UTF8);
    EXPECT_EQ(view->CaretPos().Col, 2);
    view->SetCaretPos({1, 5});
    EXPECT_EQ(view->CaretPos().Col, 4);
}

TEST_F(LogViewTest, SelectionByKeysAndCopy)
{
    Show("alpha beta\r\ngamma\rdelta\nlast");
    int changes = 0;
    QObject::connect(view.get(), &TLogView::selectionChanged, [&] { ++changes; });
    view->SetCaretPos({1, 6});
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(view->HasSelection());
    EXPECT_EQ(view->SelectedBytes(), "beta");
    EXPECT_EQ(view->SelectionLength(), 4u);
    EXPECT_EQ(view->Anchor(), (TTextPos{1, 6}));
    view->CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), "beta");
    // Across lines: the bytes as they are, the text with "\n" line ends.
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view->SelectedBytes(), "beta\r\ngamma\rdelta");
    EXPECT_EQ(view->SelectedText(), "beta\ngamma\ndelta");
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "beta\ngamma\ndelta");
    // Backwards over the anchor.
    Key(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->SelectionStart(), (TTextPos{1, 0}));
    EXPECT_EQ(view->SelectionEnd(), (TTextPos{1, 6}));
    EXPECT_EQ(view->SelectedText(), "alpha ");
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view->SelectedBytes(), view->Bytes());
    // A move without Shift drops the selection.
    Key(Qt::Key_Left);
    EXPECT_FALSE(view->HasSelection());
    EXPECT_EQ(view->SelectionLength(), 0u);
    EXPECT_GE(changes, 5);
    // Copying nothing leaves the clipboard alone.
    view->CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), "beta\ngamma\ndelta");
}

TEST_F(LogViewTest, SelectionByMouse)
{
    Show("alpha beta\ngamma\ndelta\n");
    Mouse(QEvent::MouseButtonPress, CellPoint(0, 6));
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 6}));
    Mouse(QEvent::MouseMove, CellPoint(2, 2));
    Mouse(QEvent::MouseButtonRelease, CellPoint(2, 2));
    EXPECT_EQ(view->SelectedText(), "beta\ngamma\nde");
    // Shift and a click stretch the selection from the anchor.
    Mouse(QEvent::MouseButtonPress, CellPoint(1, 1), Qt::LeftButton, Qt::ShiftModifier);
    Mouse(QEvent::MouseButtonRelease, CellPoint(1, 1), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(view->SelectedText(), "beta\ng");
    // A click past the end of a line and below the last line.
    Mouse(QEvent::MouseButtonPress, CellPoint(1, 30));
    EXPECT_EQ(view->CaretPos(), (TTextPos{2, 5}));
    EXPECT_FALSE(view->HasSelection());
    Mouse(QEvent::MouseButtonRelease, CellPoint(1, 30));
    Mouse(QEvent::MouseButtonPress, CellPoint(7, 3));
    Mouse(QEvent::MouseButtonRelease, CellPoint(7, 3));
    EXPECT_EQ(view->CaretPos(), (TTextPos{4, 0}));
    // A double click selects the word.
    Mouse(QEvent::MouseButtonDblClick, CellPoint(0, 8));
    EXPECT_EQ(view->SelectedText(), "beta");
}

TEST_F(LogViewTest, DraggingPastTheEdgeScrolls)
{
    Show(NumberedLines(200), 400, 200);
    view->GoToLine(100, TLogView::TScrollMode::Top);
    Mouse(QEvent::MouseButtonPress, CellPoint(0, 2));
    EXPECT_EQ(view->CaretPos(), (TTextPos{100, 2}));
    Mouse(QEvent::MouseMove, QPoint(5, -10));
    EXPECT_EQ(view->CaretLine(), 99);
    // The selection goes on growing upwards while the mouse stays above the view.
    QElapsedTimer timer;
    timer.start();
    while (view->TopLine() > 95 && timer.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    EXPECT_LE(view->TopLine(), 95);
    EXPECT_LT(view->CaretLine(), 99);
    EXPECT_EQ(view->Anchor(), (TTextPos{100, 2}));
    Mouse(QEvent::MouseButtonRelease, QPoint(5, -10));
    const std::int64_t top = view->TopLine();
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    EXPECT_EQ(view->TopLine(), top);
}

TEST_F(LogViewTest, Find)
{
    std::string text = NumberedLines(3000);
    text += "Error here, error there\nand ERROR at the end\n";
    Show(text, 400, 200);
    std::optional<TTextPos> at = view->Find("error", {});
    ASSERT_TRUE(at);
    EXPECT_EQ(*at, (TTextPos{3001, 0}));
    EXPECT_EQ(view->SelectedText(), "Error");
    EXPECT_EQ(view->CaretPos(), (TTextPos{3001, 5}));
    EXPECT_LE(view->TopLine(), 3001);
    EXPECT_GT(view->TopLine() + view->VisibleLines(), 3001);
    EXPECT_EQ(view->FindNext(), (TTextPos{3001, 12}));
    EXPECT_EQ(view->FindNext(), (TTextPos{3002, 4}));
    EXPECT_EQ(view->SelectedText(), "ERROR");
    // Nothing further: everything stays.
    EXPECT_FALSE(view->FindNext());
    EXPECT_EQ(view->SelectionStart(), (TTextPos{3002, 4}));
    // Backward, from the start of the selection.
    EXPECT_EQ(view->FindNext(true), (TTextPos{3001, 12}));
    EXPECT_EQ(view->Find("error", {.MatchCase = false, .Backward = true}), (TTextPos{3001, 0}));
    EXPECT_FALSE(view->FindNext());
    // Match case.
    view->GoToLine(1);
    EXPECT_EQ(view->Find("ERROR", {.MatchCase = true}), (TTextPos{3002, 4}));
    EXPECT_EQ(view->Find("Error", {.MatchCase = true, .Backward = true}), (TTextPos{3001, 0}));
    EXPECT_FALSE(view->Find("eRROR", {.MatchCase = true}));
    EXPECT_EQ(view->LastFindText(), "eRROR");
    // F3 and Shift+F3 repeat the search.
    view->GoToLine(1);
    view->Find("line 2", {});
    Key(Qt::Key_F3);
    EXPECT_EQ(view->CaretPos(), (TTextPos{20, 6}));
    Key(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(view->SelectionStart(), (TTextPos{2, 0}));
    EXPECT_FALSE(view->Find("", {}));
}

TEST_F(LogViewTest, GoToLine)
{
    Show(NumberedLines(1000), 400, 200);
    std::vector<std::int64_t> moves, tops;
    QObject::connect(view.get(), &TLogView::caretMoved, [&](qint64 line) { moves.push_back(line); });
    QObject::connect(view.get(), &TLogView::topLineChanged, [&](qint64 line) { tops.push_back(line); });
    const int visible = view->VisibleLines();
    view->SetCaretPos({3, 4}, false);
    view->SetCaretPos({5, 2}, true);
    view->GoToLine(500);
    EXPECT_EQ(view->CaretPos(), (TTextPos{500, 0}));
    EXPECT_FALSE(view->HasSelection());
    EXPECT_EQ(view->TopLine(), 500 - visible / 2);
    EXPECT_EQ(view->verticalScrollBar()->value(), view->TopLine() - 1);
    EXPECT_EQ(moves.back(), 500);
    EXPECT_EQ(tops.back(), view->TopLine());
    view->GoToLine(700, TLogView::TScrollMode::Top);
    EXPECT_EQ(view->TopLine(), 700);
    EXPECT_EQ(view->property("caretLine").toLongLong(), 700);
    EXPECT_EQ(view->property("topLine").toLongLong(), 700);
    // Lines out of range go to the first or last line.
    view->GoToLine(0);
    EXPECT_EQ(view->CaretLine(), 1);
    EXPECT_EQ(view->TopLine(), 1);
    view->GoToLine(99999);
    EXPECT_EQ(view->CaretLine(), 1001);
    EXPECT_EQ(view->TopLine(), 1001 - visible + 1);
    // The scroll bar moves the lines.
    view->verticalScrollBar()->setValue(99);
    EXPECT_EQ(view->TopLine(), 100);
    EXPECT_EQ(tops.back(), 100);
    view->setProperty("topLine", 42);
    EXPECT_EQ(view->TopLine(), 42);
}

TEST_F(LogViewTest, WordsAskedWithTheirLinesAndColumns)
{
    Show("first line\n  12:30 ERROR\tcannot  connect\n\n   \nx", 600, 200);
    RecordWords();
    Grab();
    EXPECT_EQ(calls, (std::vector<WordCall>{{"first", 1, 0},
                                            {"line", 1, 6},
                                            {"12:30", 2, 2},
                                            {"ERROR", 2, 8},
                                            {"cannot", 2, 14},
                                            {"connect", 2, 22},
                                            {"x", 5, 0}}));
    // Painting again asks nothing new; highlighting off asks nothing.
    calls.clear();
    Grab();
    EXPECT_TRUE(calls.empty());
    view->SetHighlight(false);
    Grab();
    EXPECT_TRUE(calls.empty());
    view->SetHighlight(true);
    Grab();
    EXPECT_EQ(calls.size(), 7u);
}

TEST_F(LogViewTest, WordColoursFromTheTable)
{
    Show("12:30 ERROR rest sent odd\n", 600, 100);
    view->SetColors(kDefaultColors);
    RecordWords([](std::string_view w) {
        if (w == "12:30")
            return 1;     // DateTime: blue
        if (w == "ERROR")
            return 2;     // Errors: red
        if (w == "sent")
            return 0x84;  // low 7 bits: Sent, green
        if (w == "odd")
            return 100;   // no such colour: Normal
        return 0;
    });
    QImage image = Grab();
    EXPECT_TRUE(RowHasColor(image, 0, 0, 5, QColor(0, 0, 255)));
    EXPECT_FALSE(RowHasColor(image, 0, 0, 5, QColor(255, 0, 0)));
    EXPECT_TRUE(RowHasColor(image, 0, 6, 5, QColor(255, 0, 0)));
    EXPECT_TRUE(RowHasColor(image, 0, 17, 4, QColor(0, 128, 0)));
    EXPECT_TRUE(RowHasColor(image, 0, 22, 3, QColor(0, 0, 0)));
    EXPECT_FALSE(RowHasColor(image, 0, 22, 3, QColor(255, 0, 0)));
    // The background colour fills the rest.
    std::array<TColor, kColorCount> colors = kDefaultColors;
    colors[ciBackground] = clYellow;
    view->SetColors(colors);
    image = Grab();
    EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - 2), QColor(255, 255, 0));
}

TEST_F(LogViewTest, PaintingAsksOnlyForTheLinesOnScreen)
{
    Show(NumberedLines(100000), 500, 300);
    RecordWords();
    view->GoToLine(50000, TLogView::TScrollMode::Top);
    calls.clear();
    Grab();
    const std::int64_t top = view->TopLine();
    ASSERT_EQ(top, 50000);
    std::set<std::int64_t> lines;
    for (const WordCall& c : calls)
        lines.insert(c.line);
    // The whole lines on screen, and the one cut by the bottom edge.
    const int visible = view->VisibleLines();
    EXPECT_GE(lines.size(), static_cast<std::size_t>(visible));
    EXPECT_LE(lines.size(), static_cast<std::size_t>(visible + 1));
    EXPECT_EQ(*lines.begin(), top);
    EXPECT_EQ(*lines.rbegin(), top + static_cast<std::int64_t>(lines.size()) - 1);
    // Each line's words once, in order: "line", "N", "of", "the", "log".
    EXPECT_EQ(calls.size(), lines.size() * 5);
    EXPECT_EQ(calls[0], (WordCall{"line", top, 0}));
    EXPECT_EQ(calls[1], (WordCall{std::to_string(top), top, 5}));
    // Scrolling a line down asks for the one new line only.
    calls.clear();
    view->SetTopLine(top + 1);
    Grab();
    std::set<std::int64_t> fresh;
    for (const WordCall& c : calls)
        fresh.insert(c.line);
    EXPECT_EQ(fresh, (std::set<std::int64_t>{*lines.rbegin() + 1}));
}

TEST_F(LogViewTest, DecodesWithTheCodePage)
{
    // "Привет, мир" in CP866.
    const std::string cp866 = "\x8F\xE0\xA8\xA2\xA5\xE2, \xAC\xA8\xE0";
    Show(cp866 + "\n");
    view->SetCodePage(CodePage::CP866);
    EXPECT_EQ(view->GetCodePage(), CodePage::CP866);
    EXPECT_EQ(view->LineText(1), QString::fromUtf8("Привет, мир"));
    view->SetSelection({1, 0}, {1, 6});
    EXPECT_EQ(view->SelectedText(), QString::fromUtf8("Привет"));
    view->CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("Привет"));
    EXPECT_EQ(view->SelectedBytes(), cp866.substr(0, 6));
    // The same bytes read as CP1251 are other letters.
    view->SetCodePage(CodePage::CP1251);
    EXPECT_NE(view->LineText(1), QString::fromUtf8("Привет, мир"));
    EXPECT_EQ(view->LineText(1).size(), 11);
    // Words reach the highlighting as bytes, whatever the page.
    view->SetCodePage(CodePage::CP866);
    RecordWords();
    Grab();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].word, cp866.substr(0, 7));
    EXPECT_EQ(calls[1].col, 8);
}

TEST_F(LogViewTest, ErrorMarkAndSelectionColours)
{
    Show("one\ntwo\nthree\n", 400, 120);
    view->SetMarkColors(clBlack, clRed);
    view->SetMarkLine(2);
    EXPECT_EQ(view->MarkLine(), 2);
    view->SetSelection({3, 0}, {3, 3});
    QImage image = Grab();
    const int right = image.width() - 3;
    EXPECT_EQ(image.pixelColor(right, view->LineHeight() + 2), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(right, 2), QColor(192, 192, 192));  // the default background
    EXPECT_TRUE(RowHasColor(image, 2, 0, 3, QColor(0, 0, 128)));
    view->ClearMark();
    image = Grab();
    EXPECT_EQ(image.pixelColor(right, view->LineHeight() + 2), QColor(192, 192, 192));
    view->SetMarkLine(99);  // no such line
    EXPECT_EQ(view->MarkLine(), 0);
}

TEST_F(LogViewTest, LongLinesShowTheirVisiblePart)
{
    std::string line;
    while (line.size() < (std::size_t(3) << 20))
        line += "word ";
    line += "END";
    Show("short\n" + line + "\nafter", 400, 150);
    RecordWords();
    Grab();
    // The words of the long line are asked for up to the highlighting limit only.
    int lastCol = 0;
    for (const WordCall& c : calls) {
        if (c.line == 2)
            lastCol = std::max(lastCol, c.col);
    }
    EXPECT_GT(lastCol, 60000);
    EXPECT_LT(lastCol, static_cast<int>(TLogView::kMaxHighlightBytes));
    view->SetCaretPos({2, 0});
    Key(Qt::Key_End);
    EXPECT_EQ(view->CaretPos(), (TTextPos{2, static_cast<std::int64_t>(line.size())}));
    // The screen goes along to the end of the laid-out part.
    EXPECT_GT(view->LeftCell(), 1000000);
    Grab();
    Key(Qt::Key_Down);
    EXPECT_EQ(view->CaretLine(), 3);
    EXPECT_EQ(view->LeftCell(), 0);
    // Up again: the caret comes back to the end of the laid-out part; the selection
    // holds the rest of the long line all the same.
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(view->CaretPos(), (TTextPos{2, static_cast<std::int64_t>(kMaxLayoutBytes)}));
    EXPECT_EQ(view->SelectedBytes(), line.substr(kMaxLayoutBytes) + "\nafter");
    view->GoToLine(2);
    view->SetLeftCell(500000);
    Grab();
    EXPECT_EQ(view->LeftCell(), 500000);
    EXPECT_EQ(view->horizontalScrollBar()->value(), 500000);
}

TEST_F(LogViewTest, GarbageAndEmptyTexts)
{
    Show("");
    EXPECT_EQ(view->LineCount(), 1);
    for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Left})
        Key(key, Qt::ShiftModifier);
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 0}));
    EXPECT_FALSE(view->HasSelection());
    EXPECT_FALSE(view->Find("x", {}));
    Grab();

    std::mt19937 rng(1);
    std::string garbage(1 << 16, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());
    view->SetText(garbage);
    RecordWords([](std::string_view w) { return static_cast<int>(w.size() * 37); });
    const int keys[] = {Qt::Key_Right, Qt::Key_Left, Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home,
                        Qt::Key_PageDown, Qt::Key_PageUp};
    for (CodePage cp : {CodePage::UTF8, CodePage::CP866}) {
        view->SetCodePage(cp);
        for (int i = 0; i < 300; ++i) {
            Key(keys[rng() % std::size(keys)], rng() % 2 ? Qt::ShiftModifier : Qt::NoModifier);
            const TTextPos caret = view->CaretPos();
            ASSERT_GE(caret.Line, 1);
            ASSERT_LE(caret.Line, view->LineCount());
            ASSERT_LE(static_cast<std::size_t>(caret.Col), view->LineBytes(caret.Line).size());
            ASSERT_LE(view->OffsetOf(caret), garbage.size());
            if (i % 50 == 0)
                Grab();
        }
        view->SelectAll();
        EXPECT_EQ(view->SelectedBytes().size(), garbage.size());
        view->SelectedText();
        view->Find(QString::fromUtf8("\xC3\xA9"), {});
    }
    view->Clear();
    EXPECT_EQ(view->LineCount(), 1);
    EXPECT_TRUE(view->Bytes().empty());
    Grab();
}

TEST_F(LogViewTest, OpensAMappedFile)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("tarvix-logview-" + std::to_string(::getpid()))).string();
    std::ofstream(path, std::ios::binary) << "one\r\ntwo\r\n";
    Show("");
    std::uint64_t done = 0;
    view->OpenFile(path, [&](std::uint64_t d, std::uint64_t) { done = d; });
    EXPECT_EQ(done, 10u);
    ::unlink(path.c_str());  // the mapping keeps the bytes
    EXPECT_EQ(view->LineCount(), 3);
    EXPECT_EQ(view->LineBytes(2), "two");
    EXPECT_EQ(view->LineBytes(3), "");
    EXPECT_EQ(view->LineBytes(4), "");
    EXPECT_THROW(view->OpenFile(path), EFOpenError);
    EXPECT_EQ(view->LineBytes(1), "one");
    // An index of other bytes is not trusted.
    auto text = std::make_shared<std::string>("a\nb\nc");
    view->SetText(text, *text, TLineIndex::Build("a\n"));
    EXPECT_EQ(view->LineCount(), 3);
    EXPECT_EQ(view->LineBytes(3), "c");
}

TEST_F(LogViewTest, Screenshot)
{
    RegisterGenericLogStyles();
    const std::string text =
        "----------  Mon 02 Mar 2026 binkd 1.1\n"
        "  02 Mar 09:14:02 BINKD  started (pid 4411)\n"
        "+ 02 Mar 09:14:05 BINKD  outgoing session with 2:5020/1042@fidonet\n"
        "- 02 Mar 09:14:06 BINKD  SYS Northern Lights BBS\n"
        "- 02 Mar 09:14:06 BINKD  ZYZ \x88\xA2\xA0\xAD \x8F\xA5\xE2\xE0\xAE\xA2\n"  // CP866
        "  02 Mar 09:14:07 BINKD  receiving 0000ffa3.mo0 (18233 byte(s), off 0)\n"
        "  02 Mar 09:14:09 BINKD  0000ffa3.mo0 -> /var/spool/fido/inbound\n"
        "! 02 Mar 09:14:10 BINKD  connection reset by peer\n"
        "  02 Mar 09:14:10 BINKD  done (to 2:5020/1042@fidonet, failed, S/R: 0/1 (0/18233 bytes))\n"
        "  02 Mar 09:20:44 BINKD  call to 2:5030/815@fidonet\n"
        "\tindented\twith\ttabs\n";
    Show(text, 760, 300);
    view->SetCodePage(CodePage::CP866);
    std::unique_ptr<TLog> log = CreateLogOfStyle(lsBink);
    view->SetWordClassFunc(
        [&log](std::string_view word, std::int64_t line, int col) { return log->GetWordClass(word, line, col); });
    view->SetMarkColors(clBlack, clRed);
    view->SetMarkLine(10);
    view->SetSelection({6, 24}, {7, 19});
    const std::filesystem::path dir = std::filesystem::path(TARVIX_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "LogView.png").string();
    ASSERT_TRUE(view->grab().save(QString::fromStdString(file), "PNG"));
    EXPECT_GT(std::filesystem::file_size(file), 1000u);
}

// A binkd log as binkd wrote it (the sample's first lines), painted by the binkd style.
TEST_F(LogViewTest, BinkdScreenshot)
{
    RegisterGenericLogStyles();
    std::ifstream in(std::string(TARVIX_SOURCE_DIR) + "/samples/binkd/beta/binkd.log");
    std::string text, line;
    for (int i = 0; i < 72 && std::getline(in, line); ++i)
        if (i >= 36)
            text += line + "\n";
    Show(text, 900, 620);
    std::unique_ptr<TLog> log = CreateLogOfStyle(lsBinkd);
    view->SetWordClassFunc(
        [&log](std::string_view word, std::int64_t line, int col) { return log->GetWordClass(word, line, col); });
    const std::filesystem::path dir = std::filesystem::path(TARVIX_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "LogViewBinkd.png").string();
    ASSERT_TRUE(view->grab().save(QString::fromStdString(file), "PNG"));
}

}  // namespace
}  // namespace tarvix
