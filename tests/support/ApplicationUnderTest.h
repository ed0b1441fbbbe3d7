#pragma once
// The program's application object with its windows, created by a test as the program creates
// it, and each window reachable by the name it has in the program; or the player alone, on a
// session and a playback service of its own, with none of the carer's windows.

#include "media/IRDialogUnit.h"
#include "media/MediaDialogUnit.h"
#include "media/PlaybackService.h"
#include "media/VideoWindow.h"
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
        Playback = &Windows->Playback();
    }
    // The player with the overlay in force (none when overlay is ""), sending IR commands
    // through an IR dialog; no editor, settings window or media dialog.
    void CreatePlayer(const QString& overlay)
    {
        OwnSession = std::make_unique<Tonlyra::Session>();
        OwnPlayback = std::make_unique<Tonlyra::PlaybackService>();
        Session = OwnSession.get();
        Playback = OwnPlayback.get();
        PlayerForm = new TPlayerForm(*Session);
        OwnPlayer.reset(PlayerForm);
        IRDialog = new TIRDialog(PlayerForm);
        PlayerForm->IRDialog = IRDialog;
        PlayerForm->PlayThrough(*Playback,
                                new Tonlyra::VideoWindow(Playback->Engine(), PlayerForm));
        if (!overlay.isEmpty())
            Session->LoadOverlay(overlay);
    }
    void Destroy()
    {
        // The windows go before the session and the service they show.
        Windows.reset();
        OwnPlayer.reset();
        OwnPlayback.reset();
        OwnSession.reset();
        *this = ApplicationUnderTest();
    }
    // The applied settings replaced, as the settings window's OK does.
    void ApplySettings(const UserSettings& settings)
    {
        Session->SetSettings(settings, Session->SettingsFile());
    }

    std::unique_ptr<Tonlyra::Application> Windows;
    // The player's own parts when it is created alone.
    std::unique_ptr<Tonlyra::Session> OwnSession;
    std::unique_ptr<Tonlyra::PlaybackService> OwnPlayback;
    std::unique_ptr<TPlayerForm> OwnPlayer;
    Tonlyra::Session* Session = nullptr;
    Tonlyra::PlaybackService* Playback = nullptr;
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
