#include "glosa32/Stamps.h"

#include "platform/AtomicFile.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace Tonlyra::Glosa {

namespace {

QDateTime& FixedClock()
{
    static QDateTime fixed;
    return fixed;
}

std::vector<std::string> SplitAtBells(std::string_view s)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bell = s.find('\a', start);
        if (bell == std::string_view::npos) {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, bell - start));
        start = bell + 1;
    }
}

std::string Clean(std::string s)
{
    for (char& c : s)
        if (c == '\a' || c == '\n' || c == '\r')
            c = ' ';
    return s;
}

} // namespace

QDateTime StampClock()
{
    return FixedClock().isValid() ? FixedClock() : QDateTime::currentDateTime();
}

void SetStampClock(const QDateTime& fixed)
{
    FixedClock() = fixed;
}

std::string ExpandStampCodes(std::string_view text, const QDateTime& now)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 'D' || text[i + 1] == 'T')) {
            char buf[32];
            if (text[i + 1] == 'D')
                std::snprintf(buf, sizeof buf, "%02d/%02d/%d", now.date().month(), now.date().day(),
                              now.date().year());
            else
                std::snprintf(buf, sizeof buf, "%02d:%02d", now.time().hour(), now.time().minute());
            out += buf;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<StampDefinition> ParseStampLibrary(std::string_view text)
{
    std::vector<StampDefinition> stamps;
    std::size_t pos = text.find('\n');
    if (pos == std::string_view::npos)
        return stamps;
    const long count = std::strtol(std::string(text.substr(0, pos)).c_str(), nullptr, 10);
    ++pos;
    for (long n = 0; n < count && pos < text.size(); ++n) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos)
            continue;
        StampDefinition d;
        d.Type = std::atoi(std::string(line.substr(0, blank)).c_str());
        const std::vector<std::string> parts = SplitAtBells(line.substr(blank + 1));
        d.Name = parts[0];
        if (parts.size() > 1)
            d.Text = parts[1];
        if (d.Type == 1 && parts.size() > 3) {
            d.Font.FaceName = parts[2];
            unsigned long color = 0;
            long v[5] = {};
            int b[8] = {};
            std::sscanf(parts[3].c_str(), "%lX %ld %ld %ld %ld %ld %d %d %d %d %d %d %d %d", &color,
                        &v[0], &v[1], &v[2], &v[3], &v[4], &b[0], &b[1], &b[2], &b[3], &b[4], &b[5],
                        &b[6], &b[7]);
            d.Color = static_cast<ColorRef>(color);
            d.Font.Height = static_cast<std::int32_t>(v[0]);
            d.Font.Width = static_cast<std::int32_t>(v[1]);
            d.Font.Escapement = static_cast<std::int32_t>(v[2]);
            d.Font.Orientation = static_cast<std::int32_t>(v[3]);
            d.Font.Weight = static_cast<std::int32_t>(v[4]);
            d.Font.Italic = b[0];
            d.Font.Underline = b[1];
            d.Font.StrikeOut = b[2];
            d.Font.CharSet = b[3];
            d.Font.OutPrecision = b[4];
            d.Font.ClipPrecision = b[5];
            d.Font.Quality = b[6];
            d.Font.PitchAndFamily = b[7];
        }
        stamps.push_back(std::move(d));
    }
    return stamps;
}

std::vector<StampDefinition> ReadStampLibrary(const std::string& path)
{
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (path.empty() || !file.open(QIODevice::ReadOnly) || file.size() > 16 * 1024 * 1024)
        return {};
    const QByteArray bytes = file.readAll();
    return ParseStampLibrary(std::string_view(bytes.constData(), bytes.size()));
}

std::string StampLibraryText(const std::vector<StampDefinition>& stamps)
{
    int live = 0;
    for (const StampDefinition& d : stamps)
        live += d.Type != 2;
    std::string text = std::to_string(live) + "\n";
    for (const StampDefinition& d : stamps) {
        if (d.Type == 2)
            continue;
        if (d.Type == 1) {
            char buf[256];
            const LogFont& f = d.Font;
            std::snprintf(buf, sizeof buf, "%lX %ld %ld %ld %ld %ld %d %d %d %d %d %d %d %d\n",
                          static_cast<unsigned long>(d.Color), long(f.Height), long(f.Width),
                          long(f.Escapement), long(f.Orientation), long(f.Weight), f.Italic,
                          f.Underline, f.StrikeOut, f.CharSet, f.OutPrecision, f.ClipPrecision,
                          f.Quality, f.PitchAndFamily);
            text +=
                "1 " + Clean(d.Name) + "\a" + Clean(d.Text) + "\a" + Clean(f.FaceName) + "\a" + buf;
        } else {
            text += "0 " + Clean(d.Name) + "\a" + Clean(d.Text) + "\n";
        }
    }
    return text;
}

bool WriteStampLibrary(const std::string& path, const std::vector<StampDefinition>& stamps,
                       int* error)
{
    std::string bytes;
    for (char c : StampLibraryText(stamps)) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return SaveFileAtomically(QString::fromLocal8Bit(path.c_str()), bytes, error);
}

StampDefinition ResolveStamp(const std::string& libraryPath, const std::string& name,
                             const std::string& storedText, const QDateTime& now)
{
    for (const StampDefinition& d : ReadStampLibrary(libraryPath)) {
        if (d.Type == 2 || d.Name != name)
            continue;
        StampDefinition r = d;
        if (d.Type == 1)
            r.Text = storedText.empty() ? ExpandStampCodes(d.Text, now) : storedText;
        return r;
    }
    StampDefinition r;
    r.Type = 1;
    r.Name = name;
    r.Text = storedText;
    return r;
}

} // namespace Tonlyra::Glosa
