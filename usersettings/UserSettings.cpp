#include "usersettings/UserSettings.h"

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

void ApplyR1(UserSettings& s)
{
    if (s.ControlMode == ControlMode::MouseControl || s.ControlMode == ControlMode::KeyboardControl)
        s.PlaySound = false;
}

void ApplyR2(UserSettings& s)
{
    const bool modeAllows = s.ControlMode == ControlMode::ArrowControl ||
                            s.ControlMode == ControlMode::TwoSwitchControl ||
                            s.ControlMode == ControlMode::TwoSwitchScanControl ||
                            s.ControlMode == ControlMode::TwoSwitchScanXYControl;
    if (!(s.ActOnKeyDown && modeAllows))
        s.KeyRepetition = false;
}

void ApplyR3(UserSettings& s)
{
    if (!(s.KeyRepetition && s.ControlMode != ControlMode::ArrowControl))
        s.ExecuteOnKeyUp = false;
}

void ApplyModeRules(UserSettings& s)
{
    ApplyR1(s);
    ApplyR2(s);
    ApplyR3(s);
}

void ReadUserSettings(UserSettings& s, const ProfileFile& file, qint32 scanRangeMaximum)
{
    const UserSettings defaults;

    // The last mode key read as set decides; each newly chosen mode applies the mode rules
    // with the other fields as they stand at that moment.
    for (ControlMode mode : ModesInFileOrder) {
        const bool set =
            file.ReadFlag(InputSection, ControlModeKey(mode), mode == ControlMode::MouseControl);
        if (set) {
            if (s.ControlMode != mode) {
                s.ControlMode = mode;
                ApplyModeRules(s);
            }
        } else if (s.ControlMode == mode) {
            s.ControlMode = ControlMode::None;
        }
    }
    s.ScanDelayTime = std::clamp(
        file.ReadInteger(InputSection, QStringLiteral("Scan delay time"), defaults.ScanDelayTime),
        MinScanDelayTime, std::max(scanRangeMaximum, MinScanDelayTime));

    s.ShowPictures =
        file.ReadFlag(PresentationSection, QStringLiteral("Pictures"), defaults.ShowPictures);
    s.ShowTexts = file.ReadFlag(PresentationSection, QStringLiteral("Texts"), defaults.ShowTexts);
    s.PlaySound = file.ReadFlag(PresentationSection, QStringLiteral("Sound"), defaults.PlaySound);

    s.Font.Name = file.ReadString(FontSection, QStringLiteral("Name"), defaults.Font.Name)
                      .left(MaxProfileValueLength);
    s.Font.Size = file.ReadInteger(FontSection, QStringLiteral("Size"), defaults.Font.Size);
    s.Font.Bold = file.ReadFlag(FontSection, QStringLiteral("Bold"), false);
    s.Font.Italic = file.ReadFlag(FontSection, QStringLiteral("Italic"), false);
    s.Font.Underline = file.ReadFlag(FontSection, QStringLiteral("Underline"), false);
    s.Font.Strikeout = file.ReadFlag(FontSection, QStringLiteral("Strikeout"), false);
    s.Font.Color = file.ReadInteger(FontSection, QStringLiteral("Color"), defaults.Font.Color);

    s.ScanColor =
        file.ReadInteger(ExtendedSection, QStringLiteral("Scan color"), defaults.ScanColor);
    s.BackColor =
        file.ReadInteger(ExtendedSection, QStringLiteral("Back color"), defaults.BackColor);
    s.ButtonColor =
        file.ReadInteger(ExtendedSection, QStringLiteral("Button color"), defaults.ButtonColor);
    s.Spacing = file.ReadInteger(ExtendedSection, QStringLiteral("Spacing"), defaults.Spacing);
    if (s.Spacing < MinSpacing || s.Spacing > MaxSpacing)
        s.Spacing = defaults.Spacing;
    s.ZoomPictures =
        file.ReadFlag(ExtendedSection, QStringLiteral("Zoom pictures"), defaults.ZoomPictures);
    s.HideBorders =
        file.ReadFlag(ExtendedSection, QStringLiteral("Hide borders"), defaults.HideBorders);
    s.KeyRepetitionDelayTime =
        std::clamp(file.ReadInteger(ExtendedSection, QStringLiteral("Key repetition delay time"),
                                    defaults.KeyRepetitionDelayTime),
                   MinKeyRepetitionDelayTime, MaxKeyRepetitionDelayTime);

    const bool repetition =
        file.ReadFlag(ExtendedSection, QStringLiteral("Key repetition"), defaults.KeyRepetition);
    if (repetition != s.KeyRepetition) {
        s.KeyRepetition = repetition;
        ApplyRepeatRule(s);
    }
    const bool actOnKeyDown =
        file.ReadFlag(ExtendedSection, QStringLiteral("Act on key down"), defaults.ActOnKeyDown);
    if (actOnKeyDown != s.ActOnKeyDown) {
        s.ActOnKeyDown = actOnKeyDown;
        ApplyModeRules(s);
    }
    s.ExecuteOnKeyUp = file.ReadFlag(ExtendedSection, QStringLiteral("Execute on key up"),
                                     defaults.ExecuteOnKeyUp);
    ApplyRepeatRule(s);
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
}

SaveResult SaveUserSettings(const UserSettings& settings, const QString& path)
{
    if (!path.contains(u'/'))
        return SaveResult::Failure(QStringLiteral("Unable to create directory"));
    const QString failure = QStringLiteral("Unable to write to %1").arg(path);
    // A folder that cannot be created is not reported by itself: the write below then fails.
    QDir().mkpath(QFileInfo(path).absolutePath());
    ProfileFile file;
    if (!file.Load(path))
        return SaveResult::Failure(failure);
    WriteUserSettings(settings, file);
    if (!file.Save())
        return SaveResult::Failure(failure);
    return {};
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
