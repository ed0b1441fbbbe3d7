#include "media/MediaDialogUnit.h"

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

using Tonlyra::PlaybackEngine;
using Tonlyra::PlaybackService;

namespace {

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
    PlaybackService::SetEngineFactory(std::move(factory));
}

TMediaDialog::TMediaDialog(QWidget* parent)
    : QDialog(parent), OwnService(std::make_unique<PlaybackService>()), Playback(OwnService.get())
{
    VideoWindow = new Tonlyra::VideoWindow(Engine(), this);
    Build();
}

TMediaDialog::TMediaDialog(PlaybackService& service, Tonlyra::VideoWindow& video, QWidget* parent)
    : QDialog(parent), Playback(&service)
{
    VideoWindow = &video;
    Build();
}

void TMediaDialog::Build()
{
    BuildControls();
    PositionTimer = new QTimer(this);
    PositionTimer->setInterval(40);
    connect(PositionTimer, &QTimer::timeout, this, &TMediaDialog::FollowPlayPosition);
    VideoWindow->InlineSurface = InlineVideo;
    ConnectService();
    SetOfferedKinds(AllMediaKinds);
    ShowKind(Playback->Kind());
}

TMediaDialog::~TMediaDialog()
{
    // The service's and the engine's reports must not reach a half-destroyed dialog.
    Playback->disconnect(this);
    Engine()->disconnect(this);
}

void TMediaDialog::ConnectService()
{
    PlaybackService* service = Playback;
    connect(service, &PlaybackService::KindSelected, this, &TMediaDialog::ShowKind);
    connect(service, &PlaybackService::LoadStarted, this, &TMediaDialog::ShowLoad);
    connect(service, &PlaybackService::DurationKnown, this, [this](int ms) {
        SetupScale(ms);
        ShowPositions();
    });
    // A medium that fails ends its play for the dialog's callers, who read LastError().
    connect(service, &PlaybackService::LoadFailed, this,
            [this](const QString& medium, const QString& error) {
                ShowFailure(medium, error);
                if (OnEndOfPlay)
                    OnEndOfPlay(this);
            });
    connect(service, &PlaybackService::StateChanged, this, &TMediaDialog::ShowState);
    connect(service, &PlaybackService::PositionsChanged, this, &TMediaDialog::ShowPositions);
    connect(service, &PlaybackService::EndOfPlay, this, [this] {
        if (OnEndOfPlay)
            OnEndOfPlay(this);
    });
    // Keys and clicks on the video reach the player with the dialog as sender; the key code is
    // handed over as a copy and the shift state left empty.
    connect(service, &PlaybackService::PlayerKeyDown, this, [this](int key, Qt::KeyboardModifiers) {
        if (OnPlayerKeyDown)
            OnPlayerKeyDown(this, key, Qt::NoModifier);
    });
    connect(service, &PlaybackService::PlayerKeyUp, this, [this](int key, Qt::KeyboardModifiers) {
        if (OnPlayerKeyUp)
            OnPlayerKeyUp(this, key, Qt::NoModifier);
    });
    connect(service, &PlaybackService::PlayerMouseDown, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
                if (OnPlayerMouseDown)
                    OnPlayerMouseDown(this, button, shift, x, y);
            });
    connect(service, &PlaybackService::PlayerMouseUp, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
                if (OnPlayerMouseUp)
                    OnPlayerMouseUp(this, button, shift, x, y);
            });
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
    InlineVideo = new Tonlyra::VideoSurface(Engine(), BorderPanel);
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

    // The carer's choices go to the service, which the controls then show.
    connect(DeviceComboBox, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(Kinds.size()))
            Playback->SelectKind(Kinds[static_cast<size_t>(index)]);
    });
    connect(TrackComboBox, &QComboBox::activated, this,
            [this](int index) { Playback->SelectTrack(index + 1); });
    connect(StartTrackBar, &QSlider::valueChanged, this, [this](int step) {
        Playback->SetStartPosition(step * Scale);
        ShowPositions();
    });
    connect(StopTrackBar, &QSlider::valueChanged, this, [this](int step) {
        Playback->SetStopPosition(step * Scale);
        ShowPositions();
    });
    connect(MediaTrackBar, &QSlider::valueChanged, this, [this](int step) {
        Playback->SetPlayPosition(step * Scale);
        ShowPositions();
    });
    // The dialog's own buttons play where the dialog is: a video plays in its window.
    connect(PlayButton, &QPushButton::clicked, this,
            [this] { Playback->Play(PlaybackService::VideoShown::InPlace); });
    connect(PauseButton, &QPushButton::clicked, this, [this] { Pause(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { Stop(); });
    connect(OpenMediaFileButton, &QPushButton::clicked, this, [this] {
        const QString filter = CurrentKind() == VideoFileKind ? VideoFilter : SoundFilter;
        const QString path = Tonlyra::UserPrompt::OpenFileName(this, QStringLiteral("Öppna"),
                                                               filter, QString(), InitialDir);
        if (!path.isEmpty())
            Playback->LoadFile(path, CurrentKind());
    });
    connect(RippButton, &QPushButton::clicked, this, &TMediaDialog::RippButtonClick);
    connect(RippTimeButton, &QPushButton::clicked, this, &TMediaDialog::RippTimeButtonClick);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

// ---- Operations ----------------------------------------------------------------------------

bool TMediaDialog::Play()
{
    return Playback->Play();
}

int TMediaDialog::Pause()
{
    return Playback->Pause() ? 1 : 0;
}

int TMediaDialog::Stop()
{
    return Playback->Stop() ? 1 : 0;
}

int TMediaDialog::PlayState() const
{
    return Playback->PlayState();
}

bool TMediaDialog::LocateCD(NoDiscMessage message)
{
    return Playback->LocateCD(message);
}

void TMediaDialog::PrepareCD()
{
    Playback->PrepareCD();
}

void TMediaDialog::SelectKind(int kind)
{
    Playback->SelectKind(kind);
}

void TMediaDialog::SelectTrack(int track)
{
    Playback->SelectTrack(track);
}

int TMediaDialog::TrackCount()
{
    return Playback->TrackCount();
}

void TMediaDialog::OpenMediaFile(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    if (!suffix.isEmpty()) {
        const QString extension = u'.' + suffix.toLower();
        if (SoundFilter.contains(extension))
            SelectKind(SoundFileKind);
        if (VideoFilter.contains(extension))
            SelectKind(VideoFileKind);
    }
    if (info.isFile())
        Playback->LoadFile(path, CurrentKind());
}

void TMediaDialog::SetStartPosition(int ms)
{
    Playback->SetStartPosition(ms);
}

void TMediaDialog::SetStopPosition(int ms)
{
    Playback->SetStopPosition(ms);
}

int TMediaDialog::GetStartPosition() const
{
    return Playback->StartPosition();
}

int TMediaDialog::GetStopPosition() const
{
    return Playback->StopPosition();
}

int TMediaDialog::GetPlayPosition() const
{
    return Playback->PlayPosition();
}

int TMediaDialog::GetSelectionLength() const
{
    return Playback->SelectionLength();
}

int TMediaDialog::CurrentKind() const
{
    return Playback->Kind();
}

QString TMediaDialog::GetMediaFileName() const
{
    return Playback->MediaFile();
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
    Playback->EndFullScreen();
    QDialog::showEvent(event);
    ShowState();
}

void TMediaDialog::hideEvent(QHideEvent* event)
{
    PositionTimer->stop();
    QDialog::hideEvent(event);
}

void TMediaDialog::done(int result)
{
    // OK while the chosen file is still being tried waits for the try: a file that cannot be
    // played is not taken (the box about it has been shown, and the dialog stays open).
    if (result == QDialog::Accepted && Playback->Probing()) {
        if (Closing)
            return;
        Closing = true;
        const QDeadlineTimer deadline(10000);
        while (Playback->Probing() && isVisible() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        Closing = false;
        if (Playback->Probing() || !isVisible() || !Playback->LastError().isEmpty())
            return;
    }
    // Both ways out stop first and let the stopped state arrive (it opens the positions the
    // caller reads). The medium is closed once the caller has had its turn, unless it has
    // loaded another one by then.
    Stop();
    QCoreApplication::processEvents();
    QDialog::done(result);
    Playback->CloseWhenIdle();
}

// ---- What the service reports ----------------------------------------------------------------

bool TMediaDialog::KindAccepted(int kind) const
{
    return kind >= CDKind && kind <= VideoFileKind && (AcceptedKinds & (1 << kind));
}

void TMediaDialog::ShowKind(int kind)
{
    ResetControls();
    {
        const auto it = std::find(Kinds.begin(), Kinds.end(), kind);
        const QSignalBlocker block(DeviceComboBox);
        DeviceComboBox->setCurrentIndex(it == Kinds.end() ? -1
                                                          : static_cast<int>(it - Kinds.begin()));
    }
    BorderPanel->hide();
    OpenMediaFileButton->hide();
    OKButton->setEnabled(KindAccepted(kind));
    {
        const QSignalBlocker block(TrackComboBox);
        TrackComboBox->clear();
    }
    TrackComboBox->hide();
    if (kind == CDKind) {
        TrackComboBox->setVisible(ShowSourceChooser);
        RippButton->setVisible(ShowCopyButtons);
        RippTimeButton->setVisible(ShowCopyButtons);
        const auto& tracks = Playback->Tracks();
        RippButton->setEnabled(!tracks.empty());
        RippTimeButton->setEnabled(false);
        const QSignalBlocker block(TrackComboBox);
        for (size_t i = 0; i < tracks.size(); ++i)
            TrackComboBox->addItem(QStringLiteral("Spår ") + QString::number(i + 1));
    } else if (kind == SoundFileKind || kind == VideoFileKind) {
        OKButton->setEnabled(false); // until a file is loaded
        OpenMediaFileButton->setVisible(ShowSourceChooser);
        RippButton->hide();
        RippTimeButton->hide();
        if (kind == VideoFileKind)
            BorderPanel->show();
    }
    FitHeight();
    FileFilterIndex = 1;
}

void TMediaDialog::ShowLoad(const QString& medium)
{
    const int kind = CurrentKind();
    if (kind == CDKind) {
        const QSignalBlocker block(TrackComboBox);
        TrackComboBox->setCurrentIndex(Playback->TrackIndex());
        return;
    }
    CurrentMediaLabel->setText(medium);
    OKButton->setEnabled(KindAccepted(kind));
    // The natural Enter after choosing a file takes it.
    if (OKButton->isEnabled()) {
        OKButton->setDefault(true);
        OKButton->setFocus();
    }
    InitialDir = QFileInfo(medium).absolutePath();
}

void TMediaDialog::ShowFailure(const QString& medium, const QString& error)
{
    // A file the carer chose that does not play is not taken, and the carer is told why.
    const int kind = CurrentKind();
    if ((kind != SoundFileKind && kind != VideoFileKind) || !isVisible())
        return;
    OKButton->setEnabled(false);
    OpenMediaFileButton->setFocus();
    Tonlyra::UserPrompt::ShowError(
        this, QStringLiteral("Filen %1 kan inte användas.\n%2").arg(medium, error));
}

void TMediaDialog::ShowState()
{
    const bool open = Playback->PositionsOpen();
    EnableControls(Playback->CanPlay(), Playback->CanPause(), Playback->CanStop(), open);
    const bool playing = Playback->CanPause();
    if (playing && isVisible())
        PositionTimer->start();
    else
        PositionTimer->stop();
    if (!playing)
        ShowPositions();
}

void TMediaDialog::ShowPositions()
{
    if (Playback->MaxStep() == 0 && !Playback->PositionsOpen())
        return; // nothing loaded: the controls stay as ResetControls left them
    SetBar(StartTrackBar, Playback->StartStepValue());
    SetBar(StopTrackBar, Playback->StopStepValue());
    MediaTrackBar->SetSelection(Playback->StartStepValue(), Playback->StopStepValue());
    SetBar(MediaTrackBar, Playback->PlayStepValue());
    ShowTimes();
    ShowMediaTime(Playback->PlayPosition());
}

void TMediaDialog::FollowPlayPosition()
{
    if (!Playback->CanPause()) {
        PositionTimer->stop();
        return;
    }
    SetBar(MediaTrackBar, Playback->PlayStepValue());
    ShowMediaTime(Playback->PlayPosition());
}

void TMediaDialog::EnableControls(bool play, bool pause, bool stop, bool trackBars)
{
    PlayButton->setEnabled(play);
    PauseButton->setEnabled(pause);
    StopButton->setEnabled(stop);
    StartTrackBar->setEnabled(trackBars);
    MediaTrackBar->setEnabled(trackBars);
    StopTrackBar->setEnabled(trackBars);
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
    Scale = PlaybackService::StepFor(durationMs);
    const int e = static_cast<int>(std::lround(std::log10(Scale)));
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
    SplitMilliseconds((StopTrackBar->value() - StartTrackBar->value()) * Scale, h, m, s, ms);
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
    const int index = Playback->TrackIndex();
    if (CurrentKind() != CDKind || index < 0)
        return 0;
    // The disc's own number: the list holds only the audio tracks, numbered from 1.
    return Playback->Tracks()[static_cast<size_t>(index)].Number;
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
            ? Playback->Tracks()[static_cast<size_t>(Playback->TrackIndex())].Milliseconds()
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
    Playback->LoadFile(name, SoundFileKind);
}
