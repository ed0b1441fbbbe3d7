#include "player/ApplicationWindows.h"

#include "media/IRDialogUnit.h"
#include "media/MediaDialogUnit.h"
#include "overlay/NumberDialogUnit.h"
#include "overlay/PictureBaseDialogUnit.h"
#include "overlay/PreviewFormUnit.h"
#include "overlay/RowsColsDialogUnit.h"
#include "overlay/SettingsFormUnit.h"
#include "platform/Paths.h"
#include "player/PlayerFormUnit.h"
#include "usersettings/UserSettingsFormUnit.h"

namespace Tonlyra {

ApplicationWindows::ApplicationWindows(const QStringList& arguments)
{
    // The other windows are owned by the player window, so that they close and go with it.
    PlayerForm = new TPlayerForm;
    MediaDialog = new TMediaDialog(PlayerForm);
    SettingsForm = new TSettingsForm(PlayerForm, arguments);
    UserSettingsForm = new TUserSettingsForm(PlayerForm, arguments);
    NumberDialog = new TNumberDialog(PlayerForm);
    RowsColsDialog = new TRowsColsDialog(PlayerForm);
    IRDialog = new TIRDialog(PlayerForm);
    PreviewForm = new TPreviewForm(PlayerForm);
    PictureBaseDialog = new TPictureBaseDialog(PlayerForm);
    StartOnLastOverlay(arguments);
}

void ApplicationWindows::StartOnLastOverlay(const QStringList& arguments)
{
    const auto named = [&](const QString& suffix) {
        for (const QString& argument : arguments.mid(0, 2))
            if (argument.endsWith(suffix))
                return true;
        return false;
    };
    const QString settings = UserSettingsForm->SettingsFileName;
    if (!SettingsForm->FileName.isEmpty()) {
        Tonlyra::RememberOverlay(settings, SettingsForm->FileName);
    } else if (named(QStringLiteral(".usr")) && !named(QStringLiteral(".cdu"))) {
        const QString last = Tonlyra::RememberedOverlay(settings);
        if (!last.isEmpty()) {
            SettingsForm->LoadOverlay(last);
            SettingsForm->CommitOverlay();
        }
    }
}

namespace {

template <typename T> void Destroy(T*& window)
{
    T* doomed = window;
    window = nullptr;
    delete doomed;
}

} // namespace

ApplicationWindows::~ApplicationWindows()
{
    Destroy(PictureBaseDialog);
    Destroy(PreviewForm);
    Destroy(IRDialog);
    Destroy(RowsColsDialog);
    Destroy(NumberDialog);
    Destroy(UserSettingsForm);
    Destroy(SettingsForm);
    Destroy(MediaDialog);
    Destroy(PlayerForm);
}

TPlayerForm* ApplicationWindows::MainWindow() const
{
    return PlayerForm;
}

} // namespace Tonlyra
