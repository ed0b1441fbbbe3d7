#include "usersettings/UserSettingsFormUnit.h"

#include "platform/Paths.h"
#include "session/Session.h"
#include "platform/UserPrompt.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <utility>

using Tonlyra::UserPrompt;

namespace {

const QString SettingsFilter = QStringLiteral("Brukarfiler|*.usr");
const QString SettingsSuffix = QStringLiteral("usr");
const QString StandardName = QStringLiteral("User.def");

QString NamePart(const QString& path)
{
    return QFileInfo(path).fileName();
}

// The extension of the name part, with its dot ("" without one); compared exactly.
QString ExtensionOf(const QString& path)
{
    const QString name = NamePart(path);
    const int dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

} // namespace

TUserSettingsForm::TUserSettingsForm(Tonlyra::Session& session, QWidget* parent,
                                     const QStringList& arguments)
    : QDialog(parent), Session(session)
{
    CreateMenus();
    CreateControls();

    // Start-up: the first two arguments may name settings files (the second wins); without one
    // the standard settings file is read, whether or not it exists. The result is applied.
    UsersDirectory = Tonlyra::UsersFolder();
    UserFilesDirectory = UsersDirectory;
    for (const QString& argument : arguments.mid(0, 2)) {
        if (ExtensionOf(argument) != QStringLiteral(".usr"))
            continue;
        const QString path = argument.contains(u'/') ? argument : UserFilesDirectory + argument;
        if (QFileInfo(path).isFile())
            LoadUserSettingsFile(path);
    }
    if (SettingsFileName.isEmpty())
        LoadUserSettingsFile(UserFilesDirectory + StandardName);
    TakeSettingsFromWindow();
    // The keypad's change of the period is the edited settings' too, so that saving keeps it.
    connect(&Session, &Tonlyra::Session::ScanDelayTimeChanged, this, [this](qint32 ms) {
        EditedSettings.ScanDelayTime = Tonlyra::ClampScanDelayTime(ms, ScanRangeMaximum);
    });
}

TUserSettingsForm::~TUserSettingsForm() = default;

const ::UserSettings& TUserSettingsForm::UserSettings() const
{
    return Session.Settings();
}

bool TUserSettingsForm::ChangedOutside() const
{
    return Session.SettingsUnsaved();
}

QString TUserSettingsForm::StandardSettingsFile() const
{
    return UsersDirectory + StandardName;
}

void TUserSettingsForm::LoadUserSettingsFile(const QString& name)
{
    SettingsFileName = name;
    UserFilesDirectory = Tonlyra::FolderOf(name);
    Tonlyra::ProfileFile file;
    file.Load(name); // a missing or unreadable file gives the defaults
    Tonlyra::ReadUserSettings(EditedSettings, file, ScanRangeMaximum);
    SettingsAtLastCheckpoint = EditedSettings;
    ShowSettingsInControls();
    ChangedInWindow = false;
    Session.SetSettingsUnsaved(false);
    UpdateSettingsTitle();
}

bool TUserSettingsForm::SaveUserSettingsFile(const QString& name)
{
    const Tonlyra::SaveResult result = Tonlyra::SaveUserSettings(EditedSettings, name);
    if (!result) {
        UserPrompt::ShowError(this, result.Error());
        return false;
    }
    SettingsFileName = name;
    UserFilesDirectory = Tonlyra::FolderOf(name);
    SettingsAtLastCheckpoint = EditedSettings;
    ChangedInWindow = false;
    Session.SetSettingsUnsaved(false);
    UpdateSettingsTitle();
    return true;
}

void TUserSettingsForm::TakeSettingsFromWindow()
{
    Session.SetSettings(EditedSettings, SettingsFileName);
}

bool TUserSettingsForm::ShowUserSettingsWindow()
{
    ShowNormalView();
    FormShow();
    const bool accepted = UserPrompt::RunDialog(*this);
    if (accepted) {
        if (ChangedInWindow)
            Session.SetSettingsUnsaved(true);
        TakeSettingsFromWindow();
    } else {
        // The edits are dropped, so that a later save cannot write what the carer cancelled.
        EditedSettings = SettingsAtLastCheckpoint;
    }
    ChangedInWindow = false;
    return accepted;
}

bool TUserSettingsForm::QuerySaveUserSettings()
{
    if (!ChangedInWindow && !ChangedOutside())
        return true;
    const QString text =
        ExtensionOf(SettingsFileName) == QStringLiteral(".def")
            ? QStringLiteral("Standardinställningarna för brukare har ändrats. Vill du spara dem?")
            : QStringLiteral("Inställningarna i brukarfilen \"") + SettingsFileName +
                  QStringLiteral("\" har ändrats. Vill du spara dem?");
    const auto answer = UserPrompt::Message(
        this, QStringLiteral("Spara ändringar"), text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
    bool result = answer == QMessageBox::No;
    if (answer == QMessageBox::Yes)
        result = SaveUserSettingsFile(SettingsFileName);
    ChangedInWindow = !result;
    Session.SetSettingsUnsaved(!result);
    return result;
}

void TUserSettingsForm::reject()
{
    if (!ChangedInWindow) {
        QDialog::reject();
        return;
    }
    const QString name = ExtensionOf(SettingsFileName) == QStringLiteral(".usr")
                             ? NamePart(SettingsFileName)
                             : QStringLiteral("standardinställningarna");
    const auto answer = UserPrompt::Message(
        this, QStringLiteral("Spara ändringar"),
        QStringLiteral("Vill du spara ändringarna i %1?").arg(name),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
    if (answer == QMessageBox::No)
        QDialog::reject();
    else if (answer == QMessageBox::Yes && SaveUserSettingsFile(SettingsFileName))
        accept(); // what was saved is what the player uses
}

void TUserSettingsForm::SetScanDelayTime(qint32 ms)
{
    Session.SetScanDelayTime(ms);
}

int TUserSettingsForm::ScanRangeIndex() const
{
    const auto* found = std::find(std::begin(Tonlyra::ScanRangeMaxima),
                                  std::end(Tonlyra::ScanRangeMaxima), ScanRangeMaximum);
    return found == std::end(Tonlyra::ScanRangeMaxima)
               ? 0
               : int(found - std::begin(Tonlyra::ScanRangeMaxima));
}

void TUserSettingsForm::SetScanRange(int index)
{
    ScanRangeMaximum = Tonlyra::ScanRangeMaxima[std::clamp(index, 0, 2)];
    EditedSettings.ScanDelayTime =
        Tonlyra::ClampScanDelayTime(EditedSettings.ScanDelayTime, ScanRangeMaximum);
    ChangedInWindow = true;
    ShowScanPeriod();
}

void TUserSettingsForm::UpdateSettingsTitle()
{
    const bool userFile = ExtensionOf(SettingsFileName) == QStringLiteral(".usr");
    setWindowTitle(userFile ? QStringLiteral("Brukarfiler") + QString(10, u' ') + SettingsFileName
                            : QStringLiteral("Inställningar för brukare") + QString(10, u' ') +
                                  QStringLiteral("Standardinställningar"));
    SaveUserSettingsMenu->setEnabled(userFile);
}

void TUserSettingsForm::FileMenuPopup()
{
    const bool changed = ChangedInWindow || ChangedOutside();
    const bool standard = NamePart(SettingsFileName) == StandardName;
    SaveUserSettingsMenu->setEnabled(changed && !standard);
    SaveDefaultMenu->setEnabled(changed || !standard);
}

void TUserSettingsForm::OpenUserSettingsMenuClick()
{
    const QString initialDirectory = UserFilesDirectory;
    if (!QuerySaveUserSettings())
        return;
    const QString name =
        UserPrompt::OpenFileName(this, QString(), SettingsFilter, SettingsSuffix, initialDirectory);
    if (!name.isEmpty())
        LoadUserSettingsFile(name);
}

void TUserSettingsForm::SaveUserSettingsMenuClick()
{
    SaveUserSettingsFile(SettingsFileName);
}

void TUserSettingsForm::SaveUserSettingsAsMenuClick()
{
    const QString name = UserPrompt::SaveFileName(this, QString(), SettingsFilter, SettingsSuffix,
                                                  UserFilesDirectory, QString(), true);
    if (!name.isEmpty())
        SaveUserSettingsFile(name);
}

void TUserSettingsForm::OpenDefaultMenuClick()
{
    if (!QuerySaveUserSettings())
        return;
    LoadUserSettingsFile(StandardSettingsFile());
}

void TUserSettingsForm::SaveDefaultMenuClick()
{
    SaveUserSettingsFile(StandardSettingsFile());
}
