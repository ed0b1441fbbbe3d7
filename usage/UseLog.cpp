#include "usage/UseLog.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tonlyra {

namespace {

constexpr int FieldCount = 10;

const char* EventWord(UseEvent event)
{
    switch (event) {
    case UseEvent::Choice:
        return "val";
    case UseEvent::Row:
        return "rad";
    case UseEvent::NotCounted:
        break;
    }
    return "ej räknad";
}

const char* SourceWord(PressSource source)
{
    switch (source) {
    case PressSource::Switch1:
        return "brytare 1";
    case PressSource::Switch2:
        return "brytare 2";
    case PressSource::Key:
        return "tangent";
    case PressSource::Click:
        return "klick";
    case PressSource::None:
        break;
    }
    return "";
}

const char* ReasonWord(IgnoredPress why)
{
    switch (why) {
    case IgnoredPress::TooShort:
        return "för kort";
    case IgnoredPress::Repeat:
        return "upprepning";
    case IgnoredPress::PauseAfterChoice:
        break;
    }
    return "paus efter val";
}

// A text field: quoted when it holds a comma or a quote; line breaks become spaces, so that a
// row is always one line.
void AppendText(QByteArray& out, const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('\r', ' ').replace('\n', ' ');
    if (!bytes.contains(',') && !bytes.contains('"')) {
        out += bytes;
        return;
    }
    out += '"';
    out += bytes.replace("\"", "\"\"");
    out += '"';
}

void AppendNumber(QByteArray& out, int value)
{
    if (value >= 0)
        out += QByteArray::number(value);
}

// Splits a line into its fields, undoing the quotes; false when a quote is left open.
bool SplitFields(QByteArrayView line, QByteArrayView* fields, QByteArray* unquoted, int& count)
{
    count = 0;
    qsizetype i = 0;
    const qsizetype n = line.size();
    for (;;) {
        if (count == FieldCount)
            return false;
        if (i < n && line[i] == '"') {
            QByteArray& text = unquoted[count];
            text.clear();
            ++i;
            for (;;) {
                if (i >= n)
                    return false;
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += line[i++];
            }
            fields[count++] = text;
            if (i < n && line[i] != ',')
                return false;
        } else {
            const qsizetype start = i;
            while (i < n && line[i] != ',')
                ++i;
            fields[count++] = line.sliced(start, i - start);
        }
        if (i >= n)
            return true;
        ++i; // the comma
    }
}

// A whole number of 0 or more; -1 for an empty field, -2 for anything else.
int NumberField(QByteArrayView field)
{
    if (field.isEmpty())
        return -1;
    if (field.size() > 9)
        return -2;
    int value = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return -2;
        value = value * 10 + (c - '0');
    }
    return value;
}

int Digits(QByteArrayView text, qsizetype at, int count)
{
    int value = 0;
    for (int k = 0; k < count; ++k) {
        const char c = text[at + k];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "yyyy-MM-dd HH:mm:ss.zzz"
bool ParseTime(QByteArrayView text, QDate& day, int& msOfDay)
{
    if (text.size() != 23 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || text[19] != '.')
        return false;
    const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), date = Digits(text, 8, 2);
    const int hour = Digits(text, 11, 2), minute = Digits(text, 14, 2);
    const int second = Digits(text, 17, 2), ms = Digits(text, 20, 3);
    if (year < 0 || month < 0 || date < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || ms < 0)
        return false;
    day = QDate(year, month, date);
    msOfDay = ((hour * 60 + minute) * 60 + second) * 1000 + ms;
    return day.isValid();
}

template <typename Enum, typename Words>
std::optional<Enum> FromWord(QByteArrayView field, std::initializer_list<Enum> values, Words word)
{
    for (Enum value : values)
        if (field == QByteArrayView(word(value)))
            return value;
    return std::nullopt;
}

} // namespace

QByteArray UseLogHeader()
{
    return QByteArrayLiteral("tid,överlägg,ruta,text,händelse,hur,styrsätt,hålltid_ms,orsak,"
                             "reaktionstid_ms\n");
}

QByteArray FormatUseLogRow(const UseLogRow& row)
{
    QByteArray out;
    out.reserve(128);
    const int ms = row.MsOfDay;
    char time[32];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d.%03d,", row.Day.year(),
                  row.Day.month(), row.Day.day(), ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    out += time;
    AppendText(out, row.Overlay);
    out += ',';
    if (row.Cell > 0)
        out += QByteArray::number(row.Cell);
    out += ',';
    AppendText(out, row.CellText);
    out += ',';
    out += EventWord(row.Event);
    out += ',';
    out += SourceWord(row.Source);
    out += ',';
    out += ControlModeKey(row.Mode).toUtf8();
    out += ',';
    AppendNumber(out, row.HoldMs);
    out += ',';
    if (row.Reason)
        out += ReasonWord(*row.Reason);
    out += ',';
    AppendNumber(out, row.ReactionMs);
    out += '\n';
    return out;
}

std::optional<UseLogRow> ParseUseLogRow(QByteArrayView line)
{
    SharedTexts texts;
    return ParseUseLogRow(line, texts);
}

QString SharedTexts::Text(QByteArrayView bytes, int place)
{
    if (bytes.isEmpty())
        return QString();
    Last& last = Recent[size_t(place) % Places];
    if (bytes == QByteArrayView(last.Bytes))
        return last.Text;
    auto found = All.constFind(QByteArray::fromRawData(bytes.data(), bytes.size()));
    if (found == All.cend())
        found = All.insert(bytes.toByteArray(), QString::fromUtf8(bytes));
    last.Bytes = found.key();
    last.Text = found.value();
    return last.Text;
}

std::optional<UseLogRow> ParseUseLogRow(QByteArrayView line, SharedTexts& texts)
{
    if (line.endsWith('\r'))
        line.chop(1);
    QByteArrayView fields[FieldCount];
    QByteArray unquoted[FieldCount];
    int count = 0;
    if (!SplitFields(line, fields, unquoted, count) || count != FieldCount)
        return std::nullopt;
    UseLogRow row;
    if (!ParseTime(fields[0], row.Day, row.MsOfDay))
        return std::nullopt;
    row.Cell = NumberField(fields[2]);
    const auto event = FromWord(
        fields[4], {UseEvent::Choice, UseEvent::Row, UseEvent::NotCounted}, EventWord);
    const auto source = FromWord(fields[5],
                                 {PressSource::None, PressSource::Switch1, PressSource::Switch2,
                                  PressSource::Key, PressSource::Click},
                                 SourceWord);
    row.HoldMs = NumberField(fields[7]);
    row.ReactionMs = NumberField(fields[9]);
    if (!event || !source || row.Cell < -1 || row.HoldMs < -1 || row.ReactionMs < -1)
        return std::nullopt;
    row.Cell = std::max(row.Cell, 0);
    row.Event = *event;
    row.Source = *source;
    // The modes' keys, as the file holds them.
    static const std::vector<std::pair<QByteArray, ControlMode>> modeKeys = [] {
        std::vector<std::pair<QByteArray, ControlMode>> keys;
        for (int k = 0; k < 9; ++k)
            keys.emplace_back(ControlModeKey(FileOrderModes()[k]).toUtf8(), FileOrderModes()[k]);
        return keys;
    }();
    row.Mode = ControlMode::None;
    if (!fields[6].isEmpty()) {
        for (const auto& [key, mode] : modeKeys)
            if (fields[6] == QByteArrayView(key))
                row.Mode = mode;
        if (row.Mode == ControlMode::None)
            return std::nullopt;
    }
    if (!fields[8].isEmpty()) {
        row.Reason = FromWord(
            fields[8],
            {IgnoredPress::TooShort, IgnoredPress::Repeat, IgnoredPress::PauseAfterChoice},
            ReasonWord);
        if (!row.Reason)
            return std::nullopt;
    }
    row.Overlay = texts.Text(fields[1], 0);
    row.CellText = texts.Text(fields[3], 1 + row.Cell);
    return row;
}

bool IsScanningMode(ControlMode mode)
{
    return mode == ControlMode::TwoSwitchScanControl ||
           mode == ControlMode::TwoSwitchScanXYControl || ScansByItself(mode);
}

QString UseLogFolder()
{
    return UserDataFolder() + QStringLiteral("/logg");
}

QString UseLogFileFor(const QString& settingsFile)
{
    return UseLogFolder() + u'/' + QFileInfo(settingsFile).completeBaseName() +
           QStringLiteral(".csv");
}

UseLogFile::UseLogFile(const QString& path) : FilePath(path)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        TurnOff(EACCES);
        return;
    }
    Descriptor = ::open(QFile::encodeName(path).constData(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (Descriptor < 0) {
        TurnOff(errno);
        return;
    }
    struct stat status{};
    if (::fstat(Descriptor, &status) != 0) {
        TurnOff(errno);
        return;
    }
    if (status.st_size == 0) {
        WriteWhole(UseLogHeader());
        return;
    }
    // A line torn by an earlier session (a full disk, a power cut) is ended, so that it stays a
    // line of its own, which the reader drops, and the rows after it are whole.
    char last = '\n';
    const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (reader >= 0) {
        if (::pread(reader, &last, 1, status.st_size - 1) != 1)
            last = '\n';
        ::close(reader);
    }
    if (last != '\n')
        WriteWhole("\n");
}

UseLogFile::~UseLogFile()
{
    if (Descriptor >= 0)
        ::close(Descriptor);
}

void UseLogFile::Append(const UseLogRow& row)
{
    if (Descriptor >= 0)
        WriteWhole(FormatUseLogRow(row));
}

bool UseLogFile::WriteWhole(QByteArrayView bytes)
{
    // One write for the line: with O_APPEND it lands whole at the end, or, on a full disk, cut
    // short and then the log stops.
    for (;;) {
        const ssize_t written = ::write(Descriptor, bytes.data(), size_t(bytes.size()));
        if (written == bytes.size())
            return true;
        if (written < 0 && errno == EINTR)
            continue;
        TurnOff(written < 0 ? errno : ENOSPC);
        return false;
    }
}

void UseLogFile::TurnOff(int error)
{
    if (Descriptor >= 0)
        ::close(Descriptor);
    Descriptor = -1;
    qCWarning(Log::Usage, "The use log %s is off for this session: %s", qPrintable(FilePath),
              qPrintable(SaveFailureReason(error)));
}

} // namespace Tonlyra
