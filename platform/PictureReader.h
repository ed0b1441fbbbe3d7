#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace Tonlyra {

// The picture readers shared by the picture component and the annotation library: decodes a
// picture file through Qt's image readers, with readers of our own for formats Qt lacks.
// scaledTo, when valid, asks for a decode at (about) that size, which is far cheaper for large
// photos; page selects the page of a multi-page file. On failure returns a null image and sets
// error (when given) to a message that says what went wrong.
QImage ReadPicture(const QString& path, QString* error = nullptr, QSize scaledTo = QSize(),
                   int page = 0);

} // namespace Tonlyra
