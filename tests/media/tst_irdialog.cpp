#include "media/IRDialogUnit.h"
#include "tests/media/tst_irfakeport.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using Tonlyra::Test::FakePort;

namespace {

struct Shown
{
    QString Level, Button, Pulses;
    bool Continuous;
};

Shown ShownBy(const TIRDialog& d)
{
    return {d.LevelComboBox->currentText(), d.ButtonComboBox->currentText(),
            d.PulseComboBox->currentText(), d.PulseCheckBox->isChecked()};
}

// Runs the dialog as the program does (through the ask-the-user service) and lets `close` end
// it as the user would once it is showing.
bool RunModal(TIRDialog& d, const std::function<void()>& close)
{
    Tonlyra::Test::ScriptedPrompts prompts;
    prompts.Dialog([&close](QDialog&) {
        close();
        return false; // closed by close() itself
    });
    return d.EditIRCommand();
}

} // namespace

TEST(IRDialog, EveryOfferedCommandComesBackAsChosen)
{
    TIRDialog d;
    ASSERT_EQ(d.LevelComboBox->count(), 10);
    ASSERT_EQ(d.ButtonComboBox->count(), 17);
    ASSERT_EQ(d.PulseComboBox->count(), 50);
    for (int level = 0; level < 10; ++level)
        for (int button = 0; button < 17; ++button)
            for (int pulse = -1; pulse < 50; ++pulse) { // -1: continuous
                d.LevelComboBox->setCurrentIndex(level);
                d.ButtonComboBox->setCurrentIndex(button);
                d.PulseCheckBox->setChecked(pulse < 0);
                if (pulse >= 0)
                    d.PulseComboBox->setCurrentIndex(pulse);
                const QString text = d.BuildIRString();
                d.ShowIRString(QStringLiteral("garbage"));
                d.ShowIRString(text);
                ASSERT_EQ(d.LevelComboBox->currentIndex(), button == 16 ? 0 : level)
                    << text.toStdString();
                ASSERT_EQ(d.ButtonComboBox->currentIndex(), button) << text.toStdString();
                ASSERT_EQ(d.PulseCheckBox->isChecked(), pulse < 0) << text.toStdString();
                ASSERT_EQ(d.PulseComboBox->currentIndex(), pulse) << text.toStdString();
                ASSERT_EQ(d.HasPulseCount(), pulse >= 0);
                ASSERT_EQ(d.BuildIRString(), text);
            }
}

TEST(IRDialog, ShowsTextsAsTheControlsRead)
{
    TIRDialog d;
    d.ShowIRString("!S 9F 32");
    EXPECT_EQ(ShownBy(d).Level, "10");
    EXPECT_EQ(ShownBy(d).Button, "D");
    EXPECT_EQ(ShownBy(d).Pulses, "50");

    d.ShowIRString("!S 00 21");
    EXPECT_EQ(ShownBy(d).Pulses, "33");

    d.ShowIRString("!S 00 FF");
    EXPECT_TRUE(ShownBy(d).Continuous);
    EXPECT_EQ(d.PulseComboBox->currentIndex(), -1);
    EXPECT_FALSE(d.PulseComboBox->isEnabled());
    EXPECT_FALSE(d.PulseLabel->isEnabled());
    EXPECT_FALSE(d.HasPulseCount());

    d.ShowIRString("");
    EXPECT_EQ(ShownBy(d).Level, "2");
    EXPECT_EQ(ShownBy(d).Button, "1");
    EXPECT_EQ(ShownBy(d).Pulses, "10");
    EXPECT_FALSE(ShownBy(d).Continuous);
    EXPECT_TRUE(d.PulseComboBox->isEnabled());
    EXPECT_TRUE(d.PulseLabel->isEnabled());
}

TEST(IRDialog, ContinuousBoxDisablesThePulseCount)
{
    TIRDialog d;
    d.PulseComboBox->setCurrentIndex(4);
    d.PulseCheckBox->click();
    EXPECT_FALSE(d.PulseComboBox->isEnabled());
    EXPECT_FALSE(d.PulseLabel->isEnabled());
    EXPECT_TRUE(d.BuildIRString().endsWith("FF"));
    d.PulseCheckBox->click();
    EXPECT_TRUE(d.PulseComboBox->isEnabled());
    EXPECT_TRUE(d.PulseLabel->isEnabled());
    EXPECT_TRUE(d.BuildIRString().endsWith("05")); // the carer's count is kept

    // A command loaded as continuous has no count; clearing the box gives the usual 10 rather
    // than a command of no pulses.
    d.ShowIRString("!S 12 FF");
    d.PulseCheckBox->click();
    EXPECT_EQ(d.BuildIRString(), "!S 12 0A");
}

TEST(IRDialog, SelectsOnlyTheSixPortsByExactName)
{
    TIRDialog d;
    struct Case
    {
        const char* name;
        const char* selected;
    };
    const Case cases[] = {{"COM4", "COM4"}, {"COM6", "COM6"}, {"COM7", "COM1"},
                          {"com1", "COM1"}, {"com4", "COM1"}, {"", "COM1"}};
    for (const Case& c : cases) {
        d.SelectCommPort("COM2");
        d.SelectCommPort(c.name);
        EXPECT_EQ(d.SelectedCommPort(), c.selected) << c.name;
    }
}

TEST(IRDialog, TestaSendsOnPressAndStopsOnReleaseWhenContinuous)
{
    FakePort port;
    ASSERT_FALSE(port.Path.isEmpty());
    qputenv("TONLYRA_COM2", port.Path.toLocal8Bit());
    TIRDialog d;
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    d.SelectCommPort("COM2");

    d.ShowIRString("!S 3C FF");
    QTest::mousePress(d.TestButton, Qt::LeftButton);
    EXPECT_EQ(port.Read(9), QByteArray("!S 3C FF\0", 9));
    QTest::mouseRelease(d.TestButton, Qt::LeftButton);
    EXPECT_EQ(port.Read(9), QByteArray("!\0\0\0\0\0\0\0\0", 9));

    d.ShowIRString("!S 3C 07");
    QTest::mousePress(d.TestButton, Qt::RightButton); // any button works
    QTest::mouseRelease(d.TestButton, Qt::RightButton);
    EXPECT_EQ(port.Read(18, 300), QByteArray("!S 3C 07\0", 9)); // no stop frame

    // The player's use: load, send, stop.
    d.ShowIRString("!S A0 FF");
    d.SendIRCommand();
    d.SendIRStop();
    EXPECT_EQ(port.Read(18), QByteArray("!S A0 FF\0!\0\0\0\0\0\0\0\0", 18));
    qunsetenv("TONLYRA_COM2");
}

TEST(IRDialog, SendingToAMissingPortIsSilent)
{
    Tonlyra::Test::ScriptedPrompts prompts; // a message box would fail the test
    Tonlyra::Test::TempDir dir;
    qputenv("TONLYRA_COM6", dir.File("no-such-port").toLocal8Bit());
    TIRDialog d;
    d.SelectCommPort("COM6");
    d.SendIRCommand();
    d.SendIRStop();
    QTest::mousePress(d.TestButton, Qt::LeftButton);
    QTest::mouseRelease(d.TestButton, Qt::LeftButton);
    EXPECT_TRUE(prompts.Asked().empty());
    qunsetenv("TONLYRA_COM6");
}

TEST(IRDialog, EditIRCommandAnswersOKOnlyForOK)
{
    TIRDialog d;
    EXPECT_EQ(d.windowTitle(), "IR");
    d.ShowIRString("!S 00 01");
    EXPECT_TRUE(RunModal(d, [&d] {
        d.ButtonComboBox->setCurrentIndex(11);
        d.OKButton->click();
    }));
    EXPECT_EQ(d.BuildIRString(), "!S 0B 01"); // the fields stay for the caller to read
    EXPECT_FALSE(RunModal(d, [&d] { d.CancelButton->click(); }));
    EXPECT_FALSE(RunModal(d, [&d] { d.close(); }));
    EXPECT_TRUE(RunModal(d, [&d] { QTest::keyClick(&d, Qt::Key_Return); })); // OK is default
}
