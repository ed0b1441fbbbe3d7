#pragma once

// The copy dialog: copies one CD track, whole or a stretch of it, to an MP3 or wave file.

#include <QDialog>
#include <QString>

#include <cstdint>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TCDRIP;
class TLameCoder;

namespace Tonlyra::Spardon {
// The name chosen in the last copy of this run; empty until the first copy.
QString& LastCopyFileName();
} // namespace Tonlyra::Spardon

class TRippingDialog : public QDialog
{
    Q_OBJECT
public:
    // Creates the reading component (reading the disc) and the coder. Raises ECDRIPError
    // "Initialization failure" when the reading component cannot be created.
    explicit TRippingDialog(QWidget* parent = nullptr);
    ~TRippingDialog() override;

    // Prepares a copy of a whole track; false (and the dialog is not to be shown) when the track
    // is not on the disc.
    bool PrepareTrack(int track);
    // Prepares a copy of the stretch start..stop (milliseconds from the track's start); false
    // when the track is not on the disc or the stretch is empty or starts before the track.
    bool PrepareRange(int track, std::int32_t start, std::int32_t stop);

    // What the user can do; the controls call these.
    void FormatClick();
    void QualityComboBoxChange();
    void CopyButtonClick();
    void CancelButtonClick();
    void CancelProgressButtonClick();

    bool CopyResult = false;
    int CopyTrack = 0;
    bool CopyRangeMode = false;
    std::int32_t CopyStart = 0;
    std::int32_t CopyLength = 0;
    bool CopyCancelled = false;

    TCDRIP* CDRIP1 = nullptr;
    TLameCoder* LameCoder1 = nullptr;

    QWidget* MainArea = nullptr;
    QRadioButton* MP3RadioButton = nullptr;
    QRadioButton* WaveRadioButton = nullptr;
    QLabel* QualityLabel = nullptr;
    QComboBox* QualityComboBox = nullptr;
    QPushButton* CopyButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QWidget* ProgressPanel = nullptr;
    QLabel* ProgressLabel = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* CancelProgressButton = nullptr;

    // The save dialog's settings, which follow the chosen format.
    QString SaveDefaultExt = QStringLiteral("mp3");
    QString SaveFilter = QStringLiteral("MP3-fil|*.mp3");

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetTrackCaptions(int track);
    void BeginTrack();
    void EndTrack();
};
