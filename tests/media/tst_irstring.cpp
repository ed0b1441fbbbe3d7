#include "media/IRString.h"

#include <gtest/gtest.h>

using Tonlyra::BuildIRString;
using Tonlyra::IRCommand;
using Tonlyra::ParseIRString;

namespace {

IRCommand Command(int levelIndex, int buttonIndex, int pulses, bool continuous = false)
{
    IRCommand c;
    c.LevelIndex = levelIndex;
    c.ButtonIndex = buttonIndex;
    c.PulseCount = pulses;
    c.Continuous = continuous;
    return c;
}

} // namespace

TEST(IRString, BuildsTheDocumentedCommands)
{
    struct Case
    {
        IRCommand command;
        const char* text;
    };
    const Case cases[] = {
        {Command(0, 0, 1), "!S 00 01"},        // level 1, key "1", one pulse
        {Command(2, 11, 20), "!S 2B 14"},      // level 3, key "#", 20 pulses
        {Command(9, 15, 50), "!S 9F 32"},      // level 10, key "D", 50 pulses
        {Command(7, 16, 0, true), "!S A0 FF"}, // key "!" (any level), continuous
        {Command(4, 9, 0), "!S 49 00"},        // key "0"; no pulse count chosen
        {Command(1, 10, 51), "!S 1A 00"},      // a count outside 1..50 is no count
        {Command(-1, 3, 5), "!S 03 05"},       // indices outside their range are clamped
        {Command(12, 40, 5), "!S A0 05"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildIRString(c.command), QString::fromLatin1(c.text)) << c.text;
}

TEST(IRString, RoundTripsEveryCommandTheDialogOffers)
{
    for (int level = 0; level < IRCommand::LevelCount; ++level)
        for (int button = 0; button < IRCommand::ButtonCount; ++button)
            for (int pulses = 0; pulses <= IRCommand::MaxPulses; ++pulses) {
                // pulses 0 stands for continuous here
                const IRCommand sent = Command(level, button, pulses, pulses == 0);
                IRCommand expected = sent;
                if (button == IRCommand::BangButton)
                    expected.LevelIndex = 0; // "!" carries no level
                const QString text = BuildIRString(sent);
                ASSERT_EQ(text.size(), 8);
                ASSERT_EQ(ParseIRString(text), expected) << text.toStdString();
            }
}

TEST(IRString, ReadsEveryTextWithoutRefusingIt)
{
    struct Case
    {
        const char* text;
        int level;
        int button;
        int pulses;
        bool continuous;
    };
    const Case cases[] = {
        {"", 1, 0, 10, false},          // defaults: level 2, key "1", 10 pulses
        {"!S 3C 21", 3, 12, 33, false}, // pulse digits 2 and 1 are 33
        {"!S 3C FF", 3, 12, 0, true},   // continuous, no pulse count
        {"!S A0 05", 0, 16, 5, false},  // "A0" is the key "!", level 1
        {"!S AB 05", 1, 11, 5, false},  // "A" is no level digit: level stays 2
        {"!S 5G 05", 5, 0, 5, false},   // "G" is no button: key stays "1"
        {"!S 2b 05", 2, 0, 5, false},   // lower case is not hexadecimal here
        {"!S 21 00", 2, 1, 0, false},   // 0 pulses: no pulse count
        {"!S 21 33", 2, 1, 0, false},   // 51 pulses: no pulse count
        {"!S 21 ff", 2, 1, 10, false},  // unreadable pulse field: default count
        {"!S 21 1x", 2, 1, 10, false},
        {"!S 21 F", 1, 0, 10, false},   // 7 characters: only the default
        {"!S 21 FF ", 1, 0, 10, false}, // 9 characters: only the default
        {"XYZ92X32", 9, 2, 50, false},  // positions 1 to 3 and 6 are not examined
    };
    for (const Case& c : cases) {
        const IRCommand got = ParseIRString(QString::fromLatin1(c.text));
        EXPECT_EQ(got, Command(c.level, c.button, c.pulses, c.continuous)) << '"' << c.text << '"';
    }
}
