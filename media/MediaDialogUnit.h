#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "media/PlaybackService.h"
#include "media/TrackBar.h"

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

// The file filters for sound and video files; they also decide which extensions count as sound
// and as video.
extern const QString AllSoundFilter;
extern const QString AllVideoFilter;

// The media selection dialog the overlay editor shows: a view of a playback service, whose
// medium, positions and play state it shows and lets the carer choose. Its operations and On...
// events pass the service's on for the callers that drive playback through the dialog.
class TMediaDialog : public QDialog
{
    Q_OBJECT
public:
    // A dialog on a service of its own.
    explicit TMediaDialog(QWidget* parent = nullptr);
    // A dialog showing service, whose videos play full screen in video; both must outlive it.
    TMediaDialog(Tonlyra::PlaybackService& service, Tonlyra::VideoWindow& video,
                 QWidget* parent = nullptr);
    ~TMediaDialog() override;

    Tonlyra::PlaybackService& Service() const { return *Playback; }

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
    using NoDiscMessage = Tonlyra::PlaybackService::NoDiscMessage;
    bool LocateCD(NoDiscMessage message = NoDiscMessage::Show);
    void PrepareCD();
    void SelectKind(int kind);
    void SelectTrack(int track);
    int TrackCount();
    // Chooses the kind the file's extension names in SoundFilter or VideoFilter (a plain
    // substring test: ".mp" counts as sound), then loads the file when it is there.
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

    // The engine of the service of every dialog created from now on without one of its own.
    using EngineFactory = Tonlyra::PlaybackService::EngineFactory;
    static void SetEngineFactory(EngineFactory factory);
    Tonlyra::PlaybackEngine* Engine() const { return Playback->Engine(); }

    QString LastError() const { return Playback->LastError(); }

    // Runs when a medium's duration becomes known: chooses Scale and sets up the trackbars,
    // their ticks, the scale labels and the time displays.
    void SetupScale(int durationMs);
    // Back to nothing loaded: trackbars, buttons and displays cleared.
    void ResetControls();

    // Milliseconds of one trackbar step: the service's position step for the medium shown.
    int Scale = 1;
    MediaKinds AcceptedKinds = 7;
    bool ShowCopyButtons = true;
    bool ShowSourceChooser = true;

    // The dialog's controls, showing the service's state.
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
    // Moves the position display along while the dialog is on the screen and playing.
    QTimer* PositionTimer = nullptr;
    Tonlyra::VideoWindow* VideoWindow = nullptr;
    // The labels of the scale strip besides ZeroLabel and UnitsLabel.
    std::vector<QLabel*> ScaleLabels;
    // The kind each entry of DeviceComboBox stands for.
    std::vector<int> Kinds;
    QString InitialDir;
    int FileFilterIndex = 1;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void done(int result) override;

private:
    void Build();
    void BuildControls();
    void ConnectService();
    // The dialog's height for the kind shown: the settings alone, or room for a video too.
    void FitHeight();
    // The copy buttons: the selected track (or its selected stretch) copied to a file through
    // the copy library, which then becomes the dialog's sound file.
    void RippButtonClick();
    void RippTimeButtonClick();
    int SelectedTrackNumber() const;
    void LoadCopiedFile();
    // What the service reports, shown.
    void ShowKind(int kind);
    void ShowLoad(const QString& medium);
    void ShowFailure(const QString& medium, const QString& error);
    void ShowState();
    void ShowPositions();
    void ShowTimes();
    void ShowMediaTime(int ms);
    void FollowPlayPosition();
    void EnableControls(bool play, bool pause, bool stop, bool trackBars);
    bool KindAccepted(int kind) const;

    std::unique_ptr<Tonlyra::PlaybackService> OwnService;
    Tonlyra::PlaybackService* Playback = nullptr;
    bool Closing = false; // OK waits for the chosen file's try
};
