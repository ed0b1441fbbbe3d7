#pragma once

#include "overlay/MediaOverlay.h"
#include "overlay/MovedFileFinder.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <vector>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;
class TMissingFilesDialog;

class TIRDialog;
class TMediaDialog;
class TNumberDialog;
class TPictureBaseDialog;
class TPreviewForm;
class TRowsColsDialog;

namespace Tonlyra {
class HelperProgram;
class Session;
} // namespace Tonlyra

// The overlay editor. The overlay in force is the session's, which the accessors below read;
// the editor holds EditedOverlay, the one it shows and changes and that files are read into and
// written from. CommitOverlay puts the edited one in force in the session. An overlay put in
// force elsewhere (the player opening a linked overlay) becomes the edited one too.
//
// The document side (files, change flags, the save question, EditOverlay) is in
// SettingsFormUnit.cpp; the window (its controls, the grid of cells, the commands that change a
// cell, the recording buttons) in SettingsFormWindow.cpp.
class TSettingsForm : public QDialog
{
    Q_OBJECT
public:
    // arguments are the program's command-line arguments after the program name; the first two
    // are looked at for a ".cdu" overlay, which is loaded and put in force in session, or a
    // ".tonlyran" set, which is offered for import (OfferImport).
    explicit TSettingsForm(Tonlyra::Session& session, QWidget* parent = nullptr,
                           const QStringList& arguments = {});
    ~TSettingsForm() override;

    // The name a new overlay carries until it is saved.
    static const QString UntitledName; // "Namnlös"

    // The session whose overlay in force this editor edits.
    Tonlyra::Session& Session;
    MediaOverlay EditedOverlay;
    // The overlay in force: the session's.
    const MediaOverlay& CurrentOverlay() const;

    // The playback service's dialog (choosing a sound or video and its stretch, finding a disc)
    // and the IR dialog, shared with the player; set by whoever creates the editor, and may stay
    // unset where nothing chooses media or IR commands.
    TMediaDialog* MediaDialog = nullptr;
    TIRDialog* IRDialog = nullptr;
    // The editor's own dialogs.
    TNumberDialog* NumberDialog = nullptr;
    TRowsColsDialog* RowsColsDialog = nullptr;
    TPreviewForm* PreviewForm = nullptr;
    TPictureBaseDialog* PictureBaseDialog = nullptr;

    // Set by every change made in the editor; cleared by LoadOverlay, SaveOverlay, LayoutCells
    // and at the end of EditOverlay.
    bool ChangedInEditor = false;
    // Edits accepted into the overlay in force and not saved since (kept by the session).
    bool CommittedUnsaved() const;

    // Files of an overlay being loaded that are not where it says are looked for (moved, copied
    // from the old Windows program, carried to another computer); what was found is remembered
    // for the run. Player and editor load every overlay through LoadOverlay, so both find them.
    Tonlyra::MovedFileFinder Finder;
    // Paths found by Finder when the overlay was loaded, not saved yet: "Spara media-överlägg"
    // can be chosen and the next save writes them. Unlike a change made in the editor it asks
    // nothing when the overlay is left (a switch user choosing an overlay cell is never asked):
    // the files are found again the next time. Cleared by LoadOverlay without finds and by a save.
    bool FoundPathsUnsaved = false;

    // Folders of the last file of each kind, each ending in "/"; not kept between runs.
    QString OverlayFolder; // start: Tonlyra::OverlaysFolder()
    QString PictureFolder; // start: <current directory>/
    QString IntroFolder;
    QString SoundFolder;
    QString VideoFolder;

    // The overlay's file: empty until an overlay was loaded or created (the player takes that to
    // mean there is no overlay yet), UntitledName for a new overlay not saved yet.
    QString FileName;

    // Accessors of the overlay in force. k counts from 1; outside 1..N the text
    // accessors give the empty text, the positions -1 and the tests false.
    int Rows() const { return CurrentOverlay().Rows; }
    int Cols() const { return CurrentOverlay().Cols; }
    int CellCount() const { return CurrentOverlay().CellCount(); }
    QString GetCellMedia(int k) const { return CurrentOverlay().GetCellMedia(k); }
    QString GetCellPicture(int k) const { return CurrentOverlay().GetCellPicture(k); }
    QString GetCellText(int k) const { return CurrentOverlay().GetCellText(k); }
    QString GetCellIntroSound(int k) const { return CurrentOverlay().GetCellIntroSound(k); }
    bool IsIntroFromMedia(int k) const { return CurrentOverlay().IsIntroFromMedia(k); }
    qint32 GetCellStart(int k) const { return CurrentOverlay().GetCellStart(k); }
    qint32 GetCellStop(int k) const { return CurrentOverlay().GetCellStop(k); }
    qint32 GetCellIntroStart(int k) const { return CurrentOverlay().GetCellIntroStart(k); }
    qint32 GetCellIntroStop(int k) const { return CurrentOverlay().GetCellIntroStop(k); }
    QString GetCellCommPort(int k) const { return CurrentOverlay().GetCellCommPort(k); }
    bool IsCDTrackCell(int k) const { return CurrentOverlay().IsCDTrackCell(k); }
    bool IsSoundFileCell(int k) const { return CurrentOverlay().IsSoundFileCell(k); }
    bool IsVideoFileCell(int k) const { return CurrentOverlay().IsVideoFileCell(k); }
    bool IsOverlayFileCell(int k) const { return CurrentOverlay().IsOverlayFileCell(k); }
    bool IsIRCell(int k) const { return CurrentOverlay().IsIRCell(k); }
    bool IsExitCell(int k) const { return CurrentOverlay().IsExitCell(k); }
    // Asks the media dialog to find a disc (it tells the user to insert one when none is found);
    // true when a disc was found and cell k is an "ArbitraryCD" cell.
    bool IsArbitraryCDReady(int k);

    // Reads a ".cdu" file into EditedOverlay (the overlay in force is not touched: call CommitOverlay
    // to put it in force). Clears both change flags; FileName := path; OverlayFolder := its folder.
    void LoadOverlay(const QString& path);
    // Writes EditedOverlay to path. On success the file becomes the document's file and both
    // change flags are cleared. On failure the error "Unable to write to <path>" and its reason
    // are shown through the general error box, the old file, FileName and the flags stay as they
    // were, and the result is false.
    bool SaveOverlay(const QString& path);
    // The overlay in force := EditedOverlay, from FileName.
    void CommitOverlay();
    // EditedOverlay := the overlay in force, then LayoutCells without emptying.
    void RevertEditedOverlay();
    // Gives EditedOverlay rows x cols cells (see MediaOverlay::LayoutCells); clears
    // ChangedInEditor.
    void LayoutCells(int rows, int cols, bool empty = false);
    // Asks whether unsaved changes are to be saved; false means the caller must not go on.
    bool ConfirmSaveOverlay();
    // The editor's entry point, for the player: shows the editor modally (through
    // UserPrompt::RunDialog, which tests answer) on the overlay in force, and returns true when
    // the user accepted the edited overlay, which is then in force. A cancel leaves the overlay in
    // force, its file name and its change flags as they were.
    bool EditOverlay();
    // Empties both overlays at program end.
    void ReleaseOverlay();

    // The "&Arkiv" commands.
    void NewMenuClick();    // "&Nytt media-överlägg"
    void OpenMenuClick();   // "&Öppna media-överlägg"
    // The two save commands; true when the overlay was saved.
    bool SaveMenuClick();   // "Spara media-överlägg"
    bool SaveAsMenuClick(); // "&Spara media-överlägg som..."
    // Enables "Spara media-överlägg" exactly when there are unsaved changes or found paths.
    void FileMenuPopup();
    // The "&Arkiv" commands for overlays that travel (SettingsFormTravel.cpp).
    void MissingFilesMenuClick(); // "Saknade filer...": the list beside the editor
    void ExportMenuClick();       // "Exportera...": the overlay saved, then its whole set
    void ImportMenuClick();       // "Importera...": a set, whose first overlay is then opened
    void MediaFoldersMenuClick(); // "Mediamappar..."
    // A ".tonlyran" set named on the command line (a file manager opening one): asks whether to
    // import it, and opens its first overlay when it was.
    void OfferImport(const QString& archive);

    // The columns of CDTrackList; row r - 1 shows cell r of EditedOverlay. The first three are
    // fixed: they cannot be selected and show no hints.
    enum Column
    {
        NrColumn,      // "nr"
        TypeColumn,    // "Media typ"
        LengthColumn,  // "Längd"
        MediaColumn,   // "Media"
        PictureColumn, // "Bildfil"
        TextColumn,    // "Text", typed in place
        IntroColumn,   // "Intro-ljud"
        ColumnCount
    };

    // The selected cell (1..N, 0 when none) and its column.
    int SelectedCell() const;
    int SelectedColumn() const;
    // Selects cell k in column and gives the grid the focus.
    void SelectCell(int k, int column = MediaColumn);

    // The commands of the context menu; each works on the selected cell.
    void GetArbitraryCDTracksClick(); // a track of whatever disc is in the drive
    void GetSoundFileClick();
    void GetVideoFileClick();
    void GetOverlayFileClick();
    void GetIRClick();
    void ExitProgramClick();
    void GetPictureClick();            // a picture file, with the preview beside the dialog
    void GetPictureBasePictureClick(); // a picture from a picture base
    void GetIntroWaveClick();          // an intro sound file
    void GetSoundFileIntroClick();     // the intro as a stretch of the cell's own sound
    // Shows and enables the context menu's items for the selected cell and its column.
    void CDTrackListPopupMenuPopup();
    // "&Ändra": the number of rows and columns.
    void TrackCountButtonClick();
    // "Spela in" and "Inspelningskontroller".
    void RecordButtonClick();
    void RecordSettingsButtonClick();

    // The text the "Längd" column shows for a length in milliseconds, the same whether the
    // stretch was just chosen or read from a file: rounded to whole seconds (more than 500 ms
    // up), as hours:minutes:seconds.
    static QString LengthText(qint64 ms);
    // The picture file filter of the picture file dialog and the picture bases.
    static const QString ImageFilter;
    // The filter and extension of overlay files in the file dialogs.
    static const QString OverlayFilter; // "Överlägg|*.cdu"
    static const QString OverlaySuffix; // "cdu"

    // The top band.
    QGroupBox* MediaGroup = nullptr;         // "Mediaspår"
    QLabel* CountPanel = nullptr;            // N
    QPushButton* TrackCountButton = nullptr; // "&Ändra"
    QFrame* RowsColsPanel = nullptr;         // the cell map: one panel per cell
    std::vector<QFrame*> CellMapPanels;
    QFrame* Recording = nullptr;
    QPushButton* RecordButton = nullptr;         // "Spela in"
    QPushButton* RecordSettingsButton = nullptr; // "Inspelningskontroller"
    Tonlyra::HelperProgram* SoundRecorder = nullptr;
    Tonlyra::HelperProgram* RecordingControl = nullptr;

    QTableWidget* CDTrackList = nullptr;

    // The context menu, items in their order.
    QMenu* CDTrackListPopupMenu = nullptr;
    QAction* GetPicture = nullptr;
    QAction* GetPictureBasePicture = nullptr;
    QAction* GetIntroWave = nullptr;
    QAction* GetFixedCDIntro = nullptr;
    QAction* GetSoundFileIntro = nullptr;
    QAction* GetArbitraryCDTracks = nullptr;
    QAction* GetFixedCDTracks = nullptr; // never shown: no command makes a "FixedCD" cell
    QAction* GetSoundFile = nullptr;
    QAction* GetVideoFile = nullptr;
    QAction* GetOverlayFile = nullptr;
    QAction* GetIR = nullptr;
    QAction* ExitProgram = nullptr;

    // The menus.
    QMenu* FileMenu = nullptr; // "&Arkiv"
    QAction* NewMenu = nullptr;
    QAction* OpenMenu = nullptr;
    QAction* SaveMenu = nullptr;
    QAction* SaveAsMenu = nullptr;
    QAction* MissingFilesMenu = nullptr;
    QAction* ExportMenu = nullptr;
    QAction* ImportMenu = nullptr;
    QAction* MediaFoldersMenu = nullptr;
    QAction* CloseAndLoadMenu = nullptr; // "Stäng och &ladda inställningarna"
    QPointer<TMissingFilesDialog> MissingFilesWindow; // while "Saknade filer" is open
    QAction* CloseMenu = nullptr;        // "&Avbryt"
    QMenu* HelpMenu = nullptr;           // "&Hjälp"
    QAction* HelpContents = nullptr;     // "&Innehåll"
    QAction* HelpMenuAnp = nullptr;      // "Skapa &överlägg"

    // Closing without loading ("&Avbryt", the close box, Esc). With changes made in the editor
    // it first asks whether to save them: Ja saves and closes as "Stäng och &ladda
    // inställningarna" does, so the player shows what was saved (a save that fails or is
    // cancelled keeps the window open); Nej drops the changes; Avbryt keeps the window open.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // An overlay put in force by someone else becomes the edited one, as if loaded here.
    void TakeOverlayInForce();
    bool Committing = false;
    void UpdateCaption();
    void CreateMenus();
    void CreateTravelMenus();
    // Runs Finder over EditedOverlay, loaded from path, and logs what it found and what is
    // still missing; sets FoundPathsUnsaved when it found any.
    void FindMovedFiles(const QString& path);
    // Opens "Saknade filer" when files of EditedOverlay are missing.
    void ShowMissingFilesIfAny();
    void CreateControls();
    void CreateContextMenu();
    // After LayoutCells: the grid's rows, the cell map and the count display for EditedOverlay;
    // rows that stay keep their "Längd"; Media typ and the cell's fields are shown anew.
    void RebuildCellDisplay(bool keepLengths);
    // Shows every field of cell k in its row; length, when given, replaces "Längd".
    void ShowCell(int k);
    void SetLength(int k, const QString& text);
    // "Media typ" and "Längd" of every cell as reading a file gives them.
    void ShowLengthsAsRead();
    void ColourCellMap(int k);
    // Shares the grid's width out over the columns "Media" to "Intro-ljud".
    void LayOutColumns();
    // A change of cell k made by a command: shown, and ChangedInEditor set.
    void CellChanged(int k);
    // A text typed in place, as it is typed.
    void TextEdited(int row, const QString& text);
    // ChangedInEditor as it was when the text editor opened: Esc, which cancels the edit, puts
    // back the text and this.
    bool ChangedBeforeTyping = false;
    void RunHelperProgram(Tonlyra::HelperProgram* program);
    // A sound or video file for the selected cell through the media dialog (kind is a
    // MediaKind), with its stretch.
    void ChooseMediaFile(int kind);
};

