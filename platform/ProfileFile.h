#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace Tonlyra {

// The longest text value the program's documents keep; longer values are cut to this length on
// reading, as the old profile reads with their 1024-byte buffers did.
constexpr int MaxProfileValueLength = 1023;

// The outcome of writing a document: Ok, or the message that tells the user what went wrong.
class [[nodiscard]] SaveResult
{
public:
    SaveResult() = default;
    // message, and when error (an errno) is given, the reason in Swedish on the line below it.
    static SaveResult Failure(const QString& message, int error = 0);
    bool Ok() const { return Message.isEmpty(); }
    explicit operator bool() const { return Ok(); }
    const QString& Error() const { return Message; }

private:
    explicit SaveResult(const QString& message) : Message(message) {}
    QString Message;
};

// Reads a profile value as a 32-bit integer the way the program's files write them: decimal
// with an optional sign, or hexadecimal after "$", "0x" or "0X". Blanks around the value are
// ignored. Anything else (empty, words, trailing garbage, a decimal outside 32 bits) is nullopt,
// which callers treat as a missing key. Hexadecimal takes up to 8 digits and wraps to 32 bits
// as the old program's readers did ("$FFFFFFFF" is -1).
std::optional<qint32> ParseProfileInteger(const QString& text);

// An INI ("private profile") file held in memory: read whole, changed key by key, written
// back in one atomic save.
//
// Reading behaves like the operating system's profile calls the old files were made with:
// section and key names match without regard to case; blanks around names and values are
// dropped; one outer pair of matching quotes around a value is dropped; a line starting with
// ";" is a comment; text after "]" is ignored; lines before the first section belong to no
// section; a repeated section or key is shadowed by the first one. A missing file reads as
// empty.
//
// Writing replaces a key's line in place (keeping the spelling of its name), appends a new
// key after the last key of its section and a new section at the end of the file; every other
// line, comment and blank line stays as it was. Lines are written with the line ending the file
// already uses (CRLF for a new file) and in UTF-8. A file that is not valid UTF-8 is read as
// Windows-1252, the encoding files from the old Windows program are in.
//
// Memory stays in proportion to the file, whatever it holds: the text is kept once, as UTF-8,
// and each line costs four bytes more, each section sixteen; the indexes that find sections and
// keys hold numbers, not names, and are built when first needed.
class ProfileFile
{
public:
    ProfileFile() = default;
    explicit ProfileFile(const QString& path) { Load(path); }

    // Reads the file at path; a missing file gives an empty document. Returns false (and keeps
    // an empty document) when the path exists but cannot be read as a file: a directory, no
    // permission, or larger than MaxFileSize; error, if given, is then set to the errno.
    bool Load(const QString& path, int* error = nullptr);

    // Writes the document to its path through SaveFileAtomically, so a failed save leaves the
    // old file untouched. On failure returns false and, if error is given, sets it to the errno
    // of the step that failed.
    bool Save(int* error = nullptr);

    const QString& Path() const { return FilePath; }
    void SetPath(const QString& path) { FilePath = path; }
    bool IsModified() const { return Modified; }

    // The value of key in section, or defaultValue (with its trailing blanks removed) when the
    // section or key is missing.
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // The value parsed by ParseProfileInteger, or nullopt when missing or not an integer.
    std::optional<qint32> ReadInteger(const QString& section, const QString& key) const;
    qint32 ReadInteger(const QString& section, const QString& key, qint32 defaultValue) const
    {
        return ReadInteger(section, key).value_or(defaultValue);
    }
    // A flag is set when its value reads as a non-zero integer; missing or not a number gives
    // defaultValue.
    bool ReadFlag(const QString& section, const QString& key, bool defaultValue) const;

    bool HasSection(const QString& section) const;
    bool HasKey(const QString& section, const QString& key) const;
    // The names of the first limit keys of section in file order (lines without "=" are not
    // keys).
    QStringList Keys(const QString& section,
                     qsizetype limit = std::numeric_limits<qsizetype>::max()) const;
    // The section names in file order.
    QStringList Sections() const;

    // Line breaks in value are written as blanks, so a value never spills onto other lines; a
    // value in quotes ("x" or 'x') is written in one more pair of quotes, so it reads back whole.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, qint64 value)
    {
        WriteString(section, key, QString::number(value));
    }
    void WriteFlag(const QString& section, const QString& key, bool value)
    {
        WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
    }
    // Removes the key's line; the section header stays.
    void DeleteKey(const QString& section, const QString& key);
    // Removes, in one pass, every key line of section whose name doomed returns true for.
    void DeleteKeys(const QString& section, const std::function<bool(const QString& key)>& doomed);
    // Removes the section's header and all its lines.
    void DeleteSection(const QString& section);

    // The whole document as it would be saved.
    QByteArray ToBytes() const;
    // Replaces the document by the parse of bytes (for tests and in-memory use).
    void FromBytes(QByteArray bytes);

    // Files larger than this are refused rather than read into memory.
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

private:
    // A line of the document: the offset of its first byte in Text (the line ends at the next
    // line break), or, with EditedLine set, the index of its text in Edits.
    using LineRef = quint32;
    static constexpr LineRef EditedLine = 0x80000000u;
    static constexpr LineRef NoLine = 0xFFFFFFFFu;

    struct Section
    {
        LineRef Header = NoLine; // NoLine for the lines before the first section
        quint32 First = 0;       // its lines as read: Lines[First, First + Count) ...
        quint32 Count = 0;
        qint32 Own = -1; // ... or, once lines were added or removed, OwnLines[Own]
    };

    // Finds the first of numbered entries (the sections, or the lines of one section) by folded
    // name without holding the names: open addressing, each slot an entry number + 1 (0: empty)
    // and the hash of its name; a name is read back from the document only when hashes match.
    // (No member initialisers: value-initialised, it is all zeros.)
    struct NameIndex
    {
        struct Slot
        {
            quint32 Entry;
            quint32 Hash;
        };
        std::vector<Slot> Slots;
        quint32 Used;
    };

    QByteArrayView LineText(LineRef line) const;
    LineRef AddLine(const QByteArray& text);
    void SetLine(LineRef& line, const QByteArray& text);
    std::span<const LineRef> Body(const Section& section) const;
    std::span<LineRef> Body(Section& section);
    std::vector<LineRef>& OwnBody(Section& section);
    QByteArrayView SectionName(const Section& section) const;

    // The first section with the name, or -1.
    int FindSection(const QString& name) const;
    // The position in its section's body of the first line with the key, or -1.
    qsizetype FindKey(int section, const QByteArray& foldedKey) const;
    const NameIndex* KeyIndexOf(int section) const;
    std::optional<QByteArrayView> FindValue(const QString& section, const QString& key) const;

    QString FilePath;
    QByteArray Text;               // the text as read, as UTF-8; every line ends in a line break
    std::vector<LineRef> Lines;    // the lines as read, section after section
    std::vector<QByteArray> Edits; // the texts of lines written since, without line breaks
    std::vector<Section> SectionList{Section()}; // [0]: the lines before the first section
    std::vector<std::vector<LineRef>> OwnLines;
    // Built when first needed: folded section name -> first section of that name, and for
    // large sections, folded key -> position of its first line.
    mutable std::optional<NameIndex> SectionIndex;
    mutable std::unordered_map<int, NameIndex> KeyIndexes;
    QByteArray LineEnd = "\r\n";
    bool EndsWithNewline = true;
    bool Modified = false;
};

} // namespace Tonlyra
