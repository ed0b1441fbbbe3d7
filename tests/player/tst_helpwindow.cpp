// The help window: every topic of the built-in manual, a site's own manual beside the start
// directory, and a topic no manual has.

#include "help/HelpWindow.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Tonlyra;
using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;

namespace {

class HelpWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { SetHelpFile(Dir.File(QStringLiteral("CDManual.hlp"))); }
    void TearDown() override { SetHelpFile(QString()); }
    TempDir Dir;
};

TEST_F(HelpWindowTest, BuiltInManualHasEveryTopic)
{
    HelpWindow window;
    const struct
    {
        const char* Topic;
        const char* Title;
    } topics[] = {{"", "Tonlyran – Hjälp"},
                  {"Kora", "Köra programmet"},
                  {"Media", "Skapa överlägg"},
                  {"Anpassning", "Inställningar för brukare"}};
    for (const auto& t : topics) {
        SCOPED_TRACE(t.Topic);
        ASSERT_TRUE(window.ShowTopic(QString::fromUtf8(t.Topic)));
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.Browser()->documentTitle(), QString::fromUtf8(t.Title));
        // Real text, and links between the pages that lead somewhere.
        EXPECT_GT(window.Browser()->toPlainText().size(), 300);
    }
    window.ShowTopic(QString());
    window.Browser()->setSource(QUrl(QStringLiteral("Anpassning.html")));
    EXPECT_EQ(window.Browser()->documentTitle(), QStringLiteral("Inställningar för brukare"));
}

TEST_F(HelpWindowTest, OwnManualBesideTheStartDirectoryComesFirst)
{
    ASSERT_TRUE(QDir(Dir.Path()).mkpath(QStringLiteral("CDManual.hlp")));
    QFile page(Dir.File(QStringLiteral("CDManual.hlp/Kora.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><head><title>Egen hjälp</title></head><body>Vår egen text</body></html>");
    page.close();

    HelpWindow window;
    ASSERT_TRUE(window.ShowTopic(QStringLiteral("Kora")));
    EXPECT_EQ(window.Browser()->documentTitle(), QStringLiteral("Egen hjälp"));
    // Topics it does not have come from the built-in manual.
    ASSERT_TRUE(window.ShowTopic(QStringLiteral("Media")));
    EXPECT_EQ(window.Browser()->documentTitle(), QStringLiteral("Skapa överlägg"));
}

TEST_F(HelpWindowTest, MissingTopicIsReportedAndNothingElseHappens)
{
    HelpWindow window;
    for (const QString& topic : {QStringLiteral("Finnsinte"), QStringLiteral("../../etc/passwd")}) {
        SCOPED_TRACE(topic.toStdString());
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::Ok);
        EXPECT_FALSE(window.ShowTopic(topic));
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_TRUE(prompts.Asked()[0].Text.contains(topic));
        EXPECT_FALSE(window.isVisible());
    }
}

TEST_F(HelpWindowTest, EscClosesTheWindowOtherKeysDoNot)
{
    HelpWindow window;
    ASSERT_TRUE(window.ShowTopic(QString()));
    // Keys go to the page, as they do when it has the focus.
    QTest::keyClick(window.Browser(), Qt::Key_Escape, Qt::ShiftModifier);
    QTest::keyClick(window.Browser(), Qt::Key_Down);
    EXPECT_TRUE(window.isVisible());
    QTest::keyClick(window.Browser(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(HelpWindowTest, ShowHelpKeepsOneWindow)
{
    QWidget owner;
    ASSERT_TRUE(ShowHelp(&owner, QStringLiteral("Kora")));
    HelpWindow* first = CurrentHelpWindow();
    ASSERT_TRUE(ShowHelp(&owner, QStringLiteral("Media")));
    EXPECT_EQ(CurrentHelpWindow(), first);
    EXPECT_EQ(first->Browser()->documentTitle(), QStringLiteral("Skapa överlägg"));

    // Asked for from a modal dialog, the window is the dialog's, so the dialog does not block it.
    QDialog editor(&owner);
    editor.setWindowModality(Qt::ApplicationModal);
    editor.show();
    ASSERT_TRUE(ShowHelp(&editor, QStringLiteral("Media")));
    EXPECT_EQ(CurrentHelpWindow(), first);
    EXPECT_EQ(first->parentWidget(), &editor);
    EXPECT_TRUE(first->isVisible());
    editor.hide();
}

} // namespace
