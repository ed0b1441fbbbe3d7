#pragma once

#include <QDialog>
#include <QString>

#include <functional>

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
    bool LocateCD();
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
};

extern TMediaDialog* MediaDialog;
