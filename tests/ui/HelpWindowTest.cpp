#include "ui/HelpWindow.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QToolButton>

#include <filesystem>

namespace tarvix {
namespace {

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
    EXPECT_EQ(HelpPageOfContext(hcFrame), "frame.html");
    EXPECT_EQ(HelpPageOfContext(hcLogWindow), "logwindow.html");
    EXPECT_EQ(HelpPageOfContext(hcSessList), "logwindow.html#sessions");
    EXPECT_EQ(HelpPageOfContext(hcTMailOptions), "tmail.html");
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
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->CurrentPage().fileName(), "index.html");
    EXPECT_TRUE(w->Browser()->toPlainText().contains("Tarvix Help"));

    EXPECT_EQ(ShowHelpContext(hcSessList, &frame), w);
    EXPECT_EQ(w->CurrentPage().fileName(), "logwindow.html");
    EXPECT_EQ(w->CurrentPage().fragment(), "sessions");
    EXPECT_TRUE(w->Browser()->toPlainText().contains("Session list"));
    // Back returns to the contents.
    auto* back = w->findChild<QToolButton*>("BtnBack");
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(w->CurrentPage().fileName(), "index.html");

    ShowHelpContext(hcFrame, &frame);
    w->resize(640, 480);
    QApplication::processEvents();
    test::SaveScreenshot(w, "HelpWindow");

    // The window goes with its parent.
    w->close();
}

}  // namespace
}  // namespace tarvix
