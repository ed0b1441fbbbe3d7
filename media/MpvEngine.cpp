#include "media/MpvEngine.h"

#include "media/CdTrackStream.h"
#include "media/SoundOutputWatch.h"
#include "platform/CdDrives.h"
#include "platform/Logging.h"
#include "platform/WavHeader.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>

#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cmath>
#include <cstring>

namespace Tonlyra {

namespace {

// The properties the engine follows; the index is the reply id mpv reports changes under.
enum PropertyId : std::uint64_t
{
    TimePos = 1,
    DurationProp,
    EofReached,
    Vid,
    CurrentAo
};

struct ObservedProperty
{
    PropertyId Id;
    const char* Name;
    mpv_format Format;
};

constexpr ObservedProperty ObservedProperties[] = {
    {TimePos, "time-pos", MPV_FORMAT_DOUBLE},
    {DurationProp, "duration", MPV_FORMAT_DOUBLE},
    {EofReached, "eof-reached", MPV_FORMAT_FLAG},
    {Vid, "vid", MPV_FORMAT_INT64},
    {CurrentAo, "current-ao", MPV_FORMAT_STRING},
};

// Settings that make mpv a quiet engine: no input handling, no on-screen controls, no user
// configuration; files stay open at their end so that they can be replayed and positioned.
constexpr const char* BaseOptions[][2] = {
    {"config", "no"},
    {"terminal", "no"},
    {"idle", "yes"},
    {"keep-open", "yes"},
    {"keep-open-pause", "no"},
    // One audio output for the whole run: every medium is converted to the same format, so
    // that mpv never closes the output to open another. A new output is a new stream at the
    // sound server, and on an idle desktop a new stream is heard only seconds later.
    {"audio-samplerate", "44100"},
    {"audio-channels", "stereo"},
    {"audio-format", "s16"},
    // The PulseAudio protocol, else ALSA; with neither, the null output until a server is
    // back. On a PipeWire desktop the first is pipewire-pulse: mpv's own PipeWire output hands
    // the server one short period at a time, and on a busy machine it drops stretches of every
    // sound (the tones came out in pieces, some not to be told at all), where the PulseAudio
    // protocol, with its buffer at the server, plays them whole and as promptly. Nor is it
    // tried after them: opened while the server is going away, it waits for an answer that
    // never comes, and the engine with it (the chosen cell stayed up for good).
    {"ao", "pulse,alsa"},
    // The name the sound server shows for the program's stream, the same for every medium:
    // mpv otherwise renames the stream after each new medium, a round trip to the server on
    // the way to its first sample.
    {"audio-client-name", "Tonlyran"},
    {"title", "Tonlyran"},
    {"hr-seek", "yes"},
    {"input-default-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"input-cursor", "no"},
    {"osc", "no"},
    {"osd-level", "0"},
    {"cursor-autohide", "no"},
    {"load-scripts", "no"},
    {"ytdl", "no"},
    {"audio-display", "no"},
    {"audio-fallback-to-null", "yes"},
    {"pause", "yes"},
};

// A quarter of a second of silence (8 kHz mono WAV), served by mpv's own hex:// protocol. It
// opens the audio output when the engine starts, before the first sound the user asks for, and
// stands in for a closed medium so that the output stays open.
QByteArray SilenceUrl()
{
    constexpr int Samples = 2000;
    const QByteArray wav = Wav::Header(1, 8000, 2 * Samples) + QByteArray(2 * Samples, '\0');
    return "hex://" + wav.toHex();
}

// When the silence that opens the audio output is started a second time.
constexpr int WarmUpRestartMs = 400;
// How often the sound server's socket is looked at while the output is lost.
constexpr int ServerLookIntervalMs = 1000;

struct HandleDestroyer
{
    void operator()(mpv_handle* h) const
    {
        mpv_set_wakeup_callback(h, nullptr, nullptr);
        mpv_terminate_destroy(h);
    }
};

struct RenderContextFreer
{
    void operator()(mpv_render_context* c) const { mpv_render_context_free(c); }
};

// The playlist entry a loadfile command reports in its reply, or -1.
qint64 EntryOf(const mpv_event_command* reply)
{
    if (!reply || reply->result.format != MPV_FORMAT_NODE_MAP)
        return -1;
    const mpv_node_list* map = reply->result.u.list;
    for (int i = 0; i < map->num; ++i)
        if (std::strcmp(map->keys[i], "playlist_entry_id") == 0 &&
            map->values[i].format == MPV_FORMAT_INT64)
            return map->values[i].u.int64;
    return -1;
}

} // namespace

struct MpvEngine::Handles
{
    // Declared before Render so that it is destroyed after it: the render context must go first.
    std::unique_ptr<mpv_handle, HandleDestroyer> Mpv;
    std::unique_ptr<mpv_render_context, RenderContextFreer> Render;
    std::atomic<bool> DrainPosted{false};
    std::atomic<bool> RenderPosted{false};
    // Whether the output is on the sound server, and when to open it again if not.
    SoundOutputWatch Watch;
    QElapsedTimer Clock;
};

MpvEngine::MpvEngine(QObject* parent) : PlaybackEngine(parent), H(std::make_unique<Handles>())
{
    Cd::InstallLogHandler(); // the cdtrack protocol reaches libcdio from mpv's threads
    std::setlocale(LC_NUMERIC, "C");
    H->Mpv.reset(mpv_create());
    if (!H->Mpv) {
        Error = QStringLiteral("libmpv could not be created");
        return;
    }
    mpv_handle* h = H->Mpv.get();
    for (const auto& option : BaseOptions)
        mpv_set_option_string(h, option[0], option[1]);
    const QByteArray ao = qgetenv("TONLYRA_MPV_AO");
    if (!ao.isEmpty())
        mpv_set_option_string(h, "ao", ao.constData());
    H->Watch = SoundOutputWatch(ao);
    H->Clock.start();
    const QByteArray aoFile = qgetenv("TONLYRA_MPV_AO_FILE");
    if (!aoFile.isEmpty()) {
        mpv_set_option_string(h, "ao-pcm-file", aoFile.constData());
        mpv_set_option_string(h, "audio-format", "s16");
    }
    const bool noVideo = qgetenv("TONLYRA_MPV_VO") == "null";
    mpv_set_option_string(h, "vo", noVideo ? "null" : "libmpv");

    const int initialized = mpv_initialize(h);
    if (initialized < 0) {
        Error = QString::fromUtf8(mpv_error_string(initialized));
        H->Mpv.reset();
        return;
    }
    RegisterCdTrackProtocol(h);
    // mpv's own account of what it does, for the media category's debug messages.
    if (Log::Media().isDebugEnabled())
        mpv_request_log_messages(h, "v");
    for (const ObservedProperty& p : ObservedProperties)
        mpv_observe_property(h, p.Id, p.Name, p.Format);

    TailTimer = new QTimer(this);
    TailTimer->setSingleShot(true);
    TailTimer->setTimerType(Qt::PreciseTimer);
    connect(TailTimer, &QTimer::timeout, this, &MpvEngine::EndHeard);
    ServerLookTimer = new QTimer(this);
    ServerLookTimer->setInterval(ServerLookIntervalMs);
    connect(ServerLookTimer, &QTimer::timeout, this, &MpvEngine::LookForServer);

    if (!noVideo) {
        char apiType[] = MPV_RENDER_API_TYPE_SW;
        mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, apiType},
                                     {MPV_RENDER_PARAM_INVALID, nullptr}};
        mpv_render_context* context = nullptr;
        if (mpv_render_context_create(&context, h, params) >= 0) {
            H->Render.reset(context);
            mpv_render_context_set_update_callback(
                context,
                [](void* self) {
                    auto* engine = static_cast<MpvEngine*>(self);
                    if (engine->H->RenderPosted.exchange(true))
                        return;
                    QMetaObject::invokeMethod(
                        engine, [engine] { engine->OnRenderUpdate(); }, Qt::QueuedConnection);
                },
                this);
        }
    }

    mpv_set_wakeup_callback(
        h,
        [](void* self) {
            auto* engine = static_cast<MpvEngine*>(self);
            if (engine->H->DrainPosted.exchange(true))
                return;
            QMetaObject::invokeMethod(
                engine, [engine] { engine->DrainEvents(); }, Qt::QueuedConnection);
        },
        this);

    WarmUp();
}

void MpvEngine::WarmUp()
{
    // Open the audio output now and play silence through it twice: the first sound the user
    // asks for then starts as fast as every later one. (A new output plays its first sound
    // late, even once it is open; the second start, a moment later, is prompt.)
    LoadSilence();
    SetFlag("pause", false);
    const quint64 generation = Generation;
    QTimer::singleShot(WarmUpRestartMs, this, [this, generation] {
        if (Generation == generation && H->Mpv)
            LoadSilence();
    });
}

void MpvEngine::OutputOpened(const QByteArray& name)
{
    if (!name.isEmpty())
        CurrentOutput = name;
    const qint64 now = H->Clock.elapsed();
    switch (H->Watch.OutputOpened(name, now)) {
    case SoundOutputWatch::Change::Lost:
        qCWarning(Log::Media).noquote() << QStringLiteral(
            "Sound output lost: no sound server takes the sound; sounds are not heard until "
            "one is back");
        ServerLookTimer->start();
        break;
    case SoundOutputWatch::Change::Back:
        qCInfo(Log::Media).noquote()
            << QStringLiteral("Sound output back on the sound server (%1) after %2 s")
                   .arg(QString::fromUtf8(name))
                   .arg(H->Watch.LostForMs(now) / 1000.0, 0, 'f', 1);
        ServerLookTimer->stop();
        break;
    case SoundOutputWatch::Change::None:
        break;
    }
}

bool MpvEngine::ReopenOutputIfServerBack()
{
    if (!H->Watch.Lost() || !H->Watch.ShouldReopen(SoundServerAnswers(), H->Clock.elapsed()))
        return false;
    // mpv keeps the null output until told to open one again; the new one is opened with the
    // next audio it plays.
    Command({"ao-reload"});
    return true;
}

void MpvEngine::LookForServer()
{
    // With nothing of the user's loaded, silence opens the output at once, so that the next
    // sound is prompt and the watch learns whether the server took it.
    if (ReopenOutputIfServerBack() && State == Undefined && !Loading)
        WarmUp();
}

MpvEngine::~MpvEngine()
{
    // No more wakeups into a half-destroyed engine, then the render context before the handle.
    if (H->Mpv)
        mpv_set_wakeup_callback(H->Mpv.get(), nullptr, nullptr);
    if (H->Render)
        mpv_render_context_set_update_callback(H->Render.get(), nullptr, nullptr);
    H->Render.reset();
    H->Mpv.reset();
}

namespace {

// The drives and, for each, the extent of the disc it holds ("-" for none).
QString DiscSignature()
{
    QString signature;
    for (const QString& drive : Cd::DriveList()) {
        const std::optional<Cd::CdToc> toc = Cd::ReadToc(drive);
        signature += drive + u'=';
        signature +=
            toc ? QString::number(toc->Tracks.size()) + u'/' + QString::number(toc->LeadOut)
                : QStringLiteral("-");
        signature += u'\n';
    }
    return signature;
}

constexpr int DiscWatchIntervalMs = 2000;

} // namespace

void MpvEngine::SetDiscWatch(bool on)
{
    if (!on) {
        if (DiscTimer)
            DiscTimer->stop();
        return;
    }
    if (!DiscTimer) {
        DiscTimer = new QTimer(this);
        DiscTimer->setInterval(DiscWatchIntervalMs);
        connect(DiscTimer, &QTimer::timeout, this, &MpvEngine::CheckDiscs);
    }
    DiscSignature = Tonlyra::DiscSignature();
    DiscTimer->start();
}

void MpvEngine::CheckDiscs()
{
    const QString now = Tonlyra::DiscSignature();
    if (now == DiscSignature)
        return;
    DiscSignature = now;
    emit CdromMediaChange();
}

bool MpvEngine::IsValid() const
{
    return H->Mpv != nullptr;
}

void MpvEngine::Command(std::initializer_list<const char*> args)
{
    if (!H->Mpv)
        return;
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    mpv_command_async(H->Mpv.get(), 0, argv.data());
}

void MpvEngine::SetFlag(const char* name, bool value)
{
    if (!H->Mpv)
        return;
    int flag = value ? 1 : 0;
    mpv_set_property_async(H->Mpv.get(), 0, name, MPV_FORMAT_FLAG, &flag);
}

void MpvEngine::SetString(const char* name, const QByteArray& value)
{
    if (!H->Mpv)
        return;
    const char* text = value.constData();
    mpv_set_property_async(H->Mpv.get(), 0, name, MPV_FORMAT_STRING, &text);
}

void MpvEngine::SetState(int state)
{
    if (State == state)
        return;
    State = state;
    if (state != Playing && state != Paused && state != Transitioning && state != Ready)
        SetFullScreen(false);
    emit PlayStateChange(state);
}

void MpvEngine::LoadSilence()
{
    static const QByteArray silence = SilenceUrl();
    const char* argv[] = {"loadfile", silence.constData(), "replace", nullptr};
    mpv_command_async(H->Mpv.get(), 0, argv);
}

void MpvEngine::Load(const QString& url)
{
    TailTimer->stop();
    LoadFailed = false;
    Error.clear();
    DurationSeconds = 0;
    ReportedPosition = 0;
    SeekPending = false;
    HeldAt = -1;
    VideoPresent = false;
    FileLoaded = false;
    LoadAccepted = false;
    CurrentEntry = -1;
    Loading = true;
    EndSeconds = -1;
    ++Generation;
    CurrentUrl = url;
    if (!H->Mpv) {
        SetState(Transitioning);
        const QString why = Error;
        QMetaObject::invokeMethod(
            this, [this, why] { FailLoad(why); }, Qt::QueuedConnection);
        return;
    }
    SetFlag("pause", true);
    SetString("end", "none");
    ReopenOutputIfServerBack();
    const QByteArray path = url.toUtf8();
    const char* argv[] = {"loadfile", path.constData(), "replace", nullptr};
    mpv_command_async(H->Mpv.get(), Generation, argv);
    SetState(Transitioning);
}

void MpvEngine::Close()
{
    TailTimer->stop();
    ++Generation;
    Loading = false;
    LoadFailed = false;
    LoadAccepted = false;
    CurrentEntry = -1;
    FileLoaded = false;
    DurationSeconds = 0;
    ReportedPosition = 0;
    HeldAt = -1;
    VideoPresent = false;
    SetFlag("pause", true);
    // Not mpv's "stop": with nothing loaded mpv closes its audio output, and the next sound
    // would open a new one. Silence takes the medium's place instead.
    if (H->Mpv)
        LoadSilence();
    SetState(Undefined);
}

void MpvEngine::Play()
{
    if ((State != Stopped && State != Paused && State != Ready) || LoadFailed || CurrentEntry < 0)
        return;
    SetFlag("pause", false);
    HeldAt = -1;
    StartLogged = false;
    PlayFrom = ReportedPosition;
    SetState(Playing);
}

void MpvEngine::Pause()
{
    if (State != Playing)
        return;
    TailTimer->stop();
    SetFlag("pause", true);
    SetState(Paused);
}

void MpvEngine::Stop()
{
    if (State != Playing && State != Paused && State != Ready)
        return;
    TailTimer->stop();
    SetFlag("pause", true);
    SetState(Stopped);
}

double MpvEngine::Position() const
{
    // What mpv last reported, never moved on by the clock: until the sound server has started
    // the stream, the clock runs while nothing is heard.
    double p = ReportedPosition;
    if (EndSeconds >= 0 && p > EndSeconds)
        p = EndSeconds;
    if (DurationSeconds > 0 && p > DurationSeconds)
        p = DurationSeconds;
    return p;
}

void MpvEngine::SetPosition(double seconds)
{
    if (!H->Mpv || State == Undefined || State == Transitioning)
        return;
    TailTimer->stop();
    if (State != Playing && seconds == HeldAt)
        return;
    const QByteArray target = QByteArray::number(seconds, 'f', 6);
    Command({"seek", target.constData(), "absolute+exact"});
    ReportedPosition = seconds;
    SeekPending = true;
    HeldAt = State == Playing ? -1 : seconds;
}

void MpvEngine::SetEndPosition(double seconds)
{
    EndSeconds = seconds;
    SetString("end", seconds < 0 ? QByteArray("none") : QByteArray::number(seconds, 'f', 6));
}

void MpvEngine::SetVolume(int percent)
{
    if (!H->Mpv)
        return;
    double volume = percent;
    mpv_set_property_async(H->Mpv.get(), 0, "volume", MPV_FORMAT_DOUBLE, &volume);
}

void MpvEngine::SetMute(bool mute)
{
    SetFlag("mute", mute);
}

void MpvEngine::SetFullScreen(bool on)
{
    if (IsFullScreen == on)
        return;
    IsFullScreen = on;
    emit FullScreenChange(on);
}

bool MpvEngine::RenderFrame(QImage& image)
{
    if (!H->Render || image.isNull() || image.format() != QImage::Format_RGB32)
        return false;
    int size[2] = {image.width(), image.height()};
    size_t stride = static_cast<size_t>(image.bytesPerLine());
    char format[] = "bgr0";
    int block = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, size},
        {MPV_RENDER_PARAM_SW_FORMAT, format},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, image.bits()},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    return mpv_render_context_render(H->Render.get(), params) >= 0;
}

void MpvEngine::OnRenderUpdate()
{
    H->RenderPosted = false;
    if (!H->Render)
        return;
    if (mpv_render_context_update(H->Render.get()) & MPV_RENDER_UPDATE_FRAME)
        emit FrameReady();
}

void MpvEngine::ReadDurationNow()
{
    double duration = 0;
    if (mpv_get_property(H->Mpv.get(), "duration", MPV_FORMAT_DOUBLE, &duration) >= 0)
        DurationSeconds = duration;
}

void MpvEngine::BecomeReady()
{
    Loading = false;
    if (DurationSeconds <= 0)
        ReadDurationNow();
    ReportedPosition = 0;
    HeldAt = 0;
    SetState(Ready);
}

void MpvEngine::FailLoad(const QString& text)
{
    Loading = false;
    LoadFailed = true;
    Error = text;
    DurationSeconds = 0;
    CurrentEntry = -1;
    SetFlag("pause", true);
    SetState(Stopped);
}

void MpvEngine::HandleProperty(int id, const void* data, int format)
{
    switch (id) {
    case TimePos: {
        if (format != MPV_FORMAT_DOUBLE || SeekPending || Loading || CurrentEntry < 0 ||
            TailTimer->isActive())
            break;
        // At its end mpv reports the end position at once, while the rest is still to be
        // heard: the last position short of it is what the tail is measured from.
        const double position = *static_cast<const double*>(data);
        const double end = EndOfMedium();
        if (State != Playing || end <= 0 || position < end - 0.001)
            ReportedPosition = position;
        if (State == Playing && !StartLogged && position > PlayFrom) {
            StartLogged = true;
            qCInfo(Log::Media).noquote()
                << QStringLiteral("Sound under way: %1 at %2 s on output %3")
                       .arg(CurrentUrl)
                       .arg(position, 0, 'f', 3)
                       .arg(QString::fromUtf8(CurrentOutput));
        }
        break;
    }
    case DurationProp:
        DurationSeconds = format == MPV_FORMAT_DOUBLE ? *static_cast<const double*>(data) : 0;
        break;
    case EofReached:
        // mpv reports the end once it has handed the last audio to the sound server, not when
        // it is heard: what the server holds still plays out before the end is reported.
        if (format == MPV_FORMAT_FLAG && *static_cast<const int*>(data) && State == Playing &&
            !SeekPending && !Loading && !TailTimer->isActive()) {
            const double tail = std::max(0.0, EndOfMedium() - ReportedPosition);
            TailTimer->start(int(std::ceil(tail * 1000)));
        }
        break;
    case Vid:
        VideoPresent = format == MPV_FORMAT_INT64 && *static_cast<const std::int64_t*>(data) > 0;
        break;
    case CurrentAo:
        OutputOpened(format == MPV_FORMAT_STRING ? QByteArray(*static_cast<char* const*>(data))
                                                 : QByteArray());
        break;
    default:
        break;
    }
}

double MpvEngine::EndOfMedium() const
{
    if (EndSeconds >= 0 && (DurationSeconds <= 0 || EndSeconds < DurationSeconds))
        return EndSeconds;
    return DurationSeconds;
}

void MpvEngine::EndHeard()
{
    if (State != Playing)
        return;
    SetFlag("pause", true);
    ReportedPosition = EndOfMedium();
    SetState(Stopped);
}

void MpvEngine::DrainEvents()
{
    H->DrainPosted = false;
    if (!H->Mpv)
        return;
    // A handler may delete this engine (the dialog closing in an event handler); stop then.
    QPointer<MpvEngine> alive(this);
    while (alive) {
        mpv_event* event = mpv_wait_event(H->Mpv.get(), 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        switch (event->event_id) {
        case MPV_EVENT_COMMAND_REPLY:
            if (event->reply_userdata != 0 && event->reply_userdata == Generation && Loading) {
                if (event->error < 0) {
                    FailLoad(QString::fromUtf8(mpv_error_string(event->error)));
                } else {
                    LoadAccepted = true;
                    // The entry this load made; a START_FILE of an earlier load (the silence
                    // of a Close just before) must not be taken for it.
                    const qint64 entry = EntryOf(static_cast<mpv_event_command*>(event->data));
                    if (entry >= 0)
                        CurrentEntry = entry;
                }
            }
            break;
        case MPV_EVENT_START_FILE:
            if (Loading && LoadAccepted && CurrentEntry < 0)
                CurrentEntry = static_cast<mpv_event_start_file*>(event->data)->playlist_entry_id;
            break;
        case MPV_EVENT_FILE_LOADED:
            if (Loading && CurrentEntry >= 0)
                FileLoaded = true;
            break;
        case MPV_EVENT_PLAYBACK_RESTART:
            if (Loading && FileLoaded) {
                BecomeReady();
            } else if (SeekPending) {
                SeekPending = false;
            }
            if (alive)
                emit Restarted();
            break;
        case MPV_EVENT_END_FILE: {
            const auto* end = static_cast<mpv_event_end_file*>(event->data);
            if (CurrentEntry < 0 || end->playlist_entry_id != CurrentEntry)
                break;
            if (end->reason == MPV_END_FILE_REASON_ERROR) {
                FailLoad(QString::fromUtf8(mpv_error_string(end->error)));
            } else if (end->reason == MPV_END_FILE_REASON_EOF) {
                CurrentEntry = -1;
                SetState(Stopped);
            }
            break;
        }
        case MPV_EVENT_LOG_MESSAGE: {
            const auto* message = static_cast<mpv_event_log_message*>(event->data);
            // A medium's name can be long (the silence is a whole file in its URL).
            qCDebug(Log::Media).noquote().nospace()
                << "mpv " << message->prefix << ": "
                << QByteArray(message->text).trimmed().left(300);
            break;
        }
        case MPV_EVENT_PROPERTY_CHANGE: {
            const auto* property = static_cast<mpv_event_property*>(event->data);
            HandleProperty(static_cast<int>(event->reply_userdata), property->data,
                           property->format);
            break;
        }
        default:
            break;
        }
    }
}

} // namespace Tonlyra
