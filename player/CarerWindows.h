#pragma once

#include <QString>

namespace Tonlyra {

// What the player asks of the carer's windows, the overlay editor and the user settings window:
// their commands, run from the player's menu, and their save questions. The application object
// implements it; a player built without the carer's windows (as tests of its control build it)
// has none, and then its carer's commands do nothing and its questions let it go on.
class CarerWindows
{
public:
    virtual ~CarerWindows() = default;

    // The editor's "Öppna media-överlägg", then what the editor holds put in force.
    virtual void OpenOverlay() = 0;
    // The editor on the overlay in force; true when the edited overlay was put in force.
    virtual bool EditOverlay() = 0;
    // Whether unsaved changes of the overlay are to be saved; false when the user cancelled.
    virtual bool ConfirmSaveOverlay() = 0;
    // The settings window's "Öppna brukarfil", then what the window holds applied.
    virtual void OpenUserSettings() = 0;
    // The user settings window; true when the user accepted, and the edits were applied.
    virtual bool EditUserSettings() = 0;
    // Whether changed user settings are to be saved; false when the user cancelled.
    virtual bool ConfirmSaveUserSettings() = 0;
    // Where the file dialogs of overlays and of user settings start, each ending in "/".
    virtual QString OverlayFolder() const = 0;
    virtual QString UserSettingsFolder() const = 0;
};

} // namespace Tonlyra
