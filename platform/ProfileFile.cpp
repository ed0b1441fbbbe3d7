#include "platform/ProfileFile.h"

#include "platform/AtomicFile.h"
#include "platform/TextEncoding.h"

#include <QFile>
#include <QFileInfo>

namespace Tonlyra {

namespace {

int HexDigitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// Parses the line of a section header; returns false when the line is not one.
bool ParseHeader(const QString& text, QString* name)
{
    const QString t = text.trimmed();
    if (!t.startsWith(u'['))
        return false;
    int close = t.indexOf(u']');
    *name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
    return true;
}

// Parses a key line; returns false for comments, blank lines and lines without "=".
bool ParseKey(const QString& text, QString* key)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.startsWith(u';'))
        return false;
    int eq = t.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = t.left(eq).trimmed();
    return true;
}

} // namespace

std::optional<qint32> ParseProfileInteger(const QString& input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    int pos = 0;
    bool negative = false;
    if (text[0] == u'-' || text[0] == u'+') {
        negative = text[0] == u'-';
        pos = 1;
    }
    int hexStart = -1;
    if (text.mid(pos, 1) == u"$")
        hexStart = pos + 1;
    else if (text.mid(pos, 2) == u"0x" || text.mid(pos, 2) == u"0X")
        hexStart = pos + 2;
    if (hexStart >= 0) {
        const int digits = text.size() - hexStart;
        if (digits < 1 || digits > 8)
            return std::nullopt;
        quint32 value = 0;
        for (int i = hexStart; i < text.size(); ++i) {
            const int digit = HexDigitValue(text[i]);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + static_cast<quint32>(digit);
        }
        const qint32 result = static_cast<qint32>(value);
        return negative ? static_cast<qint32>(0u - value) : result;
    }
    if (pos >= text.size())
        return std::nullopt;
    qint64 value = 0;
    for (int i = pos; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > (qint64(1) << 31))
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<qint32>(value);
}

void ProfileFile::Section::Reindex()
{
    KeyIndex.clear();
    // The first occurrence of a key shadows later ones: walk backwards so the first wins.
    for (int i = static_cast<int>(Body.size()) - 1; i >= 0; --i)
        if (Body[i].IsKey)
            KeyIndex.insert(Fold(Body[i].Key), i);
}

void ProfileFile::ReindexSections()
{
    SectionIndex.clear();
    for (int i = static_cast<int>(SectionList.size()) - 1; i >= 0; --i)
        SectionIndex.insert(Fold(SectionList[i].Name), i);
}

bool ProfileFile::Load(const QString& path)
{
    FilePath = path;
    FromBytes(QByteArray());
    QFileInfo info(path);
    if (!info.exists())
        return true;
    if (!info.isFile() || info.size() > MaxFileSize)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The size was checked above; read what is there rather than asking for the maximum.
    FromBytes(file.readAll());
    return true;
}

void ProfileFile::FromBytes(const QByteArray& bytes)
{
    Prelude.clear();
    SectionList.clear();
    SectionIndex.clear();
    Modified = false;
    LineEnd = QStringLiteral("\r\n");
    EndsWithNewline = true;

    const QString text = DecodeFileText(bytes);
    if (text.isEmpty())
        return;
    // Keep the line ending the file uses, so that lines we do not touch keep their bytes.
    const int firstLf = text.indexOf(u'\n');
    const int firstCr = text.indexOf(u'\r');
    if (firstCr >= 0 && (firstLf < 0 || firstCr < firstLf))
        LineEnd = (firstCr + 1 < text.size() && text[firstCr + 1] == u'\n') ? QStringLiteral("\r\n")
                                                                            : QStringLiteral("\r");
    else if (firstLf >= 0)
        LineEnd = QStringLiteral("\n");
    EndsWithNewline = text.endsWith(u'\n') || text.endsWith(u'\r');

    std::vector<Line>* target = &Prelude;
    int start = 0;
    const int n = text.size();
    while (start < n) {
        int end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QString lineText = text.mid(start, end - start);
        if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            end += 2;
        else if (end < n)
            end += 1;
        start = end;

        QString name;
        if (ParseHeader(lineText, &name)) {
            SectionList.push_back(Section{name, lineText, {}, {}});
            target = &SectionList.back().Body;
            continue;
        }
        Line line{lineText, QString(), false};
        line.IsKey = target != &Prelude && ParseKey(lineText, &line.Key);
        target->push_back(std::move(line));
    }
    for (Section& s : SectionList)
        s.Reindex();
    ReindexSections();
}

QByteArray ProfileFile::ToBytes() const
{
    QString out;
    qsizetype size = 0;
    for (const Line& l : Prelude)
        size += l.Text.size() + 2;
    for (const Section& s : SectionList) {
        size += s.Header.size() + 2;
        for (const Line& l : s.Body)
            size += l.Text.size() + 2;
    }
    out.reserve(size);
    bool first = true;
    auto add = [&](const QString& lineText) {
        if (!first)
            out += LineEnd;
        out += lineText;
        first = false;
    };
    for (const Line& l : Prelude)
        add(l.Text);
    for (const Section& s : SectionList) {
        add(s.Header);
        for (const Line& l : s.Body)
            add(l.Text);
    }
    if (!first && EndsWithNewline)
        out += LineEnd;
    return out.toUtf8();
}

bool ProfileFile::Save(QString* error)
{
    if (!SaveFileAtomically(FilePath, ToBytes(), error))
        return false;
    Modified = false;
    return true;
}

const ProfileFile::Section* ProfileFile::FindSection(const QString& name) const
{
    auto it = SectionIndex.constFind(Fold(name));
    return it == SectionIndex.cend() ? nullptr : &SectionList[*it];
}

ProfileFile::Section* ProfileFile::FindSection(const QString& name)
{
    auto it = SectionIndex.constFind(Fold(name));
    return it == SectionIndex.cend() ? nullptr : &SectionList[*it];
}

const ProfileFile::Line* ProfileFile::FindLine(const QString& section, const QString& key) const
{
    const Section* s = FindSection(section);
    if (!s)
        return nullptr;
    auto it = s->KeyIndex.constFind(Fold(key));
    return it == s->KeyIndex.cend() ? nullptr : &s->Body[*it];
}

QString ProfileFile::ValueOf(const QString& lineText)
{
    QString value = lineText.mid(lineText.indexOf(u'=') + 1).trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

QString ProfileFile::ReadString(const QString& section, const QString& key,
                                const QString& defaultValue) const
{
    if (const Line* line = FindLine(section, key))
        return ValueOf(line->Text);
    QString d = defaultValue;
    while (!d.isEmpty() && d.back().isSpace())
        d.chop(1);
    return d;
}

std::optional<qint32> ProfileFile::ReadInteger(const QString& section, const QString& key) const
{
    const Line* line = FindLine(section, key);
    if (!line)
        return std::nullopt;
    return ParseProfileInteger(ValueOf(line->Text));
}

bool ProfileFile::ReadFlag(const QString& section, const QString& key, bool defaultValue) const
{
    const auto value = ReadInteger(section, key);
    return value ? *value != 0 : defaultValue;
}

bool ProfileFile::HasSection(const QString& section) const
{
    return FindSection(section) != nullptr;
}

bool ProfileFile::HasKey(const QString& section, const QString& key) const
{
    return FindLine(section, key) != nullptr;
}

QStringList ProfileFile::Keys(const QString& section) const
{
    QStringList keys;
    if (const Section* s = FindSection(section))
        for (const Line& l : s->Body)
            if (l.IsKey)
                keys.append(l.Key);
    return keys;
}

QStringList ProfileFile::Sections() const
{
    QStringList names;
    for (const Section& s : SectionList)
        names.append(s.Name);
    return names;
}

void ProfileFile::WriteString(const QString& sectionName, const QString& keyName,
                              const QString& valueText)
{
    const QString key = keyName.trimmed();
    // A line break inside a value would end the line early and turn the rest into lines of
    // their own (another key, another section): values stay on their one line.
    QString value = valueText;
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    // Reading drops one outer pair of matching quotes; a value that itself stands in quotes
    // gets one more pair, so that it reads back as written.
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = u'"' + value + u'"';
    Modified = true;
    Section* s = FindSection(sectionName);
    if (!s) {
        SectionList.push_back(
            Section{sectionName.trimmed(), u'[' + sectionName.trimmed() + u']', {}, {}});
        SectionIndex.insert(Fold(sectionName), static_cast<int>(SectionList.size()) - 1);
        s = &SectionList.back();
        // A document whose last line had no line ending gets one before the new section.
        EndsWithNewline = true;
    }
    auto it = s->KeyIndex.constFind(Fold(key));
    if (it != s->KeyIndex.cend()) {
        Line& line = s->Body[*it];
        line.Text = line.Key + u'=' + value;
        return;
    }
    // Append after the last non-blank line of the section, so blank separator lines stay last.
    int pos = static_cast<int>(s->Body.size());
    while (pos > 0 && s->Body[pos - 1].Text.trimmed().isEmpty())
        --pos;
    s->Body.insert(s->Body.begin() + pos, Line{key + u'=' + value, key, true});
    if (pos == static_cast<int>(s->Body.size()) - 1) {
        s->KeyIndex.insert(Fold(key), pos);
    } else {
        s->Reindex();
    }
}

void ProfileFile::DeleteKey(const QString& section, const QString& key)
{
    Section* s = FindSection(section);
    if (!s)
        return;
    auto it = s->KeyIndex.constFind(Fold(key));
    if (it == s->KeyIndex.cend())
        return;
    s->Body.erase(s->Body.begin() + *it);
    s->Reindex();
    Modified = true;
}

void ProfileFile::DeleteSection(const QString& section)
{
    const QString folded = Fold(section);
    const auto before = SectionList.size();
    std::erase_if(SectionList, [&](const Section& s) { return Fold(s.Name) == folded; });
    if (SectionList.size() != before) {
        ReindexSections();
        Modified = true;
    }
}

} // namespace Tonlyra
