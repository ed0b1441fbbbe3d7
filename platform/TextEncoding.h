#pragma once

#include <QByteArray>
#include <QString>

namespace Tonlyra {

// Decodes the text of a file: UTF-8 when the bytes are valid UTF-8 (a byte-order mark is
// dropped), otherwise Windows-1252, the code page of files written by the old Windows program.
QString DecodeFileText(const QByteArray& bytes);

// Windows-1252 to Unicode, byte by byte.
QString DecodeWindows1252(const QByteArray& bytes);

} // namespace Tonlyra
