#pragma once

// Media dialogs for the tests: on the real engine with chosen outputs, or on a scripted engine.

#include "media/MediaDialogUnit.h"
#include "tests/support/ScriptedEngine.h"

#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace Tonlyra::Test {

// Sets the engine's outputs for dialogs created in its lifetime.
class EngineOutputs
{
public:
    explicit EngineOutputs(const QByteArray& ao = "null", const QByteArray& aoFile = {},
                           bool video = false)
    {
        qputenv("TONLYRA_MPV_AO", ao);
        if (aoFile.isEmpty())
            qunsetenv("TONLYRA_MPV_AO_FILE");
        else
            qputenv("TONLYRA_MPV_AO_FILE", aoFile);
        if (video)
            qunsetenv("TONLYRA_MPV_VO");
        else
            qputenv("TONLYRA_MPV_VO", "null");
    }
    ~EngineOutputs() { qunsetenv("TONLYRA_MPV_AO_FILE"); }
};

// A dialog on a scripted engine.
struct ScriptedDialog
{
    ScriptedDialog()
    {
        TMediaDialog::SetEngineFactory([] { return std::make_unique<ScriptedEngine>(); });
        Dialog = std::make_unique<TMediaDialog>();
        TMediaDialog::SetEngineFactory({});
        Engine = static_cast<ScriptedEngine*>(Dialog->Engine());
        Dialog->OnEndOfPlay = [this](QObject* sender) {
            EXPECT_EQ(sender, Dialog.get());
            ++Ends;
        };
    }
    // Loads a file of the given length and lets the queued end of probing run.
    void Open(const QString& path, double seconds)
    {
        Dialog->OpenMediaFile(path);
        Engine->Loaded(seconds);
        QCoreApplication::processEvents();
    }
    std::unique_ptr<TMediaDialog> Dialog;
    ScriptedEngine* Engine = nullptr;
    int Ends = 0;
};

// Writes a red video of the given length (MPEG-4 in AVI, 160 x 120) with ffmpeg.
inline bool WriteRedClip(const QString& path, int seconds)
{
    return QProcess::execute("ffmpeg",
                             {"-v", "error", "-f", "lavfi", "-i",
                              QStringLiteral("color=c=red:s=160x120:d=%1:r=25").arg(seconds),
                              "-c:v", "mpeg4", path}) == 0;
}

// Whether the middle of what w shows is the red of WriteRedClip.
inline bool ShowsRed(QWidget* w)
{
    const QImage shot = w->grab().toImage();
    const QColor c = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    return c.red() > 200 && c.green() < 60;
}

} // namespace Tonlyra::Test
