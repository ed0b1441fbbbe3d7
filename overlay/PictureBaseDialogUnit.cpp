#include "overlay/PictureBaseDialogUnit.h"

#include "overlay/DialogPlacement.h"
#include "overlay/FindDialog.h"
#include "overlay/PreviewFormUnit.h"
#include "platform/ProfileFile.h"
#include "platform/SystemFolder.h"
#include "platform/UserPrompt.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>


using Tonlyra::ProfileFile;

namespace {

const QString ProgDir = QStringLiteral("ProgDir");
const QString GroupsSection = QStringLiteral("Grupper");
const QString DefaultGroup = QStringLiteral("Bilder");

// "Antal" (a count) and "Kod" (a code) describe a section; they are never categories or pictures.
bool IsBookkeeping(const QString& key, bool alsoCode)
{
    return key.compare(QLatin1String("Antal"), Qt::CaseInsensitive) == 0 ||
           (alsoCode && key.compare(QLatin1String("Kod"), Qt::CaseInsensitive) == 0);
}

// The folders a base's Dir lists (separated by ";"); a relative one is taken from the folder the
// base lies in.
QStringList FoldersOf(const QString& dir, const QString& baseFolder)
{
    QStringList folders;
    for (const QString& part : dir.split(u';', Qt::SkipEmptyParts)) {
        const QString folder = part.trimmed();
        if (!folder.isEmpty())
            folders.append(QDir::cleanPath(QDir(baseFolder).absoluteFilePath(folder)));
    }
    return folders;
}

} // namespace

TPictureBaseDialog::TPictureBaseDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Öppna"));

    PictureLabel = new QLabel(QStringLiteral("Bild:"), this);
    PictureNameEdit = new QLineEdit(this);
    PictureNameEdit->setReadOnly(true);
    SearchButton = new QPushButton(QStringLiteral("&Sök"), this);
    PictureListBox = new QListWidget(this);
    GroupLabel = new QLabel(QStringLiteral("&Kategori:"), this);
    GroupComboBox = new QComboBox(this);
    GroupLabel->setBuddy(GroupComboBox);
    BaseLabel = new QLabel(QStringLiteral("&Bildbas:"), this);
    BaseComboBox = new QComboBox(this);
    BaseLabel->setBuddy(BaseComboBox);
    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Avbryt"), this);
    FindDialog = new Tonlyra::FindDialog(this);

    auto* name = new QHBoxLayout;
    name->addWidget(PictureNameEdit, 1);
    name->addWidget(SearchButton);
    auto* left = new QVBoxLayout;
    left->addWidget(PictureLabel);
    left->addLayout(name);
    left->addWidget(PictureListBox, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(GroupLabel);
    right->addWidget(GroupComboBox);
    right->addSpacing(8);
    right->addWidget(BaseLabel);
    right->addWidget(BaseComboBox);
    right->addStretch(1);
    right->addWidget(OKButton);
    right->addWidget(CancelButton);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);
    resize(460, 320);

    connect(BaseComboBox, &QComboBox::activated, this, [this] { BaseComboBoxChange(); });
    connect(GroupComboBox, &QComboBox::activated, this, [this] { GroupComboBoxChange(); });
    connect(PictureListBox, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            PictureListBoxClick();
    });
    connect(SearchButton, &QPushButton::clicked, this, [this] { SearchButtonClick(); });
    connect(FindDialog, &Tonlyra::FindDialog::FindNext, this, [this] { FindDialogFind(); });
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

TPictureBaseDialog::~TPictureBaseDialog() = default;

void TPictureBaseDialog::SetFilter(const QString& filter)
{
    Filter = filter.toUpper();
}

QStringList TPictureBaseDialog::FindBases() const
{
    QStringList found;
    // The user's system folder first, then the one installed for all users.
    for (const QString& path : Tonlyra::SystemFiles(QStringLiteral("*.ini"))) {
        const QFileInfo file(path);
        const ProfileFile base(file.absoluteFilePath());
        if (!base.HasSection(ProgDir))
            continue; // some other program's settings
        const QString extension = base.ReadString(ProgDir, QStringLiteral("Extension")).toUpper();
        if (extension.isEmpty() || !Filter.contains(extension))
            continue;
        const QStringList folders =
            FoldersOf(base.ReadString(ProgDir, QStringLiteral("Dir")), file.absolutePath());
        const bool hasPictures = std::any_of(folders.begin(), folders.end(), [&](const QString& f) {
            return QDirIterator(f, {QStringLiteral("*.") + extension}, QDir::Files).hasNext();
        });
        if (hasPictures)
            found.append(file.absoluteFilePath());
    }
    return found;
}

bool TPictureBaseDialog::HasPictureBase()
{
    return !FindBases().isEmpty();
}

bool TPictureBaseDialog::Execute()
{
    BaseComboBox->clear();
    GroupComboBox->clear();
    PictureListBox->clear();
    PictureNameEdit->clear();
    PictureKeys.clear();
    Categories.clear();
    SearchButton->setEnabled(false);
    Bases = FindBases();
    for (const QString& base : Bases)
        BaseComboBox->addItem(QFileInfo(base).fileName().chopped(4));
    // The base last used during this run, else the first, opens at its first category.
    const qsizetype last = Bases.indexOf(LastBase);
    BaseComboBox->setCurrentIndex(int(last >= 0 ? last : Bases.isEmpty() ? -1 : 0));
    BaseComboBoxChange();
    BaseComboBox->setFocus();
    SearchFromStart = true;
    if (PreviewForm)
        PreviewForm->show();
    return Tonlyra::UserPrompt::RunDialog(*this);
}

void TPictureBaseDialog::done(int result)
{
    FindDialog->close();
    if (PreviewForm)
        PreviewForm->hide();
    QDialog::done(result);
}

void TPictureBaseDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Tonlyra::CenterOnScreen(*this);
}

// ---- Bases, categories and pictures ------------------------------------------------------

void TPictureBaseDialog::BaseComboBoxChange()
{
    PictureListBox->clear();
    GroupComboBox->clear();
    PictureNameEdit->clear();
    PictureKeys.clear();
    Categories.clear();
    FolderFiles.clear();
    const int index = BaseComboBox->currentIndex();
    if (index < 0 || index >= Bases.size())
        return;
    LastBase = Bases[index];
    const ProfileFile base(Bases[index]);
    BaseFolder = QFileInfo(Bases[index]).absolutePath();
    Dir = base.ReadString(ProgDir, QStringLiteral("Dir"));
    Extension = base.ReadString(ProgDir, QStringLiteral("Extension"));

    QStringList names;
    const QStringList groupKeys = base.Keys(GroupsSection);
    if (groupKeys.isEmpty())
        names.append(DefaultGroup);
    for (const QString& key : groupKeys)
        if (!IsBookkeeping(key, false))
            names.append(base.ReadString(GroupsSection, key));
    // The whole base is read once, so that changing category and searching read no file.
    for (const QString& name : names) {
        Category category;
        category.Name = name;
        for (const QString& key : base.Keys(name)) {
            if (IsBookkeeping(key, true))
                continue;
            category.Keys.append(key);
            category.Names.append(base.ReadString(name, key));
            category.UpperNames.append(category.Names.constLast().toUpper());
        }
        Categories.push_back(std::move(category));
    }
    GroupComboBox->addItems(names);
    SelectGroup(0);
    SearchButton->setEnabled(true);
}

void TPictureBaseDialog::SelectGroup(int index)
{
    GroupComboBox->setCurrentIndex(index);
    GroupComboBoxChange();
}

void TPictureBaseDialog::GroupComboBoxChange()
{
    const QSignalBlocker block(PictureListBox);
    PictureListBox->clear();
    PictureKeys.clear();
    const int index = GroupComboBox->currentIndex();
    if (index < 0 || index >= static_cast<int>(Categories.size()))
        return;
    const Category& category = Categories[static_cast<size_t>(index)];
    PictureKeys = category.Keys;
    PictureListBox->addItems(category.Names);
}

void TPictureBaseDialog::PictureListBoxClick()
{
    ShowChosen(PictureListBox->currentRow());
}

void TPictureBaseDialog::SelectPicture(int row)
{
    const QSignalBlocker block(PictureListBox);
    PictureListBox->setCurrentRow(row);
    if (row < 0)
        PictureListBox->clearSelection();
}

void TPictureBaseDialog::ShowChosen(int row)
{
    if (row < 0 || row >= PictureKeys.size())
        return;
    PictureNameEdit->setText(PictureListBox->item(row)->text());
    ChosenPicture = PicturePath(PictureKeys[row]);
    if (PreviewForm)
        PreviewForm->ShowPreview(ChosenPicture);
}

QStringList TPictureBaseDialog::Folders() const
{
    return FoldersOf(Dir, BaseFolder);
}

QString TPictureBaseDialog::PicturePath(const QString& key)
{
    const QString name = key + u'.' + Extension;
    const QStringList folders = Folders();
    for (const QString& folder : folders) {
        const QString exact = folder + u'/' + name;
        if (QFileInfo(exact).isFile())
            return exact;
    }
    // Spelled otherwise on disk: the folder's own spelling of the name.
    const QString lower = name.toLower();
    for (const QString& folder : folders) {
        auto files = FolderFiles.find(folder);
        if (files == FolderFiles.end()) {
            QHash<QString, QString> byLower;
            for (const QString& file : QDir(folder).entryList(QDir::Files))
                byLower.insert(file.toLower(), file);
            files = FolderFiles.insert(folder, byLower);
        }
        const auto hit = files->constFind(lower);
        if (hit != files->constEnd())
            return folder + u'/' + *hit;
    }
    // Gone: the path as the base gives it, which previews as nothing.
    return (folders.isEmpty() ? QString() : folders.first() + u'/') + name;
}

// ---- Searching ----------------------------------------------------------------------------

QRect TPictureBaseDialog::FindDialogPlace(QRect find, QRect dialog, QRect preview, QRect screen)
{
    if (find.intersects(dialog))
        find.moveTop(std::max(screen.top(), dialog.top() - find.height()));
    const int previewRight = preview.x() + preview.width();
    if (find.left() < previewRight)
        find.moveLeft(previewRight);
    return find;
}

void TPictureBaseDialog::SearchButtonClick()
{
    FindDialog->SetFindText(QString());
    SearchFromStart = true;
    FindDialog->show();
    FindDialog->raise();
    FindDialog->activateWindow();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect preview =
        PreviewForm && PreviewForm->isVisible() ? PreviewForm->frameGeometry() : QRect();
    FindDialog->move(FindDialogPlace(FindDialog->frameGeometry(), frameGeometry(), preview,
                                     screen ? screen->geometry() : QRect())
                         .topLeft());
}

void TPictureBaseDialog::FindDialogFind()
{
    if (SearchFromStart) {
        // Where the carer was, to go back to when the search finds nothing more.
        SearchStartGroup = GroupComboBox->currentIndex();
        SearchStartPicture = PictureListBox->currentRow();
        SearchStartChoice = ChosenPicture;
        SelectGroup(0);
        PictureNameEdit->clear();
        SearchFromStart = false;
    }
    const QString text = FindDialog->FindText().toUpper();
    const bool wholeWord = FindDialog->WholeWord();
    int group = std::max(0, GroupComboBox->currentIndex());
    int picture = PictureListBox->currentRow() + 1;
    for (; group < static_cast<int>(Categories.size()); ++group, picture = 0) {
        const QStringList& names = Categories[static_cast<size_t>(group)].UpperNames;
        for (; picture < names.size(); ++picture) {
            const QString& name = names[picture];
            if (wholeWord ? name == text : name.contains(text)) {
                if (group != GroupComboBox->currentIndex())
                    SelectGroup(group);
                SelectPicture(picture);
                ShowChosen(picture);
                return;
            }
        }
    }

    Tonlyra::UserPrompt::Message(this, QStringLiteral("Meddelande"),
                                 QStringLiteral("Sökningen är färdig"), QMessageBox::Ok,
                                 QMessageBox::Information);
    SearchFromStart = true;
    SelectGroup(SearchStartGroup);
    SelectPicture(SearchStartPicture);
    if (SearchStartPicture >= 0) {
        ShowChosen(SearchStartPicture);
    } else {
        PictureNameEdit->clear();
        ChosenPicture = SearchStartChoice;
        if (PreviewForm)
            PreviewForm->ShowPreview(QString());
    }
}
