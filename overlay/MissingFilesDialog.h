#pragma once

#include "overlay/MovedFileFinder.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

// "Saknade filer": every file of an overlay that is not where it says and was not found, one
// row each with its cell and kind, for the carer to deal with in one place. "Leta i mapp..."
// asks for a folder and takes at once every missing file found in it or below it; "Ta bort från
// rutan" takes the selected file out of its cell. Works on the overlay it is given (the editor's
// edited one); OnCellChanged hears of every cell changed.
class TMissingFilesDialog : public QDialog
{
    Q_OBJECT
public:
    TMissingFilesDialog(MediaOverlay& overlay, std::vector<Tonlyra::MissingFile> missing,
                        QWidget* parent = nullptr);

    std::function<void(int cell)> OnCellChanged;

    const std::vector<Tonlyra::MissingFile>& Missing() const { return Files; }

    void SearchFolderClick(); // "Leta i mapp..."
    void RemoveClick();       // "Ta bort från rutan"

    // The columns of FileList.
    enum Column { CellColumn, KindColumn, FileColumn, NoteColumn };

    QLabel* Summary = nullptr;
    QTreeWidget* FileList = nullptr;
    QPushButton* SearchFolderButton = nullptr;
    QPushButton* RemoveButton = nullptr;
    QPushButton* CloseButton = nullptr; // "Stäng"

private:
    void ShowFiles();

    MediaOverlay& Overlay;
    std::vector<Tonlyra::MissingFile> Files;
    QString LastFolder;
};
