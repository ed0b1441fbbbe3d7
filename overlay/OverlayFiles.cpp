#include "overlay/OverlayFiles.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace Tonlyra {

QString FileKindCaption(OverlayFileKind kind)
{
    switch (kind) {
    case OverlayFileKind::Picture:
        return QStringLiteral("bild");
    case OverlayFileKind::Sound:
        return QStringLiteral("ljud");
    case OverlayFileKind::Video:
        return QStringLiteral("video");
    case OverlayFileKind::Intro:
        return QStringLiteral("intro-ljud");
    case OverlayFileKind::Overlay:
        return QStringLiteral("överlägg");
    }
    return {};
}

std::vector<OverlayFileField> FileFields(MediaOverlay& overlay)
{
    std::vector<OverlayFileField> fields;
    for (int k = 1; k <= overlay.N(); ++k) {
        OverlayCell& c = *overlay.Cell(k);
        if (!c.Picture.isEmpty())
            fields.push_back({k, OverlayFileKind::Picture, &c.Picture});
        if (!c.Media.isEmpty()) {
            if (c.MediaType == OverlayMediaType::SoundFile)
                fields.push_back({k, OverlayFileKind::Sound, &c.Media});
            else if (c.MediaType == OverlayMediaType::VideoFile)
                fields.push_back({k, OverlayFileKind::Video, &c.Media});
            else if (c.MediaType == OverlayMediaType::OverlayFile)
                fields.push_back({k, OverlayFileKind::Overlay, &c.Media});
        }
        if (!c.Intro.isEmpty() && c.Intro != IntroFromMediaMarker)
            fields.push_back({k, OverlayFileKind::Intro, &c.Intro});
    }
    return fields;
}

void ClearFileField(MediaOverlay& overlay, int k, OverlayFileKind kind)
{
    OverlayCell* c = overlay.Cell(k);
    if (!c)
        return;
    switch (kind) {
    case OverlayFileKind::Picture:
        c->Picture.clear();
        break;
    case OverlayFileKind::Intro:
        c->Intro.clear();
        c->IntroStart = c->IntroStop = -1;
        break;
    default:
        c->Media.clear();
        c->MediaType.clear();
        c->MediaStart = c->MediaStop = -1;
        break;
    }
}

bool FieldFileExists(const QString& stored, const QString& overlayFolder)
{
    return !stored.isEmpty() && QFileInfo(ResolveOverlayPath(stored, overlayFolder)).isFile();
}

QString StoredPathFor(const QString& path, const QString& overlayFolder)
{
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (overlayFolder.isEmpty())
        return file;
    const QString folder = QDir::cleanPath(QFileInfo(overlayFolder).absoluteFilePath());
    const QString set = QFileInfo(folder).absolutePath();
    const auto inside = [&](const QString& base) {
        return base != QStringLiteral("/") && file.startsWith(base + u'/');
    };
    return inside(folder) || inside(set) ? QDir(folder).relativeFilePath(file) : file;
}

} // namespace Tonlyra
