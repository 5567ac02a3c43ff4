#include "ui/LogView.h"

#include "engine/Log.h"
#include "engine/LogStyles.h"
#include "ui/LineCells.h"
#include "platform/Error.h"

#include "TestSupport.h"

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
    test::TempDir temp;
    const std::string path = temp.Write("log", "one\r\ntwo\r\n");
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
    test::SaveScreenshot(view.get(), "LogView");
}

}  // namespace
}  // namespace tarvix
