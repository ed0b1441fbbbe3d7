#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TPreviewForm;

namespace Tonlyra {
class FindDialog;
}

// The picture base browser: the carer picks a cell picture from a picture base by base,
// category and display name, or searches for it by name, with a preview beside the dialog.
//
// A picture base is an INI file in a system folder (Tonlyra::SystemFiles):
//   [ProgDir]  Dir=<folder of the pictures; several folders separated by ";">
//              Extension=<the pictures' file extension, without the dot>
//   [Grupper]  <any key>=<name of a category>, in order ("Antal" is not a category); without
//              any key the base has the one category "Bilder"
//   [<category>]  <file name without extension>=<display name> ("Antal" and "Kod" are not
//              pictures)
// A picture's file is <folder>/<key>.<Extension>, looked up in each folder of Dir in turn; the
// name is matched on disk without regard to case (bases made on Windows say "BMP" of ".bmp"
// files), and the path handed back is the file as it is spelled on disk. A relative folder is
// taken from the folder the base lies in. INI files without "ProgDir" are not picture bases.
class TPictureBaseDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TPictureBaseDialog(QWidget* parent = nullptr);
    ~TPictureBaseDialog() override;

    // The preview window shown beside the dialog while it is open; none when unset.
    TPreviewForm* PreviewForm = nullptr;

    // Filter := filter in capitals: the overlay editor's picture file filter, which says what
    // kinds of picture a base may hold.
    void SetFilter(const QString& filter);
    // Whether at least one base qualifies: its Extension is named in Filter and a file of that
    // extension is in one of its folders.
    bool HasPictureBase();
    // Shows the dialog modally with the preview window; true when it was closed with "&OK".
    // The caller then takes ChosenPicture.
    bool Execute();

    // The path of the picture last chosen; kept between uses of the dialog.
    QString ChosenPicture;
    QString Filter;

    // What the user can do; the controls call these.
    void BaseComboBoxChange();
    void GroupComboBoxChange();
    void PictureListBoxClick();
    void SearchButtonClick();
    void FindDialogFind();

    // Where the find dialog goes: moved up off the dialog (not above the screen), and to the
    // right of the preview window. All rectangles are frame geometries.
    static QRect FindDialogPlace(QRect find, QRect dialog, QRect preview, QRect screen);

    QLabel* PictureLabel = nullptr;
    QLineEdit* PictureNameEdit = nullptr;
    QPushButton* SearchButton = nullptr;
    QListWidget* PictureListBox = nullptr;
    QLabel* GroupLabel = nullptr;
    QComboBox* GroupComboBox = nullptr;
    QLabel* BaseLabel = nullptr;
    QComboBox* BaseComboBox = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    Tonlyra::FindDialog* FindDialog = nullptr;

    // The base files found, in the order of BaseComboBox.
    QStringList Bases;
    // The chosen base's "ProgDir" values, as stored.
    QString Dir;
    QString Extension;
    // The picture keys of the chosen category, parallel to PictureListBox.
    QStringList PictureKeys;
    bool SearchFromStart = true;

    // The file of a picture of the chosen base.
    QString PicturePath(const QString& key);

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Category
    {
        QString Name;
        QStringList Keys;
        QStringList Names;
        QStringList UpperNames; // for searching
    };

    QStringList FindBases() const;
    void SelectGroup(int index);
    void SelectPicture(int row);
    void ShowChosen(int row);
    QStringList Folders() const;

    std::vector<Category> Categories; // of the chosen base
    QString BaseFolder;               // where the chosen base lies
    QString LastBase;                 // the base file chosen last, chosen again on opening
    // The folders' files by lower-case name, read once per base as they are needed.
    QHash<QString, QHash<QString, QString>> FolderFiles;
    // The selection when a search began, given back when it ends without a hit.
    int SearchStartGroup = -1;
    int SearchStartPicture = -1;
    QString SearchStartChoice;
};

