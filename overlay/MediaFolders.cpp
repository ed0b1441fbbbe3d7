#include "overlay/MediaFolders.h"

#include "platform/SystemFolder.h"

#include <QDir>

namespace Tonlyra {

namespace {
const QString SettingsName = QStringLiteral("tonlyran.cfg");
const QString MediaFoldersSection = QStringLiteral("Mediamappar");
} // namespace

QString SystemSettingsPath()
{
    return SystemFolder() + u'/' + SettingsName;
}

QStringList ReadMediaFolders()
{
    const ProfileFile file(SystemFilePath(SettingsName));
    QStringList folders;
    for (const QString& key : file.Keys(MediaFoldersSection)) {
        const QString folder = file.ReadString(MediaFoldersSection, key);
        if (!folder.isEmpty() && !folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

SaveResult WriteMediaFolders(const QStringList& folders)
{
    const QString path = SystemSettingsPath();
    const QString failure = QStringLiteral("Unable to write to %1").arg(path);
    ProfileFile file;
    int error = 0;
    if (!file.Load(path, &error))
        return SaveResult::Failure(failure, error);
    file.DeleteSection(MediaFoldersSection);
    int n = 0;
    for (const QString& folder : folders)
        if (!folder.trimmed().isEmpty())
            file.WriteString(MediaFoldersSection, QString::number(++n), folder);
    QDir().mkpath(SystemFolder());
    if (!file.Save(&error))
        return SaveResult::Failure(failure, error);
    return {};
}

} // namespace Tonlyra
