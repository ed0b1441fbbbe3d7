#pragma once

#include "overlay/MediaOverlay.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QAction;

// The overlay editor. It holds the program's two overlays: CurrentOverlay, the one in force that
// the player reads through the accessors below, and EditedOverlay, the one the editor shows and
// changes and that files are read into and written from. CommitOverlay puts the edited one in
// force.
class TSettingsForm : public QDialog
{
    Q_OBJECT
public:
    // arguments are the program's command-line arguments after the program name; the first two
    // are looked at for a ".cdu" overlay, which is loaded and put in force.
    explicit TSettingsForm(QWidget* parent = nullptr, const QStringList& arguments = {});
    ~TSettingsForm() override;

    // The name a new overlay carries until it is saved.
    static const QString UntitledName; // "Namnlös"

    MediaOverlay EditedOverlay;
    MediaOverlay CurrentOverlay;

    // Set by every change made in the editor; cleared by LoadOverlay, SaveOverlay, LayoutCells
    // and at the end of EditOverlay.
    bool ChangedInEditor = false;
    // Edits accepted into CurrentOverlay and not saved since.
    bool CommittedUnsaved = false;

    // Folders of the last file of each kind, each ending in "/"; not kept between runs.
    QString OverlayFolder; // start: <current directory>/Overlays/
    QString PictureFolder; // start: <current directory>/
    QString IntroFolder;
    QString SoundFolder;
    QString VideoFolder;

    // The overlay's file: empty until an overlay was loaded or created (the player takes that to
    // mean there is no overlay yet), UntitledName for a new overlay not saved yet.
    QString FileName;

    // Accessors of CurrentOverlay for the player. k counts from 1; outside 1..N the text
    // accessors give the empty text, the positions -1 and the tests false.
    int Rows() const { return CurrentOverlay.Rows; }
    int Cols() const { return CurrentOverlay.Cols; }
    int CellCount() const { return CurrentOverlay.CellCount(); }
    QString GetCellMedia(int k) const { return CurrentOverlay.GetCellMedia(k); }
    QString GetCellPicture(int k) const { return CurrentOverlay.GetCellPicture(k); }
    QString GetCellText(int k) const { return CurrentOverlay.GetCellText(k); }
    QString GetCellIntroSound(int k) const { return CurrentOverlay.GetCellIntroSound(k); }
    bool IsIntroFromMedia(int k) const { return CurrentOverlay.IsIntroFromMedia(k); }
    qint32 GetCellStart(int k) const { return CurrentOverlay.GetCellStart(k); }
    qint32 GetCellStop(int k) const { return CurrentOverlay.GetCellStop(k); }
    qint32 GetCellIntroStart(int k) const { return CurrentOverlay.GetCellIntroStart(k); }
    qint32 GetCellIntroStop(int k) const { return CurrentOverlay.GetCellIntroStop(k); }
    QString GetCellCommPort(int k) const { return CurrentOverlay.GetCellCommPort(k); }
    bool IsCDTrackCell(int k) const { return CurrentOverlay.IsCDTrackCell(k); }
    bool IsSoundFileCell(int k) const { return CurrentOverlay.IsSoundFileCell(k); }
    bool IsVideoFileCell(int k) const { return CurrentOverlay.IsVideoFileCell(k); }
    bool IsOverlayFileCell(int k) const { return CurrentOverlay.IsOverlayFileCell(k); }
    bool IsIRCell(int k) const { return CurrentOverlay.IsIRCell(k); }
    bool IsExitCell(int k) const { return CurrentOverlay.IsExitCell(k); }
    // Asks the media dialog to find a disc (it tells the user to insert one when none is found);
    // true when a disc was found and cell k is an "ArbitraryCD" cell.
    bool IsArbitraryCDReady(int k);

    // Reads a ".cdu" file into EditedOverlay (CurrentOverlay is not touched: call CommitOverlay
    // to put it in force). Clears both change flags; FileName := path; OverlayFolder := its folder.
    void LoadOverlay(const QString& path);
    // Writes EditedOverlay to path. On success the file becomes the document's file and both
    // change flags are cleared. On failure the error "Unable to write to <path>" is shown through
    // the general error box, the old file, FileName and the flags stay as they were, and the
    // result is false.
    bool SaveOverlay(const QString& path);
    // CurrentOverlay := EditedOverlay.
    void CommitOverlay();
    // EditedOverlay := CurrentOverlay, then LayoutCells without emptying.
    void RevertEditedOverlay();
    // Gives EditedOverlay rows x cols cells (see MediaOverlay::LayoutCells); clears
    // ChangedInEditor.
    void LayoutCells(int rows, int cols, bool empty = false);
    // Asks whether unsaved changes are to be saved; false means the caller must not go on.
    bool ConfirmSaveOverlay();
    // The editor's entry point: shows the editor modally and returns true when the user accepted
    // the edited overlay, which is then committed. The visible editor is not part of this build
    // yet: it shows nothing and returns false.
    bool EditOverlay();
    // Empties both overlays at program end.
    void ReleaseOverlay();

    // The "&Arkiv" commands.
    void NewMenuClick();    // "&Nytt media-överlägg"
    void OpenMenuClick();   // "&Öppna media-överlägg"
    void SaveMenuClick();   // "Spara media-överlägg"
    void SaveAsMenuClick(); // "&Spara media-överlägg som..."
    // Enables "Spara media-överlägg" exactly when there are unsaved changes.
    void FileMenuPopup();

    QAction* NewMenu = nullptr;
    QAction* OpenMenu = nullptr;
    QAction* SaveMenu = nullptr;
    QAction* SaveAsMenu = nullptr;

private:
    void UpdateCaption();
};

extern TSettingsForm* SettingsForm;
