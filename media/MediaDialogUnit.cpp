#include "media/MediaDialogUnit.h"

// A placeholder playback service: the window exists and answers every call, but plays nothing.

const QString AllSoundFilter = QStringLiteral(
    "Alla ljudfiler|*.wav;*.wma;*.mp3|Wave-filer|*.wav|WMA-filer|*.wma|MP3-filer|*.mp3");
const QString AllVideoFilter = QStringLiteral("Alla videofiler|*.wmv;*.mpg;*.mpeg;*.avi|WMV-filer|"
                                              "*.wmv|MPEG-filer|*.mpg;*.mpeg|AVI-filer|*.avi");

TMediaDialog* MediaDialog = nullptr;

TMediaDialog::TMediaDialog(QWidget* parent) : QDialog(parent) {}

TMediaDialog::~TMediaDialog() = default;

bool TMediaDialog::Play()
{
    return false;
}
int TMediaDialog::Pause()
{
    return 0;
}
int TMediaDialog::Stop()
{
    return 0;
}
int TMediaDialog::PlayState() const
{
    return 0;
}
bool TMediaDialog::LocateCD()
{
    return false;
}
void TMediaDialog::PrepareCD() {}
void TMediaDialog::SelectKind(int) {}
void TMediaDialog::SelectTrack(int) {}
int TMediaDialog::TrackCount()
{
    return -1;
}
void TMediaDialog::OpenMediaFile(const QString&) {}
void TMediaDialog::SetStartPosition(int) {}
void TMediaDialog::SetStopPosition(int) {}
int TMediaDialog::GetStartPosition() const
{
    return -1;
}
int TMediaDialog::GetStopPosition() const
{
    return -1;
}
int TMediaDialog::GetPlayPosition() const
{
    return 0;
}
int TMediaDialog::GetSelectionLength() const
{
    return 0;
}
int TMediaDialog::CurrentKind() const
{
    return 3;
}
QString TMediaDialog::GetMediaFileName() const
{
    return QString();
}
void TMediaDialog::SetInitialDir(const QString&) {}
void TMediaDialog::SetAcceptedKinds(MediaKinds) {}
void TMediaDialog::SetOfferedKinds(MediaKinds) {}
bool TMediaDialog::Execute()
{
    return false;
}

void TMediaDialog::SplitMilliseconds(int ms, int& hours, int& minutes, int& seconds,
                                     int& milliseconds)
{
    hours = 0;
    minutes = 0;
    seconds = 0;
    milliseconds = ms;
    if (ms < 0)
        return;
    seconds = milliseconds / 1000;
    milliseconds %= 1000;
    minutes = seconds / 60;
    seconds %= 60;
    hours = minutes / 60;
    minutes %= 60;
}
