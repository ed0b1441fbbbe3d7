#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace Tonlyra {

// The text of a file as UTF-8: the bytes themselves when they are valid UTF-8 (byte-order marks
// at the start are dropped; no copy is made), otherwise the bytes read as Windows-1252, the code
// page of files written by the old Windows program, converted to UTF-8.
QByteArray FileTextToUtf8(QByteArray bytes);

// The text of a file decoded by the same rule.
QString DecodeFileText(const QByteArray& bytes);

// Whether bytes are valid UTF-8 as Qt's decoder judges it, without decoding them into memory.
bool IsValidUtf8(QByteArrayView bytes);

} // namespace Tonlyra
