// The switches' inputs: the stored items read and written back, presses matched to switch 1
// or 2, and the two lists and the scan progress in a user settings file.

#include "input/SwitchInputs.h"
#include "usersettings/UserSettings.h"

#include <QLoggingCategory>

#include <gtest/gtest.h>

using namespace Tonlyra;

namespace {

SwitchInput Key(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return SwitchInput::OfKey(QKeyCombination(modifiers, Qt::Key(qtKey)));
}

UserSettings Read(const QByteArray& bytes)
{
    ProfileFile file;
    file.FromBytes(bytes);
    UserSettings s;
    ReadUserSettings(s, file, 5000);
    return s;
}

QStringList Messages;

void Capture(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    Messages.append(QString::fromLatin1(context.category) + u' ' + message);
}

} // namespace

TEST(SwitchInputs, ItemsReadAndWrittenBack)
{
    struct Case
    {
        const char* Item;
        SwitchInput Input;
        const char* Written; // how it is written back
    };
    const Case cases[] = {
        {"key:Space", Key(Qt::Key_Space), "key:Space"},
        {"key:F5", Key(Qt::Key_F5), "key:F5"},
        {"key:1", Key(Qt::Key_1), "key:1"},
        {"key:Num+1", Key(Qt::Key_1, Qt::KeypadModifier), "key:Num+1"},
        {"key:Enter", Key(Qt::Key_Enter), "key:Enter"},
        {"key:Return", Key(Qt::Key_Return), "key:Return"},
        {"KEY:left", Key(Qt::Key_Left), "key:Left"},
        {" key:PgDown ", Key(Qt::Key_PageDown), "key:PgDown"},
        {"key:A", Key(Qt::Key_A), "key:A"},
        {"key:+", Key(Qt::Key_Plus), "key:+"},
        {"mouse:left", SwitchInput::OfMouse(Qt::LeftButton), "mouse:left"},
        {"mouse:Right", SwitchInput::OfMouse(Qt::RightButton), "mouse:right"},
        {"mouse:middle", SwitchInput::OfMouse(Qt::MiddleButton), "mouse:middle"},
        {"mouse:back", SwitchInput::OfMouse(Qt::BackButton), "mouse:back"},
        {"mouse:forward", SwitchInput::OfMouse(Qt::ForwardButton), "mouse:forward"},
        {"joystick:1", SwitchInput::OfJoystick(1), "joystick:1"},
        {"joystick:12@Pad X", SwitchInput::OfJoystick(12, QStringLiteral("Pad X")),
         "joystick:12@Pad X"},
    };
    for (const Case& c : cases) {
        const auto input = ParseSwitchInput(QString::fromUtf8(c.Item));
        ASSERT_TRUE(input) << c.Item;
        EXPECT_EQ(*input, c.Input) << c.Item;
        EXPECT_EQ(FormatSwitchInput(*input).toStdString(), c.Written) << c.Item;
    }
}

TEST(SwitchInputs, UnreadableItemsAreLeftOutAndNamed)
{
    for (const char* item :
         {"", "key:", "key:Ctrl+A", "key:Space, Enter", "key:NoSuchKey", "key:Volume Up",
          "key:;", "mouse:", "mouse:wheel", "joystick:0", "joystick:-1", "joystick:x", "joystick:3@",
          "joystick:999", "keyboard:A", "Space"})
        EXPECT_FALSE(ParseSwitchInput(QString::fromUtf8(item))) << item;

    QStringList unreadable;
    const SwitchInputList inputs = ParseSwitchInputs(
        QStringLiteral("key:F5; mouse:wheel ;;mouse:right;key:F5;joystick:2@Pad;joystick:0"),
        &unreadable);
    EXPECT_EQ(inputs, (SwitchInputList{Key(Qt::Key_F5), SwitchInput::OfMouse(Qt::RightButton),
                                       SwitchInput::OfJoystick(2, QStringLiteral("Pad"))}));
    EXPECT_EQ(unreadable, (QStringList{QStringLiteral("mouse:wheel"), QStringLiteral("joystick:0")}));
    EXPECT_EQ(FormatSwitchInputs(inputs), QStringLiteral("key:F5;mouse:right;joystick:2@Pad"));
}

TEST(SwitchInputs, PressesFindTheirSwitch)
{
    const SwitchInputList one = {Key(Qt::Key_F5), SwitchInput::OfMouse(Qt::RightButton),
                                 SwitchInput::OfJoystick(1)};
    const SwitchInputList two = {Key(Qt::Key_1), Key(Qt::Key_Enter),
                                 SwitchInput::OfJoystick(2, QStringLiteral("Pad"))};
    struct Case
    {
        const char* Name;
        SwitchInput Press;
        int Switch;
    };
    const Case cases[] = {
        {"F5", Key(Qt::Key_F5), 1},
        {"F6", Key(Qt::Key_F6), 0},
        {"main 1", Key(Qt::Key_1), 2},
        {"keypad 1 is another key", Key(Qt::Key_1, Qt::KeypadModifier), 0},
        {"Return is Enter", Key(Qt::Key_Return), 2},
        {"keypad Enter is Enter", Key(Qt::Key_Enter, Qt::KeypadModifier), 2},
        {"space", Key(Qt::Key_Space), 0},
        {"a key without a code", Key(Qt::Key_VolumeUp), 0},
        {"right button", SwitchInput::OfMouse(Qt::RightButton), 1},
        {"left button", SwitchInput::OfMouse(Qt::LeftButton), 0},
        {"button 1 of any joystick", SwitchInput::OfJoystick(1, QStringLiteral("Other")), 1},
        {"button 2 of the named pad", SwitchInput::OfJoystick(2, QStringLiteral("Pad")), 2},
        {"button 2 of another pad", SwitchInput::OfJoystick(2, QStringLiteral("Other")), 0},
        {"button 3", SwitchInput::OfJoystick(3, QStringLiteral("Pad")), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SwitchOfPress(one, two, c.Press), c.Switch) << c.Name;
    // An input in both lists is switch 1's.
    EXPECT_EQ(SwitchOfPress(one, one, Key(Qt::Key_F5)), 1);
}

TEST(SwitchInputs, SettingsFileKeys)
{
    const QByteArray head = "[Extended settings]\r\n";
    // Missing keys: today's switches, no progress bar.
    const UserSettings defaults = Read(head);
    EXPECT_EQ(defaults.Switch1, DefaultSwitch1());
    EXPECT_EQ(defaults.Switch2, DefaultSwitch2());
    EXPECT_FALSE(defaults.ShowScanProgress);
    EXPECT_EQ(DefaultSwitch1(), SwitchInputList{Key(Qt::Key_Space)});
    EXPECT_EQ(DefaultSwitch2(), SwitchInputList{Key(Qt::Key_Return)});

    Messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Capture);
    const UserSettings s = Read(head + "Switch 1=key:F5;mouse:right;mouse:wheel\r\n"
                                       "Switch 2=key:1\r\nShow scan progress=1\r\n");
    // Nothing readable keeps the default rather than leaving the user without the switch.
    const UserSettings garbled = Read(head + "Switch 1=joystick:0\r\n");
    qInstallMessageHandler(previous);
    EXPECT_EQ(s.Switch1, (SwitchInputList{Key(Qt::Key_F5), SwitchInput::OfMouse(Qt::RightButton)}));
    EXPECT_EQ(s.Switch2, SwitchInputList{Key(Qt::Key_1)});
    EXPECT_TRUE(s.ShowScanProgress);
    EXPECT_EQ(garbled.Switch1, DefaultSwitch1());
    ASSERT_EQ(Messages.size(), 3) << Messages.join(u'\n').toStdString();
    EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("tonlyra.input ")));
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("mouse:wheel")));
    EXPECT_TRUE(Messages[1].contains(QStringLiteral("joystick:0")));

    // Written back as read; an emptied list stays empty.
    UserSettings changed = s;
    changed.Switch2.clear();
    ProfileFile file;
    WriteUserSettings(changed, file);
    EXPECT_TRUE(file.ToBytes().contains("Switch 1=key:F5;mouse:right\r\nSwitch 2=\r\n"
                                        "Show scan progress=1\r\n"));
    UserSettings back;
    ReadUserSettings(back, file, 5000);
    EXPECT_EQ(back, changed);

    // Back to the defaults, the keys leave the file: it is the old program's again.
    WriteUserSettings(UserSettings(), file);
    EXPECT_FALSE(file.HasKey(QStringLiteral("Extended settings"), QStringLiteral("Switch 1")));
    EXPECT_FALSE(file.HasKey(QStringLiteral("Extended settings"), QStringLiteral("Switch 2")));
    EXPECT_FALSE(
        file.HasKey(QStringLiteral("Extended settings"), QStringLiteral("Show scan progress")));
}
