#include "media/SpeechCache.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"
#include "platform/WavHeader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

#include <espeak-ng/speak_lib.h>

#include <cstdlib>
#include <mutex>
#include <vector>

namespace Tonlyra {

const char* const SpeechCache::Voice = "sv";

namespace {

// Raise when the files change for the same text and voice, so that old ones are not used.
constexpr int FileFormat = 1;
// Samples quieter than this before the first sound are cut: the speech starts at once.
constexpr int SilenceLevel = 16;

// eSpeak NG keeps one synthesizer per process: every use goes through here, one at a time.
class Synthesizer
{
public:
    static Synthesizer& Instance()
    {
        static Synthesizer synthesizer;
        return synthesizer;
    }

    // The samples (mono, 16 bits, at Rate()) of text; false with the reason in failure.
    bool Speak(const QByteArray& utf8, std::vector<qint16>& samples, QString& failure)
    {
        const std::lock_guard<std::mutex> lock(Lock);
        if (!Start()) {
            failure = StartFailure;
            return false;
        }
        samples.clear();
        Collected = &samples;
        const espeak_ERROR result =
            espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                         espeakCHARS_UTF8, nullptr, nullptr);
        espeak_Synchronize();
        Collected = nullptr;
        if (result != EE_OK || samples.empty()) {
            failure = QStringLiteral("eSpeak NG made no sound of the text (error %1)").arg(result);
            return false;
        }
        return true;
    }

    int Rate()
    {
        const std::lock_guard<std::mutex> lock(Lock);
        return Start() ? SampleRate : 0;
    }
    QString Version()
    {
        const std::lock_guard<std::mutex> lock(Lock);
        return Start() ? EngineVersion : QString();
    }

private:
    bool Start()
    {
        if (Tried)
            return SampleRate > 0;
        Tried = true;
        // Synchronous output: the samples come to the callback, no sound device is opened.
        // Without the last option the library ends the process when its data are missing.
        SampleRate =
            espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (SampleRate <= 0) {
            StartFailure = QStringLiteral("eSpeak NG could not start (are its data installed?)");
            SampleRate = 0;
            return false;
        }
        espeak_SetSynthCallback(&Collect);
        if (espeak_SetVoiceByName(SpeechCache::Voice) != EE_OK) {
            StartFailure = QStringLiteral("eSpeak NG has no voice \"%1\"")
                               .arg(QLatin1String(SpeechCache::Voice));
            SampleRate = 0;
            return false;
        }
        EngineVersion = QString::fromUtf8(espeak_Info(nullptr));
        return true;
    }

    static int Collect(short* wave, int count, espeak_EVENT*)
    {
        if (wave && count > 0 && Instance().Collected)
            Instance().Collected->insert(Instance().Collected->end(), wave, wave + count);
        return 0; // go on
    }

    std::mutex Lock;
    bool Tried = false;
    int SampleRate = 0;
    QString EngineVersion;
    QString StartFailure;
    std::vector<qint16>* Collected = nullptr;
};

QByteArray WaveFile(const std::vector<qint16>& samples, size_t first, int rate)
{
    const qint64 dataBytes = qint64(samples.size() - first) * 2;
    QByteArray bytes = Wav::Header(1, rate, dataBytes);
    for (size_t i = first; i < samples.size(); ++i) {
        char sample[2];
        qToLittleEndian(samples[i], sample);
        bytes.append(sample, 2);
    }
    return bytes;
}

QString DefaultFolder()
{
    const QString configured = qEnvironmentVariable("TONLYRA_SPEECH_CACHE");
    if (!configured.isEmpty())
        return configured;
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/tonlyran/tal");
}

} // namespace

SpeechCache::SpeechCache(const QString& folder)
    : CacheFolder(folder.isEmpty() ? DefaultFolder() : folder)
{}

QString SpeechCache::SoundFor(const QString& text)
{
    Error.clear();
    const QString said = text.simplified();
    if (said.isEmpty())
        return QString();
    Synthesizer& synthesizer = Synthesizer::Instance();
    const int rate = synthesizer.Rate();
    if (rate <= 0) {
        std::vector<qint16> none;
        synthesizer.Speak(QByteArray(), none, Error);
    } else {
        QCryptographicHash key(QCryptographicHash::Sha1);
        key.addData(QStringLiteral("%1\n%2\n%3\n%4\n")
                        .arg(FileFormat)
                        .arg(QLatin1String(Voice), synthesizer.Version())
                        .arg(rate)
                        .toUtf8());
        key.addData(said.toUtf8());
        const QString path =
            CacheFolder + u'/' + QString::fromLatin1(key.result().toHex()) + QStringLiteral(".wav");
        if (QFileInfo(path).isFile())
            return path;
        std::vector<qint16> samples;
        if (synthesizer.Speak(said.toUtf8(), samples, Error)) {
            size_t first = 0;
            while (first + 1 < samples.size() && std::abs(samples[first]) < SilenceLevel)
                ++first;
            int failure = 0;
            if (QDir().mkpath(CacheFolder) &&
                SaveFileAtomically(path, WaveFile(samples, first, rate), &failure)) {
                ++SynthesizedCount;
                return path;
            }
            Error = QStringLiteral("Cannot write %1: %2").arg(path, qt_error_string(failure));
        }
    }
    static bool told = false;
    if (!told) {
        told = true;
        qCWarning(Log::Media, "tonlyra: no spoken cells: %s", qUtf8Printable(Error));
    }
    return QString();
}

} // namespace Tonlyra
