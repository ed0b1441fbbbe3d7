#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "media/TrackBar.h"
#include "platform/CdDrives.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class QWidget;

namespace Tonlyra {
class PlaybackEngine;
class VideoSurface;
class VideoWindow;
} // namespace Tonlyra

// The kinds of media the program plays. A set of kinds is a bit set: bit k stands for kind k,
// and bit 3 (AllMediaKinds) for all three.
enum MediaKind { CDKind = 0, SoundFileKind = 1, VideoFileKind = 2 };
using MediaKinds = int;
constexpr MediaKinds AllMediaKinds = 1 << 3;

// The file filters for sound and video files; they also decide which extensions count as sound
// and as video.
extern const QString AllSoundFilter;
extern const QString AllVideoFilter;

// The one place where the program plays media: the playback service the player drives, and the
// media selection dialog the overlay editor shows.
class TMediaDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TMediaDialog(QWidget* parent = nullptr);
    ~TMediaDialog() override;

    using NotifyEvent = std::function<void(QObject* sender)>;
    using MouseEvent = std::function<void(QObject* sender, Qt::MouseButton button,
                                          Qt::KeyboardModifiers shift, int x, int y)>;
    using KeyEvent = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>;

    NotifyEvent OnEndOfPlay;
    MouseEvent OnPlayerMouseDown;
    MouseEvent OnPlayerMouseUp;
    KeyEvent OnPlayerKeyDown;
    KeyEvent OnPlayerKeyUp;

    bool Play();
    int Pause();
    int Stop();
    int PlayState() const;
    // Looks for an audio disc in every drive (the last one holding one wins) and takes its
    // track list. With none, says "Sätt i en CD-skiva!" unless told to look quietly.
    enum class NoDiscMessage { Show, Quiet };
    bool LocateCD(NoDiscMessage message = NoDiscMessage::Show);
    void PrepareCD();
    void SelectKind(int kind);
    void SelectTrack(int track);
    int TrackCount();
    void OpenMediaFile(const QString& path);
    void SetStartPosition(int ms);
    void SetStopPosition(int ms);
    int GetStartPosition() const;
    int GetStopPosition() const;
    int GetPlayPosition() const;
    int GetSelectionLength() const;
    int CurrentKind() const;
    QString GetMediaFileName() const;
    void SetInitialDir(const QString& dir);
    void SetAcceptedKinds(MediaKinds kinds);
    void SetOfferedKinds(MediaKinds kinds);
    bool Execute();

    static void SplitMilliseconds(int ms, int& hours, int& minutes, int& seconds,
                                  int& milliseconds);

    QString SoundFilter = AllSoundFilter;
    QString VideoFilter = AllVideoFilter;

    // The engine every dialog created from now on plays through; an empty factory restores the
    // libmpv engine. Tests install a scripted engine here where timing must be exact.
    using EngineFactory = std::function<std::unique_ptr<Tonlyra::PlaybackEngine>()>;
    static void SetEngineFactory(EngineFactory factory);
    Tonlyra::PlaybackEngine* Engine() const { return PlayerEngine.get(); }

    // Why the last medium could not be played, for the user, with the playback library's own
    // words in parentheses ("" when it could).
    QString LastError() const { return LastErrorText; }

    // Runs when a medium's duration becomes known: chooses Scale and sets up the trackbars,
    // their ticks, the scale labels and the time displays.
    void SetupScale(int durationMs);
    // Back to nothing loaded: trackbars, buttons and displays cleared.
    void ResetControls();

    int Scale = 1;
    bool Probing = false;
    bool PlayPending = false;
    int PendingStart = -1;
    int PendingStop = -1;
    int CDDrive = 0;
    MediaKinds AcceptedKinds = 7;
    bool ShowCopyButtons = true;
    bool ShowSourceChooser = true;

    // The dialog's controls; the service keeps its state in them.
    QComboBox* DeviceComboBox = nullptr;
    QComboBox* TrackComboBox = nullptr;
    QPushButton* OpenMediaFileButton = nullptr;
    QLabel* CurrentMediaLabel = nullptr;
    // The video area above the settings, shown for video files, and the video in it.
    QWidget* BorderPanel = nullptr;
    Tonlyra::VideoSurface* InlineVideo = nullptr;
    QWidget* SettingsPanel = nullptr;
    QWidget* TrackBarPanel = nullptr;
    // The scale strip between the start and the media trackbar: value 0 of the trackbars lies
    // ScaleOrigin pixels into it, their maximum ScaleLength pixels further.
    QWidget* ScalePanel = nullptr;
    static constexpr int ScaleOrigin = 43;
    static constexpr int ScaleLength = 346;
    QLabel* ZeroLabel = nullptr;
    QLabel* UnitsLabel = nullptr;
    QLabel* LengthLabel = nullptr;
    Tonlyra::TrackBar* StartTrackBar = nullptr;
    // Shows the play position and, as its selection, the start..stop range.
    Tonlyra::TrackBar* MediaTrackBar = nullptr;
    Tonlyra::TrackBar* StopTrackBar = nullptr;
    // Hours, minutes, seconds and milliseconds of the start, media and stop positions.
    QLabel* StartHourPanel = nullptr;
    QLabel* StartMinutePanel = nullptr;
    QLabel* StartSecPanel = nullptr;
    QLabel* StartmSecPanel = nullptr;
    QLabel* MediaHourPanel = nullptr;
    QLabel* MediaMinutePanel = nullptr;
    QLabel* MediaSecPanel = nullptr;
    QLabel* MediamSecPanel = nullptr;
    QLabel* StopHourPanel = nullptr;
    QLabel* StopMinutePanel = nullptr;
    QLabel* StopSecPanel = nullptr;
    QLabel* StopmSecPanel = nullptr;
    QPushButton* PlayButton = nullptr;
    QPushButton* PauseButton = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* RippButton = nullptr;
    QPushButton* RippTimeButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QTimer* InitiationTimer = nullptr;
    QTimer* UpdateTimer = nullptr;
    Tonlyra::VideoWindow* VideoWindow = nullptr;
    // The labels of the scale strip besides ZeroLabel and UnitsLabel.
    std::vector<QLabel*> ScaleLabels;
    // The kind each entry of DeviceComboBox stands for.
    std::vector<int> Kinds;
    // The audio tracks of the disc in drive CDDrive, as the track list shows them.
    QString CdDrivePath;
    std::vector<Tonlyra::Cd::CdTrack> CdPlaylist;
    QString InitialDir;
    int FileFilterIndex = 1;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void BuildControls();
    // Plays from the current position up to the stop position, where the dialog is.
    void StartPlaying();
    // The dialog's height for the kind shown: the settings alone, or room for a video too.
    void FitHeight();
    // The copy buttons: the selected track (or its selected stretch) copied to a file through
    // the copy library, which then becomes the dialog's sound file.
    void RippButtonClick();
    void RippTimeButtonClick();
    int SelectedTrackNumber() const;
    void LoadCopiedFile();
    void CloseMedium();
    void DeviceComboBoxChange();
    void TrackComboBoxChange();
    void LoadMediaFile(const QString& path);
    void LoadCdTrack(int index);
    void InitiationTimerTimer();
    void UpdateTimerTimer();
    void FinishProbing();
    void FailProbing();
    void PlayStateChange(int newState);
    void PositionTrackBarChange(QSlider* moved);
    void MediaTrackBarChange();
    void ShowTimes();
    void ShowMediaTime(int ms);
    void RaiseEndOfPlay();
    void EnableControls(bool play, bool pause, bool stop, bool trackBars);
    bool KindAccepted(int kind) const;
    void FullScreenChange(bool on);

    std::unique_ptr<Tonlyra::PlaybackEngine> PlayerEngine;
    QString CurrentMediaName;
    QString LastErrorText;
    quint64 LoadCount = 0;
    bool Closing = false; // OK waits for the chosen file's try
};

extern TMediaDialog* MediaDialog;
