#pragma once
// The real program's windows on the offscreen platform, playing through an engine whose media
// do exactly what the test says, with overlays and settings written in a temporary start folder.

#include "media/MediaDialogUnit.h"
#include "media/PlaybackEngine.h"
#include "overlay/SettingsFormUnit.h"
#include "picture/TMultiP.h"
#include "platform/KeyCodes.h"
#include "platform/ProfileFile.h"
#include "player/CellPanel.h"
#include "player/PlayerFormUnit.h"
#include "tests/support/ApplicationUnderTest.h"
#include "tests/support/ScriptedEngine.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace Tonlyra::Test {

// One cell of an overlay the test writes.
struct CellSpec
{
    CellSpec() = default;
    CellSpec(const QString& type, const QString& media, const QString& intro = {}, int start = -1,
             int stop = -1, int introStart = -1, int introStop = -1)
        : Type(type), Media(media), Intro(intro), Start(start), Stop(stop), IntroStart(introStart),
          IntroStop(introStop)
    {}

    QString Type; // "SoundFile", "VideoFile", "OverlayFile", "IRString", "Exit", "ArbitraryCD"
    QString Media;
    QString Intro;
    int Start = -1, Stop = -1, IntroStart = -1, IntroStop = -1;
    QString CommPort;
};

class PlayerFixture : public ::testing::Test, protected ApplicationUnderTest
{
protected:
    void SetUp() override
    {
        OldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir(Dir.Path()).mkpath(QStringLiteral("Overlays")));
        ASSERT_TRUE(QDir(Dir.Path()).mkpath(QStringLiteral("Users")));
        ASSERT_TRUE(QDir::setCurrent(Dir.Path()));
    }
    void TearDown() override
    {
        Destroy();
        QDir::setCurrent(OldCurrent);
    }

    // A file that exists (the scripted engine never reads it).
    QString MediaFile(const QString& name)
    {
        const QString path = Dir.File(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        // Looks like media at a glance, as the grid checks; the scripted engine plays it.
        file.write(QByteArray("RIFF") + QByteArray(124, '\0'));
        return path;
    }

    QString WriteOverlay(const QString& name, int rows, int cols,
                         const std::map<int, CellSpec>& cells)
    {
        ProfileFile file;
        file.SetPath(Dir.File(QStringLiteral("Overlays/") + name));
        file.WriteString(QStringLiteral("Overlay"), QStringLiteral("CD-Identity"),
                         QStringLiteral("Arbitrary"));
        file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Rows"), rows);
        file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Cols"), cols);
        for (int k = 1; k <= rows * cols; ++k) {
            const auto found = cells.find(k);
            // A cell with media of no type is shown and never playable (an overlay whose
            // cells all lack media has no cells at all).
            const CellSpec cell = found == cells.end()
                                      ? CellSpec(QString(), QStringLiteral("ingenting"))
                                      : found->second;
            const QString key = QString::number(k);
            file.WriteString(QStringLiteral("Media"), key, cell.Media);
            file.WriteString(QStringLiteral("MediaTypes"), key, cell.Type);
            file.WriteString(QStringLiteral("Texts"), key, QStringLiteral("Ruta %1").arg(k));
            file.WriteString(QStringLiteral("Sounds"), key, cell.Intro);
            file.WriteInteger(QStringLiteral("StartPositions"), key, cell.Start);
            file.WriteInteger(QStringLiteral("StopPositions"), key, cell.Stop);
            file.WriteInteger(QStringLiteral("IntroStartPositions"), key, cell.IntroStart);
            file.WriteInteger(QStringLiteral("IntroStopPositions"), key, cell.IntroStop);
            file.WriteString(QStringLiteral("CommPorts"), key, cell.CommPort);
        }
        EXPECT_TRUE(file.Save());
        return file.Path();
    }

    // The player alone, or the program's whole set of windows (for what asks the carer or
    // shows the carer's windows).
    enum class Parts
    {
        Player,
        All
    };
    Parts Built = Parts::Player;

    // Creates the player (or every window) on the scripted engine (or the real one) with the
    // overlay, sets the settings, shows and activates the player and waits for the grid.
    void Start(const QString& overlay, const UserSettings& settings, bool realEngine = false)
    {
        if (!realEngine)
            PlaybackService::SetEngineFactory([] {
                auto engine = std::make_unique<ScriptedEngine>();
                engine->AutoLoad = true;
                return engine;
            });
        if (Built == Parts::All)
            Create(QStringList{overlay});
        else
            CreatePlayer(overlay);
        PlaybackService::SetEngineFactory({});
        Engine = realEngine ? nullptr : static_cast<ScriptedEngine*>(Playback->Engine());
        ApplySettings(settings);
        if (UserSettingsForm)
            UserSettingsForm->EditedSettings = settings;
        PlayerForm->setGeometry(0, 0, 640, 480);
        PlayerForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(PlayerForm));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !PlayerForm->FirstActivation; }, 2000));
        PlayerForm->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(PlayerForm));
    }

    static UserSettings Settings(ControlMode mode)
    {
        UserSettings settings;
        settings.ControlMode = mode;
        settings.ScanDelayTime = 100000; // no scanning step unless the test makes one
        settings.KeyRepetitionDelayTime = 100000;
        return settings;
    }

    // Keys as the keyboard sends them to the player window.
    void Key(QEvent::Type type, int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             bool autoRepeat = false)
    {
        QKeyEvent event(type, qtKey, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(PlayerForm, &event);
    }
    void Press(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Key(QEvent::KeyPress, qtKey, modifiers);
    }
    void Release(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Key(QEvent::KeyRelease, qtKey, modifiers);
    }
    void Click(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Press(qtKey, modifiers);
        Release(qtKey, modifiers);
    }

    QWidget* Face(int cell)
    {
        CellPanel* panel = PlayerForm->CellPanelOf(cell);
        return panel ? panel->Face() : nullptr;
    }
    void ClickCell(int cell)
    {
        QTest::mouseClick(Face(cell), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    }
    // The cells whose frame shows the scanning colour.
    QList<int> Marked()
    {
        const QColor scan = ColorFromBgr(Session->Settings().ScanColor);
        QList<int> cells;
        for (int k = 1; k <= Session->Overlay().CellCount(); ++k)
            if (CellPanel* panel = PlayerForm->CellPanelOf(k); panel && panel->Color() == scan)
                cells.append(k);
        return cells;
    }
    bool IsEnlarged(int cell)
    {
        CellPanel* panel = PlayerForm->CellPanelOf(cell);
        return panel && panel->isVisible() && panel->size() == PlayerForm->KnappYta->size();
    }
    // Waits until the service plays (after its load and probe).
    bool WaitPlaying()
    {
        return QTest::qWaitFor([this] { return Playback->PlayState() == PlaybackEngine::Playing; },
                               3000);
    }

    TempDir Dir;
    QString OldCurrent;
    ScriptedEngine* Engine = nullptr;
};

} // namespace Tonlyra::Test
