#include "ui/LngComponent.h"

#include "fido/Lng.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace tarvix {
namespace {

namespace fs = std::filesystem;

// A small window: labels, buttons, a list box holding x, y, z, w, a combo box,
// an edit, a memo, a tab bar, a menu item, and a panel around some of them.
struct TestForm {
    QWidget window;
    QLabel* label1;
    QLabel* label2;
    QPushButton* button1;
    QPushButton* button2;
    QListWidget* listBox1;
    QComboBox* combo1;
    QLineEdit* edit1;
    QPlainTextEdit* memo1;
    QTabBar* tabs1;
    QCheckBox* check1;
    QAction* miOpen;

    TestForm()
    {
        window.setObjectName("TestForm");
        auto* panel = new QWidget(&window);
        panel->setObjectName("Panel1");
        auto* layout = new QVBoxLayout(panel);
        label1 = new QLabel("Label1", panel);
        label1->setObjectName("Label1");
        label2 = new QLabel("Label2", &window);
        label2->setObjectName("Label2");
        button1 = new QPushButton("Button1", panel);
        button1->setObjectName("Button1");
        button2 = new QPushButton("Button2", &window);
        button2->setObjectName("Button2");
        listBox1 = new QListWidget(panel);
        listBox1->setObjectName("ListBox1");
        listBox1->addItems({"x", "y", "z", "w"});
        combo1 = new QComboBox(&window);
        combo1->setObjectName("Combo1");
        combo1->addItems({"one"});
        edit1 = new QLineEdit(&window);
        edit1->setObjectName("Edit1");
        memo1 = new QPlainTextEdit(&window);
        memo1->setObjectName("Memo1");
        memo1->setPlainText("first\nsecond\nthird");
        tabs1 = new QTabBar(&window);
        tabs1->setObjectName("Tabs1");
        tabs1->addTab("Settings");
        check1 = new QCheckBox(&window);
        check1->setObjectName("Check1");
        miOpen = new QAction("&Open", &window);
        miOpen->setObjectName("MIOpen");
        for (QWidget* w : {static_cast<QWidget*>(label1), static_cast<QWidget*>(button1), static_cast<QWidget*>(listBox1)})
            layout->addWidget(w);
    }
};

using Lines = std::vector<std::pair<std::string, std::string>>;

// Captures the debug trace (standard error while TARVIX_DEBUG is set).
class TraceCapture {
public:
    TraceCapture()
    {
        ::setenv("TARVIX_DEBUG", "1", 1);
        ::testing::internal::CaptureStderr();
    }
    ~TraceCapture()
    {
        if (!done_)
            Text();
    }
    std::string Text()
    {
        done_ = true;
        std::string s = ::testing::internal::GetCapturedStderr();
        ::unsetenv("TARVIX_DEBUG");
        return s;
    }

private:
    bool done_ = false;
};

class LngComponentTest : public ::testing::Test {
protected:
    void SetUp() override { UnloadLng(); }
    void TearDown() override { UnloadLng(); }

    std::string WriteLng(const std::string& name, const std::string& sections)
    {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << "[Lng]\nVersion=beta 5\n\n[Strings]\nA.One=One\n"
                                              "ShortMonthNames=Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec\n\n"
                                           << sections;
        return p.string();
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
    EXPECT_EQ(message({{"ListBox1.Items", "a,b"}}), "Invalid TStrings value");
    EXPECT_EQ(message({{"ListBox1.Items", "('a'"}}), "Invalid TStrings value");
    EXPECT_EQ(message({{"ListBox1.Items", "('a''"}}), "Invalid TStrings value");
    EXPECT_EQ(message({{"ListBox1.Items", "('a',)"}}), "Invalid TStrings value");
    EXPECT_EQ(message({{"Nonsense", "x"}}), "Nonsense - Invalid property name");
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
    EXPECT_EQ(f.label1->text(), "Hello");
    EXPECT_EQ(close1->text(), "Close");
    EXPECT_EQ(innerLabel->text(), "Other hello");
    EXPECT_EQ(TLng::LngName(), english);

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
    EXPECT_EQ(f.window.windowTitle(), QString::fromUtf8("Тестовое окно"));
    EXPECT_EQ(f.label1->text(), QString::fromUtf8("Привет"));
    EXPECT_EQ(later.label1->text(), QString::fromUtf8("Привет"));
    EXPECT_EQ(close1->text(), QString::fromUtf8("Закрыть"));
    // The Russian file has no [TOtherForm]: the inner label keeps its English text.
    EXPECT_EQ(innerLabel->text(), "Other hello");

    // A file that cannot be loaded leaves the language and the windows as they are.
    EXPECT_THROW(TLng::SetLngName((dir / "missing.lng").string()), ELngError);
    EXPECT_EQ(TLng::LngName(), russian);
    const std::string wrongVersion = (dir / "old.lng").string();
    std::ofstream(wrongVersion) << "[Lng]\nVersion=beta 4\n[Strings]\nA=B\n";
    try {
        TLng::SetLngName(wrongVersion);
        FAIL();
    } catch (const ELngError& e) {
        EXPECT_STREQ(e.what(), "Invalid .LNG version: current beta 4, needed beta 5");
    }
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
                                    "ListBox1.Items=a,b\n"
                                    "ListBox1.Items=('a','b\n"
                                    "ListBox1.Items=\n"
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
    UnloadLng();
    f.button1->setText("kept");
    ApplyLng(&f.window, "TestForm");
    EXPECT_EQ(f.button1->text(), "kept");
    ApplyLng(nullptr, "TestForm");
}

}  // namespace
}  // namespace tarvix
