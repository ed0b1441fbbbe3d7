#pragma once

// The header of a wave file of 16-bit PCM samples, as the program writes them: CD copies, the
// CD tracks it plays, spoken cell texts and the silence that keeps the sound output open.

#include <QByteArray>
#include <QtGlobal>

namespace Tonlyra::Wav {

// The header's length; the samples follow it, little-endian, the channels interleaved.
constexpr int HeaderBytes = 44;

// The header for dataBytes bytes of samples. The lengths in a wave header are 32 bits wide: a
// longer (or a negative) length is stated as the longest (or no) whole frames the header can
// hold, so that the length of the whole file never wraps round to a small number.
QByteArray Header(int channels, int sampleRate, qint64 dataBytes);

} // namespace Tonlyra::Wav
