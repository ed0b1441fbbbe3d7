// The scan progress bar on the real player window: along the lower edge of the scanning frame,
// in the scan colour, shrinking with the step's time left, with the first step's extra time,
// gone while the scan waits (a switch held) and without the option.

#include "player/ScanProgressBar.h"
#include "tests/player/PlayerTestFixture.h"

#include <QImage>

using namespace Tonlyra;
using namespace Tonlyra::Test;

class ScanProgressTest : public PlayerFixture
{
protected:
    void StartScanning(bool progress)
    {
        std::map<int, CellSpec> cells;
        for (int k = 1; k <= 4; ++k)
            cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k))};
        UserSettings settings = Settings(ControlMode::OneSwitchScanXYControl);
        settings.ScanDelayTime = 2000;
        settings.FirstStepExtraTime = 1000;
        settings.ShowScanProgress = progress;
        settings.Spacing = 6;
        Start(WriteOverlay(QStringLiteral("Fyra.cdu"), 2, 2, cells), settings);
    }
};

TEST_F(ScanProgressTest, ShrinksAlongTheFramesLowerEdgeAndFollowsTheExtraTimeAndPauses)
{
    StartScanning(true);
    ScanProgressBar* bar = PlayerForm->ScanProgress;
    // The first step of a round: the period and the extra time.
    PlayerForm->ScanTimerTimer();
    ASSERT_EQ(Marked(), QList<int>({1, 2}));
    bar->Update();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_GT(bar->Left(), 0.97);
    const QRect row = PlayerForm->CellPanelOf(1)->geometry() | PlayerForm->CellPanelOf(2)->geometry();
    EXPECT_EQ(bar->geometry().left(), row.left() + 6);
    EXPECT_EQ(bar->geometry().right(), row.right() - 6);
    EXPECT_EQ(bar->geometry().bottom(), row.bottom() - 6);

    QTest::qWait(600);
    bar->Update();
    // About 2.4 s of 3 s left.
    EXPECT_GT(bar->Left(), 0.7);
    EXPECT_LT(bar->Left(), 0.85);
    // Seen: the scan colour up to the share left, the cell's beyond.
    const QImage grid = PlayerForm->KnappYta->grab().toImage();
    const QRect at = bar->geometry();
    const int y = at.center().y();
    EXPECT_EQ(grid.pixelColor(at.left() + 2, y), ColorFromBgr(255));
    EXPECT_EQ(grid.pixelColor(at.left() + int(at.width() * 0.65), y), ColorFromBgr(255));
    EXPECT_NE(grid.pixelColor(at.left() + int(at.width() * 0.9), y), ColorFromBgr(255));

    // A switch held holds the scan: no bar; let go, the bar is back.
    Press(Qt::Key_Left);
    bar->Update();
    EXPECT_FALSE(bar->isVisible());
    Release(Qt::Key_Left);
    bar->Update();
    EXPECT_TRUE(bar->isVisible());

    // The row taken: its first cell stays for the rest of this period, a whole period and the
    // first step's extra time, and the bar begins full over that cell alone.
    Click(Qt::Key_Return);
    ASSERT_EQ(Marked(), QList<int>({1}));
    bar->Update();
    EXPECT_GT(bar->Left(), 0.97);
    EXPECT_EQ(bar->geometry().right(), PlayerForm->CellPanelOf(1)->geometry().right() - 6);
    EXPECT_EQ(PlayerForm->TimeToNextScanStep().value_or(0) / 1000, 5);
}

TEST_F(ScanProgressTest, NoBarWithoutTheOption)
{
    StartScanning(false);
    PlayerForm->ScanTimerTimer();
    PlayerForm->ScanProgress->Update();
    QTest::qWait(2 * ScanProgressBar::FrameIntervalMs);
    EXPECT_FALSE(PlayerForm->ScanProgress->isVisible());
}
