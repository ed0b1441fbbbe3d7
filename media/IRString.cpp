#include "media/IRString.h"

#include <algorithm>

namespace Tonlyra {

namespace {

// The value of an upper-case hexadecimal digit, or -1.
int HexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QChar HexDigit(int value)
{
    return QLatin1Char("0123456789ABCDEF"[value & 0xF]);
}

} // namespace

const QStringList& IRButtonNames()
{
    static const QStringList names = {"1", "2", "3", "4", "5", "6", "7", "8", "9",
                                      "0", "*", "#", "A", "B", "C", "D", "!"};
    return names;
}

QString BuildIRString(const IRCommand& command)
{
    QString text = QStringLiteral("!S ");
    const int button = std::clamp(command.ButtonIndex, 0, IRCommand::ButtonCount - 1);
    if (button == IRCommand::BangButton) {
        text += QStringLiteral("A0 ");
    } else {
        text += HexDigit(std::clamp(command.LevelIndex, 0, IRCommand::LevelCount - 1));
        text += HexDigit(button);
        text += QLatin1Char(' ');
    }
    int pulses = 0;
    if (command.Continuous)
        pulses = IRCommand::ContinuousValue;
    else if (command.PulseCount >= 1 && command.PulseCount <= IRCommand::MaxPulses)
        pulses = command.PulseCount;
    text += HexDigit(pulses >> 4);
    text += HexDigit(pulses);
    return text;
}

IRCommand ParseIRString(const QString& text)
{
    IRCommand command; // level 2, key "1", not continuous
    int pulses = IRCommand::DefaultPulses;
    if (text.size() == 8) {
        if (text[3] == QLatin1Char('A') && text[4] == QLatin1Char('0')) {
            command.LevelIndex = 0;
            command.ButtonIndex = IRCommand::BangButton;
        } else {
            const int level = HexValue(text[3]);
            if (level >= 0 && level <= 9)
                command.LevelIndex = level;
            const int button = HexValue(text[4]);
            if (button >= 0)
                command.ButtonIndex = button;
        }
        // A pulse field that is not two hexadecimal digits is unreadable: it gets the same
        // default as an unreadable text rather than a value made of half a number.
        const int high = HexValue(text[6]);
        const int low = HexValue(text[7]);
        if (high >= 0 && low >= 0)
            pulses = high * 16 + low;
    }
    if (pulses == IRCommand::ContinuousValue) {
        command.Continuous = true;
        command.PulseCount = 0;
    } else {
        command.PulseCount = pulses <= IRCommand::MaxPulses ? pulses : 0;
    }
    return command;
}

} // namespace Tonlyra
