#include "usersettings/UserSettings.h"

#include "platform/Logging.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace Tonlyra {

namespace {

const QString InputSection = QStringLiteral("Input settings");
const QString PresentationSection = QStringLiteral("Presentation settings");
const QString FontSection = QStringLiteral("Font");
const QString ExtendedSection = QStringLiteral("Extended settings");

constexpr ControlMode ModesInFileOrder[9] = {
    ControlMode::MouseControl,         ControlMode::KeyboardControl,
    ControlMode::TwoSwitchControl,     ControlMode::OneSwitchControl,
    ControlMode::TwoSwitchScanControl, ControlMode::TwoSwitchScanXYControl,
    ControlMode::OneSwitchScanControl, ControlMode::OneSwitchScanXYControl,
    ControlMode::ArrowControl};

// The switch timings in file order: their keys, fields and upper limits (all default to 0).
struct TimingKey
{
    QString Key;
    qint32 UserSettings::*Field;
    qint32 Maximum;
};
const TimingKey TimingKeys[] = {
    {QStringLiteral("Acceptance time"), &UserSettings::AcceptanceTime, MaxPressTime},
    {QStringLiteral("Ignore repeat time"), &UserSettings::IgnoreRepeatTime, MaxPressTime},
    {QStringLiteral("Pause after choice"), &UserSettings::PauseAfterChoice, MaxPauseAfterChoice},
    {QStringLiteral("Scan rounds"), &UserSettings::ScanRounds, MaxScanRounds},
    {QStringLiteral("First step extra time"), &UserSettings::FirstStepExtraTime,
     MaxFirstStepExtraTime},
};
const QString SpeakCellsKey = QStringLiteral("Speak cells");
const QString LogUseKey = QStringLiteral("Log use");
const QString Switch1Key = QStringLiteral("Switch 1");
const QString Switch2Key = QStringLiteral("Switch 2");
const QString ShowScanProgressKey = QStringLiteral("Show scan progress");

SwitchInputList ReadSwitch(const ProfileFile& file, const QString& key,
                           const SwitchInputList& defaults)
{
    if (!file.HasKey(ExtendedSection, key))
        return defaults;
    QStringList unreadable;
    const QString text = file.ReadString(ExtendedSection, key);
    SwitchInputList inputs = ParseSwitchInputs(text, &unreadable);
    for (const QString& item : unreadable)
        qCWarning(Log::Input).noquote()
            << "Not an input:" << item << "(" << key << "in" << file.Path() << ")";
    // A list of which nothing could be read would leave the user without the switch.
    if (inputs.isEmpty() && !unreadable.isEmpty()) {
        qCWarning(Log::Input).noquote() << key << "keeps its default";
        return defaults;
    }
    return inputs;
}

void WriteUnlessDefault(ProfileFile& file, const QString& key, const QString& value,
                        const QString& defaultValue)
{
    if (value == defaultValue)
        file.DeleteKey(ExtendedSection, key);
    else
        file.WriteString(ExtendedSection, key, value);
}

} // namespace

QString ControlModeKey(ControlMode mode)
{
    switch (mode) {
    case ControlMode::MouseControl:
        return QStringLiteral("Mouse");
    case ControlMode::KeyboardControl:
        return QStringLiteral("Keyboard");
    case ControlMode::TwoSwitchControl:
        return QStringLiteral("Two-switches");
    case ControlMode::OneSwitchControl:
        return QStringLiteral("One-switch");
    case ControlMode::TwoSwitchScanControl:
        return QStringLiteral("Two-switches scan");
    case ControlMode::TwoSwitchScanXYControl:
        return QStringLiteral("Two-switches scan X-Y");
    case ControlMode::OneSwitchScanControl:
        return QStringLiteral("One-switch scan");
    case ControlMode::OneSwitchScanXYControl:
        return QStringLiteral("One-switch scan X-Y");
    case ControlMode::ArrowControl:
        return QStringLiteral("Arrow-keys");
    case ControlMode::None:
        break;
    }
    return QString();
}

const ControlMode* FileOrderModes()
{
    return ModesInFileOrder;
}

bool PlaySoundAllowed(const UserSettings& s)
{
    return s.ControlMode != ControlMode::MouseControl &&
           s.ControlMode != ControlMode::KeyboardControl;
}

bool KeyRepetitionAllowed(const UserSettings& s)
{
    const bool modeAllows = s.ControlMode == ControlMode::ArrowControl ||
                            s.ControlMode == ControlMode::TwoSwitchControl ||
                            s.ControlMode == ControlMode::TwoSwitchScanControl ||
                            s.ControlMode == ControlMode::TwoSwitchScanXYControl;
    return s.ActOnKeyDown && modeAllows;
}

bool ExecuteOnKeyUpAllowed(const UserSettings& s)
{
    return s.KeyRepetition && s.ControlMode != ControlMode::ArrowControl;
}

void ApplyR1(UserSettings& s)
{
    if (!PlaySoundAllowed(s))
        s.PlaySound = false;
}

void ApplyR2(UserSettings& s)
{
    if (!KeyRepetitionAllowed(s))
        s.KeyRepetition = false;
}

void ApplyR3(UserSettings& s)
{
    if (!ExecuteOnKeyUpAllowed(s))
        s.ExecuteOnKeyUp = false;
}

void ApplyModeRules(UserSettings& s)
{
    ApplyR1(s);
    ApplyR2(s);
    ApplyR3(s);
}

bool IsSwitchMode(ControlMode mode)
{
    switch (mode) {
    case ControlMode::OneSwitchControl:
    case ControlMode::TwoSwitchControl:
    case ControlMode::OneSwitchScanControl:
    case ControlMode::TwoSwitchScanControl:
    case ControlMode::OneSwitchScanXYControl:
    case ControlMode::TwoSwitchScanXYControl:
        return true;
    default:
        return false;
    }
}

bool ScansByItself(ControlMode mode)
{
    return mode == ControlMode::OneSwitchScanControl || mode == ControlMode::OneSwitchScanXYControl;
}

bool ShowsScanFrame(ControlMode mode)
{
    return mode == ControlMode::ArrowControl || mode == ControlMode::TwoSwitchScanControl ||
           mode == ControlMode::TwoSwitchScanXYControl || ScansByItself(mode);
}

void TakeSettingsInOrder(UserSettings& s, const UserSettings& in)
{
    if (in.ControlMode != s.ControlMode) {
        s.ControlMode = in.ControlMode;
        if (s.ControlMode != ControlMode::None)
            ApplyModeRules(s);
    }
    s.ScanDelayTime = in.ScanDelayTime;
    s.ShowPictures = in.ShowPictures;
    s.ShowTexts = in.ShowTexts;
    s.PlaySound = in.PlaySound;
    s.Font = in.Font;
    s.ScanColor = in.ScanColor;
    s.BackColor = in.BackColor;
    s.ButtonColor = in.ButtonColor;
    s.Spacing = in.Spacing;
    s.ZoomPictures = in.ZoomPictures;
    s.HideBorders = in.HideBorders;
    s.KeyRepetitionDelayTime = in.KeyRepetitionDelayTime;
    if (in.KeyRepetition != s.KeyRepetition) {
        s.KeyRepetition = in.KeyRepetition;
        ApplyRepeatRule(s);
    }
    if (in.ActOnKeyDown != s.ActOnKeyDown) {
        s.ActOnKeyDown = in.ActOnKeyDown;
        ApplyModeRules(s);
    }
    s.ExecuteOnKeyUp = in.ExecuteOnKeyUp;
    ApplyRepeatRule(s);
    s.AcceptanceTime = in.AcceptanceTime;
    s.IgnoreRepeatTime = in.IgnoreRepeatTime;
    s.PauseAfterChoice = in.PauseAfterChoice;
    s.ScanRounds = in.ScanRounds;
    s.FirstStepExtraTime = in.FirstStepExtraTime;
    s.SpeakCells = in.SpeakCells;
    s.LogUse = in.LogUse;
    s.Switch1 = in.Switch1;
    s.Switch2 = in.Switch2;
    s.ShowScanProgress = in.ShowScanProgress;
}

qint32 ClampScanDelayTime(qint32 ms, qint32 rangeMaximum)
{
    return std::clamp(ms, MinScanDelayTime, std::max(rangeMaximum, MinScanDelayTime));
}

void ReadUserSettings(UserSettings& s, const ProfileFile& file, qint32 scanRangeMaximum)
{
    const UserSettings defaults;
    UserSettings in;

    in.ControlMode = ControlMode::None;
    for (ControlMode mode : ModesInFileOrder)
        if (file.ReadFlag(InputSection, ControlModeKey(mode), mode == ControlMode::MouseControl))
            in.ControlMode = mode;
    in.ScanDelayTime = ClampScanDelayTime(
        file.ReadInteger(InputSection, QStringLiteral("Scan delay time"), defaults.ScanDelayTime),
        scanRangeMaximum);

    in.ShowPictures =
        file.ReadFlag(PresentationSection, QStringLiteral("Pictures"), defaults.ShowPictures);
    in.ShowTexts = file.ReadFlag(PresentationSection, QStringLiteral("Texts"), defaults.ShowTexts);
    in.PlaySound = file.ReadFlag(PresentationSection, QStringLiteral("Sound"), defaults.PlaySound);

    in.Font.Name = file.ReadString(FontSection, QStringLiteral("Name"), defaults.Font.Name)
                       .left(MaxProfileValueLength);
    in.Font.Size = file.ReadInteger(FontSection, QStringLiteral("Size"), defaults.Font.Size);
    in.Font.Bold = file.ReadFlag(FontSection, QStringLiteral("Bold"), false);
    in.Font.Italic = file.ReadFlag(FontSection, QStringLiteral("Italic"), false);
    in.Font.Underline = file.ReadFlag(FontSection, QStringLiteral("Underline"), false);
    in.Font.Strikeout = file.ReadFlag(FontSection, QStringLiteral("Strikeout"), false);
    in.Font.Color = file.ReadInteger(FontSection, QStringLiteral("Color"), defaults.Font.Color);

    in.ScanColor =
        file.ReadInteger(ExtendedSection, QStringLiteral("Scan color"), defaults.ScanColor);
    in.BackColor =
        file.ReadInteger(ExtendedSection, QStringLiteral("Back color"), defaults.BackColor);
    in.ButtonColor =
        file.ReadInteger(ExtendedSection, QStringLiteral("Button color"), defaults.ButtonColor);
    in.Spacing = file.ReadInteger(ExtendedSection, QStringLiteral("Spacing"), defaults.Spacing);
    if (in.Spacing < MinSpacing || in.Spacing > MaxSpacing)
        in.Spacing = defaults.Spacing;
    in.ZoomPictures =
        file.ReadFlag(ExtendedSection, QStringLiteral("Zoom pictures"), defaults.ZoomPictures);
    in.HideBorders =
        file.ReadFlag(ExtendedSection, QStringLiteral("Hide borders"), defaults.HideBorders);
    in.KeyRepetitionDelayTime =
        std::clamp(file.ReadInteger(ExtendedSection, QStringLiteral("Key repetition delay time"),
                                    defaults.KeyRepetitionDelayTime),
                   MinKeyRepetitionDelayTime, MaxKeyRepetitionDelayTime);
    in.KeyRepetition =
        file.ReadFlag(ExtendedSection, QStringLiteral("Key repetition"), defaults.KeyRepetition);
    in.ActOnKeyDown =
        file.ReadFlag(ExtendedSection, QStringLiteral("Act on key down"), defaults.ActOnKeyDown);
    in.ExecuteOnKeyUp = file.ReadFlag(ExtendedSection, QStringLiteral("Execute on key up"),
                                      defaults.ExecuteOnKeyUp);
    for (const TimingKey& timing : TimingKeys)
        in.*timing.Field =
            std::clamp(file.ReadInteger(ExtendedSection, timing.Key, 0), 0, timing.Maximum);
    in.SpeakCells = file.ReadFlag(ExtendedSection, SpeakCellsKey, defaults.SpeakCells);
    in.LogUse = file.ReadFlag(ExtendedSection, LogUseKey, defaults.LogUse);
    in.Switch1 = ReadSwitch(file, Switch1Key, defaults.Switch1);
    in.Switch2 = ReadSwitch(file, Switch2Key, defaults.Switch2);
    in.ShowScanProgress =
        file.ReadFlag(ExtendedSection, ShowScanProgressKey, defaults.ShowScanProgress);
    TakeSettingsInOrder(s, in);
}

void WriteUserSettings(const UserSettings& s, ProfileFile& file)
{
    for (ControlMode mode : ModesInFileOrder)
        file.WriteFlag(InputSection, ControlModeKey(mode), s.ControlMode == mode);
    file.WriteInteger(InputSection, QStringLiteral("Scan delay time"), s.ScanDelayTime);

    file.WriteFlag(PresentationSection, QStringLiteral("Pictures"), s.ShowPictures);
    file.WriteFlag(PresentationSection, QStringLiteral("Texts"), s.ShowTexts);
    file.WriteFlag(PresentationSection, QStringLiteral("Sound"), s.PlaySound);

    file.WriteString(FontSection, QStringLiteral("Name"), s.Font.Name);
    file.WriteInteger(FontSection, QStringLiteral("Size"), s.Font.Size);
    file.WriteFlag(FontSection, QStringLiteral("Bold"), s.Font.Bold);
    file.WriteFlag(FontSection, QStringLiteral("Italic"), s.Font.Italic);
    file.WriteFlag(FontSection, QStringLiteral("Underline"), s.Font.Underline);
    file.WriteFlag(FontSection, QStringLiteral("Strikeout"), s.Font.Strikeout);
    file.WriteInteger(FontSection, QStringLiteral("Color"), s.Font.Color);

    file.WriteInteger(ExtendedSection, QStringLiteral("Scan color"), s.ScanColor);
    file.WriteInteger(ExtendedSection, QStringLiteral("Back color"), s.BackColor);
    file.WriteInteger(ExtendedSection, QStringLiteral("Button color"), s.ButtonColor);
    file.WriteInteger(ExtendedSection, QStringLiteral("Spacing"), s.Spacing);
    file.WriteFlag(ExtendedSection, QStringLiteral("Zoom pictures"), s.ZoomPictures);
    file.WriteFlag(ExtendedSection, QStringLiteral("Hide borders"), s.HideBorders);
    file.WriteInteger(ExtendedSection, QStringLiteral("Key repetition delay time"),
                      s.KeyRepetitionDelayTime);
    file.WriteFlag(ExtendedSection, QStringLiteral("Key repetition"), s.KeyRepetition);
    file.WriteFlag(ExtendedSection, QStringLiteral("Act on key down"), s.ActOnKeyDown);
    file.WriteFlag(ExtendedSection, QStringLiteral("Execute on key up"), s.ExecuteOnKeyUp);
    for (const TimingKey& timing : TimingKeys)
        file.WriteInteger(ExtendedSection, timing.Key, s.*timing.Field);
    file.WriteFlag(ExtendedSection, SpeakCellsKey, s.SpeakCells);
    file.WriteFlag(ExtendedSection, LogUseKey, s.LogUse);
    WriteUnlessDefault(file, Switch1Key, FormatSwitchInputs(s.Switch1),
                       FormatSwitchInputs(DefaultSwitch1()));
    WriteUnlessDefault(file, Switch2Key, FormatSwitchInputs(s.Switch2),
                       FormatSwitchInputs(DefaultSwitch2()));
    WriteUnlessDefault(file, ShowScanProgressKey, s.ShowScanProgress ? QStringLiteral("1") : QString(),
                       QString());
}

SaveResult SaveUserSettings(const UserSettings& settings, const QString& path)
{
    if (!path.contains(u'/'))
        return SaveResult::Failure(QStringLiteral("Unable to create directory"));
    const QString failure = QStringLiteral("Unable to write to %1").arg(path);
    // A folder that cannot be created is not reported by itself: the write below then fails.
    QDir().mkpath(QFileInfo(path).absolutePath());
    ProfileFile file;
    int error = 0;
    if (!file.Load(path, &error))
        return SaveResult::Failure(failure, error);
    WriteUserSettings(settings, file);
    if (!file.Save(&error))
        return SaveResult::Failure(failure, error);
    return {};
}

QString ScanPeriodText(qint32 milliseconds, int rangeIndex, const QLocale& locale)
{
    // Exact decimal rounding on integers (halves away from zero), so that 900 ms shows as 0,02
    // minutes as a decimal calculation would, where binary floating point gives 0,01.
    const qint64 divisor = rangeIndex == 2 ? 60000 : 1000;
    const qint64 value = std::max<qint64>(milliseconds, 0);
    const auto divideRounded = [](qint64 a, qint64 b) { return (2 * a + b) / (2 * b); };
    qint64 hundredths = 0;
    if (value > 0) {
        // scale = 10^k with 100 <= value * 10^k / divisor < 1000: three significant digits.
        int k = 0;
        qint64 scaled = value;
        while (scaled < 100 * divisor) {
            scaled *= 10;
            ++k;
        }
        while (scaled >= 1000 * divisor) { // 1000 or more: no range reaches it
            scaled /= 10;
            --k;
        }
        qint64 digits = divideRounded(scaled, divisor); // 100..1000, value = digits / 10^k
        if (k <= 2) {
            for (int i = k; i < 2; ++i)
                digits *= 10;
            hundredths = digits;
        } else {
            qint64 power = 1;
            for (int i = 2; i < k; ++i)
                power *= 10;
            hundredths = divideRounded(digits, power);
        }
    }
    return QStringLiteral("%1%2%3")
        .arg(hundredths / 100)
        .arg(locale.decimalPoint())
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

QColor ColorFromBgr(qint32 bgr)
{
    const auto v = static_cast<quint32>(bgr);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

qint32 BgrFromColor(const QColor& color)
{
    const QColor c = color.toRgb();
    return static_cast<qint32>(static_cast<quint32>(c.red()) |
                               (static_cast<quint32>(c.green()) << 8) |
                               (static_cast<quint32>(c.blue()) << 16));
}

QFont ToQFont(const UserFont& font)
{
    QFont f(font.Name);
    f.setPointSize(std::clamp(font.Size, 1, 500));
    f.setBold(font.Bold);
    f.setItalic(font.Italic);
    f.setUnderline(font.Underline);
    f.setStrikeOut(font.Strikeout);
    return f;
}

UserFont FromQFont(const QFont& font, qint32 color)
{
    UserFont f;
    f.Name = font.family();
    f.Size = font.pointSize() > 0 ? font.pointSize() : qRound(font.pointSizeF());
    f.Color = color;
    f.Bold = font.bold();
    f.Italic = font.italic();
    f.Underline = font.underline();
    f.Strikeout = font.strikeOut();
    return f;
}

} // namespace Tonlyra
