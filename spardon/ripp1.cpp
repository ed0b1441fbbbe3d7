#include "spardon/ripp1.h"

#include "spardon/CDRIP.h"
#include "spardon/LameCoder.h"

#include "platform/UserPrompt.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace Tonlyra::Spardon {
QString& LastCopyFileName()
{
    static QString name;
    return name;
}
} // namespace Tonlyra::Spardon

using Tonlyra::Spardon::LastCopyFileName;

TRippingDialog::TRippingDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("RippingDialog"));
    setWindowTitle(QStringLiteral("Kopiera CD-ljudspår till ljud-fil"));
    setModal(true);

    LameCoder1 = new TLameCoder(this);
    LameCoder1->setObjectName(QStringLiteral("LameCoder1"));
    LameCoder1->SetDefaultExt(QStringLiteral(".mp3"));
    CDRIP1 = new TCDRIP(this); // raises "Initialization failure"; the dialog is then unwound
    CDRIP1->setObjectName(QStringLiteral("CDRIP1"));
    CDRIP1->SetCoder(LameCoder1);
    CDRIP1->Encode = true;
    CDRIP1->WriteWAV = true;
    CDRIP1->Speed = 32;
    CDRIP1->OnBeginTrack = [this](TCDRIP*, std::int16_t) { BeginTrack(); };
    CDRIP1->OnEndTrack = [this](TCDRIP*, std::int16_t) { EndTrack(); };
    CDRIP1->OnProgress = [this](TCDRIP*, std::int16_t percent) { ProgressBar->setValue(percent); };

    MainArea = new QWidget(this);
    MP3RadioButton = new QRadioButton(QStringLiteral("Kopiera till &MP3-fil"), MainArea);
    MP3RadioButton->setObjectName(QStringLiteral("MP3RadioButton"));
    MP3RadioButton->setChecked(true);
    WaveRadioButton = new QRadioButton(QStringLiteral("Kopiera till &wave-fil"), MainArea);
    WaveRadioButton->setObjectName(QStringLiteral("WaveRadioButton"));
    auto* formats = new QButtonGroup(this);
    formats->addButton(MP3RadioButton);
    formats->addButton(WaveRadioButton);
    QualityLabel = new QLabel(QStringLiteral("&Kvalité"), MainArea);
    QualityLabel->setObjectName(QStringLiteral("QualityLabel"));
    QualityComboBox = new QComboBox(MainArea);
    QualityComboBox->setObjectName(QStringLiteral("QualityComboBox"));
    QualityComboBox->addItems({QStringLiteral("Normal"), QStringLiteral("Hög")});
    QualityComboBox->setCurrentIndex(0);
    QualityLabel->setBuddy(QualityComboBox);
    CopyButton = new QPushButton(QStringLiteral("&Kopiera"), MainArea);
    CopyButton->setObjectName(QStringLiteral("CopyButton"));
    CopyButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Avbryt"), MainArea);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* quality = new QHBoxLayout;
    quality->addWidget(QualityLabel);
    quality->addWidget(QualityComboBox, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CopyButton);
    buttons->addWidget(CancelButton);
    auto* main = new QVBoxLayout(MainArea);
    main->addWidget(MP3RadioButton);
    main->addWidget(WaveRadioButton);
    main->addLayout(quality);
    main->addStretch(1);
    main->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(MainArea);

    // The progress panel lies over the whole dialog while a copy runs.
    ProgressPanel = new QWidget(this);
    ProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    ProgressPanel->setAutoFillBackground(true);
    ProgressLabel = new QLabel(QStringLiteral("Kopierar"), ProgressPanel);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    ProgressLabel->setWordWrap(true);
    ProgressBar = new QProgressBar(ProgressPanel);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    CancelProgressButton = new QPushButton(QStringLiteral("&Avbryt"), ProgressPanel);
    CancelProgressButton->setObjectName(QStringLiteral("CancelProgressButton"));
    auto* panel = new QVBoxLayout(ProgressPanel);
    panel->addWidget(ProgressLabel);
    panel->addWidget(ProgressBar);
    panel->addWidget(CancelProgressButton, 0, Qt::AlignHCenter);
    ProgressPanel->hide();

    connect(MP3RadioButton, &QRadioButton::clicked, this, [this] { FormatClick(); });
    connect(WaveRadioButton, &QRadioButton::clicked, this, [this] { FormatClick(); });
    connect(QualityComboBox, &QComboBox::currentIndexChanged, this,
            [this] { QualityComboBoxChange(); });
    connect(CopyButton, &QPushButton::clicked, this, [this] { CopyButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    connect(CancelProgressButton, &QPushButton::clicked, this,
            [this] { CancelProgressButtonClick(); });

    resize(420, 200);
}

TRippingDialog::~TRippingDialog() = default;

void TRippingDialog::SetTrackCaptions(int track)
{
    MP3RadioButton->setText(QStringLiteral("Kopiera spår %1 till &MP3-fil").arg(track));
    WaveRadioButton->setText(QStringLiteral("Kopiera spår %1 till &wave-fil").arg(track));
}

bool TRippingDialog::PrepareTrack(int track)
{
    if (track < 1 || track > static_cast<int>(CDRIP1->Tracks().size()))
        return false;
    SetTrackCaptions(track);
    CopyTrack = track;
    CopyRangeMode = false;
    CopyCancelled = false;
    return true;
}

bool TRippingDialog::PrepareRange(int track, std::int32_t start, std::int32_t stop)
{
    if (start < 0 || start >= stop || !PrepareTrack(track))
        return false;
    CopyRangeMode = true;
    CopyStart = start;
    CopyLength = stop - start;
    return true;
}

void TRippingDialog::FormatClick()
{
    const bool mp3 = MP3RadioButton->isChecked();
    QualityLabel->setVisible(mp3);
    QualityComboBox->setVisible(mp3);
    CDRIP1->Encode = mp3;
    SaveDefaultExt = mp3 ? QStringLiteral("mp3") : QStringLiteral("wav");
    SaveFilter = mp3 ? QStringLiteral("MP3-fil|*.MP3") : QStringLiteral("Wave-fil|*.WAV");
}

void TRippingDialog::QualityComboBoxChange()
{
    if (QualityComboBox->currentIndex() == 1) {
        LameCoder1->SetBitrate(256);
        LameCoder1->SetQuality(HIGH_QUALITY);
    } else {
        LameCoder1->SetBitrate(128);
        LameCoder1->SetQuality(NORMAL_QUALITY);
    }
}

void TRippingDialog::CopyButtonClick()
{
    if (CDRIP1->IsCopying())
        return;
    const QString& last = LastCopyFileName();
    const QString folder = last.isEmpty() ? QString() : QFileInfo(last).absolutePath();
    // The question about replacing a file is asked here, about the file the copy will write (an
    // MP3 copy of "x.wav" writes "x.mp3"), not by the save dialog about the name typed.
    const QString name = Tonlyra::UserPrompt::SaveFileName(
        this, QStringLiteral("Spara som"), SaveFilter, SaveDefaultExt, folder, QString(), false);
    if (name.isEmpty())
        return;
    const QString output = CDRIP1->OutputFileNameFor(name);
    if (QFileInfo::exists(output) &&
        Tonlyra::UserPrompt::Message(this, QStringLiteral("Spara som"),
                                     QStringLiteral("%1 finns redan.\nVill du ersätta den?")
                                         .arg(QFileInfo(output).fileName()),
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Warning) != QMessageBox::Yes)
        return;
    CopyResult = true;
    CopyCancelled = false;
    LastCopyFileName() = name;
    ProgressLabel->setText(QStringLiteral("Kopierar spår %1 till \"%2\"").arg(CopyTrack).arg(name));
    try {
        if (CopyRangeMode)
            CDRIP1->RipTrackRange(CopyTrack, CopyStart, CopyLength, name);
        else
            CDRIP1->RipTrack(CopyTrack, name);
    } catch (const ECDRIPError& e) {
        Tonlyra::UserPrompt::ShowError(this, e.Message());
        return;
    } catch (const std::exception& e) {
        Tonlyra::UserPrompt::ShowError(this, QString::fromLocal8Bit(e.what()));
        return;
    }
    if (CopyCancelled)
        return;
    if (!CDRIP1->OutputWritten()) {
        // The disc could not be read (taken out, or the track cannot be read as sound): no
        // file was made, so the copy must not be reported as done.
        Tonlyra::UserPrompt::ShowError(this, QStringLiteral("CD-skivan kan inte läsas"));
        return;
    }
    // The caller learns the name of the file that was really written (an MP3 copy always ends
    // in ".mp3", whatever extension was typed).
    if (!CDRIP1->OutputFileName().isEmpty())
        LastCopyFileName() = CDRIP1->OutputFileName();
    accept();
}

void TRippingDialog::CancelButtonClick()
{
    if (CDRIP1->IsCopying())
        return;
    CopyResult = false;
    QDialog::reject();
}

void TRippingDialog::CancelProgressButtonClick()
{
    CopyCancelled = true;
    CDRIP1->CancelRip();
}

void TRippingDialog::reject()
{
    // Escape: the same as "&Avbryt" while idle; during a copy only the panel's button stops it.
    CancelButtonClick();
}

void TRippingDialog::closeEvent(QCloseEvent* event)
{
    if (CDRIP1->IsCopying()) {
        event->ignore();
        return;
    }
    CopyResult = false;
    QDialog::closeEvent(event);
}

void TRippingDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ProgressPanel->setGeometry(rect());
}

void TRippingDialog::BeginTrack()
{
    ProgressBar->setValue(0);
    ProgressPanel->setGeometry(rect());
    ProgressPanel->raise();
    ProgressPanel->show();
    MainArea->setEnabled(false);
    CancelProgressButton->setFocus();
}

void TRippingDialog::EndTrack()
{
    // A cancelled copy leaves no file behind: the copy is written under a temporary name and
    // only renamed to the chosen name when complete.
    ProgressPanel->hide();
    MainArea->setEnabled(true);
}
