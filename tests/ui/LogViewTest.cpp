// The log text view: dragging past the edge, damaged text and a CP866 screenshot;
// the character cells of a line and the text search.

#include "engine/Log.h"
#include "engine/LogStyles.h"
#include "ui/LineCells.h"
#include "ui/LogView.h"
#include "ui/TextSearch.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QThread>

#include <random>
#include <string>
#include <vector>

namespace tarvix {
namespace {

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

    QImage Grab() { return view->viewport()->grab().toImage(); }

    std::unique_ptr<TLogView> view;
};

std::string NumberedLines(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "line " + std::to_string(i) + " of the log\n";
    return text;
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
    view->SetWordClassFunc([](std::string_view w, std::int64_t, int) { return static_cast<int>(w.size() * 37); });
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
    test::SaveScreenshot(view.get(), "LogView");
}

TEST(LineCellsTest, Utf8CharactersAreOneCellEach)
{
    // "Жук" then a truncated sequence, a stray continuation byte and a 4-byte emoji.
    const std::string line = "\xD0\x96\xD1\x83\xD0\xBA\xE2\x82" "a\x80\xF0\x9F\x98\x80" "z";
    const CodePage u = CodePage::UTF8;
    EXPECT_EQ(CellOfColumn(line, u, 2), 1);
    EXPECT_EQ(CellOfColumn(line, u, 6), 3);
    EXPECT_EQ(CellOfColumn(line, u, 8), 4);   // the truncated sequence is one character
    EXPECT_EQ(CellOfColumn(line, u, 9), 5);
    EXPECT_EQ(CellOfColumn(line, u, 10), 6);  // the stray byte too
    EXPECT_EQ(CellOfColumn(line, u, 14), 7);
    EXPECT_EQ(ColumnOfCell(line, u, 6), 10u);
    EXPECT_EQ(ColumnOfCell(line, u, 7), 14u);
    // Stepping forward and back visits the same character starts.
    std::vector<std::size_t> forward{0};
    while (forward.back() < line.size())
        forward.push_back(NextColumn(line, u, forward.back()));
    EXPECT_EQ(forward, (std::vector<std::size_t>{0, 2, 4, 6, 8, 9, 10, 14, 15}));
    std::vector<std::size_t> backward{line.size()};
    while (backward.back() > 0)
        backward.push_back(PreviousColumn(line, u, backward.back()));
    EXPECT_EQ(std::vector<std::size_t>(backward.rbegin(), backward.rend()), forward);
    EXPECT_EQ(SnapColumn(line, u, 1), 0u);
    EXPECT_EQ(SnapColumn(line, u, 12), 10u);
    EXPECT_EQ(SnapColumn(line, u, 99), line.size());
    EXPECT_EQ(SnapColumn(line, CodePage::CP866, 1), 1u);
}

TEST(LineCellsTest, GarbageStepsBackAsItStepsForward)
{
    std::mt19937 rng(9);
    for (int round = 0; round < 300; ++round) {
        std::string line(rng() % 40, ' ');
        for (char& c : line)
            c = static_cast<char>(rng() % 3 == 0 ? 0x80 + rng() % 64 : rng() % 256);
        std::vector<std::size_t> forward{0};
        while (forward.back() < line.size())
            forward.push_back(NextColumn(line, CodePage::UTF8, forward.back()));
        std::vector<std::size_t> backward{line.size()};
        while (backward.back() > 0)
            backward.push_back(PreviousColumn(line, CodePage::UTF8, backward.back()));
        ASSERT_EQ(std::vector<std::size_t>(backward.rbegin(), backward.rend()), forward) << round;
        // Without tabs, the n-th character is in cell n.
        if (line.find('\t') == std::string::npos) {
            for (std::size_t i = 0; i < forward.size(); ++i)
                ASSERT_EQ(CellOfColumn(line, CodePage::UTF8, forward[i]), static_cast<std::int64_t>(i));
        }
    }
}

using TMatch = TTextSearch::TMatch;

std::size_t Forward(const QString& pattern, CodePage cp, bool matchCase, std::string_view text, std::size_t from = 0)
{
    return TTextSearch(pattern, cp, matchCase).FindForward(text, from).Pos;
}

std::size_t Backward(const QString& pattern, CodePage cp, bool matchCase, std::string_view text,
                     std::size_t before = std::string_view::npos)
{
    return TTextSearch(pattern, cp, matchCase).FindBackward(text, before).Pos;
}

constexpr std::size_t npos = TTextSearch::npos;

TEST(TextSearchTest, CyrillicInItsCodePage)
{
    // "Ошибка" and "ОШИБКА" in CP866, CP1251 and UTF-8.
    const std::string cp866 = "x \x8E\xE8\xA8\xA1\xAA\xA0 y \x8E\x98\x88\x81\x8A\x80";
    const std::string cp1251 = "x \xCE\xF8\xE8\xE1\xEA\xE0 y \xCE\xD8\xC8\xC1\xCA\xC0";
    const std::string utf8 = "x Ошибка y ОШИБКА";
    EXPECT_EQ(Forward("ошибка", CodePage::CP866, false, cp866), 2u);
    EXPECT_EQ(Forward("ошибка", CodePage::CP866, false, cp866, 3), 11u);
    EXPECT_EQ(Forward("ОШИБКА", CodePage::CP866, true, cp866), 11u);
    EXPECT_EQ(Forward("ошибка", CodePage::CP866, true, cp866), npos);
    EXPECT_EQ(Forward("ошибка", CodePage::CP1251, false, cp1251, 3), 11u);
    EXPECT_EQ(Forward("ошибка", CodePage::UTF8, false, utf8), 2u);
    EXPECT_EQ(Forward("ошибка", CodePage::UTF8, false, utf8, 3), 17u);
    EXPECT_EQ(Backward("ошибка", CodePage::UTF8, false, utf8, 17), 2u);
    EXPECT_EQ(Forward("ОШИБКА", CodePage::UTF8, true, utf8), 17u);
    // The bytes of one page mean other letters in another.
    EXPECT_EQ(Forward("ошибка", CodePage::CP1251, false, cp866), npos);
}

TEST(TextSearchTest, DamagedUtf8AroundAMatch)
{
    const std::string text = "\xE2\x82\xC3 Fail \xFF" "fail\xF0";
    EXPECT_EQ(Forward("fail", CodePage::UTF8, false, text), 4u);
    TMatch m = TTextSearch("FAIL", CodePage::UTF8, false).FindBackward(text, npos);
    EXPECT_EQ(m.Pos, 10u);
    EXPECT_EQ(m.Length, 4u);
}

TEST(TextSearchTest, EveryMatchInTurn)
{
    // Against a plain loop over the text, forward and backward, with and without
    // match case, on texts thick with near misses.
    std::mt19937 rng(4);
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    for (int round = 0; round < 200; ++round) {
        std::string text(rng() % 200, ' ');
        for (char& c : text)
            c = "aAbB \n"[rng() % 6];
        std::string pattern(1 + rng() % 3, ' ');
        for (char& c : pattern)
            c = "abAB"[rng() % 4];
        const bool matchCase = rng() % 2;
        const CodePage cp = rng() % 2 ? CodePage::UTF8 : CodePage::CP866;
        auto matchesAt = [&](std::size_t pos) {
            for (std::size_t i = 0; i < pattern.size(); ++i) {
                char a = text[pos + i], b = pattern[i];
                if (matchCase ? a != b : lower(a) != lower(b))
                    return false;
            }
            return true;
        };
        std::vector<std::size_t> expected;
        for (std::size_t pos = 0; pos + pattern.size() <= text.size(); ++pos) {
            if (matchesAt(pos))
                expected.push_back(pos);
        }
        TTextSearch search(QString::fromStdString(pattern), cp, matchCase);
        std::vector<std::size_t> forward;
        for (TMatch m = search.FindForward(text, 0); m.Found(); m = search.FindForward(text, m.Pos + 1))
            forward.push_back(m.Pos);
        EXPECT_EQ(forward, expected) << text << " / " << pattern;
        std::vector<std::size_t> backward;
        for (TMatch m = search.FindBackward(text, npos); m.Found(); m = search.FindBackward(text, m.Pos))
            backward.insert(backward.begin(), m.Pos);
        EXPECT_EQ(backward, expected) << text << " / " << pattern;
    }
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
