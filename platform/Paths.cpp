#include "platform/Paths.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFileInfo>

namespace Tonlyra {

namespace {

// The file in UserDataFolder() that remembers each user's last overlay: section LastSection,
// the settings file's absolute path as key, the overlay's as value. Not an ".ini": the user
// data folder is also the default system folder, where every ".ini" is taken for a picture base.
const QString RememberedFileName = QStringLiteral("senaste.cfg");
const QString LastSection = QStringLiteral("Senaste overlagg");

QString WithSlash(QString folder)
{
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString DocumentFolder(const QString& name)
{
    const QDir start = QDir::current();
    if (QFileInfo(start.filePath(name)).isDir())
        return WithSlash(QDir::cleanPath(start.absoluteFilePath(name)));
    const QString own = UserDataFolder() + u'/' + name;
    QDir().mkpath(own);
    return WithSlash(own);
}

// The key a settings file is remembered by; empty when the profile format cannot hold it.
QString RememberedKey(const QString& settingsFile)
{
    if (settingsFile.isEmpty())
        return {};
    const QString key = QFileInfo(settingsFile).absoluteFilePath();
    if (key.contains(u'=') || key.contains(u'\n') || key.contains(u'\r') || key.startsWith(u'['))
        return {};
    return key;
}

} // namespace

QString FolderOf(const QString& path)
{
    return WithSlash(QFileInfo(path).absolutePath());
}

QString UserDataFolder()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // The XDG rules say a relative value is to be ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/tonlyran"));
}

QString OverlaysFolder()
{
    return DocumentFolder(QStringLiteral("Overlays"));
}

QString UsersFolder()
{
    return DocumentFolder(QStringLiteral("Users"));
}

QString ResolveOverlayPath(const QString& stored, const QString& overlayFolder)
{
    if (stored.isEmpty() || QDir::isAbsolutePath(stored) || overlayFolder.isEmpty())
        return stored;
    const QString beside = QDir::cleanPath(QDir(overlayFolder).absoluteFilePath(stored));
    if (QFileInfo::exists(beside))
        return beside;
    if (QFileInfo::exists(stored))
        return QDir::cleanPath(QDir::current().absoluteFilePath(stored));
    return beside;
}

QString RememberedOverlay(const QString& settingsFile)
{
    const QString key = RememberedKey(settingsFile);
    if (key.isEmpty())
        return {};
    const ProfileFile file(UserDataFolder() + u'/' + RememberedFileName);
    const QString overlay = file.ReadString(LastSection, key);
    return !overlay.isEmpty() && QFileInfo(overlay).isFile() ? overlay : QString();
}

void RememberOverlay(const QString& settingsFile, const QString& overlay)
{
    const QString key = RememberedKey(settingsFile);
    if (key.isEmpty() || overlay.isEmpty())
        return;
    const QString value = QFileInfo(overlay).absoluteFilePath();
    const QString path = UserDataFolder() + u'/' + RememberedFileName;
    ProfileFile file;
    file.Load(path); // a missing file starts empty
    if (file.ReadString(LastSection, key) == value)
        return;
    file.WriteString(LastSection, key, value);
    QDir().mkpath(UserDataFolder());
    int error = 0;
    if (!file.Save(&error))
        qCWarning(Log::Platform, "The last overlay is not remembered: %s",
                  qPrintable(SaveFailureReason(error)));
}

} // namespace Tonlyra
