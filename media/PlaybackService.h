#pragma once

#include "platform/CdDrives.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The kinds of media the program plays. A set of kinds is a bit set: bit k stands for kind k,
// and bit 3 (AllMediaKinds) for all three. NoMediaKind: none chosen.
enum MediaKind { CDKind = 0, SoundFileKind = 1, VideoFileKind = 2, NoMediaKind = 3 };
using MediaKinds = int;
constexpr MediaKinds AllMediaKinds = 1 << 3;

namespace Tonlyra {

class PlaybackEngine;

// The one place where the program plays media, one medium at a time: a file of a kind the caller
// names, or a track of the audio disc found in the CD drives. It loads the medium silently to
// learn its length, holds a start and a stop position, plays, pauses and stops, and says when
// playing has ended. Requests made while a medium is still loading (positions, play) are held
// and carried out, in that order, as soon as its length is known.
//
// Positions are whole steps of StepMs() milliseconds, a power of ten chosen from the medium's
// length (about 3000 steps over it at most); the millisecond operations round down to a step.
//
// Everything follows the engine's reports of its play state; nothing polls.
class PlaybackService : public QObject
{
    Q_OBJECT
public:
    // The engine every service created from now on plays through; an empty factory restores the
    // libmpv engine. Tests install a scripted engine here where timing must be exact.
    using EngineFactory = std::function<std::unique_ptr<PlaybackEngine>()>;
    static void SetEngineFactory(EngineFactory factory);

    explicit PlaybackService(QObject* parent = nullptr);
    ~PlaybackService() override;

    PlaybackEngine* Engine() const { return PlayerEngine.get(); }

    // The milliseconds of one position step for a medium of the given length.
    static int StepFor(int durationMs);

    // ---- Kind and medium ----
    // The kind of medium chosen; NoMediaKind when none.
    int Kind() const { return CurrentKind; }
    // Gives up the medium (one still loading is closed) and chooses a kind. The CD kind looks for
    // a disc ("Sätt i en CD-skiva!" when there is none), takes its track list, watches the
    // drives for a disc change and loads the first track.
    void SelectKind(int kind);
    // Loads a file as a medium of the given kind (SoundFileKind or VideoFileKind; NoMediaKind
    // plays it as neither). The kind is the caller's word, whatever the file's name says.
    void LoadFile(const QString& path, int kind);
    // The file loaded (or loading) when the kind is a file kind; "" otherwise and after a failed
    // load.
    QString MediaFile() const;
    // Why the last medium could not be played, for the user, with the playback library's own
    // words in parentheses ("" when it could).
    QString LastError() const { return LastErrorText; }
    // Loading: the medium's length is not known yet.
    bool Probing() const { return IsProbing; }
    bool PlayPending() const { return IsPlayPending; }
    // Closes the medium once the caller has had its turn (a queued call), unless another medium
    // has been loaded by then or it is loading or playing.
    void CloseWhenIdle();

    // ---- The audio disc ----
    // Looks for an audio disc in every drive (the last one holding one wins) and takes its
    // track list. With none, says "Sätt i en CD-skiva!" unless told to look quietly.
    enum class NoDiscMessage { Show, Quiet };
    bool LocateCD(NoDiscMessage message = NoDiscMessage::Show);
    // The CD kind with its first track, and no play request held.
    void PrepareCD();
    // Loads track n (1-based, of the track list) when the kind is the CD kind.
    void SelectTrack(int track);
    // The number of tracks; looks for a disc and chooses the CD kind first when it is not
    // chosen (-1 when there is no disc).
    int TrackCount();
    const std::vector<Cd::CdTrack>& Tracks() const { return CdTracks; }
    // The place in Tracks() of the track loaded; -1 when none.
    int TrackIndex() const { return CurrentTrack; }
    // The place in the drive list of the drive LocateCD last found holding a disc.
    int DriveIndex() const { return CdDriveIndex; }

    // ---- Playing ----
    // Plays from the current position to the stop position; a video full screen unless asked
    // to play in place. While loading the request is held (false); false also when nothing
    // can play now.
    enum class VideoShown { FullScreen, InPlace };
    bool Play(VideoShown video = VideoShown::FullScreen);
    // Only while playing; false otherwise.
    bool Pause();
    // Only while playing or paused; false otherwise.
    bool Stop();
    // The engine's state number: 1 stopped, 2 paused, 3 playing, 10 ready, 0 nothing, 9 loading.
    int PlayState() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanStop() const;
    // Whether the positions can be set and read: a medium is loaded and not playing.
    bool PositionsOpen() const;
    void EndFullScreen();
    // Percent, applied from the next medium on and to the one loaded.
    void SetVolume(int percent);
    int Volume() const { return VolumePercent; }

    // ---- Positions ----
    // -1: the beginning (start) or the end (stop). Outside the medium: ignored; while loading:
    // held. The one moved pushes the other along when they would cross.
    void SetStartPosition(int ms);
    void SetStopPosition(int ms);
    // -1 unless PositionsOpen().
    int StartPosition() const;
    int StopPosition() const;
    // Moves the current position (kept between start and stop) while the positions are open.
    void SetPlayPosition(int ms);
    // While playing where the engine last reported the sound to be, else where playing starts.
    int PlayPosition() const;
    int SelectionLength() const { return (StopStep - StartStep) * Step; }
    int StepMs() const { return Step; }
    int MaxStep() const { return LastStep; }
    int StartStepValue() const { return StartStep; }
    int StopStepValue() const { return StopStep; }
    int PlayStepValue() const { return PlayPosition() / Step; }
    int DurationMs() const { return Duration; }

signals:
    // The play state changed, or what can be done in it (loading ended or failed).
    void StateChanged(int state);
    // Playing has ended: the engine stopped (not while loading) or paused.
    void EndOfPlay();
    // A kind was chosen (also again, for a new disc), before anything of it is loaded.
    void KindSelected(int kind);
    // A medium starts loading: a file path or a CD track address.
    void LoadStarted(const QString& medium);
    // The medium loaded has this length; the positions are reset to all of it.
    void DurationKnown(int ms);
    // The medium loading cannot be played; LastError() says why. There is no end of play then.
    void LoadFailed(const QString& medium, const QString& error);
    // The start, stop or current position changed (not while playing).
    void PositionsChanged();
    // The user's keys and clicks on the video surface, key codes as Tonlyra::KeyCodeOf gives
    // them.
    void PlayerKeyDown(int key, Qt::KeyboardModifiers shift);
    void PlayerKeyUp(int key, Qt::KeyboardModifiers shift);
    void PlayerMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void PlayerMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

private:
    void BeginLoad(const QString& url);
    void LoadCdTrack(int index);
    void CheckLoad();
    void FinishLoad();
    void FailLoad();
    void GiveUpLoad();
    void EngineStateChange(int state);
    void StartPlaying();
    // The current position is moved into start..stop and the engine placed there.
    void PlaceAtCurrentPosition();
    int EngineStep() const;
    bool Settled() const { return HasMedium && !IsProbing; }

    std::unique_ptr<PlaybackEngine> PlayerEngine;
    int CurrentKind = NoMediaKind;
    QString FilePath;
    // The address of the medium loaded last.
    QString LoadingUrl;
    QString LastErrorText;
    int VolumePercent = 100;

    bool IsProbing = false;
    bool IsPlayPending = false;
    int PendingStart = -1;
    int PendingStop = -1;
    // Set once a medium's length is known; the positions count in its steps.
    bool HasMedium = false;
    quint64 LoadCount = 0;

    int Duration = 0;
    int Step = 1;
    int LastStep = 0;
    int StartStep = 0;
    int StopStep = 0;
    int CurrentStep = 0;

    int CdDriveIndex = 0;
    QString CdDrivePath;
    std::vector<Cd::CdTrack> CdTracks;
    int CurrentTrack = -1;
};

} // namespace Tonlyra
