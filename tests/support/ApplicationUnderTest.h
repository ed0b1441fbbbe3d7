#pragma once
// The program's application object with its windows, created by a test as the program creates
// it, and each window reachable by the name it has in the program.

#include "media/IRDialogUnit.h"
#include "media/MediaDialogUnit.h"
#include "overlay/SettingsFormUnit.h"
#include "player/Application.h"
#include "player/PlayerFormUnit.h"
#include "session/Session.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QSignalBlocker>
#include <QStringList>

#include <memory>

namespace Tonlyra::Test {

struct ApplicationUnderTest
{
    void Create(const QStringList& arguments)
    {
        Windows = std::make_unique<Tonlyra::Application>(arguments);
        Session = &Windows->Session();
        PlayerForm = Windows->PlayerForm();
        MediaDialog = Windows->MediaDialog();
        SettingsForm = Windows->SettingsForm();
        UserSettingsForm = Windows->UserSettingsForm();
        IRDialog = Windows->IRDialog();
    }
    void Destroy()
    {
        Windows.reset();
        *this = ApplicationUnderTest();
    }
    // The applied settings replaced, as the settings window's OK does.
    void ApplySettings(const UserSettings& settings)
    {
        Session->SetSettings(settings, Session->SettingsFile());
    }

    std::unique_ptr<Tonlyra::Application> Windows;
    Tonlyra::Session* Session = nullptr;
    TPlayerForm* PlayerForm = nullptr;
    TMediaDialog* MediaDialog = nullptr;
    TSettingsForm* SettingsForm = nullptr;
    TUserSettingsForm* UserSettingsForm = nullptr;
    TIRDialog* IRDialog = nullptr;

    ApplicationUnderTest() = default;
    ApplicationUnderTest(ApplicationUnderTest&&) = default;
    ApplicationUnderTest& operator=(ApplicationUnderTest&&) = default;
};

} // namespace Tonlyra::Test

namespace Tonlyra::Test {

// Changes the applied settings of session without announcing it: the windows showing them see
// the change when they next read them (a test then builds the grid itself).
template <typename Change> void ChangeAppliedSettings(Tonlyra::Session& session, Change change)
{
    UserSettings settings = session.Settings();
    change(settings);
    const QSignalBlocker quiet(session);
    session.SetSettings(settings, session.SettingsFile());
}

} // namespace Tonlyra::Test
