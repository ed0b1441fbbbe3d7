#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
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
    static SaveResult Failure(const QString& message)
    {
        return SaveResult(message.isEmpty() ? QStringLiteral("Unable to write") : message);
    }
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
class ProfileFile
{
public:
    ProfileFile() = default;
    explicit ProfileFile(const QString& path) { Load(path); }

    // Reads the file at path; a missing file gives an empty document. Returns false (and keeps
    // an empty document) when the path exists but cannot be read as a file: a directory, no
    // permission, or larger than MaxFileSize.
    bool Load(const QString& path);

    // Writes the document to its path through SaveFileAtomically, so a failed save leaves the
    // old file untouched. On failure returns false and, if error is given, sets it to the
    // system's reason.
    bool Save(QString* error = nullptr);

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
    // The names of the keys of section in file order (lines without "=" are not keys).
    QStringList Keys(const QString& section) const;
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
    // Removes the section's header and all its lines.
    void DeleteSection(const QString& section);

    // The whole document as it would be saved.
    QByteArray ToBytes() const;
    // Replaces the document by the parse of bytes (for tests and in-memory use).
    void FromBytes(const QByteArray& bytes);

    // Files larger than this are refused rather than read into memory.
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

private:
    struct Line
    {
        QString Text; // the line as it stands, without line ending
        QString Key;  // key name as written (trimmed), empty for a non-key line
        bool IsKey = false;
    };
    struct Section
    {
        QString Name;   // as written in the header, blanks trimmed
        QString Header; // the header line as it stands
        std::vector<Line> Body;
        QHash<QString, int> KeyIndex; // folded key name -> first line in Body with that key
        void Reindex();
    };

    const Section* FindSection(const QString& name) const;
    Section* FindSection(const QString& name);
    const Line* FindLine(const QString& section, const QString& key) const;
    void ReindexSections();
    static QString Fold(const QString& name) { return name.trimmed().toLower(); }
    static QString ValueOf(const QString& lineText);

    QString FilePath;
    std::vector<Line> Prelude; // lines before the first section
    std::vector<Section> SectionList;
    QHash<QString, int> SectionIndex; // folded section name -> first section with that name
    QString LineEnd = QStringLiteral("\r\n");
    bool EndsWithNewline = true;
    bool Modified = false;
};

} // namespace Tonlyra
