#pragma once

#include "player/CarerWindows.h"

#include <QStringList>

#include <memory>

class TIRDialog;
class TMediaDialog;
class TPlayerForm;
class TSettingsForm;
class TUserSettingsForm;

namespace Tonlyra {

class Joysticks;
class PlaybackService;
class Session;
class VideoWindow;

// The program: creates the session, the playback service and the windows, hands each window what it
// shows and edits, and wires them together. The player window is the main window and the parent of
// the others, so that they close and go with it. The overlay editor and the user settings window
// look at arguments (the command line after the program name) for a ".cdu" and a ".usr" file. An
// overlay so opened is remembered as the last of those settings; a ".usr" file named without an
// overlay (as a file manager opens it) starts on the overlay last remembered for it.
class Application : public CarerWindows
{
public:
    explicit Application(const QStringList& arguments);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    Tonlyra::Session& Session() const { return *TheSession; }
    Tonlyra::PlaybackService& Playback() const { return *ThePlayback; }
    TPlayerForm* PlayerForm() const { return Player; }
    TMediaDialog* MediaDialog() const { return Media; }
    TSettingsForm* SettingsForm() const { return Editor; }
    TUserSettingsForm* UserSettingsForm() const { return UserSettingsWindow; }
    TIRDialog* IRDialog() const { return IR; }
    Tonlyra::Joysticks* Joysticks() const { return Pads; }

    // What the player asks of the carer's windows.
    void OpenOverlay() override;
    bool EditOverlay() override;
    bool ConfirmSaveOverlay() override;
    void OpenUserSettings() override;
    bool EditUserSettings() override;
    bool ConfirmSaveUserSettings() override;
    QString OverlayFolder() const override;
    QString UserSettingsFolder() const override;

private:
    void StartOnLastOverlay(const QStringList& arguments);

    std::unique_ptr<Tonlyra::Session> TheSession;
    std::unique_ptr<Tonlyra::PlaybackService> ThePlayback;
    TPlayerForm* Player = nullptr;
    TMediaDialog* Media = nullptr;
    Tonlyra::VideoWindow* Video = nullptr;
    TSettingsForm* Editor = nullptr;
    TUserSettingsForm* UserSettingsWindow = nullptr;
    TIRDialog* IR = nullptr;
    // The joystick and gamepad buttons, for the player and for learning a switch.
    Tonlyra::Joysticks* Pads = nullptr;
};

} // namespace Tonlyra
