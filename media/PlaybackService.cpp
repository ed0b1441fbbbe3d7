#include "media/PlaybackService.h"

#include "media/CdTrackStream.h"
#include "media/MediaFileCheck.h"
#include "media/MpvEngine.h"
#include "media/PlaybackEngine.h"
#include "platform/UserPrompt.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace Tonlyra {

namespace {

PlaybackService::EngineFactory& Factory()
{
    static PlaybackService::EngineFactory factory;
    return factory;
}

bool IsFileKind(int kind)
{
    return kind == SoundFileKind || kind == VideoFileKind;
}

} // namespace

void PlaybackService::SetEngineFactory(EngineFactory factory)
{
    Factory() = std::move(factory);
}

PlaybackService::PlaybackService(QObject* parent) : QObject(parent)
{
    PlayerEngine = Factory() ? Factory()() : std::make_unique<MpvEngine>();
    PlaybackEngine* engine = PlayerEngine.get();
    connect(engine, &PlaybackEngine::PlayStateChange, this, &PlaybackService::EngineStateChange);
    connect(engine, &PlaybackEngine::CdromMediaChange, this, [this] {
        if (CurrentKind == CDKind)
            SelectKind(CDKind);
    });
    connect(engine, &PlaybackEngine::KeyDown, this, &PlaybackService::PlayerKeyDown);
    connect(engine, &PlaybackEngine::KeyUp, this, &PlaybackService::PlayerKeyUp);
    connect(engine, &PlaybackEngine::MouseDown, this, &PlaybackService::PlayerMouseDown);
    connect(engine, &PlaybackEngine::MouseUp, this, &PlaybackService::PlayerMouseUp);
}

PlaybackService::~PlaybackService()
{
    // The engine's last reports must not reach a half-destroyed service.
    PlayerEngine->disconnect(this);
}

int PlaybackService::StepFor(int durationMs)
{
    const double ratio = durationMs > 0 ? durationMs / 30000.0 : 0.0;
    const int e = ratio > 0 ? std::max(0, static_cast<int>(std::lround(std::log10(ratio) + 1))) : 0;
    int step = 1;
    for (int i = 0; i < e; ++i)
        step *= 10;
    return step;
}

// ---- Kind and medium -----------------------------------------------------------------------

void PlaybackService::SelectKind(int kind)
{
    // A medium still loading is given up: its held requests must not land on the new kind.
    if (IsProbing) {
        IsProbing = false;
        IsPlayPending = false;
        PlayerEngine->Close();
    }
    PlayerEngine->SetDiscWatch(false);
    PendingStart = PendingStop = -1;
    HasMedium = false;
    FilePath.clear();
    CurrentTrack = -1;
    Duration = 0;
    LastStep = StartStep = StopStep = CurrentStep = 0;
    CurrentKind = kind >= CDKind && kind <= VideoFileKind ? kind : NoMediaKind;
    if (CurrentKind != CDKind) {
        emit KindSelected(CurrentKind);
        return;
    }
    const bool disc = LocateCD();
    emit KindSelected(CurrentKind);
    if (disc && !CdTracks.empty())
        LoadCdTrack(0);
    PlayerEngine->SetDiscWatch(true);
}

void PlaybackService::LoadFile(const QString& path, int kind)
{
    if (!IsFileKind(kind))
        kind = NoMediaKind;
    if (kind != CurrentKind)
        SelectKind(kind);
    FilePath = path;
    BeginLoad(path);
}

QString PlaybackService::MediaFile() const
{
    return IsFileKind(CurrentKind) ? FilePath : QString();
}

void PlaybackService::CloseWhenIdle()
{
    const quint64 load = LoadCount;
    QMetaObject::invokeMethod(
        this,
        [this, load] {
            if (LoadCount == load && !IsProbing &&
                PlayerEngine->PlayState() != PlaybackEngine::Playing) {
                PlayerEngine->Stop();
                PlayerEngine->Close();
            }
        },
        Qt::QueuedConnection);
}

void PlaybackService::BeginLoad(const QString& url)
{
    ++LoadCount;
    LoadingUrl = url;
    LastErrorText.clear();
    PendingStart = PendingStop = -1;
    HasMedium = false;
    // Loading before stopping: the stop of the medium it replaces is no end of play.
    IsProbing = true;
    PlayerEngine->Stop();
    PlayerEngine->SetVolume(VolumePercent);
    // The engine loads a medium paused, so loading is silent without muting; a mute here would
    // reach the first moments of the sound, which the engine prepares while loading.
    PlayerEngine->SetMute(false);
    emit LoadStarted(url);
    PlayerEngine->Load(url);
}

void PlaybackService::CheckLoad()
{
    if (!IsProbing)
        return;
    if (PlayerEngine->Failed()) {
        FailLoad();
        return;
    }
    const int state = PlayerEngine->PlayState();
    if (state == PlaybackEngine::Transitioning || state == PlaybackEngine::Undefined)
        return; // still loading
    if (PlayerEngine->Duration() > 0) {
        FinishLoad();
        return;
    }
    // Loaded, yet no length: nothing could ever stop or position it, so it is not played.
    LastErrorText = QStringLiteral("Mediet kan inte spelas: dess längd är okänd");
    FailLoad();
}

void PlaybackService::FinishLoad()
{
    PlayerEngine->Stop(); // still loading: no end of play
    PlayerEngine->SetMute(false);
    Duration = static_cast<int>(std::lround(PlayerEngine->Duration() * 1000));
    Step = StepFor(Duration);
    LastStep = static_cast<int>(std::lround(double(Duration) / Step));
    StartStep = CurrentStep = 0;
    StopStep = LastStep;
    HasMedium = true;
    IsProbing = false;
    emit DurationKnown(Duration);
    emit StateChanged(PlayState());
    const int start = std::exchange(PendingStart, -1);
    const int stop = std::exchange(PendingStop, -1);
    if (start != -1)
        SetStartPosition(start);
    if (stop != -1)
        SetStopPosition(stop);
    if (IsPlayPending)
        Play();
}

void PlaybackService::FailLoad()
{
    const bool file = !FilePath.isEmpty();
    const QString medium = LoadingUrl;
    const QString fileProblem = file ? MediaFileProblem(FilePath) : QString();
    if (!fileProblem.isEmpty()) {
        LastErrorText = QStringLiteral("Mediet kan inte spelas: ") + fileProblem;
        if (PlayerEngine->Failed() && !PlayerEngine->ErrorText().isEmpty())
            LastErrorText += QStringLiteral(" (%1)").arg(PlayerEngine->ErrorText());
    }
    if (LastErrorText.isEmpty())
        LastErrorText =
            QStringLiteral("Mediet kan inte spelas (%1)").arg(PlayerEngine->ErrorText());
    IsProbing = false;
    IsPlayPending = false;
    PendingStart = PendingStop = -1;
    HasMedium = false;
    FilePath.clear();
    emit StateChanged(PlayState());
    emit LoadFailed(medium, LastErrorText);
}

// ---- The audio disc ------------------------------------------------------------------------

bool PlaybackService::LocateCD(NoDiscMessage message)
{
    // Every drive is looked at: the last one holding an audio disc wins. It is the drive the
    // copy library copies from, too.
    std::optional<Cd::AudioDisc> disc = Cd::FindAudioDisc();
    Cd::SetCurrentDrive(disc ? disc->Drive : QString());
    if (!disc) {
        CdTracks.clear();
        CurrentTrack = -1;
        if (message == NoDiscMessage::Show)
            UserPrompt::Message(nullptr, QStringLiteral("Ingen CD-skiva"),
                                QStringLiteral("Sätt i en CD-skiva!"), QMessageBox::Ok,
                                QMessageBox::Warning);
        return false;
    }
    CdDriveIndex = disc->Index;
    CdDrivePath = disc->Drive;
    CdTracks = std::move(disc->Tracks);
    return true;
}

void PlaybackService::PrepareCD()
{
    if (!LocateCD())
        return;
    SelectKind(CDKind);
    SelectTrack(1);
    IsPlayPending = false;
}

void PlaybackService::SelectTrack(int track)
{
    if (CurrentKind != CDKind || track < 1 || track > static_cast<int>(CdTracks.size()))
        return;
    LoadCdTrack(track - 1);
}

int PlaybackService::TrackCount()
{
    if (CurrentKind != CDKind) {
        if (!LocateCD())
            return -1;
        SelectKind(CDKind);
    }
    return static_cast<int>(CdTracks.size());
}

void PlaybackService::LoadCdTrack(int index)
{
    CurrentTrack = index;
    BeginLoad(CdTrackUrl(CdDrivePath, CdTracks[static_cast<size_t>(index)].Number));
}

// ---- Playing -------------------------------------------------------------------------------

bool PlaybackService::Play(VideoShown video)
{
    if (IsProbing) {
        IsPlayPending = true;
        return false;
    }
    if (!CanPlay())
        return false;
    StartPlaying();
    if (video == VideoShown::FullScreen && CurrentKind == VideoFileKind)
        PlayerEngine->SetFullScreen(true);
    IsPlayPending = false;
    return true;
}

void PlaybackService::StartPlaying()
{
    // The engine stops by itself at the stop position, to the sample.
    PlayerEngine->SetEndPosition(StopStep < LastStep ? StopStep * double(Step) / 1000.0 : -1.0);
    PlayerEngine->Play();
}

bool PlaybackService::Pause()
{
    if (!CanPause())
        return false;
    PlayerEngine->Pause();
    return true;
}

bool PlaybackService::Stop()
{
    if (!CanStop())
        return false;
    PlayerEngine->Stop();
    return true;
}

int PlaybackService::PlayState() const
{
    return PlayerEngine->PlayState();
}

bool PlaybackService::CanPlay() const
{
    return PositionsOpen();
}

bool PlaybackService::CanPause() const
{
    return Settled() && PlayState() == PlaybackEngine::Playing;
}

bool PlaybackService::CanStop() const
{
    const int state = PlayState();
    return Settled() && (state == PlaybackEngine::Playing || state == PlaybackEngine::Paused);
}

bool PlaybackService::PositionsOpen() const
{
    const int state = PlayState();
    return Settled() && (state == PlaybackEngine::Stopped || state == PlaybackEngine::Paused ||
                         state == PlaybackEngine::Ready);
}

void PlaybackService::EndFullScreen()
{
    PlayerEngine->SetFullScreen(false);
}

void PlaybackService::SetVolume(int percent)
{
    VolumePercent = std::clamp(percent, 0, 100);
    PlayerEngine->SetVolume(VolumePercent);
}

void PlaybackService::EngineStateChange(int state)
{
    if (IsProbing && state == PlaybackEngine::Stopped && PlayerEngine->Failed()) {
        FailLoad();
        return;
    }
    if (Settled()) {
        if (state == PlaybackEngine::Stopped || state == PlaybackEngine::Ready) {
            // Back at the start, ready to play the stretch again.
            CurrentStep = StartStep;
            PlaceAtCurrentPosition();
        } else if (state == PlaybackEngine::Paused) {
            CurrentStep = EngineStep();
            emit PositionsChanged();
        }
    }
    emit StateChanged(state);
    if ((state == PlaybackEngine::Stopped && !IsProbing) || state == PlaybackEngine::Paused)
        emit EndOfPlay();
    // A start asked for while loading: the engine begins seeking there now, so that playing
    // from it starts sooner once loading ends.
    if (IsProbing && state == PlaybackEngine::Ready && PendingStart > 0 &&
        PlayerEngine->Duration() > 0) {
        const int step = StepFor(static_cast<int>(std::lround(PlayerEngine->Duration() * 1000)));
        const int start = PendingStart / step * step;
        if (start <= PlayerEngine->Duration() * 1000)
            PlayerEngine->SetPosition(start / 1000.0);
    }
    // The engine has the medium ready (or has given up on it): loading ends once the callers of
    // the command that caused this report have had their turn.
    if (IsProbing && (state == PlaybackEngine::Ready || state == PlaybackEngine::Stopped))
        QMetaObject::invokeMethod(this, &PlaybackService::CheckLoad, Qt::QueuedConnection);
}

// ---- Positions -----------------------------------------------------------------------------

void PlaybackService::SetStartPosition(int ms)
{
    if (IsProbing) {
        PendingStart = ms;
        return;
    }
    if (!PositionsOpen())
        return;
    const int step = ms == -1 ? 0 : ms / Step;
    if (step < 0 || step > LastStep)
        return;
    StartStep = step;
    StopStep = std::max(StopStep, StartStep);
    PlaceAtCurrentPosition();
}

void PlaybackService::SetStopPosition(int ms)
{
    if (IsProbing) {
        PendingStop = ms;
        return;
    }
    if (!PositionsOpen())
        return;
    const int step = ms == -1 ? LastStep : ms / Step;
    if (step < 0 || step > LastStep)
        return;
    StopStep = step;
    StartStep = std::min(StartStep, StopStep);
    PlaceAtCurrentPosition();
}

int PlaybackService::StartPosition() const
{
    return PositionsOpen() ? StartStep * Step : -1;
}

int PlaybackService::StopPosition() const
{
    return PositionsOpen() ? StopStep * Step : -1;
}

void PlaybackService::SetPlayPosition(int ms)
{
    if (!PositionsOpen())
        return;
    CurrentStep = ms / Step;
    PlaceAtCurrentPosition();
}

int PlaybackService::PlayPosition() const
{
    if (Settled() && PlayState() == PlaybackEngine::Playing)
        return EngineStep() * Step;
    return CurrentStep * Step;
}

int PlaybackService::EngineStep() const
{
    const int ms = static_cast<int>(std::lround(PlayerEngine->Position() * 1000));
    const int step = static_cast<int>(std::lround(double(ms) / Step));
    return std::clamp(step, StartStep, std::max(StartStep, LastStep));
}

void PlaybackService::PlaceAtCurrentPosition()
{
    CurrentStep = std::clamp(CurrentStep, StartStep, std::max(StartStep, StopStep));
    const int state = PlayState();
    if (state != PlaybackEngine::Undefined && state != PlaybackEngine::Transitioning)
        PlayerEngine->SetPosition(CurrentStep * double(Step) / 1000.0);
    emit PositionsChanged();
}

} // namespace Tonlyra
