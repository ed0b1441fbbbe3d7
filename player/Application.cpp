#include "player/Application.h"

#include "input/Joysticks.h"
#include "media/IRDialogUnit.h"
#include "media/MediaDialogUnit.h"
#include "media/PlaybackService.h"
#include "media/VideoWindow.h"
#include "overlay/SettingsFormUnit.h"
#include "platform/Paths.h"
#include "player/PlayerFormUnit.h"
#include "session/Session.h"
#include "usersettings/UserSettingsFormUnit.h"

namespace Tonlyra {

Application::Application(const QStringList& arguments)
    : TheSession(std::make_unique<Tonlyra::Session>()),
      ThePlayback(std::make_unique<Tonlyra::PlaybackService>())
{
    Player = new TPlayerForm(*TheSession);
    Video = new Tonlyra::VideoWindow(ThePlayback->Engine(), Player);
    Media = new TMediaDialog(*ThePlayback, *Video, Player);
    Editor = new TSettingsForm(*TheSession, Player, arguments);
    UserSettingsWindow = new TUserSettingsForm(*TheSession, Player, arguments);
    IR = new TIRDialog(Player);
    Editor->MediaDialog = Media;
    Editor->IRDialog = IR;
    Player->PlayThrough(*ThePlayback, Video);
    Player->IRDialog = IR;
    Player->Carer = this;
    Pads = new Tonlyra::Joysticks(Player);
    QObject::connect(Pads, &Tonlyra::Joysticks::ButtonChanged, Player,
                     &TPlayerForm::JoystickButton);
    QObject::connect(Pads, &Tonlyra::Joysticks::ButtonLost, Player, &TPlayerForm::JoystickLost);
    QObject::connect(Pads, &Tonlyra::Joysticks::ButtonChanged, UserSettingsWindow,
                     &TUserSettingsForm::JoystickButton);
    StartOnLastOverlay(arguments);
}

Application::~Application()
{
    // The windows go before the session and the service they show.
    delete Player;
}

void Application::StartOnLastOverlay(const QStringList& arguments)
{
    const auto named = [&](const QString& suffix) {
        for (const QString& argument : arguments.mid(0, 2))
            if (argument.endsWith(suffix))
                return true;
        return false;
    };
    const QString settings = TheSession->SettingsFile();
    const QString overlay = TheSession->OverlayFile();
    if (!overlay.isEmpty()) {
        Tonlyra::RememberOverlay(settings, overlay);
    } else if (named(QStringLiteral(".usr")) && !named(QStringLiteral(".cdu"))) {
        const QString last = Tonlyra::RememberedOverlay(settings);
        if (!last.isEmpty())
            TheSession->LoadOverlay(last);
    }
}

void Application::OpenOverlay()
{
    Editor->OpenMenuClick();
    Editor->CommitOverlay();
}

bool Application::EditOverlay()
{
    return Editor->EditOverlay();
}

bool Application::ConfirmSaveOverlay()
{
    return Editor->ConfirmSaveOverlay();
}

void Application::OpenUserSettings()
{
    UserSettingsWindow->OpenUserSettingsMenuClick();
    UserSettingsWindow->TakeSettingsFromWindow();
}

bool Application::EditUserSettings()
{
    return UserSettingsWindow->ShowUserSettingsWindow();
}

bool Application::ConfirmSaveUserSettings()
{
    return UserSettingsWindow->QuerySaveUserSettings();
}

QString Application::OverlayFolder() const
{
    return Editor->OverlayFolder;
}

QString Application::UserSettingsFolder() const
{
    return UserSettingsWindow->UserFilesDirectory;
}

} // namespace Tonlyra
