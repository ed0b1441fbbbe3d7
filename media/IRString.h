#pragma once

#include <QString>
#include <QStringList>

namespace Tonlyra {

// An IR command as the IR dialog holds it. An IR command text ("IRString") is eight characters:
// "!S ", the level index and the button index as one hexadecimal digit each, a space, and the
// pulse count as two hexadecimal digits ("FF" when the command is sent for as long as the
// switch is closed). The key "!" is written "A0" in place of level and button.
struct IRCommand
{
    static constexpr int LevelCount = 10;  // levels 1 to 10, index 0 to 9
    static constexpr int ButtonCount = 17; // see IRButtonNames()
    static constexpr int MaxPulses = 50;   // pulse counts 1 to 50
    static constexpr int BangButton = 16;  // index of the key "!"
    static constexpr int ContinuousValue = 255;
    static constexpr int DefaultPulses = 10;

    int LevelIndex = 1;  // 0 to 9
    int ButtonIndex = 0; // 0 to 16
    bool Continuous = false;
    // 1 to 50; 0 when no pulse count is chosen (always 0 while Continuous is set).
    int PulseCount = DefaultPulses;

    friend bool operator==(const IRCommand&, const IRCommand&) = default;
};

// The key names in button-index order: "1" .. "9", "0", "*", "#", "A" .. "D", "!".
const QStringList& IRButtonNames();

// The eight-character text of a command. Continuous gives "FF"; a pulse count outside 1..50
// (no pulse count chosen) gives "00". A level or button index outside its range is clamped, so
// the text is always eight characters long.
QString BuildIRString(const IRCommand& command);

// Reads a command text. Never fails: what cannot be read keeps the defaults (level 2, key "1",
// 10 pulses). Only upper-case hexadecimal digits count. A text that is not eight characters
// long, or whose pulse field is not two upper-case hexadecimal digits, gets 10 pulses; the
// pulse field "FF" means continuous; a pulse value of 0 or above 50 leaves no pulse count.
IRCommand ParseIRString(const QString& text);

} // namespace Tonlyra
