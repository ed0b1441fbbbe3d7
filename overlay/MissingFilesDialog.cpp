#include "overlay/MissingFilesDialog.h"

#include "platform/UserPrompt.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

TMissingFilesDialog::TMissingFilesDialog(MediaOverlay& overlay,
                                         std::vector<Tonlyra::MissingFile> missing,
                                         QWidget* parent)
    : QDialog(parent), Overlay(overlay), Files(std::move(missing)),
      LastFolder(overlay.Folder.isEmpty() ? QDir::homePath() : overlay.Folder)
{
    setObjectName(QStringLiteral("MissingFilesDialog"));
    setWindowTitle(QStringLiteral("Saknade filer"));
    Summary = new QLabel(this);
    Summary->setWordWrap(true);
    FileList = new QTreeWidget(this);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setHeaderLabels({QStringLiteral("Ruta"), QStringLiteral("Slag"),
                               QStringLiteral("Fil"), QStringLiteral("Anmärkning")});
    FileList->setRootIsDecorated(false);
    FileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FileList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    SearchFolderButton = new QPushButton(QStringLiteral("&Leta i mapp..."), this);
    RemoveButton = new QPushButton(QStringLiteral("&Ta bort från rutan"), this);
    CloseButton = new QPushButton(QStringLiteral("&Stäng"), this);
    CloseButton->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SearchFolderButton);
    buttons->addWidget(RemoveButton);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Summary);
    layout->addWidget(FileList, 1);
    layout->addLayout(buttons);
    resize(720, 360);

    connect(SearchFolderButton, &QPushButton::clicked, this,
            &TMissingFilesDialog::SearchFolderClick);
    connect(RemoveButton, &QPushButton::clicked, this, &TMissingFilesDialog::RemoveClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(FileList, &QTreeWidget::itemSelectionChanged, this,
            [this] { RemoveButton->setEnabled(!FileList->selectedItems().isEmpty()); });
    ShowFiles();
}

void TMissingFilesDialog::ShowFiles()
{
    FileList->clear();
    for (const Tonlyra::MissingFile& file : Files) {
        auto* row = new QTreeWidgetItem(FileList);
        row->setText(CellColumn, QString::number(file.Cell));
        row->setText(KindColumn, Tonlyra::FileKindCaption(file.Kind));
        row->setText(FileColumn, file.Stored);
        if (!file.Candidates.isEmpty()) {
            row->setText(NoteColumn, QStringLiteral("Finns på flera ställen"));
            row->setToolTip(NoteColumn, file.Candidates.join(u'\n'));
        }
    }
    Summary->setText(
        Files.empty()
            ? QStringLiteral("Alla filer som överlägget använder finns.")
            : QStringLiteral("%1 filer som överlägget använder finns inte där det säger och "
                             "hittades inte någon annanstans.")
                  .arg(Files.size()));
    if (FileList->topLevelItemCount() > 0)
        FileList->setCurrentItem(FileList->topLevelItem(0));
    SearchFolderButton->setEnabled(!Files.empty());
    RemoveButton->setEnabled(!FileList->selectedItems().isEmpty());
}

void TMissingFilesDialog::SearchFolderClick()
{
    const QString folder = Tonlyra::UserPrompt::FolderName(
        this, QStringLiteral("Leta efter de saknade filerna i"), LastFolder);
    if (folder.isEmpty())
        return;
    LastFolder = folder;
    std::set<int> before;
    for (const Tonlyra::MissingFile& file : Files)
        before.insert(file.Cell);
    const Tonlyra::MovedFileFinder::Outcome outcome =
        Tonlyra::MovedFileFinder::RepairFrom(Overlay, folder);
    Files = outcome.Missing;
    if (OnCellChanged && outcome.Found > 0)
        for (int cell : before)
            OnCellChanged(cell);
    ShowFiles();
}

void TMissingFilesDialog::RemoveClick()
{
    std::vector<int> rows;
    for (QTreeWidgetItem* item : FileList->selectedItems())
        rows.push_back(FileList->indexOfTopLevelItem(item));
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows) {
        const Tonlyra::MissingFile file = Files[static_cast<std::size_t>(row)];
        Tonlyra::ClearFileField(Overlay, file.Cell, file.Kind);
        Files.erase(Files.begin() + row);
        if (OnCellChanged)
            OnCellChanged(file.Cell);
    }
    ShowFiles();
}
