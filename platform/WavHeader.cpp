#include "platform/WavHeader.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace Tonlyra::Wav {

QByteArray Header(int channels, int sampleRate, qint64 dataBytes)
{
    constexpr int BytesPerSample = 2;
    constexpr quint32 LengthAfterRiffSize = HeaderBytes - 8; // "WAVE", the format, "data"
    const quint32 frameBytes = quint32(channels * BytesPerSample);
    const qint64 longest =
        frameBytes ? qint64((0xFFFFFFFFu - LengthAfterRiffSize) / frameBytes * frameBytes) : 0;
    const auto length = quint32(std::clamp<qint64>(dataBytes, 0, longest));

    QByteArray header(HeaderBytes, '\0');
    auto* p = reinterpret_cast<uchar*>(header.data());
    std::memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(LengthAfterRiffSize + length, p + 4);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16); // the length of the format chunk
    qToLittleEndian<quint16>(1, p + 20);  // PCM
    qToLittleEndian<quint16>(quint16(channels), p + 22);
    qToLittleEndian<quint32>(quint32(sampleRate), p + 24);
    qToLittleEndian<quint32>(quint32(sampleRate) * frameBytes, p + 28); // bytes a second
    qToLittleEndian<quint16>(quint16(frameBytes), p + 32);
    qToLittleEndian<quint16>(8 * BytesPerSample, p + 34); // bits a sample
    std::memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(length, p + 40);
    return header;
}

} // namespace Tonlyra::Wav
