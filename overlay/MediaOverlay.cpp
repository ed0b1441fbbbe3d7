#include "overlay/MediaOverlay.h"

#include "platform/Paths.h"

#include <QFileInfo>

#include <algorithm>

using Tonlyra::ProfileFile;

namespace {

const QString OverlaySection = QStringLiteral("Overlay");
const QString MediaSection = QStringLiteral("Media");
const QString PicturesSection = QStringLiteral("Pictures");
const QString TextsSection = QStringLiteral("Texts");
const QString SoundsSection = QStringLiteral("Sounds");
const QString MediaTypesSection = QStringLiteral("MediaTypes");
const QString StartSection = QStringLiteral("StartPositions");
const QString StopSection = QStringLiteral("StopPositions");
const QString IntroStartSection = QStringLiteral("IntroStartPositions");
const QString IntroStopSection = QStringLiteral("IntroStopPositions");
const QString CommPortsSection = QStringLiteral("CommPorts");

// The cell sections in the order the writer writes them (and a fresh file holds them).
const QString* const CellSections[] = {
    &MediaSection, &PicturesSection, &TextsSection,      &SoundsSection,    &MediaTypesSection,
    &StartSection, &StopSection,     &IntroStartSection, &IntroStopSection, &CommPortsSection};

// Sections of an older layout that the writer removes.
const QString ObsoleteSections[] = {QStringLiteral("Bilder"), QStringLiteral("Texter"),
                                    QStringLiteral("Ljud")};

bool FileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString ReadText(const ProfileFile& file, const QString& section, const QString& key)
{
    // A value cut short keeps no blank at its end: written back, the file would drop it.
    return file.ReadString(section, key).left(Tonlyra::MaxProfileValueLength).trimmed();
}

// The number of the cell a key names in the form the writer writes ("1", "27"), or 0.
int CellNumberOfKey(const QString& key)
{
    const QString k = key.trimmed();
    if (k.isEmpty() || k.size() > 9 || k[0] == u'0')
        return 0;
    for (QChar c : k)
        if (c < u'0' || c > u'9')
            return 0;
    return k.toInt();
}

} // namespace

QString MediaTypeCaption(const QString& mediaType)
{
    using namespace OverlayMediaType;
    if (mediaType == ArbitraryCD)
        return QStringLiteral("Godtyckligt CD-spår");
    if (mediaType == FixedCD)
        return QStringLiteral("Låst CD-spår");
    if (mediaType == SoundFile)
        return QStringLiteral("Ljud-fil");
    if (mediaType == VideoFile)
        return QStringLiteral("Video-fil");
    if (mediaType == OverlayFile)
        return QStringLiteral("Överlägg");
    if (mediaType == IRString)
        return QStringLiteral("IR kommando");
    if (mediaType == Exit)
        return QStringLiteral("Programmet avslutas");
    return QString();
}

const OverlayCell* MediaOverlay::Cell(int k) const
{
    return k >= 1 && k <= N() ? &Cells[k - 1] : nullptr;
}

OverlayCell* MediaOverlay::Cell(int k)
{
    return k >= 1 && k <= N() ? &Cells[k - 1] : nullptr;
}

void MediaOverlay::LayoutCells(int rows, int cols, bool empty)
{
    Rows = std::max(rows, 0);
    Cols = std::max(cols, 0);
    const auto n = static_cast<std::size_t>(Rows) * static_cast<std::size_t>(Cols);
    if (empty)
        Cells.assign(n, OverlayCell());
    else
        Cells.resize(n);
}

int MediaOverlay::CellCount() const
{
    const bool anyMedia = std::any_of(Cells.begin(), Cells.end(),
                                      [](const OverlayCell& c) { return !c.Media.isEmpty(); });
    return anyMedia ? N() : 0;
}

QString MediaOverlay::GetCellMedia(int k) const
{
    const OverlayCell* c = Cell(k);
    if (!c)
        return {};
    using namespace OverlayMediaType;
    const bool isFile =
        c->MediaType == SoundFile || c->MediaType == VideoFile || c->MediaType == OverlayFile;
    return isFile ? Tonlyra::ResolveOverlayPath(c->Media, Folder) : c->Media;
}

QString MediaOverlay::GetCellPicture(int k) const
{
    const OverlayCell* c = Cell(k);
    return c ? Tonlyra::ResolveOverlayPath(c->Picture, Folder) : QString();
}

QString MediaOverlay::GetCellText(int k) const
{
    const OverlayCell* c = Cell(k);
    return c ? c->Text : QString();
}

QString MediaOverlay::GetCellIntroSound(int k) const
{
    const OverlayCell* c = Cell(k);
    if (!c || c->Intro == IntroFromMediaMarker)
        return {};
    const QString intro = Tonlyra::ResolveOverlayPath(c->Intro, Folder);
    return FileExists(intro) ? intro : QString();
}

bool MediaOverlay::IsIntroFromMedia(int k) const
{
    const OverlayCell* c = Cell(k);
    return c && c->Intro == IntroFromMediaMarker;
}

qint32 MediaOverlay::GetCellStart(int k) const
{
    const OverlayCell* c = Cell(k);
    return c ? c->MediaStart : -1;
}

qint32 MediaOverlay::GetCellStop(int k) const
{
    const OverlayCell* c = Cell(k);
    return c ? c->MediaStop : -1;
}

qint32 MediaOverlay::GetCellIntroStart(int k) const
{
    const OverlayCell* c = Cell(k);
    return c ? c->IntroStart : -1;
}

qint32 MediaOverlay::GetCellIntroStop(int k) const
{
    const OverlayCell* c = Cell(k);
    return c ? c->IntroStop : -1;
}

QString MediaOverlay::GetCellCommPort(int k) const
{
    const OverlayCell* c = Cell(k);
    return c ? c->CommPort : QString();
}

QString MediaOverlay::GetCellMediaType(int k) const
{
    const OverlayCell* c = Cell(k);
    return c ? c->MediaType : QString();
}

bool MediaOverlay::IsCDTrackCell(int k) const
{
    const QString type = GetCellMediaType(k);
    return type == OverlayMediaType::FixedCD || type == OverlayMediaType::ArbitraryCD;
}

bool MediaOverlay::IsArbitraryCDCell(int k) const
{
    return GetCellMediaType(k) == OverlayMediaType::ArbitraryCD;
}

bool MediaOverlay::IsSoundFileCell(int k) const
{
    return GetCellMediaType(k) == OverlayMediaType::SoundFile && FileExists(GetCellMedia(k));
}

bool MediaOverlay::IsVideoFileCell(int k) const
{
    return GetCellMediaType(k) == OverlayMediaType::VideoFile && FileExists(GetCellMedia(k));
}

bool MediaOverlay::IsOverlayFileCell(int k) const
{
    return GetCellMediaType(k) == OverlayMediaType::OverlayFile && FileExists(GetCellMedia(k));
}

bool MediaOverlay::IsIRCell(int k) const
{
    return GetCellMediaType(k) == OverlayMediaType::IRString;
}

bool MediaOverlay::IsExitCell(int k) const
{
    return GetCellMediaType(k) == OverlayMediaType::Exit;
}

void MediaOverlay::Load(const QString& path)
{
    ProfileFile file;
    file.Load(path); // an unreadable file reads as empty: all defaults
    Load(file);
    Folder = Tonlyra::FolderOf(path);
}

void MediaOverlay::Load(const ProfileFile& file)
{
    Folder = file.Path().isEmpty() ? QString() : Tonlyra::FolderOf(file.Path());
    CDIdentity = ReadText(file, OverlaySection, QStringLiteral("CD-Identity"));
    if (!file.HasKey(OverlaySection, QStringLiteral("CD-Identity")))
        CDIdentity = QStringLiteral("Arbitrary");
    const int rows = file.ReadInteger(OverlaySection, QStringLiteral("Rows"), 2);
    const int cols = file.ReadInteger(OverlaySection, QStringLiteral("Cols"), 2);
    LayoutCells(std::clamp(rows, 0, MaxRowsOrCols), std::clamp(cols, 0, MaxRowsOrCols), true);

    // Cell j takes its texts under the name of the j-th key of "Media" as the file lists them,
    // and its positions under the number j; in files the program writes both are the same.
    const QStringList keys = file.Keys(MediaSection, N());
    const int count = std::min(N(), static_cast<int>(keys.size()));
    for (int j = 1; j <= count; ++j) {
        const QString& key = keys[j - 1];
        const QString number = QString::number(j);
        OverlayCell& c = Cells[j - 1];
        c.Media = ReadText(file, MediaSection, key);
        c.Picture = ReadText(file, PicturesSection, key);
        c.Text = ReadText(file, TextsSection, key);
        c.Intro = ReadText(file, SoundsSection, key);
        c.MediaType = ReadText(file, MediaTypesSection, key);
        c.CommPort = ReadText(file, CommPortsSection, key);
        c.MediaStart = file.ReadInteger(StartSection, number, -1);
        c.MediaStop = file.ReadInteger(StopSection, number, -1);
        c.IntroStart = file.ReadInteger(IntroStartSection, number, -1);
        c.IntroStop = file.ReadInteger(IntroStopSection, number, -1);
    }
}

void MediaOverlay::WriteTo(ProfileFile& file) const
{
    file.WriteString(OverlaySection, QStringLiteral("CD-Identity"), CDIdentity);
    file.WriteInteger(OverlaySection, QStringLiteral("Rows"), Rows);
    file.WriteInteger(OverlaySection, QStringLiteral("Cols"), Cols);
    for (const QString& obsolete : ObsoleteSections)
        file.DeleteSection(obsolete);

    // Cell keys above N, left from a larger overlay, are removed from every cell section.
    for (const QString* section : CellSections)
        file.DeleteKeys(*section,
                        [this](const QString& key) { return CellNumberOfKey(key) > N(); });
    // The reader takes the cells in the order "Media" lists its keys. When that section holds
    // anything but the keys "1", "2", ... in order (a hand-edited file, an extra key), a cell
    // written in place would read back under another number, so the section is written afresh.
    // Keys above N are gone by now, so a key beyond the N-th is out of order too.
    const QStringList mediaKeys = file.Keys(MediaSection, N() + 1);
    for (int j = 0; j < mediaKeys.size(); ++j) {
        if (mediaKeys[j] != QString::number(j + 1)) {
            file.DeleteKeys(MediaSection, [](const QString&) { return true; });
            break;
        }
    }

    for (int k = 1; k <= N(); ++k) {
        const OverlayCell& c = Cells[k - 1];
        const QString key = QString::number(k);
        file.WriteString(MediaSection, key, c.Media);
        file.WriteString(PicturesSection, key, c.Picture);
        file.WriteString(TextsSection, key, c.Text);
        file.WriteString(SoundsSection, key, c.Intro);
        file.WriteString(MediaTypesSection, key, c.MediaType);
        file.WriteInteger(StartSection, key, c.MediaStart);
        file.WriteInteger(StopSection, key, c.MediaStop);
        file.WriteInteger(IntroStartSection, key, c.IntroStart);
        file.WriteInteger(IntroStopSection, key, c.IntroStop);
        file.WriteString(CommPortsSection, key, c.CommPort);
    }
}

Tonlyra::SaveResult MediaOverlay::Save(const QString& path) const
{
    const QString failure = QStringLiteral("Unable to write to %1").arg(path);
    ProfileFile file;
    int error = 0;
    // A file that exists but cannot be read is not replaced by one that has lost its other keys.
    if (!file.Load(path, &error))
        return Tonlyra::SaveResult::Failure(failure, error);
    WriteTo(file);
    if (!file.Save(&error))
        return Tonlyra::SaveResult::Failure(failure, error);
    return {};
}
