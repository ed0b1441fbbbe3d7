#include "media/MediaDialogUnit.h"

#include "media/CdTrackStream.h"
#include "media/MediaFileCheck.h"
#include "media/MpvEngine.h"
#include "media/PlaybackEngine.h"
#include "media/TrackBar.h"
#include "media/VideoWindow.h"
#include "platform/UserPrompt.h"
#include "spardon/spardon.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

const QString AllSoundFilter = QStringLiteral(
    "Alla ljudfiler|*.wav;*.wma;*.mp3|Wave-filer|*.wav|WMA-filer|*.wma|MP3-filer|*.mp3");
const QString AllVideoFilter =
    QStringLiteral("Alla videofiler|*.wmv;*.mpg;*.mpeg;*.avi|WMV-filer|*.wmv|MPEG-filer|*.mpg;"
                   "*.mpeg|AVI-filer|*.avi");

TMediaDialog* MediaDialog = nullptr;

using Tonlyra::PlaybackEngine;

namespace {

TMediaDialog::EngineFactory& Factory()
{
    static TMediaDialog::EngineFactory factory;
    return factory;
}

const char* const KindNames[] = {"Musik-CD", "Musik-filer", "Video-filer"};

void SetBar(QSlider* bar, int value)
{
    const QSignalBlocker block(bar);
    bar->setValue(value);
}

QString TwoDigits(int v)
{
    return QString::asprintf("%.2d", v);
}

} // namespace

void TMediaDialog::SetEngineFactory(EngineFactory factory)
{
    Factory() = std::move(factory);
}

TMediaDialog::TMediaDialog(QWidget* parent) : QDialog(parent)
{
    PlayerEngine = Factory() ? Factory()() : std::make_unique<Tonlyra::MpvEngine>();
    BuildControls();

    InitiationTimer = new QTimer(this);
    InitiationTimer->setInterval(100);
    connect(InitiationTimer, &QTimer::timeout, this, &TMediaDialog::InitiationTimerTimer);
    UpdateTimer = new QTimer(this);
    UpdateTimer->setInterval(10);
    UpdateTimer->setTimerType(Qt::PreciseTimer);
    connect(UpdateTimer, &QTimer::timeout, this, &TMediaDialog::UpdateTimerTimer);

    PlaybackEngine* engine = PlayerEngine.get();
    VideoWindow = new Tonlyra::VideoWindow(engine, this);
    VideoWindow->InlineSurface = InlineVideo;
    connect(engine, &PlaybackEngine::PlayStateChange, this, &TMediaDialog::PlayStateChange);
    connect(engine, &PlaybackEngine::FullScreenChange, this, &TMediaDialog::FullScreenChange);
    connect(engine, &PlaybackEngine::CdromMediaChange, this, [this] {
        if (CurrentKind() == CDKind)
            DeviceComboBoxChange();
    });
    // Keys and clicks on the video reach the player with the dialog as sender; the key code is
    // handed over as a copy and the shift state left empty.
    connect(engine, &PlaybackEngine::KeyDown, this, [this](int key, Qt::KeyboardModifiers) {
        if (OnPlayerKeyDown)
            OnPlayerKeyDown(this, key, Qt::NoModifier);
    });
    connect(engine, &PlaybackEngine::KeyUp, this, [this](int key, Qt::KeyboardModifiers) {
        if (OnPlayerKeyUp)
            OnPlayerKeyUp(this, key, Qt::NoModifier);
    });
    connect(engine, &PlaybackEngine::MouseDown, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
                if (OnPlayerMouseDown)
                    OnPlayerMouseDown(this, button, shift, x, y);
            });
    connect(engine, &PlaybackEngine::MouseUp, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
                if (OnPlayerMouseUp)
                    OnPlayerMouseUp(this, button, shift, x, y);
            });

    SetOfferedKinds(AllMediaKinds);
    ResetControls();
}

TMediaDialog::~TMediaDialog()
{
    // The engine's events must not reach a half-destroyed dialog.
    if (PlayerEngine)
        PlayerEngine->disconnect(this);
    if (MediaDialog == this)
        MediaDialog = nullptr;
}

void TMediaDialog::BuildControls()
{
    setWindowTitle(QStringLiteral("MediaDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The video plays here, inside the dialog; the player's full-screen window is for the user.
    auto* border = new QFrame(this);
    border->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    BorderPanel = border;
    auto* borderLayout = new QVBoxLayout(BorderPanel);
    borderLayout->setContentsMargins(10, 10, 10, 10);
    InlineVideo = new Tonlyra::VideoSurface(PlayerEngine.get(), BorderPanel);
    borderLayout->addWidget(InlineVideo);
    BorderPanel->hide();
    layout->addWidget(BorderPanel, 1);

    SettingsPanel = new QWidget(this);
    layout->addWidget(SettingsPanel);
    auto* settings = new QVBoxLayout(SettingsPanel);

    CurrentMediaLabel = new QLabel(SettingsPanel);
    CurrentMediaLabel->setAlignment(Qt::AlignCenter);
    CurrentMediaLabel->setWordWrap(true);
    QFont bold = CurrentMediaLabel->font();
    bold.setBold(true);
    CurrentMediaLabel->setFont(bold);
    settings->addWidget(CurrentMediaLabel);

    auto* sourceRow = new QHBoxLayout;
    DeviceComboBox = new QComboBox(SettingsPanel);
    DeviceComboBox->setPlaceholderText(QStringLiteral("Välj media"));
    TrackComboBox = new QComboBox(SettingsPanel);
    TrackComboBox->hide();
    OpenMediaFileButton = new QPushButton(QStringLiteral("&Öppna mediafil"), SettingsPanel);
    OpenMediaFileButton->hide();
    sourceRow->addWidget(DeviceComboBox);
    sourceRow->addWidget(TrackComboBox);
    sourceRow->addWidget(OpenMediaFileButton);
    sourceRow->addStretch(1);
    sourceRow->addWidget(new QLabel(QStringLiteral("Längd [min:sek:msek]:"), SettingsPanel));
    LengthLabel = new QLabel(SettingsPanel);
    LengthLabel->setMinimumWidth(LengthLabel->fontMetrics().horizontalAdvance("00:00:00:000 "));
    sourceRow->addWidget(LengthLabel);
    settings->addLayout(sourceRow);

    // The trackbars run so that value 0 lies ScaleOrigin pixels into the scale strip and the
    // maximum ScaleLength pixels further, whatever the style's handle: the scale labels are
    // placed by those two numbers.
    TrackBarPanel = new QWidget(SettingsPanel);
    auto* bars = new QGridLayout(TrackBarPanel);
    bars->setContentsMargins(0, 0, 0, 0);
    bars->setVerticalSpacing(0);
    const char* heads[] = {"tim", "min", "sek", "msek"};
    for (int i = 0; i < 4; ++i) {
        auto* head = new QLabel(QString::fromUtf8(heads[i]), TrackBarPanel);
        head->setAlignment(Qt::AlignCenter);
        bars->addWidget(head, 0, 2 + i);
    }
    auto makeBar = [&](int row, const QString& caption, QSlider::TickPosition ticks,
                       QLabel** panels[4]) {
        auto* bar = new Tonlyra::TrackBar(TrackBarPanel);
        bar->setTickPosition(ticks);
        bar->setFixedWidth(ScaleLength + bar->HandleLength());
        auto* room = new QWidget(TrackBarPanel);
        auto* roomLayout = new QHBoxLayout(room);
        roomLayout->setContentsMargins(ScaleOrigin - bar->HandleCentre(0), 0, 0, 0);
        roomLayout->addWidget(bar);
        roomLayout->addStretch(1);
        auto* label = new QLabel(caption, TrackBarPanel);
        label->setBuddy(bar);
        bars->addWidget(label, row, 0);
        bars->addWidget(room, row, 1);
        for (int i = 0; i < 4; ++i) {
            auto* panel = new QLabel(TrackBarPanel);
            panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            panel->setAlignment(Qt::AlignCenter);
            panel->setMinimumWidth(panel->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
            *panels[i] = panel;
            bars->addWidget(panel, row, 2 + i);
        }
        return bar;
    };
    QLabel** startPanels[4] = {&StartHourPanel, &StartMinutePanel, &StartSecPanel, &StartmSecPanel};
    QLabel** mediaPanels[4] = {&MediaHourPanel, &MediaMinutePanel, &MediaSecPanel, &MediamSecPanel};
    QLabel** stopPanels[4] = {&StopHourPanel, &StopMinutePanel, &StopSecPanel, &StopmSecPanel};
    StartTrackBar = makeBar(1, QStringLiteral("St&art position"), QSlider::TicksBelow, startPanels);
    ScalePanel = new QWidget(TrackBarPanel);
    ScalePanel->setFixedSize(2 * ScaleOrigin + ScaleLength, 13);
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(9);
    ZeroLabel = new QLabel(QStringLiteral("0"), ScalePanel);
    ZeroLabel->setFont(small);
    ZeroLabel->adjustSize();
    ZeroLabel->move(ScaleOrigin - ZeroLabel->width() / 2, 0);
    UnitsLabel = new QLabel(ScalePanel);
    UnitsLabel->setFont(small);
    UnitsLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    UnitsLabel->setGeometry(0, 0, ZeroLabel->x() - 3, 11);
    bars->addWidget(ScalePanel, 2, 1);
    MediaTrackBar = makeBar(3, QStringLiteral("&Media"), QSlider::TicksBothSides, mediaPanels);
    StopTrackBar = makeBar(4, QStringLiteral("Sto&pp position"), QSlider::TicksAbove, stopPanels);
    settings->addWidget(TrackBarPanel);

    auto* buttons = new QHBoxLayout;
    auto pictureButton = [&](QStyle::StandardPixmap picture, const QString& name) {
        auto* button = new QPushButton(style()->standardIcon(picture), QString(), SettingsPanel);
        button->setToolTip(name);
        button->setAccessibleName(name);
        buttons->addWidget(button);
        return button;
    };
    PlayButton = pictureButton(QStyle::SP_MediaPlay, QStringLiteral("Spela"));
    PauseButton = pictureButton(QStyle::SP_MediaPause, QStringLiteral("Pausa"));
    StopButton = pictureButton(QStyle::SP_MediaStop, QStringLiteral("Stoppa"));
    RippButton = new QPushButton(QStringLiteral("Kopiera &hela spåret"), SettingsPanel);
    RippTimeButton = new QPushButton(QStringLiteral("Kopiera vald &del av spåret"), SettingsPanel);
    RippButton->hide();
    RippTimeButton->hide();
    RippTimeButton->setEnabled(false);
    OKButton = new QPushButton(QStringLiteral("&OK"), SettingsPanel);
    OKButton->setDefault(true);
    OKButton->setEnabled(false);
    CancelButton = new QPushButton(QStringLiteral("&Avbryt"), SettingsPanel);
    buttons->addSpacing(8);
    buttons->addWidget(RippButton);
    buttons->addWidget(RippTimeButton);
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    settings->addLayout(buttons);

    connect(DeviceComboBox, &QComboBox::activated, this, [this] { DeviceComboBoxChange(); });
    connect(TrackComboBox, &QComboBox::activated, this, [this] { TrackComboBoxChange(); });
    connect(StartTrackBar, &QSlider::valueChanged, this,
            [this] { PositionTrackBarChange(StartTrackBar); });
    connect(StopTrackBar, &QSlider::valueChanged, this,
            [this] { PositionTrackBarChange(StopTrackBar); });
    connect(MediaTrackBar, &QSlider::valueChanged, this, [this] { MediaTrackBarChange(); });
    // The dialog's own buttons play where the dialog is: a video plays in its window.
    connect(PlayButton, &QPushButton::clicked, this, [this] {
        if (PlayButton->isEnabled())
            StartPlaying();
    });
    connect(PauseButton, &QPushButton::clicked, this, [this] { Pause(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { Stop(); });
    connect(OpenMediaFileButton, &QPushButton::clicked, this, [this] {
        const QString filter = CurrentKind() == VideoFileKind ? VideoFilter : SoundFilter;
        const QString path = Tonlyra::UserPrompt::OpenFileName(this, QStringLiteral("Öppna"),
                                                               filter, QString(), InitialDir);
        if (!path.isEmpty())
            LoadMediaFile(path);
    });
    connect(RippButton, &QPushButton::clicked, this, &TMediaDialog::RippButtonClick);
    connect(RippTimeButton, &QPushButton::clicked, this, &TMediaDialog::RippTimeButtonClick);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

// ---- Operations ----------------------------------------------------------------------------

bool TMediaDialog::Play()
{
    if (Probing) {
        PlayPending = true;
        return false;
    }
    if (!PlayButton->isEnabled())
        return false;
    StartPlaying();
    if (CurrentKind() == VideoFileKind)
        PlayerEngine->SetFullScreen(true);
    PlayPending = false;
    return true;
}

void TMediaDialog::StartPlaying()
{
    // The engine stops by itself at the stop position, to the sample; the update timer stays
    // as a safeguard and keeps the position display moving.
    const int stop = StopTrackBar->value();
    PlayerEngine->SetEndPosition(stop < StopTrackBar->maximum() ? stop * double(Scale) / 1000.0
                                                                : -1.0);
    PlayerEngine->Play();
}

int TMediaDialog::Pause()
{
    if (!PauseButton->isEnabled())
        return 0;
    PlayerEngine->Pause();
    return 1;
}

int TMediaDialog::Stop()
{
    if (!StopButton->isEnabled())
        return 0;
    PlayerEngine->Stop();
    return 1;
}

int TMediaDialog::PlayState() const
{
    return PlayerEngine->PlayState();
}

bool TMediaDialog::LocateCD(NoDiscMessage message)
{
    // Every drive is looked at: the last one holding an audio disc wins. It is the drive the
    // copy buttons copy from, too.
    std::optional<Tonlyra::Cd::AudioDisc> disc = Tonlyra::Cd::FindAudioDisc();
    Tonlyra::Cd::SetCurrentDrive(disc ? disc->Drive : QString());
    if (!disc) {
        CdPlaylist.clear();
        if (message == NoDiscMessage::Show)
            Tonlyra::UserPrompt::Message(this, QStringLiteral("Ingen CD-skiva"),
                                         QStringLiteral("Sätt i en CD-skiva!"), QMessageBox::Ok,
                                         QMessageBox::Warning);
        return false;
    }
    CDDrive = disc->Index;
    CdDrivePath = disc->Drive;
    CdPlaylist = std::move(disc->Tracks);
    return true;
}

void TMediaDialog::PrepareCD()
{
    if (!LocateCD())
        return;
    SelectKind(CDKind);
    SelectTrack(1);
    Probing = true;
    PlayPending = false;
    InitiationTimer->start();
}

void TMediaDialog::SelectKind(int kind)
{
    // A medium still being probed is given up: its requests must not land on the new kind.
    if (Probing) {
        InitiationTimer->stop();
        Probing = false;
        PlayPending = false;
        PlayerEngine->Close();
    }
    PlayerEngine->SetDiscWatch(false);
    OKButton->setEnabled(false);
    OpenMediaFileButton->hide();
    TrackComboBox->hide();
    {
        const QSignalBlocker block(DeviceComboBox);
        DeviceComboBox->setCurrentIndex(-1);
    }
    ResetControls();
    const auto it = std::find(Kinds.begin(), Kinds.end(), kind);
    if (it == Kinds.end())
        return;
    {
        const QSignalBlocker block(DeviceComboBox);
        DeviceComboBox->setCurrentIndex(static_cast<int>(it - Kinds.begin()));
    }
    DeviceComboBoxChange();
}

void TMediaDialog::SelectTrack(int track)
{
    if (CurrentKind() != CDKind || track < 1 || track > TrackComboBox->count())
        return;
    {
        const QSignalBlocker block(TrackComboBox);
        TrackComboBox->setCurrentIndex(track - 1);
    }
    TrackComboBoxChange();
}

int TMediaDialog::TrackCount()
{
    if (CurrentKind() != CDKind) {
        if (!LocateCD())
            return -1;
        SelectKind(CDKind);
    }
    return TrackComboBox->count();
}

void TMediaDialog::OpenMediaFile(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    if (!suffix.isEmpty()) {
        // A plain substring test, as the filters have always been read: ".mp" counts as sound.
        const QString extension = u'.' + suffix.toLower();
        if (SoundFilter.contains(extension))
            SelectKind(SoundFileKind);
        if (VideoFilter.contains(extension))
            SelectKind(VideoFileKind);
    }
    if (info.isFile())
        LoadMediaFile(path);
}

void TMediaDialog::SetStartPosition(int ms)
{
    if (Probing) {
        PendingStart = ms;
        return;
    }
    if (!StartTrackBar->isEnabled())
        return;
    const int step = ms == -1 ? 0 : ms / Scale;
    if (step < 0 || step > StartTrackBar->maximum())
        return;
    SetBar(StartTrackBar, step);
    PositionTrackBarChange(StartTrackBar);
}

void TMediaDialog::SetStopPosition(int ms)
{
    if (Probing) {
        PendingStop = ms;
        return;
    }
    if (!StopTrackBar->isEnabled())
        return;
    const int step = ms == -1 ? StopTrackBar->maximum() : ms / Scale;
    if (step < 0 || step > StopTrackBar->maximum())
        return;
    SetBar(StopTrackBar, step);
    PositionTrackBarChange(StopTrackBar);
}

int TMediaDialog::GetStartPosition() const
{
    return StartTrackBar->isEnabled() ? StartTrackBar->value() * Scale : -1;
}

int TMediaDialog::GetStopPosition() const
{
    return StopTrackBar->isEnabled() ? StopTrackBar->value() * Scale : -1;
}

int TMediaDialog::GetPlayPosition() const
{
    return MediaTrackBar->value() * Scale;
}

int TMediaDialog::GetSelectionLength() const
{
    return (StopTrackBar->value() - StartTrackBar->value()) * Scale;
}

int TMediaDialog::CurrentKind() const
{
    const int index = DeviceComboBox->currentIndex();
    if (index < 0 || index >= static_cast<int>(Kinds.size()))
        return 3;
    return Kinds[static_cast<size_t>(index)];
}

QString TMediaDialog::GetMediaFileName() const
{
    const int kind = CurrentKind();
    return kind == SoundFileKind || kind == VideoFileKind ? CurrentMediaName : QString();
}

void TMediaDialog::SetInitialDir(const QString& dir)
{
    InitialDir = dir;
}

void TMediaDialog::SetAcceptedKinds(MediaKinds kinds)
{
    AcceptedKinds = (kinds & AllMediaKinds) ? 7 : kinds;
}

void TMediaDialog::SetOfferedKinds(MediaKinds kinds)
{
    if (kinds & AllMediaKinds)
        kinds = 7;
    const QSignalBlocker block(DeviceComboBox);
    DeviceComboBox->clear();
    Kinds.clear();
    for (int kind = CDKind; kind <= VideoFileKind; ++kind) {
        if (!(kinds & (1 << kind)))
            continue;
        Kinds.push_back(kind);
        DeviceComboBox->addItem(QString::fromUtf8(KindNames[kind]));
    }
    DeviceComboBox->setCurrentIndex(-1);
}

bool TMediaDialog::Execute()
{
    return Tonlyra::UserPrompt::RunDialog(*this);
}

void TMediaDialog::SplitMilliseconds(int ms, int& hours, int& minutes, int& seconds,
                                     int& milliseconds)
{
    hours = minutes = seconds = 0;
    milliseconds = ms;
    if (ms < 0)
        return;
    milliseconds = ms % 1000;
    seconds = ms / 1000;
    minutes = seconds / 60;
    seconds %= 60;
    hours = minutes / 60;
    minutes %= 60;
}

// ---- Showing and closing -------------------------------------------------------------------

void TMediaDialog::showEvent(QShowEvent* event)
{
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + 40);
    }
    PlayerEngine->SetFullScreen(false);
    QDialog::showEvent(event);
}

void TMediaDialog::done(int result)
{
    // OK while the chosen file is still being tried waits for the try: a file that cannot be
    // played is not taken (the box about it has been shown, and the dialog stays open).
    if (result == QDialog::Accepted && Probing) {
        if (Closing)
            return;
        Closing = true;
        const QDeadlineTimer deadline(10000);
        while (Probing && isVisible() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        Closing = false;
        if (Probing || !isVisible() || !LastErrorText.isEmpty())
            return;
    }
    // Both ways out stop first and let the stopped state arrive (it enables the trackbars the
    // caller reads the positions from). The medium is closed once the caller has had its turn,
    // unless it has loaded another one by then.
    Stop();
    QCoreApplication::processEvents();
    QDialog::done(result);
    CloseMedium();
}

void TMediaDialog::CloseMedium()
{
    const quint64 load = LoadCount;
    QPointer<TMediaDialog> self(this);
    QTimer::singleShot(0, this, [self, load] {
        if (self && self->LoadCount == load && !self->Probing &&
            self->PlayerEngine->PlayState() != PlaybackEngine::Playing) {
            self->PlayerEngine->Stop();
            self->PlayerEngine->Close();
        }
    });
}

// ---- Kinds, tracks and files ---------------------------------------------------------------

bool TMediaDialog::KindAccepted(int kind) const
{
    return kind >= CDKind && kind <= VideoFileKind && (AcceptedKinds & (1 << kind));
}

void TMediaDialog::DeviceComboBoxChange()
{
    PendingStart = -1;
    PendingStop = -1;
    ResetControls();
    BorderPanel->hide();
    const int kind = CurrentKind();
    OKButton->setEnabled(KindAccepted(kind));
    PlayerEngine->SetDiscWatch(false);
    if (kind == CDKind) {
        TrackComboBox->clear();
        FitHeight();
        OpenMediaFileButton->hide();
        TrackComboBox->setVisible(ShowSourceChooser);
        RippButton->setVisible(ShowCopyButtons);
        RippTimeButton->setVisible(ShowCopyButtons);
        if (LocateCD()) {
            RippButton->setEnabled(true);
            PlayerEngine->SetVolume(100);
            const QSignalBlocker block(TrackComboBox);
            for (size_t i = 0; i < CdPlaylist.size(); ++i)
                TrackComboBox->addItem(QStringLiteral("Spår ") + QString::number(i + 1));
            TrackComboBox->setCurrentIndex(0);
            TrackComboBoxChange();
        } else {
            RippButton->setEnabled(false);
            RippTimeButton->setEnabled(false);
        }
        PlayerEngine->SetDiscWatch(true);
    } else if (kind == SoundFileKind || kind == VideoFileKind) {
        OKButton->setEnabled(false);
        OpenMediaFileButton->setVisible(ShowSourceChooser);
        TrackComboBox->hide();
        TrackComboBox->clear();
        RippButton->hide();
        RippTimeButton->hide();
        if (kind == VideoFileKind)
            BorderPanel->show();
        FitHeight();
    }
    FileFilterIndex = 1;
}

void TMediaDialog::TrackComboBoxChange()
{
    LoadCdTrack(TrackComboBox->currentIndex());
}

void TMediaDialog::LoadCdTrack(int index)
{
    PlayerEngine->Stop();
    PendingStart = -1;
    PendingStop = -1;
    if (index < 0 || index >= static_cast<int>(CdPlaylist.size()))
        return;
    // The track's length is on the disc, but the engine reports the loaded track a moment
    // later; positions and a play request are held until then, as while probing a file.
    ++LoadCount;
    LastErrorText.clear();
    Probing = true;
    PlayerEngine->SetMute(false);
    PlayerEngine->Load(
        Tonlyra::CdTrackUrl(CdDrivePath, CdPlaylist[static_cast<size_t>(index)].Number));
    InitiationTimer->start();
}

void TMediaDialog::LoadMediaFile(const QString& path)
{
    CurrentMediaName = path;
    CurrentMediaLabel->setText(path);
    OKButton->setEnabled(KindAccepted(CurrentKind()));
    // The natural Enter after choosing a file takes it.
    if (OKButton->isEnabled()) {
        OKButton->setDefault(true);
        OKButton->setFocus();
    }
    PendingStart = -1;
    PendingStop = -1;
    Probing = true;
    ++LoadCount;
    LastErrorText.clear();
    PlayerEngine->Stop();
    PlayerEngine->SetVolume(100);
    // The engine loads a medium paused, so probing is silent without muting; a mute here
    // would reach the first moments of the sound, which the engine prepares while loading.
    PlayerEngine->SetMute(false);
    PlayerEngine->Load(path);
    InitiationTimer->start();
    InitialDir = QFileInfo(path).absolutePath();
}

// ---- Probing -------------------------------------------------------------------------------

void TMediaDialog::InitiationTimerTimer()
{
    if (!Probing) {
        InitiationTimer->stop();
        return;
    }
    const int state = PlayerEngine->PlayState();
    if (PlayerEngine->Failed()) {
        FailProbing();
        return;
    }
    if (state == PlaybackEngine::Transitioning || state == PlaybackEngine::Undefined)
        return; // still loading
    if (PlayerEngine->Duration() > 0) {
        FinishProbing();
        return;
    }
    // Loaded, yet no length: nothing could ever stop or position it, so it is not played.
    if (LastErrorText.isEmpty())
        LastErrorText = QStringLiteral("Mediet kan inte spelas: dess längd är okänd");
    FailProbing();
}

void TMediaDialog::FinishProbing()
{
    InitiationTimer->stop();
    PlayerEngine->Stop();
    PlayerEngine->SetMute(false);
    SetupScale(static_cast<int>(std::lround(PlayerEngine->Duration() * 1000)));
    Probing = false;
    if (PendingStart != -1)
        SetStartPosition(PendingStart);
    if (PendingStop != -1)
        SetStopPosition(PendingStop);
    if (PlayPending)
        Play();
}

void TMediaDialog::FailProbing()
{
    InitiationTimer->stop();
    UpdateTimer->stop();
    const bool file = CurrentKind() == SoundFileKind || CurrentKind() == VideoFileKind;
    const QString fileProblem = file ? Tonlyra::MediaFileProblem(CurrentMediaName) : QString();
    if (!fileProblem.isEmpty()) {
        LastErrorText = QStringLiteral("Mediet kan inte spelas: ") + fileProblem;
        if (PlayerEngine->Failed() && !PlayerEngine->ErrorText().isEmpty())
            LastErrorText += QStringLiteral(" (%1)").arg(PlayerEngine->ErrorText());
    }
    if (LastErrorText.isEmpty())
        LastErrorText =
            QStringLiteral("Mediet kan inte spelas (%1)").arg(PlayerEngine->ErrorText());
    Probing = false;
    PlayPending = false;
    PendingStart = -1;
    PendingStop = -1;
    EnableControls(false, false, false, false);
    // A file the carer chose that does not play is not taken, and the carer is told why.
    if (file && isVisible()) {
        const QString name = CurrentMediaName;
        CurrentMediaName.clear();
        OKButton->setEnabled(false);
        OpenMediaFileButton->setFocus();
        Tonlyra::UserPrompt::ShowError(
            this, QStringLiteral("Filen %1 kan inte användas.\n%2").arg(name, LastErrorText));
    }
    RaiseEndOfPlay();
}

// ---- Play state and positions --------------------------------------------------------------

void TMediaDialog::EnableControls(bool play, bool pause, bool stop, bool trackBars)
{
    PlayButton->setEnabled(play);
    PauseButton->setEnabled(pause);
    StopButton->setEnabled(stop);
    StartTrackBar->setEnabled(trackBars);
    MediaTrackBar->setEnabled(trackBars);
    StopTrackBar->setEnabled(trackBars);
}

void TMediaDialog::RaiseEndOfPlay()
{
    if (OnEndOfPlay)
        OnEndOfPlay(this);
}

void TMediaDialog::PlayStateChange(int newState)
{
    if (Probing && newState == PlaybackEngine::Stopped && PlayerEngine->Failed()) {
        FailProbing();
        return;
    }
    switch (newState) {
    case PlaybackEngine::Stopped:
    case PlaybackEngine::Ready:
        UpdateTimer->stop();
        EnableControls(true, false, false, true);
        SetBar(MediaTrackBar, StartTrackBar->value());
        MediaTrackBarChange();
        if (newState == PlaybackEngine::Stopped && !Probing)
            RaiseEndOfPlay();
        break;
    case PlaybackEngine::Paused:
        UpdateTimer->stop();
        EnableControls(true, false, true, true);
        RaiseEndOfPlay();
        break;
    case PlaybackEngine::Playing:
        if (!Probing) {
            UpdateTimer->start();
            EnableControls(false, true, true, false);
            break;
        }
        [[fallthrough]];
    default:
        UpdateTimer->stop();
        EnableControls(false, false, false, false);
        break;
    }
    // The engine has the medium ready: end probing now rather than at the next timer tick.
    if (Probing && (newState == PlaybackEngine::Ready || newState == PlaybackEngine::Stopped)) {
        QPointer<TMediaDialog> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self && self->Probing)
                self->InitiationTimerTimer();
        });
    }
}

void TMediaDialog::UpdateTimerTimer()
{
    if (PlayerEngine->PlayState() != PlaybackEngine::Playing)
        return;
    const int p = static_cast<int>(std::lround(PlayerEngine->Position() * 1000));
    const int s = static_cast<int>(std::lround(double(p) / Scale));
    const int stop = StopTrackBar->value();
    // Stop on reaching the stop time itself (not half a step before it, as rounding to steps
    // would); at the end of the medium the engine stops by itself.
    if (stop < StopTrackBar->maximum() && p >= stop * Scale) {
        PlayerEngine->Stop();
        return;
    }
    if (s >= StartTrackBar->value())
        SetBar(MediaTrackBar, s);
    ShowMediaTime(p);
}

void TMediaDialog::PositionTrackBarChange(QSlider* moved)
{
    Q_UNUSED(moved);
    if (StopTrackBar->value() < StartTrackBar->value()) {
        if (StartTrackBar->hasFocus())
            SetBar(StopTrackBar, StartTrackBar->value());
        else
            SetBar(StartTrackBar, StopTrackBar->value());
    }
    MediaTrackBar->SetSelection(StartTrackBar->value(), StopTrackBar->value());
    SetBar(MediaTrackBar,
           std::clamp(MediaTrackBar->value(), StartTrackBar->value(), StopTrackBar->value()));
    ShowTimes();
    MediaTrackBarChange();
}

void TMediaDialog::MediaTrackBarChange()
{
    const int start = StartTrackBar->value();
    const int stop = std::max(start, StopTrackBar->value());
    SetBar(MediaTrackBar, std::clamp(MediaTrackBar->value(), start, stop));
    const int state = PlayerEngine->PlayState();
    if (state != PlaybackEngine::Undefined && state != PlaybackEngine::Transitioning)
        PlayerEngine->SetPosition(MediaTrackBar->value() * double(Scale) / 1000.0);
    ShowMediaTime(MediaTrackBar->value() * Scale);
}

// ---- Scale and displays --------------------------------------------------------------------

void TMediaDialog::ResetControls()
{
    for (QLabel* label : ScaleLabels)
        delete label;
    ScaleLabels.clear();
    UnitsLabel->clear();
    LengthLabel->clear();
    CurrentMediaLabel->clear();
    CurrentMediaName.clear();
    for (QLabel* panel :
         {StartHourPanel, StartMinutePanel, StartSecPanel, MediaHourPanel, MediaMinutePanel,
          MediaSecPanel, StopHourPanel, StopMinutePanel, StopSecPanel})
        panel->setText(QStringLiteral("00"));
    for (QLabel* panel : {StartmSecPanel, MediamSecPanel, StopmSecPanel})
        panel->setText(QStringLiteral("000"));
    EnableControls(false, false, false, false);
    for (QSlider* bar : {static_cast<QSlider*>(StartTrackBar), static_cast<QSlider*>(MediaTrackBar),
                         static_cast<QSlider*>(StopTrackBar)}) {
        const QSignalBlocker block(bar);
        bar->setRange(0, 10);
        bar->setValue(0);
        bar->setTickInterval(1);
    }
    MediaTrackBar->SetSelection(0, 0);
}

void TMediaDialog::SetupScale(int durationMs)
{
    const double ratio = durationMs > 0 ? durationMs / 30000.0 : 0.0;
    const int e = ratio > 0 ? std::max(0, static_cast<int>(std::lround(std::log10(ratio) + 1))) : 0;
    Scale = 1;
    for (int i = 0; i < e; ++i)
        Scale *= 10;
    const int max = static_cast<int>(std::lround(double(durationMs) / Scale));
    for (QSlider* bar : {static_cast<QSlider*>(StartTrackBar), static_cast<QSlider*>(MediaTrackBar),
                         static_cast<QSlider*>(StopTrackBar)}) {
        const QSignalBlocker block(bar);
        bar->setRange(0, max);
    }
    MediaTrackBar->SetSelection(0, max);
    SetBar(StopTrackBar, max);
    SetBar(StartTrackBar, 0);
    SetBar(MediaTrackBar, 0);

    // Small ticks at most about a hundred along the bar; large ticks at the next spacing of
    // the table (an hour for media longer than the table reaches).
    static constexpr int Spacing[] = {1, 10, 100, 1000, 10000, 60000, 3600000};
    int k = std::min(e, 6);
    while (k < 6 && double(max) / Spacing[k] > 100.0 / Scale)
        ++k;
    const int small = std::max(1, static_cast<int>(std::lround(double(Spacing[k]) / Scale)));
    const int large =
        std::max(1, static_cast<int>(std::lround(double(Spacing[std::min(k + 1, 6)]) / Scale)));
    MediaTrackBar->setTickInterval(small);
    StartTrackBar->setTickInterval(large);
    StopTrackBar->setTickInterval(large);

    for (QLabel* label : ScaleLabels)
        delete label;
    ScaleLabels.clear();
    int h, m, s, ms;
    SplitMilliseconds(large * Scale, h, m, s, ms);
    const struct
    {
        int Amount;
        const char* Unit;
    } parts[] = {{h, "tim:"}, {m, "min:"}, {s, "sek:"}, {ms, "msek:"}};
    int amount = 0;
    for (const auto& part : parts) {
        if (part.Amount != 0) {
            amount = part.Amount;
            UnitsLabel->setText(QString::fromUtf8(part.Unit));
            break;
        }
    }
    const int count = max / large;
    for (int j = 1; j <= count; ++j) {
        auto* label = new QLabel(QString::number(j * amount), ScalePanel);
        label->setFont(ZeroLabel->font());
        label->adjustSize();
        const int left =
            static_cast<int>(std::lround(j * double(ScaleLength) / (double(max) / large))) -
            label->width() / 2 + ScaleOrigin;
        label->setGeometry(left, 0, label->width(), 11);
        label->show();
        ScaleLabels.push_back(label);
    }
    ShowTimes();
    ShowMediaTime(0);
}

void TMediaDialog::ShowTimes()
{
    int h, m, s, ms;
    SplitMilliseconds(StartTrackBar->value() * Scale, h, m, s, ms);
    StartHourPanel->setText(TwoDigits(h));
    StartMinutePanel->setText(TwoDigits(m));
    StartSecPanel->setText(TwoDigits(s));
    StartmSecPanel->setText(QString::asprintf("%.3d", ms));
    SplitMilliseconds(StopTrackBar->value() * Scale, h, m, s, ms);
    StopHourPanel->setText(TwoDigits(h));
    StopMinutePanel->setText(TwoDigits(m));
    StopSecPanel->setText(TwoDigits(s));
    StopmSecPanel->setText(QString::asprintf("%.3d", ms));
    SplitMilliseconds(GetSelectionLength(), h, m, s, ms);
    LengthLabel->setText(
        QStringLiteral("%1:%2:%3:%4")
            .arg(TwoDigits(h), TwoDigits(m), TwoDigits(s), QString::asprintf("%.3d", ms)));
    if (CurrentKind() == CDKind)
        RippTimeButton->setEnabled(StartTrackBar->value() != StartTrackBar->minimum() ||
                                   StopTrackBar->value() != StopTrackBar->maximum());
}

void TMediaDialog::ShowMediaTime(int ms)
{
    int h, m, s, msec;
    SplitMilliseconds(ms, h, m, s, msec);
    MediaHourPanel->setText(TwoDigits(h));
    MediaMinutePanel->setText(TwoDigits(m));
    MediaSecPanel->setText(TwoDigits(s));
    MediamSecPanel->setText(QString::asprintf("%.3d", msec));
}

void TMediaDialog::FitHeight()
{
    layout()->activate();
    int height = minimumSizeHint().height(); // sound: only the settings show
    if (BorderPanel->isVisibleTo(this)) {
        // Video: room for the picture, the screen's height less 80 within 550..746 (the frame
        // included; before the window has been on the screen the title bar stands for it).
        const QScreen* screen = QGuiApplication::primaryScreen();
        const int room = (screen ? screen->geometry().height() : 800) - 80;
        const int outer = room < 550 ? 550 : room > 900 ? 746 : room;
        const int frame = isVisible() ? frameGeometry().height() - this->height()
                                      : style()->pixelMetric(QStyle::PM_TitleBarHeight);
        height = std::max(height, outer - frame);
    }
    resize(width(), height);
}

// ---- Copying CD tracks -----------------------------------------------------------------------

int TMediaDialog::SelectedTrackNumber() const
{
    const int index = TrackComboBox->currentIndex();
    if (CurrentKind() != CDKind || index < 0 || index >= static_cast<int>(CdPlaylist.size()))
        return 0;
    // The disc's own number: the list holds only the audio tracks, numbered from 1.
    return CdPlaylist[static_cast<size_t>(index)].Number;
}

void TMediaDialog::RippButtonClick()
{
    Stop();
    const int track = SelectedTrackNumber();
    if (track > 0 && RippTrackDialog(track))
        LoadCopiedFile();
}

void TMediaDialog::RippTimeButtonClick()
{
    Stop();
    const int track = SelectedTrackNumber();
    if (track <= 0)
        return;
    const int start = StartTrackBar->value() * Scale;
    // A stop at the end of the bar is the end of the track itself, which the bar's steps round
    // up or down.
    const int stop =
        StopTrackBar->value() == StopTrackBar->maximum()
            ? CdPlaylist[static_cast<size_t>(TrackComboBox->currentIndex())].Milliseconds()
            : StopTrackBar->value() * Scale;
    if (RippTrackTimeDialog(track, start, stop))
        LoadCopiedFile();
}

void TMediaDialog::LoadCopiedFile()
{
    unsigned char buffer[256] = {};
    RippFileName(buffer);
    const QString name =
        QFile::decodeName(QByteArray(reinterpret_cast<const char*>(buffer + 1), buffer[0]));
    SelectKind(SoundFileKind);
    LoadMediaFile(name);
}

void TMediaDialog::FullScreenChange(bool on)
{
    if (on)
        VideoWindow->ShowFullScreen();
    else
        VideoWindow->hide();
}
