// The user settings window opened from the player's menu: the player's grid follows the
// settings the carer accepts at once, and stays as it was when the carer cancels.

#include "tests/player/PlayerTestFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

using namespace Tonlyra;
using namespace Tonlyra::Test;

namespace {

class UserSettingsGridTest : public PlayerFixture
{
protected:
    UserSettingsGridTest() { Built = Parts::All; }
    // The colours the user sees on cell 1: the ring around it and its face.
    std::pair<QColor, QColor> CellColours()
    {
        CellPanel* panel = PlayerForm->CellPanelOf(1);
        const QImage image = panel->grab().toImage();
        const QImage face = panel->Face()->grab().toImage();
        return {image.pixelColor(0, 0), face.pixelColor(1, 1)};
    }

    // Opens "Inställningar för brukare" and makes the same edits each time: new cell and
    // background colours, spacing 7 from the keyboard, one-switch sequential scanning and a
    // hidden title bar; then ends the window with the given menu item.
    void EditAndEnd(QAction* TUserSettingsForm::*end)
    {
        ScriptedPrompts prompts;
        prompts.Dialog([this, end](QDialog&) {
            TUserSettingsForm& w = *UserSettingsForm;
            w.ShowAdvancedView();
            ScriptedPrompts colors;
            colors.Color(QColor(0, 128, 0)).Color(QColor(0, 0, 160));
            w.ButtonColorButton->click();
            w.BackColorButton->click();
            w.SpacingComboBox->setFocus();
            for (int k = 0; k < 4; ++k)
                QTest::keyClick(w.SpacingComboBox, Qt::Key_Down);
            w.OneSwitchScanControlRadioButton->click();
            w.HideBordersCheckBox->click();
            ScriptedPrompts no; // "&Avbryt" asks whether to save the changes: no
            if (end == &TUserSettingsForm::CloseMenu)
                no.Button(QMessageBox::No);
            (w.*end)->trigger();
            return false;
        });
        PlayerForm->UserSettingsMenu->trigger();
    }
};

} // namespace

TEST_F(UserSettingsGridTest, AcceptedSettingsShowOnTheGridAtOnceAndAreSaved)
{
    Start(WriteOverlay(QStringLiteral("Grid.cdu"), 2, 2, {}), Settings(ControlMode::MouseControl));
    EXPECT_EQ(CellColours(), std::make_pair(QColor(192, 192, 192), QColor(192, 192, 192)));
    EXPECT_FALSE(PlayerForm->ScanTimer->isActive());

    EditAndEnd(&TUserSettingsForm::CloseAndLoadMenu);

    EXPECT_EQ(CellColours(), std::make_pair(QColor(0, 0, 160), QColor(0, 128, 0)));
    EXPECT_EQ(PlayerForm->CellPanelOf(1)->BorderWidth(), 7);
    EXPECT_TRUE(PlayerForm->ScanTimer->isActive()); // one-switch scanning runs
    EXPECT_TRUE(PlayerForm->isFullScreen());        // the title bar hidden
    EXPECT_TRUE(PlayerForm->HideBordersMenu->isChecked());

    // The change is offered for saving when the program ends, and the save writes it.
    ScriptedPrompts prompts;
    prompts.Button(QMessageBox::Yes);
    EXPECT_TRUE(UserSettingsForm->QuerySaveUserSettings());
    ASSERT_EQ(prompts.Asked().size(), 1u);
    const QByteArray saved = ReadAll(Dir.File(QStringLiteral("Users/User.def")));
    EXPECT_TRUE(saved.contains("One-switch scan=1\r\n"));
    EXPECT_TRUE(saved.contains("Spacing=7\r\n"));
    EXPECT_TRUE(saved.contains("Button color=32768\r\n"));
    EXPECT_TRUE(saved.contains("Back color=10485760\r\n"));
    EXPECT_TRUE(saved.contains("Hide borders=1\r\n"));
}

TEST_F(UserSettingsGridTest, CancelledEditsLeaveTheSettingsAndTheGridAsTheyWere)
{
    Start(WriteOverlay(QStringLiteral("Grid.cdu"), 2, 2, {}), Settings(ControlMode::MouseControl));
    const UserSettings before = UserSettingsForm->UserSettings();
    const auto colours = CellColours();

    EditAndEnd(&TUserSettingsForm::CloseMenu);

    EXPECT_EQ(UserSettingsForm->UserSettings(), before);
    EXPECT_EQ(CellColours(), colours);
    EXPECT_EQ(PlayerForm->CellPanelOf(1)->BorderWidth(), before.Spacing);
    EXPECT_FALSE(PlayerForm->ScanTimer->isActive());
    EXPECT_FALSE(PlayerForm->windowFlags().testFlag(Qt::FramelessWindowHint));
    ScriptedPrompts none;
    EXPECT_TRUE(UserSettingsForm->QuerySaveUserSettings()); // nothing to ask
    EXPECT_TRUE(none.Asked().empty());
}
