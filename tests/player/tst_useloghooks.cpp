// The player writing the use log: timelines of presses on the real player window, on a clock the
// test moves, against the rows written; no log unless the settings keep one; "Användning" from
// the menu, and "Använd" setting the scan delay the way the player's own keys do.

#include "tests/player/PlayerTestFixture.h"
#include "tests/support/ManualClock.h"
#include "usage/UsageWindow.h"

#include <QCheckBox>
#include <QPushButton>

using namespace Tonlyra;
using namespace Tonlyra::Test;

class UseLogHooksTest : public PlayerFixture
{
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        QDir(UseLogFolder()).removeRecursively();
    }
    // A 2 x 2 overlay of sound cells.
    QString FourCells()
    {
        std::map<int, CellSpec> cells;
        for (int k = 1; k <= 4; ++k)
            cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k))};
        return WriteOverlay(QStringLiteral("Fyra.cdu"), 2, 2, cells);
    }
    void Start(const QString& overlay, const UserSettings& settings)
    {
        Built = Parts::All; // the settings window turns the log on
        PlayerFixture::Start(overlay, settings);
        PlayerForm->SwitchPresses.SetClock(&Clock);
    }
    QString LogFile() const { return UseLogFileFor(Session->SettingsFile()); }
    // The rows written, without their time of day.
    QStringList Rows() const
    {
        QStringList rows = QString::fromUtf8(ReadAll(LogFile())).split(u'\n');
        rows = rows.mid(1, rows.size() - 2);
        for (QString& row : rows)
            row = row.section(u',', 1);
        return rows;
    }
    void At(int ms)
    {
        Clock.AdvanceTo(ms);
        QCoreApplication::processEvents();
    }

    ManualClock Clock;
};

TEST_F(UseLogHooksTest, ScanningPressesWriteTheirRows)
{
    UserSettings settings = Settings(ControlMode::OneSwitchScanControl);
    settings.LogUse = true;
    settings.PauseAfterChoice = 2000;
    Start(FourCells(), settings);
    At(0);
    PlayerForm->ScanTimerTimer(); // the frame comes to cell 1
    At(600);
    PlayerForm->ScanTimerTimer(); // and to cell 2
    ASSERT_EQ(PlayerForm->CurrentCell, 2);
    At(1000);
    Press(Qt::Key_Return); // chooses cell 2
    At(1100);
    Release(Qt::Key_Return);
    At(1500);
    Press(Qt::Key_Return); // in the pause after the choice
    At(1550);
    Release(Qt::Key_Return);
    EXPECT_EQ(Rows(),
              (QStringList{
                  QStringLiteral("Fyra.cdu,2,Ruta 2,val,brytare 2,One-switch scan,100,,400"),
                  QStringLiteral("Fyra.cdu,,,ej räknad,brytare 2,One-switch scan,50,paus "
                                 "efter val,"),
              }));
}

TEST_F(UseLogHooksTest, ClicksTooShortAndCounted)
{
    UserSettings settings = Settings(ControlMode::MouseControl);
    settings.LogUse = true;
    settings.AcceptanceTime = 200;
    Start(FourCells(), settings);
    At(0);
    QTest::mousePress(Face(3), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    At(100);
    QTest::mouseRelease(Face(3), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    At(1000);
    QTest::mousePress(Face(3), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    At(1300);
    QTest::mouseRelease(Face(3), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(Rows(), (QStringList{
                          QStringLiteral("Fyra.cdu,,,ej räknad,klick,Mouse,100,för kort,"),
                          QStringLiteral("Fyra.cdu,3,Ruta 3,val,klick,Mouse,300,,"),
                      }));
}

TEST_F(UseLogHooksTest, NoLogUnlessTheSettingsKeepOne)
{
    Start(FourCells(), Settings(ControlMode::OneSwitchScanControl));
    PlayerForm->ScanTimerTimer();
    Click(Qt::Key_Return);
    EXPECT_FALSE(QFileInfo::exists(LogFile()));
    EXPECT_FALSE(PlayerForm->UseLog.IsOn());

    // Turned on in the settings window, and applied.
    UserSettingsForm->LogUseCheckBox->click();
    EXPECT_TRUE(UserSettingsForm->EditedSettings.LogUse);
    UserSettingsForm->TakeSettingsFromWindow();
    PlayerForm->BuildGrid();
    EXPECT_TRUE(PlayerForm->UseLog.IsOn());
    EXPECT_TRUE(QFileInfo::exists(LogFile()));
}

TEST_F(UseLogHooksTest, UseSetsTheSuggestedScanDelayAsTheKeysDo)
{
    // Twenty reaction times of 500 and 700 ms in the user's log: 600 / 0.65 = 923 ms.
    Start(FourCells(), Settings(ControlMode::OneSwitchScanControl));
    QByteArray log = UseLogHeader();
    for (int k = 0; k < 20; ++k) {
        UseLogRow row;
        row.Day = QDate::currentDate();
        row.Overlay = QStringLiteral("Fyra.cdu");
        row.Cell = 1;
        row.Mode = ControlMode::OneSwitchScanControl;
        row.ReactionMs = k % 2 ? 500 : 700;
        log += FormatUseLogRow(row);
    }
    WriteAll(LogFile(), log);

    ScriptedPrompts prompts;
    prompts.Dialog([](QDialog& dialog) {
        auto* window = qobject_cast<UsageWindow*>(&dialog);
        EXPECT_TRUE(window);
        if (window) {
            EXPECT_EQ(window->Summary().Suggestion.SuggestedMs, 923);
            window->UseButton->click();
        }
        return false;
    });
    PlayerForm->UsageMenu->trigger();
    EXPECT_EQ(prompts.Remaining(), 0);
    EXPECT_EQ(Session->Settings().ScanDelayTime, 923);
    EXPECT_EQ(UserSettingsForm->EditedSettings.ScanDelayTime, 923);
    EXPECT_TRUE(Session->SettingsUnsaved()); // saved like any change
    EXPECT_EQ(PlayerForm->ScanPeriod, 923);
}
