#include "platform/TextEncoding.h"

#include <QStringDecoder>

namespace Tonlyra {

namespace {

constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";

QByteArray Windows1252ToUtf8(QByteArrayView bytes)
{
    // 0x80..0x9F differ from Latin-1; undefined positions map to the C1 control of that value.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    qsizetype size = 0;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        size += b < 0x80 ? 1 : (b <= 0x9F && high[b - 0x80] >= 0x800) ? 3 : 2;
    }
    QByteArray out(size, Qt::Uninitialized);
    char* d = out.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const char16_t u = (b >= 0x80 && b <= 0x9F) ? high[b - 0x80] : b;
        if (u < 0x80) {
            *d++ = char(u);
        } else if (u < 0x800) {
            *d++ = char(0xC0 | (u >> 6));
            *d++ = char(0x80 | (u & 0x3F));
        } else {
            *d++ = char(0xE0 | (u >> 12));
            *d++ = char(0x80 | ((u >> 6) & 0x3F));
            *d++ = char(0x80 | (u & 0x3F));
        }
    }
    return out;
}

} // namespace

bool IsValidUtf8(QByteArrayView bytes)
{
    // Decoded a piece at a time, so that checking a large file costs no more memory than a
    // piece. Pieces end before a byte that starts a character, so no sequence is split (in
    // invalid text a split may fall inside a run of continuation bytes, which is an error in
    // either piece).
    constexpr qsizetype Piece = 64 * 1024;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype end = std::min(at + Piece, bytes.size());
        for (int back = 0; back < 3 && end < bytes.size() && end > at + 1 &&
                           (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80;
             ++back)
            --end;
        const QString scratch = utf8.decode(bytes.sliced(at, end - at));
        if (utf8.hasError())
            return false;
        at = end;
    }
    return true;
}

QByteArray FileTextToUtf8(QByteArray bytes)
{
    if (!IsValidUtf8(bytes))
        return Windows1252ToUtf8(bytes);
    // Byte-order marks carry no text; every one at the start is dropped.
    qsizetype marks = 0;
    while (QByteArrayView(bytes).sliced(marks).startsWith(ByteOrderMark))
        marks += 3;
    bytes.remove(0, marks);
    return bytes;
}

QString DecodeFileText(const QByteArray& bytes)
{
    return QString::fromUtf8(FileTextToUtf8(bytes));
}

} // namespace Tonlyra
