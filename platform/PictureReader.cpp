#include "platform/PictureReader.h"

#include <QImageReader>

namespace Tonlyra {

QImage ReadPicture(const QString& path, QString* error, QSize scaledTo, int page)
{
    QImageReader reader(path);
    if (page > 0)
        reader.jumpToImage(page);
    if (scaledTo.isValid())
        reader.setScaledSize(scaledTo);
    QImage image = reader.read();
    if (image.isNull() && error)
        *error = reader.errorString();
    return image;
}

} // namespace Tonlyra
