// The grid of cells on KnappYta: building the cells from the overlay and the user settings,
// laying them out, fitting their pictures, the scanning frame, and enlarging one cell to the
// whole grid area while it plays.

#include "player/PlayerFormUnit.h"

#include "media/MediaFileCheck.h"
#include "overlay/MediaOverlay.h"
#include "picture/PictureLoader.h"
#include "picture/TMultiP.h"
#include "platform/Logging.h"
#include "platform/PictureReader.h"
#include "platform/ThumbnailCache.h"
#include "player/CellPanel.h"
#include "session/Session.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

using Tonlyra::CellFace;
using Tonlyra::CellLabel;
using Tonlyra::CellPanel;

namespace {

int RoundToInt(double value)
{
    return int(std::lround(value));
}

} // namespace

bool TPlayerForm::IsGridMode() const
{
    switch (Session.Settings().ControlMode) {
    case ControlMode::MouseControl:
    case ControlMode::TwoSwitchScanControl:
    case ControlMode::TwoSwitchScanXYControl:
    case ControlMode::OneSwitchScanControl:
    case ControlMode::OneSwitchScanXYControl:
    case ControlMode::ArrowControl:
        return true;
    default:
        return false;
    }
}

int TPlayerForm::CellNumberOf(const QObject* sender)
{
    if (const auto* picture = qobject_cast<const TPMultiImage*>(sender))
        return picture->Tag;
    if (const auto* label = qobject_cast<const CellLabel*>(sender))
        return label->Tag;
    if (const auto* face = qobject_cast<const CellFace*>(sender))
        return face->Tag;
    if (const auto* panel = qobject_cast<const CellPanel*>(sender))
        return panel->Tag;
    return 0;
}

QList<CellPanel*> TPlayerForm::CellPanels() const
{
    return KnappYta->findChildren<CellPanel*>(QString(), Qt::FindDirectChildrenOnly);
}

CellPanel* TPlayerForm::CellPanelOf(int cell) const
{
    CellPanel* found = nullptr;
    for (CellPanel* panel : CellPanels())
        if (panel->Tag == cell)
            found = panel;
    return found;
}

void TPlayerForm::DestroyCells()
{
    CellPictures->Cancel();
    // A rebuild may be started from a cell's own handler (a cell that opens another overlay),
    // so the old cells are taken off the grid now and deleted once that handler has returned.
    const QList<QWidget*> cells =
        KnappYta->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* cell : cells) {
        if (cell == ScanProgress)
            continue;
        cell->hide();
        cell->setParent(nullptr);
        cell->deleteLater();
    }
    SavedCell = 0;
    PlayedCell = 0;
}

void TPlayerForm::CreateCells()
{
    const UserSettings& settings = Session.Settings();
    const int cellCount = Session.Overlay().CellCount();
    if (cellCount <= 0)
        return;

    const QColor backColor = Tonlyra::ColorFromBgr(settings.BackColor);
    const QColor buttonColor = Tonlyra::ColorFromBgr(settings.ButtonColor);
    const QFont font = Tonlyra::ToQFont(settings.Font);
    const QColor fontColor = Tonlyra::ColorFromBgr(settings.Font.Color);
    const bool gridMode = IsGridMode();

    const auto mouseDown = [this](QObject* sender, Qt::MouseButton button,
                                  Qt::KeyboardModifiers shift, int x,
                                  int y) { CellMouseDown(sender, button, shift, x, y); };
    const auto mouseUp = [this](QObject* sender, Qt::MouseButton button,
                                Qt::KeyboardModifiers shift, int x,
                                int y) { CellMouseUp(sender, button, shift, x, y); };

    // Construction, in cell-number order: that is the panels' order on KnappYta.
    QList<CellPanel*> panels;
    panels.reserve(cellCount);
    for (int c = 1; c <= cellCount; ++c) {
        auto* panel = new CellPanel(c, KnappYta);
        panel->setObjectName(QStringLiteral("Cell%1").arg(c));
        panel->SetBorderWidth(settings.Spacing);
        panel->SetColor(backColor);
        panel->setVisible(gridMode);

        CellFace* face = panel->Face();
        face->SetColor(buttonColor);
        face->OnMouseDown = mouseDown;
        face->OnMouseUp = mouseUp;

        auto* label = new CellLabel(c, face);
        label->setFont(font);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, fontColor);
        label->setPalette(palette);
        label->setText(settings.ShowTexts ? Session.Overlay().GetCellText(c) : QString());
        label->OnMouseDown = mouseDown;
        label->OnMouseUp = mouseUp;
        face->Label = label;

        auto* picture = new TPMultiImage(face);
        picture->Tag = c;
        picture->SetBorderStyle(TPMultiImage::bsNone);
        picture->SetCenter(true);
        picture->SetColor(buttonColor);
        picture->SetStretch(true);
        picture->OnMouseDown = [this](TPMultiImage* sender, Qt::MouseButton button,
                                      Qt::KeyboardModifiers shift, int x,
                                      int y) { CellMouseDown(sender, button, shift, x, y); };
        picture->OnMouseUp = [this](TPMultiImage* sender, Qt::MouseButton button,
                                    Qt::KeyboardModifiers shift, int x,
                                    int y) { CellMouseUp(sender, button, shift, x, y); };
        picture->OnPictorumError = [this](TPMultiImage* sender, int code, const QString& text) {
            CellPictureFailed(sender, code, text);
        };
        face->Picture = picture;
        panels.append(panel);
    }

    QList<QString> pictureNames;
    pictureNames.reserve(cellCount);
    for (int i = 0; i < panels.size(); ++i) {
        CellPanel* panel = panels[i];
        CellFace* face = panel->Face();
        const QString pictureName =
            settings.ShowPictures ? Session.Overlay().GetCellPicture(i + 1) : QString();
        pictureNames.append(pictureName);
        face->Label->setVisible(!face->Label->text().isEmpty());
        face->LabelAlign = pictureName.isEmpty() ? CellFace::Align::Client : CellFace::Align::Top;
        // A picture that shows nothing (a file that would not load, a moving text message, a
        // picture still being decoded) takes the room below the text rather than covering it.
        face->PictureAlign = CellFace::Align::Client;
        face->Picture->setVisible(!pictureName.isEmpty());
        // A sound or video file that surely cannot be played is marked at once; one that only
        // fails when played is marked then.
        if (Session.Overlay().IsSoundFileCell(i + 1) || Session.Overlay().IsVideoFileCell(i + 1)) {
            const QString problem = Tonlyra::MediaFileProblem(Session.Overlay().GetCellMedia(i + 1));
            if (!problem.isEmpty())
                MediaFailed(i + 1, QStringLiteral("Mediet kan inte spelas: ") + problem);
        }
        panel->SetBounds(CellSlot(i + 1));
    }

    // The grid shows at once with its texts; the pictures are decoded in the background, in
    // scanning order, at the size of the room they get, and each is fitted as it comes.
    QList<Tonlyra::PictureLoader::Load> loads;
    for (int i = 0; i < panels.size(); ++i) {
        if (pictureNames[i].isEmpty())
            continue;
        CellFace* face = panels[i]->Face();
        loads.append(
            {face->Picture, pictureNames[i], PictureRoom(face->size(), face->LabelHeight())});
    }
    CellPictures->Start(loads);
    FillThumbnailsOfLinkedOverlays();
}

QSize TPlayerForm::PictureRoom(QSize face, int labelHeight)
{
    const int b = CellFace::BorderWidth;
    return QSize(std::max(1, face.width() - 2 * b),
                 std::max(1, face.height() - 2 * b - labelHeight));
}

void TPlayerForm::FillThumbnailsOfLinkedOverlays()
{
    // The overlays this grid opens are built in the same area with the same settings: their
    // pictures' thumbnails are made now, in the background, so that opening one is quick the
    // first time too.
    const UserSettings& settings = Session.Settings();
    QList<Tonlyra::Thumbnails::FillRequest> pictures;
    if (settings.ShowPictures) {
        const QFont font = Tonlyra::ToQFont(settings.Font);
        const int inset = settings.Spacing + CellPanel::BevelWidth;
        for (int cell = 1; cell <= Session.Overlay().CellCount(); ++cell) {
            if (!Session.Overlay().IsOverlayFileCell(cell))
                continue;
            MediaOverlay linked;
            linked.Load(Session.Overlay().GetCellMedia(cell));
            const QSize slot(KnappYta->width() / std::max(1, linked.Cols),
                             KnappYta->height() / std::max(1, linked.Rows));
            const QSize face = slot - QSize(2 * inset, 2 * inset);
            for (int k = 1; k <= linked.CellCount(); ++k) {
                const QString picture = linked.GetCellPicture(k);
                if (picture.isEmpty())
                    continue;
                const QString text = settings.ShowTexts ? linked.GetCellText(k) : QString();
                pictures.append({picture, PictureRoom(face, LabelHeightFor(text, font, face))});
            }
        }
    }
    Tonlyra::Thumbnails::FillInBackground(pictures);
}

int TPlayerForm::LabelHeightFor(const QString& text, const QFont& font, QSize face)
{
    if (text.isEmpty())
        return 0;
    // As CellFace::Realign places a label above a picture.
    CellLabel label(0, nullptr);
    label.setFont(font);
    label.setText(text);
    const int inner = std::max(0, face.width() - 2 * CellFace::BorderWidth);
    return std::clamp(label.heightForWidth(inner), 0,
                      std::max(0, face.height() - 2 * CellFace::BorderWidth));
}

void TPlayerForm::CellPictureLoaded(TPMultiImage* picture)
{
    FitPicture(picture->Tag);
}

QRect TPlayerForm::CellSlot(int cell) const
{
    // Equal cells by integer division; the remainder stays empty at the right and the bottom.
    const int rows = std::max(1, Session.Overlay().Rows);
    const int cols = std::max(1, Session.Overlay().Cols);
    const int cellHeight = KnappYta->height() / rows;
    const int cellWidth = KnappYta->width() / cols;
    const int i = cell - 1;
    return QRect((i % cols) * cellWidth, (i / cols) * cellHeight, cellWidth, cellHeight);
}

void TPlayerForm::LayOutCells()
{
    for (CellPanel* panel : CellPanels()) {
        const QRect slot = CellSlot(panel->Tag);
        if (panel->Tag == SavedCell) {
            // Enlarged: it keeps the whole grid, and goes back to its new slot.
            SavedCellTop = slot.top();
            SavedCellLeft = slot.left();
            SavedCellHeight = slot.height();
            SavedCellWidth = slot.width();
            panel->SetBounds(QRect(QPoint(0, 0), KnappYta->size()));
        } else {
            panel->SetBounds(slot);
        }
        FitPicture(panel->Tag);
    }
}

void TPlayerForm::CellPictureFailed(TPMultiImage* picture, int code, const QString& text)
{
    // A message box here would stop the grid from appearing until someone closed it, which a
    // switch user cannot do. A file too short to hold a picture is not read, and not reported.
    if (code == Tonlyra::PictureTooShort)
        return;
    qCWarning(Tonlyra::Log::Player).noquote() << QStringLiteral("Cell %1: picture %2 is not shown: %3")
                                            .arg(picture->Tag)
                                            .arg(picture->ImageName(), text);
    if (auto* face = qobject_cast<CellFace*>(picture->parentWidget()))
        face->SetPictureFailed(text);
}

void TPlayerForm::MediaFailed(int cell, const QString& reason)
{
    // As with pictures, no box: the switch user could not close it.
    qCWarning(Tonlyra::Log::Player).noquote()
        << QStringLiteral("Cell %1: media %2 cannot be played: %3")
               .arg(cell)
               .arg(Session.Overlay().GetCellMedia(cell), reason);
    if (CellPanel* panel = CellPanelOf(cell))
        panel->Face()->SetMediaFailed(reason);
}

void TPlayerForm::FitPicture(int cell)
{
    CellPanel* panel = CellPanelOf(cell);
    if (!panel)
        return;
    CellFace* face = panel->Face();
    TPMultiImage* picture = face->Picture;
    if (!picture || picture->isHidden())
        return;
    const int w = picture->PictureWidth();
    const int h = picture->PictureHeight();
    if (w < 1 || h < 1)
        return;

    const int b = CellFace::BorderWidth;
    const int labelHeight = face->LabelHeight();
    const int clientWidth = face->width();
    const int clientHeight = face->height();
    const int roomWidth = clientWidth - 2 * b;
    const int roomHeight = clientHeight - 2 * b - labelHeight;

    const UserSettings& settings = Session.Settings();
    if (!settings.ZoomPictures && roomHeight >= h && roomWidth >= w) {
        // Drawn at its own size, centred in the room below the text.
        face->PictureAlign = CellFace::Align::Client;
        picture->SetStretch(false);
        face->Realign();
        return;
    }

    face->PictureAlign = CellFace::Align::None;
    picture->SetStretch(true);
    if (roomWidth < 1 || roomHeight < 1) {
        // The text takes all the room: no picture rather than one of negative size.
        picture->setGeometry(b, b + labelHeight, 0, 0);
        return;
    }
    if (double(w) / h > double(roomWidth) / roomHeight) {
        const int width = roomWidth;
        const int height = RoundToInt(double(width) / w * h);
        picture->setGeometry(b, b + labelHeight + RoundToInt((roomHeight - height) * 0.5), width,
                             height);
    } else {
        const int height = roomHeight;
        const int width = RoundToInt(double(height) / h * w);
        picture->setGeometry(b + RoundToInt((roomWidth - width) * 0.5), b + labelHeight, width,
                             height);
    }
}

std::optional<Tonlyra::ScanProgressBar::Step> TPlayerForm::ScanProgressStep() const
{
    const UserSettings& settings = Session.Settings();
    const auto left = TimeToNextScanStep();
    if (!settings.ShowScanProgress || !left || MarkedCount <= 0)
        return std::nullopt;
    QRect frame;
    for (int cell = MarkedFirst; cell < MarkedFirst + MarkedCount; ++cell)
        if (const CellPanel* panel = CellPanelOf(cell); panel && panel->isVisible())
            frame |= panel->geometry();
    return Tonlyra::ScanProgressBar::Step{frame, settings.Spacing, *left,
                                          Tonlyra::ColorFromBgr(settings.ScanColor)};
}

void TPlayerForm::MarkCell(int cell)
{
    MarkRow(cell, 1);
}

void TPlayerForm::MarkRow(int firstCell, int count)
{
    UseLog.FrameAt(firstCell, count);
    const UserSettings& settings = Session.Settings();
    const QColor backColor = Tonlyra::ColorFromBgr(settings.BackColor);
    const QColor scanColor = Tonlyra::ColorFromBgr(settings.ScanColor);
    MarkedFirst = firstCell;
    MarkedCount = firstCell > 0 ? count : 0;
    // Only panels whose colour changes are repainted, and of those only the frame.
    for (CellPanel* panel : CellPanels()) {
        const bool marked = panel->Tag >= firstCell && panel->Tag < firstCell + count;
        panel->SetColor(marked ? scanColor : backColor);
    }
}

void TPlayerForm::PutBackEnlargedCell()
{
    CellPanel* panel = SavedCell > 0 ? CellPanelOf(SavedCell) : nullptr;
    const int cell = SavedCell;
    SavedCell = 0;
    if (!panel)
        return;
    panel->setVisible(IsGridMode());
    panel->SetBounds(QRect(SavedCellLeft, SavedCellTop, SavedCellWidth, SavedCellHeight));
    FitPicture(cell);
}

void TPlayerForm::EnlargeCell(int cell)
{
    if (cell > Session.Overlay().CellCount())
        return;
    if (CellPanel* panel = CellPanelOf(cell)) {
        if (panel->size() != KnappYta->size()) {
            // Only one cell is enlarged at a time: one left enlarged (the stepping modes keep a
            // played cell on screen) goes back to its place before its geometry is forgotten.
            if (SavedCell != cell)
                PutBackEnlargedCell();
            SavedCellTop = panel->y();
            SavedCellLeft = panel->x();
            SavedCellHeight = panel->height();
            SavedCellWidth = panel->width();
            SavedCell = cell;
        }
        panel->SetColor(Tonlyra::ColorFromBgr(Session.Settings().BackColor));
        panel->SetBounds(QRect(QPoint(0, 0), KnappYta->size()));
        FitPicture(cell);
        panel->show();
        panel->raise();
        // Painted when the event loop next runs, not here: the cell's media is asked for first,
        // and the sound server starts on it while the picture is scaled and drawn.
        panel->update();
    }
    CurrentCell = cell;
}

void TPlayerForm::RestoreCell()
{
    if (CurrentCell <= 0)
        return;
    CellPanel* panel = CellPanelOf(CurrentCell);
    if (!panel)
        return;
    panel->setVisible(IsGridMode());
    // A cell that was never enlarged is already in its place; the saved geometry is another
    // cell's.
    if (SavedCell == CurrentCell) {
        panel->SetBounds(QRect(SavedCellLeft, SavedCellTop, SavedCellWidth, SavedCellHeight));
        SavedCell = 0;
    }
    FitPicture(CurrentCell);
}
