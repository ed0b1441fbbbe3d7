#include "picture/ScrollingMessage.h"

#include "platform/TextEncoding.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <optional>

namespace Tonlyra {

namespace {

constexpr int DefaultFontColor = 255;
constexpr int DefaultBackground = 128;
constexpr int MaxSpeed = 1000;
constexpr qint64 MaxMessageFileBytes = 64 * 1024;
const QString DefaultText = QStringLiteral(" Invallid message format ! ");

std::optional<qint64> Number(const QString& text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

void SetStyle(ScrollingMessage& m, const QString& text)
{
    const QString s = text.trimmed();
    if (s.isEmpty())
        return;
    auto flag = [&](int i) { return i < s.size() && s.at(i) == u'1'; };
    m.Bold = flag(0);
    m.Italic = flag(1);
    m.Underline = flag(2);
    m.StrikeOut = flag(3);
}

// The fields shared by both kinds, by their position: 0 font colour, 1 height, 2 name,
// 3 size, 4 style, 5 background, 6 speed.
void SetField(ScrollingMessage& m, int field, const QString& value)
{
    switch (field) {
    case 0:
        if (auto v = Number(value))
            m.FontColor = ColorFromBgr(*v);
        break;
    case 1:
        if (auto v = Number(value))
            m.FontHeight = int(std::clamp<qint64>(*v, -1000, 1000));
        break;
    case 2:
        if (!value.trimmed().isEmpty())
            m.FontName = value.trimmed();
        break;
    case 3:
        if (auto v = Number(value))
            m.FontSize = int(std::clamp<qint64>(*v, 0, 1000));
        break;
    case 4:
        SetStyle(m, value);
        break;
    case 5:
        if (auto v = Number(value))
            m.Background = ColorFromBgr(*v);
        break;
    case 6:
        if (auto v = Number(value))
            m.Speed = int(std::clamp<qint64>(*v, 0, MaxSpeed));
        break;
    }
}

QString OneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

QColor ColorFromBgr(qint64 value)
{
    const auto v = quint32(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

ScrollingMessage::ScrollingMessage()
    : FontColor(ColorFromBgr(DefaultFontColor)),
      Background(ColorFromBgr(DefaultBackground)), Text{DefaultText}
{}

QFont ScrollingMessage::Font() const
{
    QFont font = QGuiApplication::font();
    if (FontName.compare(QLatin1String("System"), Qt::CaseInsensitive) != 0)
        font.setFamily(FontName);
    if (FontHeight != 0)
        font.setPixelSize(std::abs(FontHeight));
    else if (FontSize > 0)
        font.setPointSize(FontSize);
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    font.setStrikeOut(StrikeOut);
    return font;
}

ScrollingMessage ScrollingMessage::FromScm(const QString& text)
{
    static const QString tags[] = {
        QStringLiteral("/fc|"), QStringLiteral("/fh|"), QStringLiteral("/fn|"),
        QStringLiteral("/fs|"), QStringLiteral("/ft|"), QStringLiteral("/bc|"),
        QStringLiteral("/sp|"), QStringLiteral("/sm|"), QStringLiteral("/eo|")};
    constexpr int messageTag = 7, endTag = 8;
    ScrollingMessage m;
    m.Motion = Band;

    // Every tag found, in the order of the text; each field runs to the next tag.
    struct Found
    {
        qsizetype At;
        int Tag;
    };
    QList<Found> found;
    for (int t = 0; t <= endTag; ++t)
        for (qsizetype at = text.indexOf(tags[t]); at >= 0; at = text.indexOf(tags[t], at + 4))
            found.append({at, t});
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.At < b.At; });
    for (qsizetype i = 0; i < found.size(); ++i) {
        const Found& f = found[i];
        if (f.Tag == endTag)
            break;
        const qsizetype start = f.At + 4;
        const qsizetype end = i + 1 < found.size() ? found[i + 1].At : text.size();
        const QString value = text.mid(start, end - start);
        if (f.Tag == messageTag)
            m.Text = {OneLine(value)};
        else
            SetField(m, f.Tag, value);
    }
    return m;
}

ScrollingMessage ScrollingMessage::FromCms(const QString& text)
{
    ScrollingMessage m;
    m.Motion = Lines;
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    for (int field = 0; field <= 6 && field + 1 < lines.size(); ++field)
        SetField(m, field, lines[field + 1]);
    if (lines.size() > 8) {
        QStringList message = lines.mid(8);
        while (!message.isEmpty() && message.last().isEmpty())
            message.removeLast(); // the file's final line break
        if (!message.isEmpty())
            m.Text = message;
    }
    return m;
}

ScrollingMessage ScrollingMessage::FromFile(const QString& path)
{
    const bool lines =
        QFileInfo(path).suffix().compare(QLatin1String("CMS"), Qt::CaseInsensitive) == 0;
    QFile file(path);
    QString text;
    if (file.open(QIODevice::ReadOnly))
        text = DecodeFileText(file.read(MaxMessageFileBytes));
    return lines ? FromCms(text) : FromScm(text);
}

void MessageMotion::Start(ScrollingMessage::Kind motion, int speed, QList<int> extents, QSize area)
{
    Motion = motion;
    Speed = std::clamp(speed, 0, MaxSpeed);
    Extents = extents.isEmpty() ? QList<int>{0} : std::move(extents);
    Ticks = 0;
    Line = 0;
    Position = motion == ScrollingMessage::Band ? area.width() : area.height();
}

bool MessageMotion::Tick(QSize area)
{
    if (++Ticks <= Speed)
        return false;
    Ticks = 0;
    --Position;
    if (Position + Extents.value(Line) <= 0) {
        // The text has left the area: in again at the far edge, with the next line.
        if (Motion == ScrollingMessage::Lines)
            Line = (Line + 1) % int(Extents.size());
        Position = Motion == ScrollingMessage::Band ? area.width() : area.height();
    }
    return true;
}

} // namespace Tonlyra
