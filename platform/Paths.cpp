#include "platform/Paths.h"

#include <QFileInfo>

namespace Tonlyra {

QString FolderOf(const QString& path)
{
    QString folder = QFileInfo(path).absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace Tonlyra
