#pragma once

// The use log: what a user chose and pressed in the player, one CSV file per user settings file,
// for the carer and the therapist. Nothing leaves the computer.
//
// The file is UTF-8 with a header line and one row a line, fields separated by commas (quoted
// with "" when they hold a comma or a quote):
//   tid              local time of the press, "yyyy-MM-dd HH:mm:ss.zzz"
//   överlägg         the overlay's file name
//   ruta             the cell chosen (1..); for "rad" the row chosen (1 = the top row); empty
//                    for a press that did not count
//   text             the cell's text
//   händelse         "val" (a cell carried out), "rad" (a row chosen in row-column scanning),
//                    "ej räknad" (a press that did not count)
//   hur              "brytare 1" (Space), "brytare 2" (Enter), "tangent" (another key, or any
//                    key in keyboard or arrow control), "klick" (a mouse button)
//   styrsätt         the control mode, named by its key in the user settings file
//   hålltid_ms       how long the switch was held; empty when the program ended first
//   orsak            for "ej räknad": "för kort", "upprepning", "paus efter val"
//   reaktionstid_ms  in the scanning modes: from the frame reaching the chosen cell (or row) to
//                    the press; empty when the frame came after the press went down
//
// Rows are appended with one write each to a file opened for appending, so that a program that
// dies loses nothing written, and a write cut short (a full disk) leaves at most one torn last
// line, which the reader drops.

#include "input/SwitchPressFilter.h"
#include "usersettings/UserSettings.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

#include <optional>

namespace Tonlyra {

enum class UseEvent : quint8
{
    Choice,     // "val"
    Row,        // "rad"
    NotCounted, // "ej räknad"
};

// Where a press came from.
enum class PressSource : quint8
{
    None,
    Switch1, // Space in a switch mode
    Switch2, // Enter in a switch mode
    Key,
    Click,
};

struct UseLogRow
{
    QDate Day; // local time
    int MsOfDay = 0;
    QString Overlay;
    int Cell = 0; // 0: none
    QString CellText;
    UseEvent Event = UseEvent::Choice;
    PressSource Source = PressSource::None;
    ControlMode Mode = ControlMode::None;
    int HoldMs = -1; // -1: not known
    std::optional<IgnoredPress> Reason;
    int ReactionMs = -1; // -1: none

    bool operator==(const UseLogRow&) const = default;
};

// The header line, with its line end.
QByteArray UseLogHeader();
// One row as a line of the file, with its line end. Line breaks in texts become spaces.
QByteArray FormatUseLogRow(const UseLogRow& row);
// A line of the file (without its line end) as a row; nothing for the header and for a line
// that is not a whole row.
std::optional<UseLogRow> ParseUseLogRow(QByteArrayView line);

// One copy of each text of the rows read, found by its bytes: a year's log repeats a few overlay
// names and cell texts hundreds of thousands of times. The text last seen in each place (the
// overlay, a cell number) is tried first, which spares most look-ups.
class SharedTexts
{
public:
    // The text of these UTF-8 bytes; place: 0 for an overlay, else the cell's number.
    QString Text(QByteArrayView bytes, int place);

private:
    struct Last
    {
        QByteArray Bytes;
        QString Text;
    };
    static constexpr int Places = 64;
    Last Recent[Places];
    QHash<QByteArray, QString> All;
};
// The same, with the texts shared through texts.
std::optional<UseLogRow> ParseUseLogRow(QByteArrayView line, SharedTexts& texts);

// The scanning modes, in which a row tells the reaction time.
bool IsScanningMode(ControlMode mode);

// The folder of the use logs: "logg" in the user's data folder (not created here).
QString UseLogFolder();
// The log of the user settings file settingsFile: "<name without extension>.csv" there.
QString UseLogFileFor(const QString& settingsFile);

// The file a session appends its rows to. A file that cannot be opened or written (no right to
// write the folder, a full disk) turns the log off for the rest of the session with one line to
// the program's log and nothing shown: a switch user must never meet a box because of it.
class UseLogFile
{
public:
    // Opens (and makes) the file and its folder, writing the header line into an empty file.
    explicit UseLogFile(const QString& path);
    ~UseLogFile();
    UseLogFile(const UseLogFile&) = delete;
    UseLogFile& operator=(const UseLogFile&) = delete;

    const QString& Path() const { return FilePath; }
    bool IsOn() const { return Descriptor >= 0; }
    // Appends a row; nothing once the log is off.
    void Append(const UseLogRow& row);

private:
    bool WriteWhole(QByteArrayView bytes);
    void TurnOff(int error);

    QString FilePath;
    int Descriptor = -1;
};

} // namespace Tonlyra
