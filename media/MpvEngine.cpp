#include "media/MpvEngine.h"

#include "media/CdTrackStream.h"
#include "platform/CdDrives.h"

#include <QImage>
#include <QPointer>

#include <mpv/client.h>
#include <mpv/render.h>

#include <atomic>
#include <clocale>

namespace Tonlyra {

namespace {

// The properties the engine follows; the index is the reply id mpv reports changes under.
enum PropertyId : std::uint64_t
{
    TimePos = 1,
    DurationProp,
    EofReached,
    Vid
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
};

// Settings that make mpv a quiet engine: no input handling, no on-screen controls, no user
// configuration; files stay open at their end so that they can be replayed and positioned.
constexpr const char* BaseOptions[][2] = {
    {"config", "no"},
    {"terminal", "no"},
    {"idle", "yes"},
    {"keep-open", "yes"},
    {"keep-open-pause", "no"},
    {"gapless-audio", "no"},
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

} // namespace

struct MpvEngine::Handles
{
    // Declared before Render so that it is destroyed after it: the render context must go first.
    std::unique_ptr<mpv_handle, HandleDestroyer> Mpv;
    std::unique_ptr<mpv_render_context, RenderContextFreer> Render;
    std::atomic<bool> DrainPosted{false};
    std::atomic<bool> RenderPosted{false};
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
    for (const ObservedProperty& p : ObservedProperties)
        mpv_observe_property(h, p.Id, p.Name, p.Format);

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

void MpvEngine::Load(const QString& url)
{
    LoadFailed = false;
    Error.clear();
    DurationSeconds = 0;
    ReportedPosition = 0;
    SeekPending = false;
    VideoPresent = false;
    FileLoaded = false;
    LoadAccepted = false;
    CurrentEntry = -1;
    Loading = true;
    EndSeconds = -1;
    ++Generation;
    if (!H->Mpv) {
        SetState(Transitioning);
        const QString why = Error;
        QMetaObject::invokeMethod(
            this, [this, why] { FailLoad(why); }, Qt::QueuedConnection);
        return;
    }
    SetFlag("pause", true);
    SetString("end", "none");
    const QByteArray path = url.toUtf8();
    const char* argv[] = {"loadfile", path.constData(), "replace", nullptr};
    mpv_command_async(H->Mpv.get(), Generation, argv);
    SetState(Transitioning);
}

void MpvEngine::Close()
{
    ++Generation;
    Loading = false;
    LoadFailed = false;
    LoadAccepted = false;
    CurrentEntry = -1;
    FileLoaded = false;
    DurationSeconds = 0;
    ReportedPosition = 0;
    VideoPresent = false;
    SetFlag("pause", true);
    Command({"stop"});
    SetState(Undefined);
}

void MpvEngine::Play()
{
    if ((State != Stopped && State != Paused && State != Ready) || LoadFailed || CurrentEntry < 0)
        return;
    SetFlag("pause", false);
    SincePositionReport.restart();
    SetState(Playing);
}

void MpvEngine::Pause()
{
    if (State != Playing)
        return;
    SetFlag("pause", true);
    ReportedPosition = Position();
    SincePositionReport.restart();
    SetState(Paused);
}

void MpvEngine::Stop()
{
    if (State != Playing && State != Paused && State != Ready)
        return;
    SetFlag("pause", true);
    ReportedPosition = Position();
    SincePositionReport.restart();
    SetState(Stopped);
}

double MpvEngine::Position() const
{
    double p = ReportedPosition;
    if (State == Playing && !SeekPending && SincePositionReport.isValid())
        p += SincePositionReport.nsecsElapsed() / 1e9;
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
    const QByteArray target = QByteArray::number(seconds, 'f', 6);
    Command({"seek", target.constData(), "absolute+exact"});
    ReportedPosition = seconds;
    SeekPending = true;
    SincePositionReport.restart();
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
    SincePositionReport.restart();
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
    case TimePos:
        if (format == MPV_FORMAT_DOUBLE && !SeekPending && !Loading) {
            ReportedPosition = *static_cast<const double*>(data);
            SincePositionReport.restart();
        }
        break;
    case DurationProp:
        DurationSeconds = format == MPV_FORMAT_DOUBLE ? *static_cast<const double*>(data) : 0;
        break;
    case EofReached:
        if (format == MPV_FORMAT_FLAG && *static_cast<const int*>(data) && State == Playing &&
            !SeekPending && !Loading) {
            SetFlag("pause", true);
            ReportedPosition = Position();
            SincePositionReport.restart();
            SetState(Stopped);
        }
        break;
    case Vid:
        VideoPresent = format == MPV_FORMAT_INT64 && *static_cast<const std::int64_t*>(data) > 0;
        break;
    default:
        break;
    }
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
                if (event->error < 0)
                    FailLoad(QString::fromUtf8(mpv_error_string(event->error)));
                else
                    LoadAccepted = true;
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
                SincePositionReport.restart();
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
