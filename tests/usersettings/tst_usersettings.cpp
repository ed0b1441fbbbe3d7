#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettings.h"

#include <QFile>

#include <gtest/gtest.h>

using Tonlyra::ProfileFile;
using Tonlyra::Test::TempDir;

using Tonlyra::Test::ReadAll;
using Tonlyra::Test::WriteAll;

namespace {

UserSettings Read(const QByteArray& bytes, qint32 scanMaximum = 5000,
                  const UserSettings& before = UserSettings())
{
    ProfileFile file;
    file.FromBytes(bytes);
    UserSettings s = before;
    Tonlyra::ReadUserSettings(s, file, scanMaximum);
    return s;
}

const QByteArray DefaultFile =
    "[Input settings]\r\nMouse=1\r\nKeyboard=0\r\nTwo-switches=0\r\nOne-switch=0\r\n"
    "Two-switches scan=0\r\nTwo-switches scan X-Y=0\r\nOne-switch scan=0\r\n"
    "One-switch scan X-Y=0\r\nArrow-keys=0\r\nScan delay time=1500\r\n"
    "[Presentation settings]\r\nPictures=1\r\nTexts=1\r\nSound=0\r\n"
    "[Font]\r\nName=System\r\nSize=10\r\nBold=0\r\nItalic=0\r\nUnderline=0\r\nStrikeout=0\r\n"
    "Color=0\r\n"
    "[Extended settings]\r\nScan color=255\r\nBack color=12632256\r\nButton color=12632256\r\n"
    "Spacing=3\r\nZoom pictures=1\r\nHide borders=0\r\nKey repetition delay time=1500\r\n"
    "Key repetition=0\r\nAct on key down=1\r\nExecute on key up=0\r\n";
// Written after the old program's keys, which that program reads alone.
const QByteArray DefaultTimingKeys =
    "Acceptance time=0\r\nIgnore repeat time=0\r\nPause after choice=0\r\nScan rounds=0\r\n"
    "First step extra time=0\r\nSpeak cells=0\r\nLog use=0\r\n";

} // namespace

void PrintTo(const UserSettings& s, std::ostream* os)
{
    ProfileFile file;
    Tonlyra::WriteUserSettings(s, file);
    *os << file.ToBytes().toStdString();
}

TEST(UserSettings, DefaultsWriteTheFileInLayoutOrder)
{
    TempDir dir;
    ASSERT_TRUE(Tonlyra::SaveUserSettings(UserSettings(), dir.File("Users/User.def")).Ok());
    EXPECT_EQ(ReadAll(dir.File("Users/User.def")), DefaultFile + DefaultTimingKeys);
    EXPECT_EQ(Read(""), UserSettings());
    // A file of the old program, without the timing keys, loads with the defaults.
    EXPECT_EQ(Read(DefaultFile), UserSettings());
}

TEST(UserSettings, SaveAndLoadGiveBackEveryField)
{
    TempDir dir;
    UserSettings s;
    s.ControlMode = ControlMode::TwoSwitchScanXYControl;
    s.ScanDelayTime = 4200;
    s.ShowPictures = false;
    s.ShowTexts = false;
    s.PlaySound = true;
    s.Font = {QString::fromUtf8("Sans Ö"), 24, 0x123456, true, true, true, true};
    s.ScanColor = 0x00FF00;
    s.BackColor = 0;
    s.ButtonColor = 0xFFFFFF;
    s.Spacing = 20;
    s.ZoomPictures = false;
    s.HideBorders = true;
    s.KeyRepetitionDelayTime = 250;
    s.KeyRepetition = true;
    s.ActOnKeyDown = true;
    s.ExecuteOnKeyUp = true;
    s.AcceptanceTime = 150;
    s.IgnoreRepeatTime = 300;
    s.PauseAfterChoice = 2000;
    s.ScanRounds = 3;
    s.FirstStepExtraTime = 500;
    s.SpeakCells = true;
    s.LogUse = true;
    const QString path = dir.File("a/b/Anna.usr");
    ASSERT_TRUE(Tonlyra::SaveUserSettings(s, path).Ok());
    ProfileFile file(path);
    UserSettings back;
    Tonlyra::ReadUserSettings(back, file, 5000);
    EXPECT_EQ(back, s);

    // Every mode survives, and so does "no mode".
    for (int m = -1; m <= 8; ++m) {
        UserSettings one;
        one.ControlMode = static_cast<ControlMode>(m);
        ProfileFile f;
        Tonlyra::WriteUserSettings(one, f);
        UserSettings r;
        Tonlyra::ReadUserSettings(r, f, 5000);
        EXPECT_EQ(r.ControlMode, one.ControlMode) << m;
    }
}

TEST(UserSettings, ModeKeys)
{
    struct Case
    {
        const char* File;
        ControlMode Mode;
    };
    const Case cases[] = {
        {"", ControlMode::MouseControl},
        {"[Input settings]\nMouse=1\nArrow-keys=1\n", ControlMode::ArrowControl},
        {"[Input settings]\nMouse=0\n", ControlMode::None},
        {"[Input settings]\nMouse=0\nKeyboard=0\n", ControlMode::None},
        // The last set key in file order decides, whatever order the lines stand in.
        {"[Input settings]\nArrow-keys=1\nOne-switch=1\n", ControlMode::ArrowControl},
        {"[Input settings]\nmouse=$0\nONE-SWITCH SCAN=0x1\n", ControlMode::OneSwitchScanControl},
        {"[Input settings]\nMouse=yes\n", ControlMode::MouseControl},
        {"[Input settings]\nMouse=0\nKeyboard=-3\n", ControlMode::KeyboardControl},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.File).ControlMode, c.Mode) << c.File;
}

TEST(UserSettings, ConsistencyRulesWhileLoading)
{
    struct Case
    {
        const char* Name;
        QByteArray File;
        UserSettings Before;
        bool PlaySound, KeyRepetition, ExecuteOnKeyUp;
    };
    UserSettings before; // defaults
    UserSettings noActBefore;
    noActBefore.ActOnKeyDown = false;
    const QByteArray twoSwitch = "[Input settings]\nMouse=0\nTwo-switches=1\n";
    const Case cases[] = {
        // "Sound" is taken as read, even in mouse control...
        {"sound kept in mouse control", "[Presentation settings]\nSound=1\n", before, true, false,
         false},
        // ...unless "Act on key down" changes, which applies the mode rules after it.
        {"sound cleared by act-on-key-down change",
         "[Presentation settings]\nSound=1\n[Extended settings]\nAct on key down=0\n", before,
         false, false, false},
        {"repetition and execute kept in two-switch",
         twoSwitch + "[Extended settings]\nKey repetition=1\nExecute on key up=1\n", before, false,
         true, true},
        {"execute needs repetition", twoSwitch + "[Extended settings]\nExecute on key up=1\n",
         before, false, false, false},
        {"execute not in arrow control",
         "[Input settings]\nArrow-keys=1\n[Extended settings]\nKey repetition=1\n"
         "Execute on key up=1\n",
         before, false, true, false},
        {"repetition cleared when act-on-key-down goes off",
         twoSwitch + "[Extended settings]\nKey repetition=1\nAct on key down=0\n"
                     "Execute on key up=1\n",
         before, false, false, false},
        // Key repetition read as set in mouse control survives: only the repeat rule follows it.
        {"repetition kept in mouse control", "[Extended settings]\nKey repetition=1\n", before,
         false, true, false},
        // A mode chosen while the previous settings had act-on-key-down off; the file turns it on.
        {"act-on-key-down from the file", twoSwitch + "[Extended settings]\nKey repetition=1\n",
         noActBefore, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const UserSettings s = Read(c.File, 5000, c.Before);
        EXPECT_EQ(s.PlaySound, c.PlaySound);
        EXPECT_EQ(s.KeyRepetition, c.KeyRepetition);
        EXPECT_EQ(s.ExecuteOnKeyUp, c.ExecuteOnKeyUp);
    }
}

TEST(UserSettings, RangesAndNumbers)
{
    struct Case
    {
        const char* File;
        qint32 ScanMaximum;
        qint32 UserSettings::*Field;
        qint32 Value;
    };
    const Case cases[] = {
        {"[Input settings]\nScan delay time=30000\n", 5000, &UserSettings::ScanDelayTime, 5000},
        {"[Input settings]\nScan delay time=30000\n", 60000, &UserSettings::ScanDelayTime, 30000},
        {"[Input settings]\nScan delay time=100\n", 5000, &UserSettings::ScanDelayTime, 200},
        {"[Input settings]\nScan delay time=-5\n", 5000, &UserSettings::ScanDelayTime, 200},
        {"[Extended settings]\nKey repetition delay time=100\n", 5000,
         &UserSettings::KeyRepetitionDelayTime, 250},
        {"[Extended settings]\nKey repetition delay time=9000\n", 5000,
         &UserSettings::KeyRepetitionDelayTime, 5000},
        {"[Extended settings]\nScan color=0xFF\n", 5000, &UserSettings::ScanColor, 255},
        {"[Extended settings]\nScan color=$FF\n", 5000, &UserSettings::ScanColor, 255},
        {"[Extended settings]\nScan color=red\n", 5000, &UserSettings::ScanColor, 255},
        {"[Extended settings]\nBack color=0X10\n", 5000, &UserSettings::BackColor, 16},
        {"[Extended settings]\nBack color=12.5\n", 5000, &UserSettings::BackColor, 12632256},
        {"[Extended settings]\nSpacing=0\n", 5000, &UserSettings::Spacing, 0},
        {"[Extended settings]\nSpacing=21\n", 5000, &UserSettings::Spacing, 3},
        {"[Extended settings]\nSpacing=-1\n", 5000, &UserSettings::Spacing, 3},
        {"[Extended settings]\nAcceptance time=-10\n", 5000, &UserSettings::AcceptanceTime, 0},
        {"[Extended settings]\nIgnore repeat time=99999\n", 5000, &UserSettings::IgnoreRepeatTime,
         5000},
        {"[Extended settings]\nPause after choice=0x10\n", 5000, &UserSettings::PauseAfterChoice,
         16},
        {"[Extended settings]\nScan rounds=1000\n", 5000, &UserSettings::ScanRounds, 99},
        {"[Extended settings]\nFirst step extra time=half\n", 5000,
         &UserSettings::FirstStepExtraTime, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.File, c.ScanMaximum).*c.Field, c.Value) << c.File << c.ScanMaximum;
}

TEST(UserSettings, FontAndOldFiles)
{
    // CRLF, Windows-1252, sections and keys in any case, blanks around values.
    const UserSettings s = Read("[FONT]\r\nname = Tr\xE4 Sans \r\nSize=0x0C\r\nbold=1\r\n"
                                "Italic=0\r\nUnderline=1\r\nStrikeout=word\r\nColor=$FF0000\r\n");
    EXPECT_EQ(s.Font.Name, QString::fromUtf8("Trä Sans"));
    EXPECT_EQ(s.Font.Size, 12);
    EXPECT_TRUE(s.Font.Bold && s.Font.Underline);
    EXPECT_FALSE(s.Font.Italic || s.Font.Strikeout);
    EXPECT_EQ(s.Font.Color, 0xFF0000);
    EXPECT_EQ(Tonlyra::ColorFromBgr(s.Font.Color), QColor(0, 0, 255));
    EXPECT_EQ(Tonlyra::BgrFromColor(QColor(1, 2, 3)), 0x030201);
    EXPECT_EQ(Tonlyra::ToQFont(s.Font).pointSize(), 12);
    EXPECT_EQ(Tonlyra::FromQFont(Tonlyra::ToQFont(s.Font), s.Font.Color), s.Font);
}

TEST(UserSettings, SaveReplacesKeysInPlaceAndReportsFailures)
{
    TempDir dir;
    const QString path = dir.File("u.usr");
    WriteAll(path, "; note\n[Extended settings]\nSpacing=7\nMine=x\n[Other]\nk=v\n");
    UserSettings s;
    s.Spacing = 5;
    ASSERT_TRUE(Tonlyra::SaveUserSettings(s, path).Ok());
    const QByteArray bytes = ReadAll(path);
    EXPECT_TRUE(bytes.startsWith("; note\n[Extended settings]\nSpacing=5\nMine=x\n"));
    EXPECT_TRUE(bytes.contains("[Other]\nk=v\n"));

    EXPECT_EQ(Tonlyra::SaveUserSettings(s, "bare.usr").Error(), "Unable to create directory");
    EXPECT_FALSE(QFile::exists("bare.usr"));
    WriteAll(dir.File("afile"), "x");
    const QString underFile = dir.File("afile/sub/u.usr");
    EXPECT_EQ(Tonlyra::SaveUserSettings(s, underFile).Error(),
              "Unable to write to " + underFile + "\nMappen finns inte.");

    const QByteArray old = ReadAll(path);
    s.Spacing = 9;
    EXPECT_EQ(Tonlyra::Test::SaveUnderFileSizeLimit(
                  32, [&] { return Tonlyra::SaveUserSettings(s, path).Ok(); }),
              0);
    EXPECT_EQ(ReadAll(path), old);
}

TEST(UserSettings, ScanPeriodText)
{
    struct Case
    {
        qint32 Milliseconds;
        int Range;
        const char* Text;
    };
    // Rounded to three digits first: 10050 ms is 10,1 s before it is shown with two decimals.
    const Case cases[] = {
        {1500, 0, "1,50"},   {200, 0, "0,20"},   {5000, 0, "5,00"}, {59900, 1, "59,90"},
        {10050, 1, "10,10"}, {1500, 2, "0,03"},  {900, 2, "0,02"},  {299900, 2, "5,00"},
        {200, 2, "0,00"},    {60000, 2, "1,00"},
    };
    const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
    for (const Case& c : cases)
        EXPECT_EQ(Tonlyra::ScanPeriodText(c.Milliseconds, c.Range, swedish), c.Text)
            << c.Milliseconds << " " << c.Range;
    EXPECT_EQ(Tonlyra::ScanPeriodText(1500, 0, QLocale::c()), "1.50");
}
