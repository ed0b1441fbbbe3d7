#include "tests/support/TestSupport.h"
#include "tests/support/ApplicationUnderTest.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QAction>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using Tonlyra::PromptRequest;
using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;

using Tonlyra::Test::ReadAll;
using Tonlyra::Test::WriteAll;

namespace {

const QString StandardCaption =
    QStringLiteral("Inställningar för brukare") + QString(10, u' ') + "Standardinställningar";

QByteArray SpacingFile(int spacing)
{
    return "[Extended settings]\r\nSpacing=" + QByteArray::number(spacing) + "\r\n";
}

// Runs the test in a fresh start directory holding a "Users" folder.
class UserSettingsFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(Dir.Path()));
        Start = QDir::currentPath();
        QDir(Start).mkdir("Users");
    }
    void TearDown() override { QDir::setCurrent(OldCurrent); }
    QString Users(const QString& name) const { return Start + "/Users/" + name; }

    TempDir Dir;
    QString OldCurrent;
    QString Start;
};

} // namespace

TEST_F(UserSettingsFormTest, StartsWithDefaultsWithoutAnyFile)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    EXPECT_EQ(form.UsersDirectory, Start + "/Users/");
    EXPECT_EQ(form.SettingsFileName, Users("User.def"));
    EXPECT_EQ(form.UserFilesDirectory, Start + "/Users/");
    EXPECT_EQ(form.UserSettings(), UserSettings());
    EXPECT_EQ(form.EditedSettings, UserSettings());
    EXPECT_EQ(form.windowTitle(), StandardCaption);
    EXPECT_FALSE(form.SaveUserSettingsMenu->isEnabled());
    EXPECT_FALSE(form.ChangedInWindow || form.ChangedOutside());
    EXPECT_FALSE(form.ShowUserSettingsWindow());
}

TEST_F(UserSettingsFormTest, CommandLineSettingsFiles)
{
    WriteAll(Users("User.def"), SpacingFile(1));
    WriteAll(Users("Anna.usr"), SpacingFile(2));
    WriteAll(Users("Bo.usr"), SpacingFile(4));
    WriteAll(Users("Caps.USR"), SpacingFile(5));
    WriteAll(Dir.File("Other/Eva.usr"), SpacingFile(6));
    struct Case
    {
        QStringList Arguments;
        int Spacing;
        QString File;
    };
    const Case cases[] = {
        {{}, 1, Users("User.def")},
        {{"Anna.usr"}, 2, Users("Anna.usr")}, // bare name: in Users
        {{"x.cdu", "Anna.usr"}, 2, Users("Anna.usr")},
        {{"Anna.usr", "Bo.usr"}, 4, Users("Bo.usr")},           // the second wins
        {{"Caps.USR"}, 1, Users("User.def")},                   // the extension is exact
        {{"Missing.usr"}, 1, Users("User.def")},                // skipped in silence
        {{"a.cdu", "b.cdu", "Anna.usr"}, 1, Users("User.def")}, // only the first two count
        {{Dir.File("Other/Eva.usr")}, 6, Dir.File("Other/Eva.usr")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Arguments.join(' ').toStdString());
        Tonlyra::Session formSession;
        TUserSettingsForm form(formSession, nullptr, c.Arguments);
        EXPECT_EQ(form.UserSettings().Spacing, c.Spacing);
        EXPECT_EQ(form.SettingsFileName, c.File);
    }
    Tonlyra::Session annaSession;
    TUserSettingsForm anna(annaSession, nullptr, {"Anna.usr"});
    EXPECT_EQ(anna.windowTitle(), "Brukarfiler" + QString(10, ' ') + Users("Anna.usr"));
    EXPECT_TRUE(anna.SaveUserSettingsMenu->isEnabled());
}

TEST_F(UserSettingsFormTest, ScanRangeDecidesHowLongAPeriodLoads)
{
    WriteAll(Users("Slow.usr"), "[Input settings]\r\nScan delay time=30000\r\n");
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession, nullptr, {"Slow.usr"});
    EXPECT_EQ(form.UserSettings().ScanDelayTime, 5000);
    EXPECT_EQ(form.ScanRangeIndex(), 0);
    form.SetScanRange(1);
    EXPECT_TRUE(form.ChangedInWindow);
    form.LoadUserSettingsFile(Users("Slow.usr"));
    EXPECT_EQ(form.EditedSettings.ScanDelayTime, 30000);
    EXPECT_EQ(form.ScanRangeIndex(), 1);
    form.SetScanRange(0); // a smaller range brings the period down to its maximum
    EXPECT_EQ(form.EditedSettings.ScanDelayTime, 5000);
}

TEST_F(UserSettingsFormTest, SetScanDelayTimeFromThePlayer)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    form.SetScanDelayTime(200);
    EXPECT_FALSE(form.ChangedOutside());
    EXPECT_EQ(form.UserSettings().ScanDelayTime, 1500);
    form.SetScanDelayTime(6000);
    EXPECT_TRUE(form.ChangedOutside());
    EXPECT_FALSE(form.ChangedInWindow);
    EXPECT_EQ(form.UserSettings().ScanDelayTime, 6000);
    EXPECT_EQ(form.EditedSettings.ScanDelayTime, 5000);
}

TEST_F(UserSettingsFormTest, QuerySaveUserSettingsAnswers)
{
    const QByteArray anna = SpacingFile(2);
    struct Case
    {
        const char* Name;
        QStringList Arguments;
        QMessageBox::StandardButton Answer;
        bool Result;
        bool Saved;
    };
    const Case cases[] = {
        {"yes, user file", {"Anna.usr"}, QMessageBox::Yes, true, true},
        {"no, user file", {"Anna.usr"}, QMessageBox::No, true, false},
        {"cancel, user file", {"Anna.usr"}, QMessageBox::Cancel, false, false},
        {"yes, standard file", {}, QMessageBox::Yes, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteAll(Users("Anna.usr"), anna);
        QFile::remove(Users("User.def"));
        Tonlyra::Session formSession;
        TUserSettingsForm form(formSession, nullptr, c.Arguments);
        form.EditedSettings.Spacing = 9;
        form.ChangedInWindow = true;
        ScriptedPrompts prompts;
        prompts.Button(c.Answer);
        EXPECT_EQ(form.QuerySaveUserSettings(), c.Result);
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(prompts.Asked()[0].Caption, "Spara ändringar");
        EXPECT_EQ(prompts.Asked()[0].Buttons,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(
            prompts.Asked()[0].Text,
            c.Arguments.isEmpty()
                ? QString("Standardinställningarna för brukare har ändrats. Vill du spara dem?")
                : "Inställningarna i brukarfilen \"" + Users("Anna.usr") +
                      "\" har ändrats. Vill du spara dem?");
        EXPECT_EQ(form.ChangedInWindow, !c.Result);
        EXPECT_EQ(form.ChangedOutside(), !c.Result);
        const QString file = c.Arguments.isEmpty() ? Users("User.def") : Users("Anna.usr");
        EXPECT_EQ(ReadAll(file).contains("Spacing=9"), c.Saved);
        // Answered once, not asked again.
        if (c.Result) {
            EXPECT_TRUE(form.QuerySaveUserSettings());
        }
    }
    Tonlyra::Session unchangedSession;
    TUserSettingsForm unchanged(unchangedSession);
    ScriptedPrompts none;
    EXPECT_TRUE(unchanged.QuerySaveUserSettings());
    EXPECT_TRUE(none.Asked().empty());
}

TEST_F(UserSettingsFormTest, FailedSaveIsShownAndKeepsEverything)
{
    WriteAll(Dir.File("afile"), "x");
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    form.Session.SetSettingsUnsaved(true);
    const QString bad = Dir.File("afile/u.usr");
    {
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::Ok);
        EXPECT_FALSE(form.SaveUserSettingsFile(bad));
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(prompts.Asked()[0].Text, "Unable to write to " + bad + "\nMappen finns inte.");
    }
    EXPECT_EQ(form.SettingsFileName, Users("User.def"));
    EXPECT_TRUE(form.ChangedOutside());

    // Yes in the question with a save that fails: the asking operation does not go on.
    form.LoadUserSettingsFile(bad);
    form.ChangedInWindow = true;
    ScriptedPrompts prompts;
    prompts.Button(QMessageBox::Yes).Button(QMessageBox::Ok);
    EXPECT_FALSE(form.QuerySaveUserSettings());
    EXPECT_TRUE(form.ChangedInWindow && form.ChangedOutside());
}

TEST_F(UserSettingsFormTest, FileMenuEnabling)
{
    WriteAll(Users("Anna.usr"), SpacingFile(2));
    struct Case
    {
        QString File;
        bool Changed;
        bool Save, SaveDefault;
    };
    const Case cases[] = {
        {Users("User.def"), false, false, false},
        {Users("User.def"), true, false, true},
        {Users("Anna.usr"), false, false, true},
        {Users("Anna.usr"), true, true, true},
    };
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File.toStdString() + (c.Changed ? " changed" : ""));
        form.LoadUserSettingsFile(c.File);
        form.Session.SetSettingsUnsaved(c.Changed);
        form.FileMenuPopup();
        EXPECT_EQ(form.SaveUserSettingsMenu->isEnabled(), c.Save);
        EXPECT_EQ(form.SaveDefaultMenu->isEnabled(), c.SaveDefault);
    }
}

TEST_F(UserSettingsFormTest, FileCommands)
{
    WriteAll(Users("Anna.usr"), SpacingFile(2));
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    form.ChangedInWindow = true;
    {
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::No).File(Users("Anna.usr"));
        form.OpenUserSettingsMenuClick();
        ASSERT_EQ(prompts.Asked().size(), 2u);
        const PromptRequest& open = prompts.Asked()[1];
        EXPECT_EQ(open.What, PromptRequest::Kind::OpenFile);
        EXPECT_EQ(open.Filter, "Brukarfiler|*.usr");
        EXPECT_EQ(open.DefaultSuffix, "usr");
        EXPECT_EQ(open.InitialDirectory, Start + "/Users/");
        EXPECT_EQ(form.EditedSettings.Spacing, 2);
        EXPECT_EQ(form.UserSettings().Spacing, 3); // loading does not apply
    }
    {
        // "Save as" asks nothing about changes and writes to the chosen name.
        form.ChangedInWindow = true;
        form.EditedSettings.Spacing = 7;
        ScriptedPrompts prompts;
        prompts.File(Dir.File("new/Bo.usr"));
        form.SaveUserSettingsAsMenuClick();
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_TRUE(prompts.Asked()[0].ConfirmOverwrite);
        EXPECT_EQ(form.SettingsFileName, Dir.File("new/Bo.usr"));
        EXPECT_EQ(form.UserFilesDirectory, Dir.File("new") + "/");
        EXPECT_FALSE(form.ChangedInWindow);
        EXPECT_TRUE(ReadAll(Dir.File("new/Bo.usr")).contains("Spacing=7"));
    }
    {
        ScriptedPrompts prompts;
        form.SaveDefaultMenuClick();
        EXPECT_TRUE(ReadAll(Users("User.def")).contains("Spacing=7"));
        EXPECT_EQ(form.SettingsFileName, Users("User.def"));
        form.EditedSettings.Spacing = 8;
        form.SaveUserSettingsMenuClick(); // the file last saved
        EXPECT_TRUE(prompts.Asked().empty());
        EXPECT_TRUE(ReadAll(Users("User.def")).contains("Spacing=8"));
        EXPECT_TRUE(ReadAll(Dir.File("new/Bo.usr")).contains("Spacing=7"));
    }
    {
        form.Session.SetSettingsUnsaved(true);
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::Cancel);
        form.OpenDefaultMenuClick();
        EXPECT_EQ(form.EditedSettings.Spacing, 8);
        prompts.Button(QMessageBox::No);
        form.OpenDefaultMenuClick();
        EXPECT_EQ(form.SettingsFileName, Users("User.def"));
        EXPECT_EQ(form.windowTitle(), StandardCaption);
    }
}
