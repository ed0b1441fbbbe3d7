#include "glosa32/Container.h"

#include "platform/AtomicFile.h"
#include "platform/UserPrompt.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace Tonlyra::Glosa {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Reads a decimal number as C's %ld does: leading blanks, an optional sign, digits. Advances
// pos past it. False when no digit follows.
bool ReadLong(std::string_view text, std::size_t& pos, long long& value)
{
    std::size_t p = pos;
    while (p < text.size() && IsBlank(text[p]))
        ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '-' || text[p] == '+'))
        negative = text[p++] == '-';
    std::size_t digits = p;
    long long v = 0;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
        if (v < (1LL << 40))
            v = v * 10 + (text[p] - '0');
        ++p;
    }
    if (p == digits)
        return false;
    value = negative ? -v : v;
    pos = p;
    return true;
}

} // namespace

SetList ReadContainer(std::string_view text)
{
    SetList sets;
    if (text.size() < MinContainerLength)
        return sets;
    const std::size_t headerEnd = text.find('\n');
    if (headerEnd == std::string_view::npos)
        return sets;
    std::size_t pos = 0;
    long long total = 0;
    long long directorySize = 0;
    const std::string_view header = text.substr(0, headerEnd);
    if (!ReadLong(header, pos, total) || !ReadLong(header, pos, directorySize))
        return sets;
    if (directorySize <= 0)
        return sets;

    std::size_t line = headerEnd + 1;
    long long consumed = 0;
    while (consumed < directorySize && line < text.size()) {
        std::size_t lineEnd = text.find('\n', line);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        const std::string_view entry = text.substr(line, lineEnd - line);
        consumed += static_cast<long long>(lineEnd - line + 1);
        line = lineEnd + 1;
        std::size_t p = 0;
        long long index = 0, offset = 0, length = 0;
        if (!ReadLong(entry, p, index) || !ReadLong(entry, p, offset) ||
            !ReadLong(entry, p, length))
            break; // not a directory line: the directory ends here
        if (index < 0 || index > 0xFFFF || offset < 0 || length < 0 ||
            offset > static_cast<long long>(text.size()) ||
            length > static_cast<long long>(text.size()) - offset)
            continue; // a block outside the text is ignored
        sets.push_back(
            {static_cast<int>(index), std::string(text.substr(static_cast<std::size_t>(offset),
                                                              static_cast<std::size_t>(length)))});
    }
    return sets;
}

std::string WriteContainer(const SetList& sets)
{
    std::vector<std::string> lines;
    lines.reserve(sets.size());
    std::size_t directorySize = 0;
    for (const SetEntry& s : sets) {
        char buf[40];
        // The directory line's length depends only on the index width; offsets come after.
        const int n = std::snprintf(buf, sizeof buf, "%2d %10ld %10ld\n", s.Index, 0L, 0L);
        directorySize += static_cast<std::size_t>(n);
    }
    std::size_t offset = 22 + directorySize;
    std::string directory;
    directory.reserve(directorySize);
    for (const SetEntry& s : sets) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%2d %10lu %10lu\n", s.Index,
                      static_cast<unsigned long>(offset),
                      static_cast<unsigned long>(s.Block.size()));
        directory += buf;
        offset += s.Block.size();
    }
    char header[40];
    std::snprintf(header, sizeof header, "%10lu %10lu\n", static_cast<unsigned long>(offset),
                  static_cast<unsigned long>(directorySize));
    std::string text;
    text.reserve(offset);
    text += header;
    text += directory;
    for (const SetEntry& s : sets)
        text += s.Block;
    return text;
}

void PutSet(SetList& sets, int index, std::string block)
{
    for (SetEntry& s : sets) {
        if (s.Index == index) {
            s.Block = std::move(block);
            return;
        }
    }
    sets.push_back({index, std::move(block)});
}

bool DropSet(SetList& sets, int index)
{
    const auto it = std::find_if(sets.begin(), sets.end(),
                                 [index](const SetEntry& s) { return s.Index == index; });
    if (it == sets.end())
        return false;
    if (it != sets.end() - 1)
        *it = std::move(sets.back());
    sets.pop_back();
    return true;
}

void RemoveSet(SetList& sets, int index)
{
    DropSet(sets, index);
    for (SetEntry& s : sets)
        if (s.Index > index)
            --s.Index;
}

void InsertRoom(SetList& sets, int index)
{
    for (SetEntry& s : sets)
        if (s.Index >= index)
            ++s.Index;
}

void ExchangeSets(SetList& sets, int index1, int index2)
{
    SetEntry* first = nullptr;
    SetEntry* second = nullptr;
    for (SetEntry& s : sets) {
        if (!first && s.Index == index1)
            first = &s;
        else if (!second && s.Index == index2)
            second = &s;
    }
    if (first)
        first->Index = index2;
    if (second)
        second->Index = index1;
}

bool CopySet(const SetList& source, int sourceIndex, SetList& target, int targetIndex)
{
    const auto it = std::find_if(source.begin(), source.end(), [sourceIndex](const SetEntry& s) {
        return s.Index == sourceIndex;
    });
    if (it == source.end())
        return false;
    std::string block = it->Block; // copy first: source and target may be the same list
    InsertRoom(target, targetIndex);
    target.push_back({targetIndex, std::move(block)});
    return true;
}

std::vector<Record> ParseBlock(std::string_view block)
{
    std::vector<Record> records;
    std::size_t pos = 0;
    while (pos < block.size()) {
        const std::size_t open = block.find('[', pos);
        if (open == std::string_view::npos)
            break;
        std::size_t p = 0;
        long long length = 0;
        const std::string_view number = block.substr(pos, open - pos);
        if (!ReadLong(number, p, length) || length <= 0)
            break;
        const std::size_t close = block.find(']', open + 1);
        const std::size_t lineEnd = std::min(block.find('\n', open), block.size());
        if (close == std::string_view::npos || close > lineEnd) {
            pos = lineEnd + 1; // a tag that does not close on its line: skip the line
            continue;
        }
        if (close == open + 1) {
            pos = close + 1; // "[]": go on searching after it
            continue;
        }
        Record r;
        r.Tag = std::string(block.substr(open + 1, close - open - 1));
        r.Fields = std::string(block.substr(close + 1, lineEnd - close - 1));
        records.push_back(std::move(r));
        pos = lineEnd + 1;
    }
    return records;
}

std::string BlockLine(std::string_view recordText)
{
    std::string line = std::to_string(recordText.size() + 1);
    line += ' ';
    line += recordText;
    line += '\n';
    return line;
}

FileRead ReadContainerFile(const std::string& path, std::string& text, QWidget* parent)
{
    text.clear();
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.exists())
        return FileRead::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return FileRead::Failed;
    if (file.size() > MaxContainerFileSize) {
        UserPrompt::Message(parent, QStringLiteral("ReadHead"),
                            QStringLiteral("Can't allocate %1 bytes!").arg(file.size()),
                            QMessageBox::Ok, QMessageBox::Critical);
        return FileRead::Failed;
    }
    const QByteArray bytes = file.readAll();
    text.reserve(static_cast<std::size_t>(bytes.size()));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        text += bytes[i];
    }
    return FileRead::Done;
}

bool WriteContainerFile(const std::string& path, const std::string& text)
{
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return SaveFileAtomically(QString::fromLocal8Bit(path.c_str()), bytes);
}

} // namespace Tonlyra::Glosa
