#include "platform/SystemFolder.h"

#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

// TONLYRA_DATA_FROM_BIN, set by the build: the installed data folder relative to the
// program's folder ("../share/tonlyran").

namespace Tonlyra {

QString SystemFolder()
{
    const QString overridden = qEnvironmentVariable("TONLYRA_SYSTEM_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    return UserDataFolder();
}

QString InstalledDataFolder()
{
    if (!QCoreApplication::instance())
        return {};
    // It lies where the install put it relative to the program, so it is found for any prefix.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" TONLYRA_DATA_FROM_BIN));
}

QStringList SystemFolders()
{
    QStringList folders{SystemFolder()};
    if (!qEnvironmentVariableIsEmpty("TONLYRA_SYSTEM_DIR") || !QCoreApplication::instance())
        return folders;
    const QString installed = InstalledDataFolder();
    if (installed != folders.constFirst())
        folders.append(installed);
    return folders;
}

QString SystemFilePath(const QString& name)
{
    const QStringList folders = SystemFolders();
    for (const QString& folder : folders) {
        const QString path = folder + u'/' + name;
        if (QFileInfo::exists(path))
            return path;
    }
    return folders.constFirst() + u'/' + name;
}

QStringList SystemFiles(const QString& nameFilter)
{
    QFileInfoList found;
    QSet<QString> names;
    for (const QString& folder : SystemFolders()) {
        for (const QFileInfo& file : QDir(folder).entryInfoList({nameFilter}, QDir::Files)) {
            if (!names.contains(file.fileName())) {
                names.insert(file.fileName());
                found.append(file);
            }
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.fileName().compare(b.fileName(), Qt::CaseInsensitive) < 0;
    });
    QStringList paths;
    for (const QFileInfo& file : found)
        paths.append(file.absoluteFilePath());
    return paths;
}

} // namespace Tonlyra
