#include "overlay/OverlaySetCommands.h"

#include "overlay/MediaFolders.h"
#include "overlay/MovedFileFinder.h"
#include "overlay/OverlaySet.h"
#include "platform/Paths.h"
#include "platform/UserPrompt.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace Tonlyra {

namespace {

const QString Caption = QStringLiteral("Tonlyran");

// A progress window that shows itself only when the work takes a while (videos make sets
// large); its "Avbryt" cancels. The events it lets run keep the window alive.
class SetProgressWindow
{
public:
    SetProgressWindow(QWidget* parent, const QString& text)
        : Window(text, QStringLiteral("Avbryt"), 0, 1000, parent)
    {
        Window.setWindowTitle(Caption);
        Window.setWindowModality(Qt::WindowModal);
        Window.setMinimumDuration(500);
        Window.setAutoClose(false);
        Window.setAutoReset(false);
    }
    SetProgress Callback()
    {
        return [this](qint64 done, qint64 total) {
            Window.setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 1000);
            return !Window.wasCanceled();
        };
    }

private:
    QProgressDialog Window;
};

QString MissingText(const QStringList& missing)
{
    constexpr int Shown = 12;
    QString text = QStringLiteral("Dessa filer saknas och kom inte med:\n") +
                   missing.mid(0, Shown).join(u'\n');
    if (missing.size() > Shown)
        text += QStringLiteral("\n... och %1 till.").arg(missing.size() - Shown);
    return text;
}

} // namespace

bool ExportSetCommand(QWidget* parent, const QString& overlayPath, MovedFileFinder* finder)
{
    const QFileInfo overlay(overlayPath);
    const QString file = UserPrompt::SaveFileName(
        parent, QStringLiteral("Exportera överlägg"), SetFilter, SetSuffix, overlay.absolutePath(),
        overlay.completeBaseName() + u'.' + SetSuffix, true);
    if (file.isEmpty())
        return false;
    SetProgressWindow progress(parent, QStringLiteral("Exporterar %1 ...").arg(overlay.fileName()));
    const SetExportResult result =
        ExportOverlaySet(overlayPath, file, true, progress.Callback(), finder);
    if (result.Cancelled)
        return false;
    if (!result.Ok) {
        UserPrompt::ShowError(parent, result.Error);
        return false;
    }
    QString text = QStringLiteral("%1 överlägg och %2 filer finns nu i %3.")
                       .arg(result.Overlays)
                       .arg(result.Files)
                       .arg(file);
    if (!result.Missing.isEmpty())
        text += QStringLiteral("\n\n") + MissingText(result.Missing);
    UserPrompt::Message(parent, QStringLiteral("Exportera överlägg"), text, QMessageBox::Ok,
                        result.Missing.isEmpty() ? QMessageBox::Information
                                                 : QMessageBox::Warning);
    return true;
}

QString ImportSetCommand(QWidget* parent, const QString& archive)
{
    const QString file =
        !archive.isEmpty()
            ? archive
            : UserPrompt::OpenFileName(parent, QStringLiteral("Importera överlägg"), SetFilter,
                                       SetSuffix, QDir::homePath());
    if (file.isEmpty())
        return {};
    SetImportOptions options;
    options.Folder = DefaultImportFolder(file);
    if (QFileInfo::exists(options.Folder)) {
        const auto answer = UserPrompt::Message(
            parent, QStringLiteral("Importera överlägg"),
            QStringLiteral("Mappen %1 finns redan. Vill du ersätta filer i den som har samma "
                           "namn?\n\nNej lägger överläggen i en ny mapp.")
                .arg(options.Folder),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
        if (answer == QMessageBox::Cancel)
            return {};
        if (answer == QMessageBox::Yes)
            options.Replace = true;
        else
            options.Folder = UnusedFolder(options.Folder);
    }
    SetProgressWindow progress(parent,
                               QStringLiteral("Importerar %1 ...").arg(QFileInfo(file).fileName()));
    options.Progress = progress.Callback();
    const SetImportResult result = ImportOverlaySet(file, options);
    if (result.Cancelled)
        return {};
    if (!result.Ok) {
        UserPrompt::ShowError(parent, result.Error);
        return {};
    }
    if (!result.Missing.isEmpty())
        UserPrompt::Message(parent, QStringLiteral("Importera överlägg"),
                            MissingText(result.Missing), QMessageBox::Ok, QMessageBox::Warning);
    return result.FirstOverlay;
}

bool MediaFoldersCommand(QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("MediaFoldersDialog"));
    dialog.setWindowTitle(QStringLiteral("Mediamappar"));
    auto* intro = new QLabel(QStringLiteral("Här letar Tonlyran efter bilder, ljud och videor "
                                            "som har flyttats, när de inte finns vid "
                                            "överlägget."),
                             &dialog);
    intro->setWordWrap(true);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("FolderList"));
    list->addItems(ReadMediaFolders());
    auto* add = new QPushButton(QStringLiteral("&Lägg till..."), &dialog);
    add->setObjectName(QStringLiteral("AddButton"));
    auto* remove = new QPushButton(QStringLiteral("&Ta bort"), &dialog);
    remove->setObjectName(QStringLiteral("RemoveButton"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Avbryt"));
    auto* row = new QHBoxLayout;
    row->addWidget(add);
    row->addWidget(remove);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(intro);
    layout->addWidget(list, 1);
    layout->addLayout(row);
    layout->addWidget(buttons);
    dialog.resize(520, 320);
    QObject::connect(add, &QPushButton::clicked, &dialog, [&dialog, list] {
        const QString folder = UserPrompt::FolderName(
            &dialog, QStringLiteral("Lägg till en mediamapp"), QDir::homePath());
        if (!folder.isEmpty() && list->findItems(folder, Qt::MatchExactly).isEmpty())
            list->addItem(QDir::cleanPath(folder));
    });
    QObject::connect(remove, &QPushButton::clicked, &dialog,
                     [list] { delete list->currentItem(); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (!UserPrompt::RunDialog(dialog))
        return false;
    QStringList folders;
    for (int i = 0; i < list->count(); ++i)
        folders.append(list->item(i)->text());
    if (folders == ReadMediaFolders())
        return false;
    const SaveResult saved = WriteMediaFolders(folders);
    if (!saved) {
        UserPrompt::ShowError(parent, saved.Error());
        return false;
    }
    return true;
}

} // namespace Tonlyra
