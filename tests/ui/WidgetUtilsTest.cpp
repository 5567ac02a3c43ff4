// Helpers of every window: menu radio items, the Qt message and input dialogs, and
// window placements stored in the settings.

#include "fido/Lng.h"
#include "settings/QZIni.h"
#include "ui/HelpWindow.h"
#include "ui/MenuUtils.h"
#include "ui/Placement.h"
#include "ui/QtConvert.h"
#include "ui/QtDialogs.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <unistd.h>

namespace tarvix {
namespace {

// A menu bar: File (Open 1, separator, Exit 2), Options (Language: English 1,
// Russian 2; an unnamed item 3; an item captioned "-" with tag 4; Deep: Inner 5).
class MenuUtilsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = bar.addMenu("&File");
        open = Item(file, "MIOpen", "&Open", 1);
        file->addSeparator()->setData(7);
        exit = Item(file, "MIExit", "E&xit", 2);
        options = bar.addMenu("&Options");
        language = options->addMenu("L&anguage");
        language->setObjectName("MILanguage");
        english = Item(language, "MIEnglish", "&English", 1);
        russian = Item(language, "MIRussian", "&Russian", 2);
        unnamed = Item(options, "", "Unnamed", 3);
        dash = Item(options, "MIDash", "-", 4);
        deep = language->addMenu("Deep");
        inner = Item(deep, "MIInner", "Inner", 5);
    }

    QAction* Item(QMenu* menu, const char* name, const char* caption, int tag)
    {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        SetMenuItemTag(a, tag);
        a->setCheckable(true);
        return a;
    }

    QMenuBar bar;
    QMenu* file = nullptr;
    QMenu* options = nullptr;
    QMenu* language = nullptr;
    QMenu* deep = nullptr;
    QAction *open = nullptr, *exit = nullptr, *english = nullptr, *russian = nullptr;
    QAction *unnamed = nullptr, *dash = nullptr, *inner = nullptr;
};

TEST_F(MenuUtilsTest, RadioItemsOfAMenuExcludeEachOther)
{
    english->setCheckable(false);
    russian->setCheckable(false);
    SetRadioItems(language->menuAction());
    ASSERT_TRUE(english->isCheckable());
    ASSERT_TRUE(russian->isCheckable());
    ASSERT_NE(english->actionGroup(), nullptr);
    EXPECT_EQ(english->actionGroup(), russian->actionGroup());
    // The nested menu's items are radio items of their own menu.
    ASSERT_NE(inner->actionGroup(), nullptr);
    EXPECT_NE(inner->actionGroup(), english->actionGroup());

    english->setChecked(true);
    russian->setChecked(true);
    EXPECT_FALSE(english->isChecked());
    // Clicking the checked item keeps it checked.
    russian->trigger();
    EXPECT_TRUE(russian->isChecked());
    english->trigger();
    EXPECT_TRUE(english->isChecked());
    EXPECT_FALSE(russian->isChecked());
    // Unchecking still clears them all.
    UncheckMenuItems(language->menuAction());
    EXPECT_FALSE(english->isChecked());
    EXPECT_FALSE(russian->isChecked());

    // A single item joins the radio items of its menu; doing it twice is harmless.
    SetRadioItems(open);
    SetRadioItems(open);
    EXPECT_TRUE(open->isCheckable());
    ASSERT_NE(open->actionGroup(), nullptr);
    EXPECT_TRUE(open->actionGroup()->isExclusive());
    SetRadioItems(nullptr);
}

// Runs Act on the modal dialog as soon as it is on screen (the dialog is answered
// from inside its own event loop).
void WhenModal(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            WhenModal(act);
            return;
        }
        act(modal);
    });
}

QAbstractButton* ButtonWithText(QMessageBox& box, const QString& text)
{
    for (QAbstractButton* b : box.buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

TEST(QtDialogsTest, MessageDlgReturnsTheButtonClicked)
{
    TQtDialogs dialogs;
    TDialogRequest request;
    request.caption = "Question";
    request.text = "Go on?";
    request.type = TMsgDlgType::mtConfirmation;
    request.buttons = mbYesNoCancel;
    request.buttonCaptions = {{mbNo, "&No way"}};
    QString seenTitle;
    WhenModal([&seenTitle](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seenTitle = box->windowTitle();
        ButtonWithText(*box, "&No way")->click();
    });
    EXPECT_EQ(dialogs.MessageDlg(request), mrNo);
    EXPECT_EQ(seenTitle, "Question");

    WhenModal([](QWidget* modal) { static_cast<QMessageBox*>(modal)->escapeButton()->click(); });
    EXPECT_EQ(dialogs.MessageDlg(request), mrCancel);
}

namespace fs = std::filesystem;

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
    Ini().WriteString("BadTop", "Geometry", "!!not base64 at all!!");
    EXPECT_FALSE(RestoreFormPlacement(&top, "BadTop"));
    Ini().WriteString("BadTop", "Geometry", "AAAA");
    EXPECT_FALSE(RestoreFormPlacement(&top, "BadTop"));
    EXPECT_EQ(top.size(), QSize(321, 123));
    // ... but a good normal position in the same section still counts.
    Ini().WriteString("BadTop", "NormPos", "10,20,410,320");
    EXPECT_TRUE(RestoreFormPlacement(&top, "BadTop"));
    EXPECT_EQ(top.size(), QSize(400, 300));
}

}  // namespace
}  // namespace tarvix
