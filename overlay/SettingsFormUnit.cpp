#include "overlay/SettingsFormUnit.h"

#include "media/MediaDialogUnit.h"
#include "overlay/MissingFilesDialog.h"
#include "overlay/NumberDialogUnit.h"
#include "overlay/PictureBaseDialogUnit.h"
#include "overlay/PreviewFormUnit.h"
#include "overlay/RowsColsDialogUnit.h"
#include "platform/Paths.h"
#include "platform/UserPrompt.h"
#include "session/Session.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

using Tonlyra::UserPrompt;

const QString TSettingsForm::UntitledName = Tonlyra::UntitledOverlayName;

TSettingsForm::TSettingsForm(Tonlyra::Session& session, QWidget* parent,
                             const QStringList& arguments)
    : QDialog(parent), Session(session)
{
    const QString current = QDir::currentPath();
    const QString base = current.endsWith(u'/') ? current : current + u'/';
    OverlayFolder = Tonlyra::OverlaysFolder();
    PictureFolder = base;
    IntroFolder = base;
    SoundFolder = base;
    VideoFolder = base;

    CreateMenus();
    CreateControls();
    RebuildCellDisplay(false);
    UpdateCaption();
    NumberDialog = new TNumberDialog(this);
    RowsColsDialog = new TRowsColsDialog(this);
    PreviewForm = new TPreviewForm(this);
    PictureBaseDialog = new TPictureBaseDialog(this);
    PictureBaseDialog->PreviewForm = PreviewForm;

    // An overlay named among the first two arguments is put in force from the start; when both
    // name one, the second wins. Missing files are passed over in silence.
    for (const QString& argument : arguments.mid(0, 2)) {
        if (!QFileInfo(argument).fileName().endsWith(QStringLiteral(".cdu")))
            continue;
        const QString path = argument.contains(u'/') ? argument : OverlayFolder + argument;
        if (QFileInfo(path).isFile())
            LoadOverlay(path);
    }
    for (const QString& argument : arguments.mid(0, 2))
        if (argument.endsWith(QStringLiteral(".tonlyran")) && QFileInfo(argument).isFile())
            OfferImport(argument);
    CommitOverlay();
    connect(&Session, &Tonlyra::Session::OverlayChanged, this, &TSettingsForm::TakeOverlayInForce);
}

TSettingsForm::~TSettingsForm() = default;

const MediaOverlay& TSettingsForm::CurrentOverlay() const
{
    return Session.Overlay();
}

bool TSettingsForm::CommittedUnsaved() const
{
    return Session.OverlayUnsaved();
}

bool TSettingsForm::IsArbitraryCDReady(int k)
{
    if (!MediaDialog || !MediaDialog->LocateCD())
        return false;
    return CurrentOverlay().IsArbitraryCDCell(k);
}

void TSettingsForm::TakeOverlayInForce()
{
    if (Committing)
        return;
    if (MissingFilesWindow)
        MissingFilesWindow->close(); // it showed the overlay that was there before
    EditedOverlay = Session.Overlay();
    ChangedInEditor = false;
    FoundPathsUnsaved = Session.OverlayFilesFound() > 0;
    RebuildCellDisplay(false);
    ShowLengthsAsRead();
    FileName = Session.OverlayFile();
    if (!FileName.isEmpty() && FileName != UntitledName)
        OverlayFolder = Tonlyra::FolderOf(FileName);
    UpdateCaption();
}

void TSettingsForm::UpdateCaption()
{
    setWindowTitle(QStringLiteral("Inställningar för media") + QString(10, u' ') + FileName);
}

void TSettingsForm::LoadOverlay(const QString& path)
{
    EditedOverlay.Load(path);
    ChangedInEditor = false;
    Session.SetOverlayUnsaved(false);
    FindMovedFiles(path);
    RebuildCellDisplay(false);
    ShowLengthsAsRead();
    FileName = path;
    OverlayFolder = Tonlyra::FolderOf(path);
    UpdateCaption();
}

bool TSettingsForm::SaveOverlay(const QString& path)
{
    const Tonlyra::SaveResult result = EditedOverlay.Save(path);
    if (!result) {
        UserPrompt::ShowError(this, result.Error());
        return false;
    }
    FileName = path;
    OverlayFolder = Tonlyra::FolderOf(path);
    UpdateCaption();
    ChangedInEditor = false;
    Session.SetOverlayUnsaved(false);
    FoundPathsUnsaved = false;
    return true;
}

void TSettingsForm::CommitOverlay()
{
    Committing = true;
    Session.SetOverlay(EditedOverlay, FileName, Session.OverlayUnsaved());
    Committing = false;
}

void TSettingsForm::RevertEditedOverlay()
{
    EditedOverlay = CurrentOverlay();
    LayoutCells(EditedOverlay.Rows, EditedOverlay.Cols, false);
    ShowLengthsAsRead();
}

void TSettingsForm::LayoutCells(int rows, int cols, bool empty)
{
    EditedOverlay.LayoutCells(rows, cols, empty);
    ChangedInEditor = false;
    RebuildCellDisplay(!empty);
    SaveMenu->setEnabled(false);
    UpdateCaption();
}

bool TSettingsForm::ConfirmSaveOverlay()
{
    bool goOn = true;
    if (ChangedInEditor || CommittedUnsaved()) {
        const auto answer = UserPrompt::Message(
            this, QStringLiteral("Spara ändringar?"),
            QStringLiteral("CD-överlägget har ändrats. Vill du spara ändringarna?"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
        goOn = answer == QMessageBox::Yes ? SaveMenuClick() : answer == QMessageBox::No;
    }
    ChangedInEditor = !goOn;
    Session.SetOverlayUnsaved(!goOn);
    return goOn;
}

bool TSettingsForm::EditOverlay()
{
    // What was changed and not accepted the last time is dropped.
    RevertEditedOverlay();
    // A cancel puts back the file the overlay in force came from: a file opened or named in the
    // editor and then cancelled must not receive the overlay in force when it is saved later.
    const QString fileInForce = FileName;
    const bool unsavedInForce = CommittedUnsaved();
    if (FileName.isEmpty())
        NewMenuClick();
    bool accepted = false;
    if (!FileName.isEmpty()) {
        SelectCell(1);
        accepted = UserPrompt::RunDialog(*this);
    }
    if (accepted) {
        if (ChangedInEditor)
            Session.SetOverlayUnsaved(true);
        CommitOverlay();
    } else {
        FileName = fileInForce;
        Session.SetOverlayUnsaved(unsavedInForce);
        UpdateCaption();
    }
    ChangedInEditor = false;
    return accepted;
}

void TSettingsForm::ReleaseOverlay()
{
    EditedOverlay.LayoutCells(0, 0, true);
    Session.ReleaseOverlay();
}

void TSettingsForm::NewMenuClick()
{
    if (!ConfirmSaveOverlay())
        return;
    LayoutCells(2, 2, true);
    FileName = UntitledName;
    EditedOverlay.CDIdentity.clear();
    UpdateCaption();
}

void TSettingsForm::OpenMenuClick()
{
    if (!ConfirmSaveOverlay())
        return;
    const QString name =
        UserPrompt::OpenFileName(this, QString(), OverlayFilter, OverlaySuffix, OverlayFolder);
    if (!name.isEmpty()) {
        LoadOverlay(name);
        ShowMissingFilesIfAny();
    }
}

bool TSettingsForm::SaveMenuClick()
{
    if (FileName == UntitledName || FileName.isEmpty())
        return SaveAsMenuClick();
    return SaveOverlay(FileName);
}

bool TSettingsForm::SaveAsMenuClick()
{
    const QString name =
        UserPrompt::SaveFileName(this, QString(), OverlayFilter, OverlaySuffix, OverlayFolder);
    return !name.isEmpty() && SaveOverlay(name);
}

void TSettingsForm::reject()
{
    if (!ChangedInEditor) {
        QDialog::reject();
        return;
    }
    const QString name = FileName.isEmpty() ? UntitledName : QFileInfo(FileName).fileName();
    const auto answer = UserPrompt::Message(
        this, QStringLiteral("Spara ändringar?"),
        QStringLiteral("Vill du spara ändringarna i %1?").arg(name),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
    if (answer == QMessageBox::No)
        QDialog::reject();
    else if (answer == QMessageBox::Yes && SaveMenuClick())
        accept(); // what was saved is what the player shows
}

void TSettingsForm::FileMenuPopup()
{
    SaveMenu->setEnabled(ChangedInEditor || CommittedUnsaved() || FoundPathsUnsaved);
}
