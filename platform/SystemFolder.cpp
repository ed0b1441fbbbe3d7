#include "platform/SystemFolder.h"

#include <QDir>
#include <QStandardPaths>

namespace Tonlyra {

QString SystemFolder()
{
    const QString overridden = qEnvironmentVariable("TONLYRA_SYSTEM_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/tonlyran"));
}

} // namespace Tonlyra
