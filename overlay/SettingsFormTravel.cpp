// The overlay editor's part in overlays that travel: files found when an overlay is loaded, the
// list of what is still missing, export and import of sets, the media folders.

#include "overlay/SettingsFormUnit.h"

#include "overlay/MediaFolders.h"
#include "overlay/MissingFilesDialog.h"
#include "overlay/OverlaySetCommands.h"
#include "platform/Logging.h"
#include "platform/UserPrompt.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

void TSettingsForm::CreateTravelMenus()
{
    FileMenu->addSeparator();
    MissingFilesMenu = FileMenu->addAction(QStringLiteral("Saknade &filer..."));
    ExportMenu = FileMenu->addAction(QStringLiteral("&Exportera..."));
    ImportMenu = FileMenu->addAction(QStringLiteral("&Importera..."));
    MediaFoldersMenu = FileMenu->addAction(QStringLiteral("&Mediamappar..."));
    connect(MissingFilesMenu, &QAction::triggered, this, [this] { MissingFilesMenuClick(); });
    connect(ExportMenu, &QAction::triggered, this, [this] { ExportMenuClick(); });
    connect(ImportMenu, &QAction::triggered, this, [this] { ImportMenuClick(); });
    connect(MediaFoldersMenu, &QAction::triggered, this, [this] { MediaFoldersMenuClick(); });
}

void TSettingsForm::FindMovedFiles(const QString& path)
{
    if (MissingFilesWindow)
        MissingFilesWindow->close(); // it showed the overlay that was there before
    Finder.SetMediaFolders(Tonlyra::ReadMediaFolders());
    const Tonlyra::MovedFileFinder::Outcome outcome = Finder.Repair(EditedOverlay);
    FoundPathsUnsaved = outcome.Found > 0;
    const QString name = QFileInfo(path).fileName();
    if (outcome.Found > 0)
        qCInfo(Tonlyra::Log::Player, "%s: %d moved files found", qUtf8Printable(name),
               outcome.Found);
    for (const Tonlyra::MissingFile& file : outcome.Missing)
        qCWarning(Tonlyra::Log::Player, "%s: missing: %s", qUtf8Printable(name),
                  qUtf8Printable(file.Describe()));
}

void TSettingsForm::ShowMissingFilesIfAny()
{
    if (isVisible() && !MissingFilesWindow &&
        !Tonlyra::MovedFileFinder::MissingFiles(EditedOverlay).empty())
        MissingFilesMenuClick();
}

void TSettingsForm::MissingFilesMenuClick()
{
    // Looked for again: a media folder may have been named, or the files put back, since.
    const Tonlyra::MovedFileFinder::Outcome outcome = Finder.Repair(EditedOverlay);
    if (outcome.Found > 0) {
        FoundPathsUnsaved = true;
        RebuildCellDisplay(true);
    }
    delete MissingFilesWindow;
    MissingFilesWindow = new TMissingFilesDialog(EditedOverlay, outcome.Missing, this);
    MissingFilesWindow->setAttribute(Qt::WA_DeleteOnClose);
    // Beside the editor, which keeps the keyboard.
    MissingFilesWindow->setAttribute(Qt::WA_ShowWithoutActivating);
    MissingFilesWindow->OnCellChanged = [this](int k) { CellChanged(k); };
    MissingFilesWindow->show();
}

void TSettingsForm::ExportMenuClick()
{
    // The set is written from the overlay's file, so changes are saved first (the files found on
    // loading are found again by the export itself).
    if (FileName.isEmpty() || FileName == UntitledName || ChangedInEditor || CommittedUnsaved()) {
        const auto answer = Tonlyra::UserPrompt::Message(
            this, QStringLiteral("Exportera överlägg"),
            QStringLiteral("Överlägget måste sparas innan det kan exporteras. Vill du spara det?"),
            QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Question);
        if (answer != QMessageBox::Yes || !SaveMenuClick())
            return;
    }
    Tonlyra::ExportSetCommand(this, FileName, &Finder);
}

void TSettingsForm::ImportMenuClick()
{
    if (!ConfirmSaveOverlay())
        return;
    const QString first = Tonlyra::ImportSetCommand(this);
    if (first.isEmpty())
        return;
    LoadOverlay(first);
    ShowMissingFilesIfAny();
}

void TSettingsForm::MediaFoldersMenuClick()
{
    if (Tonlyra::MediaFoldersCommand(this)) {
        Finder.SetMediaFolders(Tonlyra::ReadMediaFolders());
        if (MissingFilesWindow)
            MissingFilesMenuClick();
    }
}

void TSettingsForm::OfferImport(const QString& archive)
{
    const auto answer = Tonlyra::UserPrompt::Message(
        this, QStringLiteral("Importera överlägg"),
        QStringLiteral("Vill du importera överläggen i %1?").arg(QFileInfo(archive).fileName()),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
    if (answer != QMessageBox::Yes)
        return;
    const QString first = Tonlyra::ImportSetCommand(this, archive);
    if (!first.isEmpty())
        LoadOverlay(first);
}
