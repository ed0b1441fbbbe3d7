#pragma once

// Helpers shared by the tests: prepared answers for the ask-the-user service, generated media
// (WAV tones, CD images) and temporary folders.

#include "platform/UserPrompt.h"

#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

// Lets GoogleTest print texts as text, not as arrays of UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace Tonlyra::Test {

// Answers the program's questions in advance, in order, and records every question asked.
// Installed for its lifetime. A question with no answer left fails the test and gets the
// cancelling answer, so a test can never hang on a dialog.
class ScriptedPrompts
{
public:
    ScriptedPrompts();
    ~ScriptedPrompts();
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    ScriptedPrompts& Button(QMessageBox::StandardButton button); // a message box answer
    ScriptedPrompts& File(const QString& path);                   // a file dialog accepted
    ScriptedPrompts& Color(const QColor& color);                  // a colour chosen
    ScriptedPrompts& Font(const QFont& font, const QColor& color = Qt::black);
    ScriptedPrompts& Cancel();                                    // a dialog cancelled
    // One of the program's own dialogs (UserPrompt::RunDialog): act gets the dialog as shown and
    // works it as the user would; it returns whether the dialog is to be closed with OK, unless
    // it closed the dialog itself.
    ScriptedPrompts& Dialog(std::function<bool(QDialog& dialog)> act);
    // When set, questions beyond the prepared answers are answered by cancelling without
    // failing the test (for tests that only count what was asked).
    void AllowUnanswered(bool allow = true) { Lenient = allow; }

    const std::vector<PromptRequest>& Asked() const { return Requests; }
    int Remaining() const { return static_cast<int>(Answers.size()); }

private:
    struct Prepared
    {
        PromptAnswer Answer;
        std::function<bool(QDialog&)> Act; // for the program's own dialogs
    };
    ScriptedPrompts& Add(PromptAnswer answer, std::function<bool(QDialog&)> act = {});
    PromptAnswer Answer(const PromptRequest& request);
    std::deque<Prepared> Answers;
    std::vector<PromptRequest> Requests;
    PromptResponder Previous;
    bool Lenient = false;
};

// A temporary folder removed at the end of the test.
class TempDir
{
public:
    TempDir();
    QString Path() const { return Dir.path(); }
    QString File(const QString& name) const { return Dir.filePath(name); }

private:
    QTemporaryDir Dir;
};

// Writes a 16-bit PCM WAV file of a sine tone (silence when frequency is 0).
bool WriteWav(const QString& path, int milliseconds, double frequency = 440.0,
              int sampleRate = 44100, int channels = 2);

// The 16-bit stereo 44.1 kHz samples of a sine tone, little-endian, as a CD holds them.
QByteArray ToneSamples(int sectors, double frequency);

struct TrackSpec
{
    int Sectors = 75 * 5; // 75 sectors a second
    double Frequency = 440.0;
};

// Writes a CD image "<dir>/<baseName>.bin" with "<baseName>.cue" holding one audio track per
// entry of tracks, each a tone, and returns the path of the ".cue". libcdio reads it as a disc.
QString WriteCdImage(const QString& dir, const QString& baseName,
                     const std::vector<TrackSpec>& tracks);

// Points the program's CD drive list (TONLYRA_CD_DRIVES) at the given images for the
// lifetime of the object, and restores the previous value after.
class CdDriveOverride
{
public:
    explicit CdDriveOverride(const QStringList& drives);
    ~CdDriveOverride();

private:
    QByteArray Old;
    bool HadOld;
};

// The whole content of a file; empty when it cannot be read.
QByteArray ReadAll(const QString& path);
// Writes bytes as the whole content of a file, making its folder first; fails the test when it
// cannot.
void WriteAll(const QString& path, const QByteArray& bytes);

// The source tree, for tests that read committed files (demo overlay, manual).
QString SourceDir();

} // namespace Tonlyra::Test
