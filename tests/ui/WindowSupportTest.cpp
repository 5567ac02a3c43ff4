// What every window uses: the language component (window sections of a language file,
// also damaged), the help window and its pages, damaged window placements in the
// settings; the log text view (empty text, a binkd screenshot), the character cells
// of a line and the text search.

#include "engine/Log.h"
#include "engine/LogStyles.h"
#include "fido/Lng.h"
#include "settings/SettingsStore.h"
#include "ui/HelpWindow.h"
#include "ui/LineCells.h"
#include "ui/LngComponent.h"
#include "ui/LogView.h"
#include "ui/Placement.h"
#include "ui/TextSearch.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace tarvix {
namespace {

namespace fs = std::filesystem;

// A small window: two labels, a button, a list box holding x, y, z, w and a check box.
struct TestForm {
    QWidget window;
    QLabel* label1 = Named(new QLabel("Label1", &window), "Label1");
    QPushButton* button1 = Named(new QPushButton("Button1", &window), "Button1");
    QListWidget* listBox1 = Named(new QListWidget(&window), "ListBox1");
    QCheckBox* check1 = Named(new QCheckBox(&window), "Check1");

    TestForm()
    {
        window.setObjectName("TestForm");
        listBox1->addItems({"x", "y", "z", "w"});
    }
    template <class W>
    static W* Named(W* w, const char* name)
    {
        w->setObjectName(name);
        return w;
    }
};

using Lines = std::vector<std::pair<std::string, std::string>>;

class LngComponentTest : public ::testing::Test {
protected:
    void SetUp() override { UnloadLng(); }
    void TearDown() override { UnloadLng(); }

    std::string WriteLng(const std::string& name, const std::string& sections)
    {
        return temp.Write(name, "[Lng]\nVersion=beta 5\n\n[Strings]\nA.One=One\n"
                                "ShortMonthNames=Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec\n\n" +
                                    sections);
    }

    test::TempDir temp;
    fs::path dir = temp.path;
};

TEST_F(LngComponentTest, MalformedLinesRaiseAfterTheOthersAreApplied)
{
    TestForm f;
    auto message = [&f](const Lines& lines) {
        try {
            ApplyLngLines(&f.window, lines);
        } catch (const ELngError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message({{"Label1.Nonsense", "x"}, {"Button1..", "after the bad line"}}),
              "Nonsense - Invalid property name");
    EXPECT_EQ(f.button1->text(), "after the bad line");
    EXPECT_EQ(message({{"Check1.checked", "yes"}}), "Invalid property type");
    EXPECT_EQ(message({{"ListBox1.Items", "('a', 'b')"}}), "Invalid TStrings value");
    EXPECT_EQ(message({{"ListBox1.Items", "('a',)"}}), "Invalid TStrings value");
    // The first error is the one reported.
    EXPECT_EQ(message({{"Label1.Bad1", "x"}, {"Label1.Bad2", "x"}}), "Bad1 - Invalid property name");
    // Nothing of the list changed on a bad value.
    EXPECT_EQ(f.listBox1->item(0)->text(), "x");
}

TEST_F(LngComponentTest, WindowsAreTranslatedWhenCreatedAndOnEveryLanguageSwitch)
{
    const std::string english = WriteLng("eng.lng",
                                         "[Any]\nBtnClose..=Close\n\n"
                                         "[TTestForm]\nCaption=Test window\nLabel1..=Hello\n\n"
                                         "[TOtherForm]\nLabel1..=Other hello\n");
    const std::string russian = WriteLng("rus.lng",
                                         "[Any]\nBtnClose..=Закрыть\n\n"
                                         "[TTestForm]\nCaption=Тестовое окно\nLabel1..=Привет\n");
    TestForm f;
    auto* close1 = new QPushButton("?", &f.window);
    close1->setObjectName("BtnClose");
    auto* lng = new TLng(&f.window, "TTestForm");
    int applied = 0;
    QObject::connect(lng, &TLng::LngApplied, [&applied] { ++applied; });
    EXPECT_EQ(f.label1->text(), "Label1");  // nothing loaded yet

    // A window inside the test window with a language component of its own: its
    // components belong to it, not to the outer window.
    auto* inner = new QWidget(&f.window);
    auto* innerLabel = new QLabel("inner", inner);
    innerLabel->setObjectName("Label1");
    new TLng(inner, "TOtherForm");

    TLng::SetLngName(english);
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(f.window.windowTitle(), "Test window");
    EXPECT_EQ(close1->text(), "Close");
    EXPECT_EQ(innerLabel->text(), "Other hello");

    // Loading the file that is loaded does nothing.
    f.label1->setText("changed");
    TLng::SetLngName(english);
    EXPECT_EQ(f.label1->text(), "changed");
    EXPECT_EQ(applied, 1);

    // A window created later is translated at once.
    TestForm later;
    new TLng(&later.window, "TTestForm");
    EXPECT_EQ(later.label1->text(), "Hello");

    TLng::SetLngName(russian);
    EXPECT_EQ(f.label1->text(), QString::fromUtf8("Привет"));
    EXPECT_EQ(later.label1->text(), QString::fromUtf8("Привет"));
    // The Russian file has no [TOtherForm]: the inner label keeps its English text.
    EXPECT_EQ(innerLabel->text(), "Other hello");

    // A file that cannot be loaded leaves the language and the windows as they are.
    EXPECT_THROW(TLng::SetLngName((dir / "missing.lng").string()), ELngError);
    EXPECT_EQ(TLng::LngName(), russian);
    EXPECT_EQ(f.label1->text(), QString::fromUtf8("Привет"));
    EXPECT_EQ(TLng::Instances().size(), 3u);
}

// Damaged lines of a window section are skipped; the others apply.
TEST_F(LngComponentTest, DamagedLinesOfASectionAreSkipped)
{
    LoadLng(WriteLng("damaged.lng", "[TestForm]\n"
                                    "*.?=no component before\n"
                                    "NoSuch..=nothing\n"
                                    "Button1.NoSuchProperty=x\n"
                                    "Button1.checkable=1\n"
                                    "ListBox1.Items=('a','b\n"
                                    "Button1.=empty property\n"
                                    ".=empty component\n"
                                    "=no name\n"
                                    "Label1..=!unterminated mark\n"
                                    "Label1.?=" + std::string(300, 'x') + "\n"
                                    "Button1..=Still applied\n"));
    TestForm f;
    ApplyLng(&f.window, "TestForm");
    EXPECT_EQ(f.button1->text(), "Still applied");
    EXPECT_FALSE(f.button1->isCheckable());
    ASSERT_EQ(f.listBox1->count(), 4);
    EXPECT_EQ(f.listBox1->item(0)->text(), "x");
    EXPECT_EQ(f.label1->text(), "!unterminated mark");
    EXPECT_FALSE(f.label1->toolTip().isEmpty());
}

QString ReadPage(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

// The pages of the help folder with the anchors (id="...") each one has.
QMap<QString, QSet<QString>> Pages()
{
    QMap<QString, QSet<QString>> pages;
    const QDir dir(HelpDir());
    for (const QString& name : dir.entryList({"*.html"}, QDir::Files)) {
        QSet<QString> anchors;
        const QString text = ReadPage(dir.filePath(name));
        static const QRegularExpression id(R"re(\bid="([^"]+)")re");
        for (auto it = id.globalMatch(text); it.hasNext();)
            anchors.insert(it.next().captured(1));
        pages.insert(name, anchors);
    }
    return pages;
}

bool PageExists(const QMap<QString, QSet<QString>>& pages, const QString& target)
{
    const qsizetype hash = target.indexOf('#');
    const QString file = hash >= 0 ? target.left(hash) : target;
    if (!pages.contains(file))
        return false;
    return hash < 0 || pages[file].contains(target.mid(hash + 1));
}

TEST(HelpWindowTest, EveryContextAndEveryLinkLeadsToAPageThatIsThere)
{
    ASSERT_FALSE(HelpDir().isEmpty());
    const auto pages = Pages();
    ASSERT_TRUE(pages.contains("index.html"));
    for (int context = 0; context < 100; ++context) {
        const QString page = HelpPageOfContext(context);
        EXPECT_TRUE(PageExists(pages, page)) << context << " -> " << page.toStdString();
    }
    EXPECT_EQ(HelpPageOfContext(12345), "index.html");
    EXPECT_EQ(HelpPageOfContext(-1), "index.html");

    // Links between the pages, and the contents page reaches every page.
    static const QRegularExpression href(R"re(href="([^"]+)")re");
    QSet<QString> fromContents;
    for (auto it = pages.begin(); it != pages.end(); ++it) {
        const QString text = ReadPage(QDir(HelpDir()).filePath(it.key()));
        for (auto m = href.globalMatch(text); m.hasNext();) {
            const QString target = m.next().captured(1);
            EXPECT_TRUE(PageExists(pages, target)) << it.key().toStdString() << " links to " << target.toStdString();
            if (it.key() == "index.html")
                fromContents.insert(target.section('#', 0, 0));
        }
    }
    for (auto it = pages.begin(); it != pages.end(); ++it) {
        if (it.key() != "index.html") {
            EXPECT_TRUE(fromContents.contains(it.key())) << it.key().toStdString() << " is not in the contents";
        }
    }
}

TEST(HelpWindowTest, ContentsAndContextPagesOpenInOneWindow)
{
    QWidget frame;
    THelpWindow* w = ShowHelpContents(&frame);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(OpenHelpWindow(), w);
    EXPECT_EQ(w->CurrentPage().fileName(), "index.html");

    EXPECT_EQ(ShowHelpContext(hcSessList, &frame), w);
    EXPECT_EQ(w->CurrentPage().fileName(), "logwindow.html");
    EXPECT_EQ(w->CurrentPage().fragment(), "sessions");
    // Back returns to the contents.
    w->findChild<QToolButton*>("BtnBack")->click();
    EXPECT_EQ(w->CurrentPage().fileName(), "index.html");
    w->resize(640, 480);
    QApplication::processEvents();
    test::SaveScreenshot(w, "HelpWindow");
    w->close();
}

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override { OpenSettings(temp / "Tarvix.ini"); }

    test::TempDir temp;
};

TEST_F(PlacementTest, DamagedPlacementValuesAreIgnored)
{
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    auto* sub = area.addSubWindow(new QWidget);
    sub->show();
    sub->setGeometry(10, 10, 200, 100);
    for (const char* pos : {"1,2,x,4", "1,2,3", "", "5,5,5,5", "9,9,1,1", "0,0,99999999,5", ",,,", "1,2,3,4,5"}) {
        Ini().WriteString("Bad", "NormPos", pos);
        Ini().WriteString("Bad", "ShowCmd", "77");
        EXPECT_FALSE(RestoreFormPlacement(sub, "Bad")) << pos;
        EXPECT_EQ(sub->geometry(), QRect(10, 10, 200, 100)) << pos;
    }
    // Garbage where Qt's description of a top-level window should be.
    QWidget top;
    top.resize(321, 123);
    Ini().WriteString("BadTop", "Geometry", "AAAA");
    EXPECT_FALSE(RestoreFormPlacement(&top, "BadTop"));
    EXPECT_EQ(top.size(), QSize(321, 123));
    // ... but a good normal position in the same section still counts.
    Ini().WriteString("BadTop", "NormPos", "10,20,410,320");
    EXPECT_TRUE(RestoreFormPlacement(&top, "BadTop"));
    EXPECT_EQ(top.size(), QSize(400, 300));
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
    }

    QImage Grab() { return view->viewport()->grab().toImage(); }

    std::unique_ptr<TLogView> view;
};

TEST_F(LogViewTest, EmptyTexts)
{
    Show("");
    EXPECT_EQ(view->LineCount(), 1);
    for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Left})
        Key(key, Qt::ShiftModifier);
    EXPECT_EQ(view->CaretPos(), (TTextPos{1, 0}));
    EXPECT_FALSE(view->HasSelection());
    EXPECT_FALSE(view->Find("x", {}));
    Grab();

    view->Clear();
    EXPECT_EQ(view->LineCount(), 1);
    EXPECT_TRUE(view->Bytes().empty());
    Grab();
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

// A binkd log as binkd wrote it (the sample's first lines), painted by the binkd style,
// with an error mark and a selection.
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
    view->SetMarkColors(clBlack, clRed);
    view->SetMarkLine(10);
    view->SetSelection({6, 24}, {7, 19});
    test::SaveScreenshot(view.get(), "LogViewBinkd");
}

}  // namespace
}  // namespace tarvix
