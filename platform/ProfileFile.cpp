#include "platform/ProfileFile.h"

#include "platform/AtomicFile.h"
#include "platform/TextEncoding.h"

#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QVarLengthArray>

#include <algorithm>
#include <bit>
#include <cerrno>

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

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

QByteArrayView Trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && IsBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && IsBlank(text.back()))
        text.chop(1);
    return text;
}

using FoldBuffer = QVarLengthArray<char, 64>;

// A name as names are matched: blanks around it dropped, letters in lower case, as UTF-8. Plain
// ASCII names, nearly all of them, are folded without building a QString; the result is name
// itself when nothing changes, else it lives in buffer.
QByteArrayView Fold(QByteArrayView name, FoldBuffer& buffer)
{
    bool lower = true;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            const QByteArray folded = QString::fromUtf8(name).trimmed().toLower().toUtf8();
            buffer.clear();
            buffer.append(folded.constData(), folded.size());
            return QByteArrayView(buffer.data(), buffer.size());
        }
        lower = lower && !(c >= 'A' && c <= 'Z');
    }
    name = Trimmed(name);
    if (lower)
        return name;
    buffer.resize(name.size());
    std::transform(name.begin(), name.end(), buffer.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return QByteArrayView(buffer.data(), buffer.size());
}

QByteArray Folded(const QString& name)
{
    FoldBuffer buffer;
    return Fold(name.toUtf8(), buffer).toByteArray();
}

quint32 HashOf(QByteArrayView folded)
{
    return static_cast<quint32>(qHash(folded, QHashSeed::globalSeed()));
}

// The first slot to look at for a hash in a table of slotCount slots (a power of two). The hash
// is spread by a multiplication, whose high bits depend on all of its bits.
size_t FirstSlot(quint32 hash, size_t slotCount)
{
    return static_cast<size_t>((hash * 0x9E3779B97F4A7C15ull) >>
                               (64 - std::countr_zero(slotCount)));
}

// The operations on a NameIndex. nameOf(entry) gives the name of an entry in the index, as
// it stands in the document; it is read only for an entry whose hash matches.
// written is the name as written, when known: a name written the same needs no folding.
template <typename Index, typename NameOf>
std::optional<quint32> FindIn(const Index& index, QByteArrayView folded, quint32 hash,
                              const NameOf& nameOf, QByteArrayView written = {})
{
    if (index.Slots.empty())
        return std::nullopt;
    const size_t mask = index.Slots.size() - 1;
    FoldBuffer buffer;
    for (size_t i = FirstSlot(hash, index.Slots.size());; i = (i + 1) & mask) {
        const auto& slot = index.Slots[i];
        if (slot.Entry == 0)
            return std::nullopt;
        if (slot.Hash != hash)
            continue;
        const QByteArrayView name = nameOf(slot.Entry - 1);
        if ((!written.isNull() && name == written) || Fold(name, buffer) == folded)
            return slot.Entry - 1;
    }
}

template <typename Index, typename NameOf>
std::optional<quint32> FindIn(const Index& index, QByteArrayView folded, const NameOf& nameOf)
{
    return FindIn(index, folded, HashOf(folded), nameOf);
}

// Adds entry, whose name is written as written, unless an earlier entry already has that name
// (the first one shadows the others).
template <typename Index, typename NameOf>
void AddTo(Index& index, quint32 entry, QByteArrayView written, const NameOf& nameOf)
{
    FoldBuffer buffer;
    const QByteArrayView folded = Fold(written, buffer);
    const quint32 hash = HashOf(folded);
    if (FindIn(index, folded, hash, nameOf, written))
        return;
    if ((index.Used + 1) * 4 > index.Slots.size() * 3) {
        // Twice the room, keeping at most three quarters of the slots in use.
        auto old = std::exchange(
            index.Slots, decltype(index.Slots)(std::max<size_t>(16, index.Slots.size() * 2)));
        const size_t mask = index.Slots.size() - 1;
        for (const auto& slot : old) {
            if (slot.Entry == 0)
                continue;
            size_t i = FirstSlot(slot.Hash, index.Slots.size());
            while (index.Slots[i].Entry != 0)
                i = (i + 1) & mask;
            index.Slots[i] = slot;
        }
    }
    const size_t mask = index.Slots.size() - 1;
    size_t i = FirstSlot(hash, index.Slots.size());
    while (index.Slots[i].Entry != 0)
        i = (i + 1) & mask;
    index.Slots[i] = {entry + 1, hash};
    ++index.Used;
}

// Entries from first on move up by one, as when a line is inserted before them.
template <typename Index> void ShiftFrom(Index& index, quint32 first)
{
    for (auto& slot : index.Slots)
        if (slot.Entry > first)
            ++slot.Entry;
}

// The key name of a key line: the text before its "=", blanks around it dropped; nullopt for a
// comment, a blank line and a line without "=". Only the key's part of the line is looked at.
std::optional<QByteArrayView> KeyOf(QByteArrayView line)
{
    const QByteArrayView text = Trimmed(line);
    if (text.isEmpty() || text.front() == ';')
        return std::nullopt;
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return Trimmed(text.first(eq));
}

// The value of a key line: the text after its "=", blanks around it dropped, and one outer
// pair of matching quotes.
QString ValueOf(QByteArrayView line)
{
    QString value = QString::fromUtf8(line.sliced(line.indexOf('=') + 1)).trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

// Whether a line is a section header; name is the text between "[" and "]".
bool IsHeader(QByteArrayView line, QByteArrayView* name = nullptr)
{
    const QByteArrayView text = Trimmed(line);
    if (text.isEmpty() || text.front() != '[')
        return false;
    if (name) {
        const qsizetype close = text.indexOf(']');
        *name = Trimmed(close < 0 ? text.sliced(1) : text.sliced(1, close - 1));
    }
    return true;
}

// Calls lineAt(start, end) for each line of text, which ends in a line break.
template <typename LineAt> void ForEachLine(const QByteArray& text, const LineAt& lineAt)
{
    const char* const begin = text.constData();
    const char* const end = begin + text.size();
    const char* p = begin;
    while (p < end) {
        const char* e = p;
        while (!IsLineBreak(*e))
            ++e;
        lineAt(p - begin, e - begin);
        p = (*e == '\r' && e + 1 < end && e[1] == '\n') ? e + 2 : e + 1;
    }
}

// Keys are found through an index once their section has this many lines; in a smaller section
// a look along its lines is as quick.
constexpr size_t KeyIndexThreshold = 32;

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

QByteArrayView ProfileFile::LineText(LineRef line) const
{
    if (line & EditedLine)
        return Edits[line & ~EditedLine];
    const char* const begin = Text.constData() + line;
    const char* end = begin;
    while (!IsLineBreak(*end))
        ++end;
    return QByteArrayView(begin, end - begin);
}

ProfileFile::LineRef ProfileFile::AddLine(const QByteArray& text)
{
    Edits.push_back(text);
    return EditedLine | static_cast<LineRef>(Edits.size() - 1);
}

void ProfileFile::SetLine(LineRef& line, const QByteArray& text)
{
    if (line & EditedLine)
        Edits[line & ~EditedLine] = text;
    else
        line = AddLine(text);
}

std::span<const ProfileFile::LineRef> ProfileFile::Body(const Section& section) const
{
    if (section.Own >= 0)
        return OwnLines[section.Own];
    return std::span<const LineRef>(Lines).subspan(section.First, section.Count);
}

std::span<ProfileFile::LineRef> ProfileFile::Body(Section& section)
{
    if (section.Own >= 0)
        return OwnLines[section.Own];
    return std::span<LineRef>(Lines).subspan(section.First, section.Count);
}

std::vector<ProfileFile::LineRef>& ProfileFile::OwnBody(Section& section)
{
    if (section.Own < 0) {
        const auto lines = Body(section);
        OwnLines.emplace_back(lines.begin(), lines.end());
        section.Own = static_cast<qint32>(OwnLines.size() - 1);
    }
    return OwnLines[section.Own];
}

QByteArrayView ProfileFile::SectionName(const Section& section) const
{
    QByteArrayView name;
    IsHeader(LineText(section.Header), &name);
    return name;
}

bool ProfileFile::Load(const QString& path, int* error)
{
    FilePath = path;
    FromBytes(QByteArray());
    const auto fail = [error](int number) {
        if (error)
            *error = number;
        return false;
    };
    QFileInfo info(path);
    if (!info.exists())
        return true;
    if (!info.isFile())
        return fail(info.isDir() ? EISDIR : EACCES);
    if (info.size() > MaxFileSize)
        return fail(EFBIG);
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return fail(errno ? errno : EACCES);
    // The size was checked above; read what is there rather than asking for the maximum.
    FromBytes(file.readAll());
    return true;
}

void ProfileFile::FromBytes(QByteArray bytes)
{
    Lines.clear();
    Edits.clear();
    SectionList.assign(1, Section());
    OwnLines.clear();
    SectionIndex.reset();
    KeyIndexes.clear();
    Modified = false;
    LineEnd = "\r\n";
    EndsWithNewline = true;

    Text = FileTextToUtf8(std::move(bytes));
    // Lines are found by their offsets, which must stay clear of the edited-line mark.
    if (Text.isEmpty() || Text.size() >= qsizetype(EditedLine)) {
        Text.clear();
        return;
    }
    // Keep the line ending the file uses, so that lines we do not touch keep their bytes.
    const qsizetype firstBreak =
        std::find_if(Text.cbegin(), Text.cend(), IsLineBreak) - Text.cbegin();
    if (firstBreak < Text.size())
        LineEnd = Text[firstBreak] == '\n'                                         ? "\n"
                  : (firstBreak + 1 < Text.size() && Text[firstBreak + 1] == '\n') ? "\r\n"
                                                                                   : "\r";
    EndsWithNewline = IsLineBreak(Text.back());
    if (!EndsWithNewline)
        Text.append('\n');

    // Counted first, so that the lists take exactly their room.
    size_t lines = 0;
    size_t headers = 0;
    ForEachLine(Text, [&](qsizetype start, qsizetype end) {
        ++lines;
        headers += IsHeader(QByteArrayView(Text.constData() + start, end - start));
    });
    Lines.reserve(lines - headers);
    SectionList.reserve(headers + 1);
    ForEachLine(Text, [&](qsizetype start, qsizetype end) {
        const auto offset = static_cast<LineRef>(start);
        if (IsHeader(QByteArrayView(Text.constData() + start, end - start))) {
            SectionList.push_back(Section{offset, static_cast<quint32>(Lines.size()), 0, -1});
        } else {
            Lines.push_back(offset);
            ++SectionList.back().Count;
        }
    });
}

QByteArray ProfileFile::ToBytes() const
{
    qsizetype size = 0;
    for (const Section& s : SectionList) {
        if (s.Header != NoLine)
            size += LineText(s.Header).size() + LineEnd.size();
        for (const LineRef line : Body(s))
            size += LineText(line).size() + LineEnd.size();
    }
    QByteArray out;
    out.reserve(size);
    bool first = true;
    const auto add = [&](LineRef line) {
        if (!first)
            out += LineEnd;
        out += LineText(line);
        first = false;
    };
    for (const Section& s : SectionList) {
        if (s.Header != NoLine)
            add(s.Header);
        for (const LineRef line : Body(s))
            add(line);
    }
    if (!first && EndsWithNewline)
        out += LineEnd;
    return out;
}

bool ProfileFile::Save(int* error)
{
    if (!SaveFileAtomically(FilePath, ToBytes(), error))
        return false;
    Modified = false;
    return true;
}

SaveResult SaveResult::Failure(const QString& message, int error)
{
    QString text = message.isEmpty() ? QStringLiteral("Unable to write") : message;
    if (error != 0)
        text += u'\n' + SaveFailureReason(error);
    return SaveResult(text);
}

int ProfileFile::FindSection(const QString& name) const
{
    const auto nameOf = [this](quint32 i) { return SectionName(SectionList[i]); };
    if (!SectionIndex) {
        SectionIndex = NameIndex();
        for (quint32 i = 1; i < SectionList.size(); ++i)
            AddTo(*SectionIndex, i, nameOf(i), nameOf);
    }
    const auto found = FindIn(*SectionIndex, Folded(name), nameOf);
    return found ? static_cast<int>(*found) : -1;
}

const ProfileFile::NameIndex* ProfileFile::KeyIndexOf(int section) const
{
    const auto body = Body(SectionList[section]);
    if (body.size() < KeyIndexThreshold)
        return nullptr;
    auto [it, added] = KeyIndexes.try_emplace(section);
    if (added) {
        const auto nameOf = [this, body](quint32 i) { return *KeyOf(LineText(body[i])); };
        for (quint32 i = 0; i < body.size(); ++i)
            if (const auto key = KeyOf(LineText(body[i])))
                AddTo(it->second, i, *key, nameOf);
    }
    return &it->second;
}

qsizetype ProfileFile::FindKey(int section, const QByteArray& foldedKey) const
{
    const auto body = Body(SectionList[section]);
    if (const NameIndex* index = KeyIndexOf(section)) {
        const auto found = FindIn(*index, foldedKey,
                                  [this, body](quint32 i) { return *KeyOf(LineText(body[i])); });
        return found ? qsizetype(*found) : -1;
    }
    FoldBuffer buffer;
    for (size_t i = 0; i < body.size(); ++i) {
        const auto key = KeyOf(LineText(body[i]));
        if (key && Fold(*key, buffer) == foldedKey)
            return qsizetype(i);
    }
    return -1;
}

std::optional<QByteArrayView> ProfileFile::FindValue(const QString& section,
                                                     const QString& key) const
{
    const int s = FindSection(section);
    if (s < 0)
        return std::nullopt;
    const qsizetype at = FindKey(s, Folded(key));
    if (at < 0)
        return std::nullopt;
    return LineText(Body(SectionList[s])[at]);
}

QString ProfileFile::ReadString(const QString& section, const QString& key,
                                const QString& defaultValue) const
{
    if (const auto line = FindValue(section, key))
        return ValueOf(*line);
    QString d = defaultValue;
    while (!d.isEmpty() && d.back().isSpace())
        d.chop(1);
    return d;
}

std::optional<qint32> ProfileFile::ReadInteger(const QString& section, const QString& key) const
{
    const auto line = FindValue(section, key);
    if (!line)
        return std::nullopt;
    return ParseProfileInteger(ValueOf(*line));
}

bool ProfileFile::ReadFlag(const QString& section, const QString& key, bool defaultValue) const
{
    const auto value = ReadInteger(section, key);
    return value ? *value != 0 : defaultValue;
}

bool ProfileFile::HasSection(const QString& section) const
{
    return FindSection(section) >= 0;
}

bool ProfileFile::HasKey(const QString& section, const QString& key) const
{
    return FindValue(section, key).has_value();
}

QStringList ProfileFile::Keys(const QString& section, qsizetype limit) const
{
    QStringList keys;
    const int s = FindSection(section);
    if (s < 0)
        return keys;
    for (const LineRef line : Body(SectionList[s])) {
        if (keys.size() >= limit)
            break;
        if (const auto key = KeyOf(LineText(line)))
            keys.append(QString::fromUtf8(*key).trimmed());
    }
    return keys;
}

QStringList ProfileFile::Sections() const
{
    QStringList names;
    for (size_t i = 1; i < SectionList.size(); ++i)
        names.append(QString::fromUtf8(SectionName(SectionList[i])).trimmed());
    return names;
}

void ProfileFile::WriteString(const QString& sectionName, const QString& keyName,
                              const QString& valueText)
{
    const QByteArray key = keyName.trimmed().toUtf8();
    // A line break inside a value would end the line early and turn the rest into lines of
    // their own (another key, another section): values stay on their one line.
    QString value = valueText;
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    // Reading drops one outer pair of matching quotes; a value that itself stands in quotes
    // gets one more pair, so that it reads back as written.
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = u'"' + value + u'"';
    const QByteArray valueBytes = value.toUtf8();
    Modified = true;

    int s = FindSection(sectionName);
    if (s < 0) {
        Section added;
        added.Header = AddLine('[' + sectionName.trimmed().toUtf8() + ']');
        OwnLines.emplace_back();
        added.Own = static_cast<qint32>(OwnLines.size() - 1);
        SectionList.push_back(added);
        s = static_cast<int>(SectionList.size() - 1);
        if (SectionIndex)
            AddTo(*SectionIndex, static_cast<quint32>(s), SectionName(SectionList[s]),
                  [this](quint32 i) { return SectionName(SectionList[i]); });
        // A document whose last line had no line ending gets one before the new section.
        EndsWithNewline = true;
    }
    const QByteArray foldedKey = Folded(keyName);
    const qsizetype at = FindKey(s, foldedKey);
    if (at >= 0) {
        LineRef& line = Body(SectionList[s])[at];
        SetLine(line, KeyOf(LineText(line))->toByteArray() + '=' + valueBytes);
        return;
    }
    // Append after the last non-blank line of the section, so blank separator lines stay last.
    std::vector<LineRef>& body = OwnBody(SectionList[s]);
    auto pos = body.size();
    while (pos > 0 && Trimmed(LineText(body[pos - 1])).isEmpty())
        --pos;
    body.insert(body.begin() + qsizetype(pos), AddLine(key + '=' + valueBytes));
    if (const auto it = KeyIndexes.find(s); it != KeyIndexes.end()) {
        if (pos + 1 < body.size())
            ShiftFrom(it->second, static_cast<quint32>(pos));
        AddTo(it->second, static_cast<quint32>(pos), key,
              [this, &body](quint32 i) { return *KeyOf(LineText(body[i])); });
    }
}

void ProfileFile::DeleteKey(const QString& section, const QString& key)
{
    const int s = FindSection(section);
    const qsizetype at = s < 0 ? -1 : FindKey(s, Folded(key));
    if (at < 0)
        return;
    std::vector<LineRef>& body = OwnBody(SectionList[s]);
    if (body[at] & EditedLine)
        Edits[body[at] & ~EditedLine] = QByteArray();
    body.erase(body.begin() + at);
    KeyIndexes.erase(s);
    Modified = true;
}

void ProfileFile::DeleteKeys(const QString& section,
                             const std::function<bool(const QString& key)>& doomed)
{
    const int s = FindSection(section);
    if (s < 0)
        return;
    const auto isDoomed = [&](LineRef line) {
        const auto key = KeyOf(LineText(line));
        return key && doomed(QString::fromUtf8(*key).trimmed());
    };
    const auto lines = Body(SectionList[s]);
    const auto first = std::find_if(lines.begin(), lines.end(), isDoomed);
    if (first == lines.end())
        return;
    // Each line is judged once: the lines before the first doomed one are kept as they are.
    const auto at = first - lines.begin();
    std::vector<LineRef>& body = OwnBody(SectionList[s]);
    const auto release = [&](LineRef line) {
        if (line & EditedLine)
            Edits[line & ~EditedLine] = QByteArray();
    };
    release(body[at]);
    const auto kept = std::remove_if(body.begin() + at + 1, body.end(), [&](LineRef line) {
        const bool gone = isDoomed(line);
        if (gone)
            release(line);
        return gone;
    });
    body.erase(std::move(body.begin() + at + 1, kept, body.begin() + at), body.end());
    KeyIndexes.erase(s);
    Modified = true;
}

void ProfileFile::DeleteSection(const QString& section)
{
    const QByteArray folded = Folded(section);
    FoldBuffer buffer;
    const auto before = SectionList.size();
    std::erase_if(SectionList, [&](const Section& s) {
        if (s.Header == NoLine || Fold(SectionName(s), buffer) != folded)
            return false;
        if (s.Own >= 0)
            OwnLines[s.Own] = {};
        return true;
    });
    if (SectionList.size() != before) {
        SectionIndex.reset();
        KeyIndexes.clear();
        Modified = true;
    }
}

} // namespace Tonlyra
