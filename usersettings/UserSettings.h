#pragma once

#include "input/SwitchInputs.h"
#include "platform/ProfileFile.h"

#include <QColor>
#include <QFont>
#include <QLocale>
#include <QString>

// How the user steers the player. None: a settings file chose no mode.
enum class ControlMode
{
    None = -1,
    MouseControl = 0,
    KeyboardControl,
    TwoSwitchControl,
    OneSwitchControl,
    TwoSwitchScanControl,
    OneSwitchScanControl,
    ArrowControl,
    TwoSwitchScanXYControl,
    OneSwitchScanXYControl,
};

// The font of the cell texts. Colours everywhere in the settings are 0x00BBGGRR values (red in
// the low byte), stored in decimal.
struct UserFont
{
    QString Name = QStringLiteral("System");
    qint32 Size = 10; // points
    qint32 Color = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikeout = false;

    bool operator==(const UserFont&) const = default;
};

// The per-user choices that decide how the player is steered and how the grid looks.
struct UserSettings
{
    ::ControlMode ControlMode = ::ControlMode::MouseControl;
    qint32 ScanDelayTime = 1500; // ms, 200 .. scan range maximum
    bool ShowPictures = true;
    bool ShowTexts = true;
    bool PlaySound = false; // only with a mode other than mouse or keyboard (R1)
    UserFont Font;
    qint32 ScanColor = 255;      // pure red
    qint32 BackColor = 12632256; // 0xC0C0C0, light grey
    qint32 ButtonColor = 12632256;
    qint32 Spacing = 3; // pixels, 0 .. 20
    bool ZoomPictures = true;
    bool HideBorders = false;
    qint32 KeyRepetitionDelayTime = 1500; // ms, 250 .. 5000
    bool KeyRepetition = false; // only with ActOnKeyDown and a two-switch or arrow mode (R2)
    bool ActOnKeyDown = true;
    bool ExecuteOnKeyUp = false; // only with KeyRepetition and not ArrowControl (R3)

    // Switch timings and spoken cells, stored after the old program's keys (which that program
    // passes over). Their defaults leave presses, scanning and introductions as they always were.
    qint32 AcceptanceTime = 0; // ms a press must be held before it counts; 0 = at once
    qint32 IgnoreRepeatTime =
        0; // ms after an accepted press is let go in which presses are ignored
    qint32 PauseAfterChoice = 0;   // ms after a cell is carried out in which presses are ignored
    qint32 ScanRounds = 0;         // automatic scanning stops after this many rounds; 0 = never
    qint32 FirstStepExtraTime = 0; // ms the first step of each scanning round lasts longer
    bool SpeakCells = false;       // with PlaySound, a cell without an introduction speaks its text
    bool LogUse = false; // the player writes what is chosen and pressed to the user's use log
    // The inputs that work switch 1 (stepping) and switch 2 (choosing) in the switch modes.
    Tonlyra::SwitchInputList Switch1 = Tonlyra::DefaultSwitch1();
    Tonlyra::SwitchInputList Switch2 = Tonlyra::DefaultSwitch2();
    bool ShowScanProgress = false; // a bar in the scanning frame shows the time left of the step

    bool operator==(const UserSettings&) const = default;
};

namespace Tonlyra {

// Limits of the values the settings window keeps.
constexpr qint32 MinScanDelayTime = 200;
constexpr qint32 ScanRangeMaxima[3] = {5000, 60000, 300000}; // "0-5 s", "0-60 s", "0-5 min"
constexpr qint32 MinKeyRepetitionDelayTime = 250;
constexpr qint32 MaxKeyRepetitionDelayTime = 5000;
constexpr qint32 MinSpacing = 0;
constexpr qint32 MaxSpacing = 20;
constexpr qint32 MaxPressTime = 5000; // acceptance and ignore-repeat times
constexpr qint32 MaxPauseAfterChoice = 10000;
constexpr qint32 MaxScanRounds = 99;
constexpr qint32 MaxFirstStepExtraTime = 10000;

// The scanning period kept within MinScanDelayTime..rangeMaximum (one of ScanRangeMaxima, the
// range the settings window shows), wherever it comes from: a file, the window, the keypad.
qint32 ClampScanDelayTime(qint32 ms, qint32 rangeMaximum);

// The key in section "Input settings" that stores a mode ("Mouse", "Keyboard", ...); empty for
// ControlMode::None.
QString ControlModeKey(ControlMode mode);
// The nine modes in the order of their keys in the file.
const ControlMode* FileOrderModes(); // 9 entries

// The consistency rules of the settings. R1: PlaySound only outside mouse and keyboard control.
// R2: KeyRepetition only with ActOnKeyDown in ArrowControl, TwoSwitchControl,
// TwoSwitchScanControl or TwoSwitchScanXYControl. R3: ExecuteOnKeyUp only with KeyRepetition and
// not in ArrowControl. Each clears its flag when the condition does not hold; the settings window
// enables the flag's control exactly when it holds.
bool PlaySoundAllowed(const UserSettings& settings);
bool KeyRepetitionAllowed(const UserSettings& settings);
bool ExecuteOnKeyUpAllowed(const UserSettings& settings);
void ApplyR1(UserSettings& settings);
void ApplyR2(UserSettings& settings);
void ApplyR3(UserSettings& settings);
// The mode rules: R1, R2, R3. The repeat rule is R3 alone.
void ApplyModeRules(UserSettings& settings);
inline void ApplyRepeatRule(UserSettings& settings)
{
    ApplyR3(settings);
}

// The modes in which the scanning frame moves by itself, at the scanning period.
bool ScansByItself(ControlMode mode);
// The modes steered with switches alone, in which the inputs of Switch1 and Switch2 are the
// switches.
bool IsSwitchMode(ControlMode mode);
// The modes that show a frame around the current cell or row, in the scanning frame's colour.
bool ShowsScanFrame(ControlMode mode);
// Whether cells without an introduction speak their text: only where introductions play.
inline bool SpeaksCells(const UserSettings& settings)
{
    return settings.PlaySound && settings.SpeakCells;
}

// Takes every field of incoming into settings in the order the settings window fills its
// controls, applying the rules at the moments the window would: the mode rules when the mode
// changes and when ActOnKeyDown changes, the repeat rule when KeyRepetition changes, and the
// repeat rule once more at the end. Limits are the caller's.
void TakeSettingsInOrder(UserSettings& settings, const UserSettings& incoming);

// Reads a settings file into settings through TakeSettingsInOrder. The mode is that of the last
// mode key in file order that is set, or none. Missing keys and values that are not integers
// give the defaults. The scan delay time is kept within 200..scanRangeMaximum,
// the key repetition period within 250..5000; a spacing outside 0..20 gives the default 3. The
// switch timings are kept within 0 and their maxima above. A switch's list that is missing gives
// its default; its items that cannot be read are left out and named in the log.
void ReadUserSettings(UserSettings& settings, const ProfileFile& file, qint32 scanRangeMaximum);

// Writes every key of settings into file, in the file's layout order; the switches and the scan
// progress are written only where they differ from their defaults (and removed where they do
// not), so that a file of default settings is the old program's.
void WriteUserSettings(const UserSettings& settings, ProfileFile& file);

// Writes settings into the file at path in one atomic save (keys the settings do not own stay as
// they were), creating missing folders first. Errors: "Unable to create directory" for a path
// without a folder part, "Unable to write to <path>" with the reason on the line below it when
// the file cannot be written; the old file is then untouched.
SaveResult SaveUserSettings(const UserSettings& settings, const QString& path);

// The scanning period as the settings window shows it: for the ranges 0 ("0-5 s") and 1
// ("0-60 s") in seconds, for range 2 ("0-5 min") in minutes; rounded to three significant
// digits, then shown with two decimals and the locale's decimal separator (1500 ms: "1,50" in
// Swedish).
QString ScanPeriodText(qint32 milliseconds, int rangeIndex, const QLocale& locale);

// 0x00BBGGRR to QColor and back.
QColor ColorFromBgr(qint32 bgr);
qint32 BgrFromColor(const QColor& color);

// The font as Qt draws it (the size kept within 1..500 points) and back; the font's colour is
// separate.
QFont ToQFont(const UserFont& font);
UserFont FromQFont(const QFont& font, qint32 color);

} // namespace Tonlyra
