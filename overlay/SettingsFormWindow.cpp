// The overlay editor's window: its menus, the top band with the cell map and the recording
// buttons, the grid of cells CDTrackList with its context menu, and the commands that give a
// cell its media, picture and intro.

#include "overlay/SettingsFormUnit.h"

#include "media/IRDialogUnit.h"
#include "media/MediaDialogUnit.h"
#include "overlay/CellMap.h"
#include "overlay/NumberDialogUnit.h"
#include "overlay/PictureBaseDialogUnit.h"
#include "overlay/PreviewFormUnit.h"
#include "overlay/RowsColsDialogUnit.h"
#include "platform/HelperProgram.h"
#include "platform/Paths.h"
#include "platform/PictureReader.h"
#include "platform/UserPrompt.h"
#include "help/HelpWindow.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>

using Tonlyra::UserPrompt;

namespace {

// The colour of the selected cell's panel in the cell map.
const QColor SelectedCellColour(0, 128, 0);

const char* const CellProperty = "cell";

const char* const ColumnHeadings[TSettingsForm::ColumnCount] = {
    "nr", "Media typ", "Längd", "Media", "Bildfil", "Text", "Intro-ljud"};
// The hints over the cells of each column; the fixed columns have none.
const char* const ColumnHints[TSettingsForm::ColumnCount] = {nullptr,
                                                             nullptr,
                                                             nullptr,
                                                             "Högerklicka för att välja media",
                                                             "Högerklicka för att välja bild",
                                                             "Skriv in en text",
                                                             "Högerklicka för att intro"};

// The media kinds of the media dialog as its sets take them.
constexpr int Kinds(std::initializer_list<int> kinds)
{
    int set = 0;
    for (int kind : kinds)
        set |= 1 << kind;
    return set;
}

QString FolderPartOf(const QString& path)
{
    return path.contains(u'/') ? Tonlyra::FolderOf(path) : QString();
}

// The picture filter for the file dialog, every pattern in capitals and in small letters:
// names on Linux are compared with case, and pictures made here are rarely named "*.PNG".
QStringList QtImageFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts))
            patterns << pattern << pattern.toLower();
        filters << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

// The grid of cells: the three fixed columns cannot take the selection, by mouse or keyboard;
// a press there, or below the rows, only ends typing in place. Context menus are the form's.
class CellTable : public QTableWidget
{
public:
    using QTableWidget::QTableWidget;
    std::function<void(QContextMenuEvent*)> OnContextMenu;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        const QModelIndex index = QTableWidget::moveCursor(action, modifiers);
        if (index.isValid() && index.column() < TSettingsForm::MediaColumn)
            return model()->index(index.row(), TSettingsForm::MediaColumn);
        return index;
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (!index.isValid() || index.column() < TSettingsForm::MediaColumn) {
            setFocus(Qt::MouseFocusReason); // the in-place editor loses the focus and closes
            event->accept();
            return;
        }
        QTableWidget::mousePressEvent(event);
    }
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        if (OnContextMenu)
            OnContextMenu(event);
    }
    // As in a table: typing into a text replaces it; F2 edits it, the cursor after the text.
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override
    {
        const bool editing = QTableWidget::edit(index, trigger, event);
        if (editing && trigger == EditKeyPressed) {
            if (auto* line = qobject_cast<QLineEdit*>(indexWidget(index))) {
                line->deselect();
                line->end(false);
            }
        }
        return editing;
    }
    // Shift+F10 opens the menu as the context-menu key does, for keyboards without that key.
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            contextMenuEvent(&menu);
            return;
        }
        QTableWidget::keyPressEvent(event);
    }
};

// The in-place editor of the "Text" column says when it opens, hands every change on as it is
// typed, so that the overlay always holds what the grid shows, and says when Esc cancels the
// edit, with the text the cell had when the editor opened.
class TextDelegate : public QStyledItemDelegate
{
public:
    struct Hooks
    {
        std::function<void()> Opened;
        std::function<void(int row, const QString& text)> Edited;
        std::function<void(int row, const QString& original)> Cancelled;
    };
    TextDelegate(QObject* parent, Hooks hooks) : QStyledItemDelegate(parent), On(std::move(hooks))
    {
        // Esc is the one way the delegate closes its editor with the edit thrown away.
        connect(this, &QAbstractItemDelegate::closeEditor, this,
                [this](QWidget* editor, EndEditHint hint) {
                    if (hint == RevertModelCache && editor->property(RowProperty).isValid())
                        On.Cancelled(editor->property(RowProperty).toInt(),
                                     editor->property(OriginalProperty).toString());
                });
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setMaxLength(Tonlyra::MaxProfileValueLength);
            const int row = index.row();
            line->setProperty(RowProperty, row);
            line->setProperty(OriginalProperty, index.data(Qt::EditRole));
            connect(line, &QLineEdit::textEdited, this,
                    [this, row](const QString& text) { On.Edited(row, text); });
            On.Opened();
        }
        return editor;
    }

private:
    static constexpr const char* RowProperty = "row";
    static constexpr const char* OriginalProperty = "original";
    Hooks On;
};

} // namespace

const QString TSettingsForm::OverlayFilter = QStringLiteral("Överlägg|*.cdu");
const QString TSettingsForm::OverlaySuffix = QStringLiteral("cdu");
const QString TSettingsForm::ImageFilter = QStringLiteral(
    "Alla bildformat|*.BMP;*.CMS;*.GIF;*.JPG;*.JPEG;*.PCX;*.PNG;*.SCM;*.TGA;*.TIF;*.TIFF;*.WEBP"
    "|BMP|*.BMP|CMS|*.CMS|GIF|*.GIF|JPG|*.JPG;*.JPEG|PCX|*.PCX|PNG|*.PNG|SCM|*.SCM|TGA|*.TGA"
    "|TIF|*.TIF;*.TIFF|WEBP|*.WEBP");

// ---- Creation ----------------------------------------------------------------------------

void TSettingsForm::CreateMenus()
{
    auto* menuBar = new QMenuBar(this);
    FileMenu = menuBar->addMenu(QStringLiteral("&Arkiv"));
    NewMenu = FileMenu->addAction(QStringLiteral("&Nytt media-överlägg"));
    OpenMenu = FileMenu->addAction(QStringLiteral("&Öppna media-överlägg"));
    SaveMenu = FileMenu->addAction(QStringLiteral("Spara media-överlägg"));
    SaveAsMenu = FileMenu->addAction(QStringLiteral("&Spara media-överlägg som..."));
    CreateTravelMenus();
    FileMenu->addSeparator();
    CloseAndLoadMenu = FileMenu->addAction(QStringLiteral("Stäng och &ladda inställningarna"));
    CloseMenu = FileMenu->addAction(QStringLiteral("&Avbryt"));
    HelpMenu = menuBar->addMenu(QStringLiteral("&Hjälp"));
    HelpContents = HelpMenu->addAction(QStringLiteral("&Innehåll"));
    HelpMenuAnp = HelpMenu->addAction(QStringLiteral("Skapa &överlägg"));

    connect(FileMenu, &QMenu::aboutToShow, this, [this] { FileMenuPopup(); });
    connect(NewMenu, &QAction::triggered, this, [this] { NewMenuClick(); });
    connect(OpenMenu, &QAction::triggered, this, [this] { OpenMenuClick(); });
    connect(SaveMenu, &QAction::triggered, this, [this] { SaveMenuClick(); });
    connect(SaveAsMenu, &QAction::triggered, this, [this] { SaveAsMenuClick(); });
    connect(CloseAndLoadMenu, &QAction::triggered, this, &QDialog::accept);
    connect(CloseMenu, &QAction::triggered, this, &QDialog::reject);
    connect(HelpContents, &QAction::triggered, this, [this] { Tonlyra::ShowHelp(this, {}); });
    connect(HelpMenuAnp, &QAction::triggered, this,
            [this] { Tonlyra::ShowHelp(this, QStringLiteral("Media")); });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
}

void TSettingsForm::CreateControls()
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    // The top band: "Mediaspår" on the left, the recording buttons on the right.
    MediaGroup = new QGroupBox(QStringLiteral("Mediaspår"), this);
    CountPanel = new QLabel(MediaGroup);
    CountPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    CountPanel->setAlignment(Qt::AlignCenter);
    CountPanel->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
    TrackCountButton = new QPushButton(QStringLiteral("&Ändra"), MediaGroup);
    TrackCountButton->setToolTip(QStringLiteral("Ändra antalet rader och kolumner i överlägget"));
    TrackCountButton->setAutoDefault(false);
    connect(TrackCountButton, &QPushButton::clicked, this, [this] { TrackCountButtonClick(); });
    RowsColsPanel = Tonlyra::NewCellMap(MediaGroup);
    auto* count = new QVBoxLayout;
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("Antal:"), MediaGroup));
    countRow->addWidget(CountPanel);
    count->addLayout(countRow);
    count->addWidget(TrackCountButton);
    count->addStretch(1);
    auto* group = new QHBoxLayout(MediaGroup);
    group->addLayout(count);
    group->addWidget(RowsColsPanel->parentWidget());

    Recording = new QFrame(this);
    SoundRecorder = new Tonlyra::HelperProgram(QStringLiteral("TONLYRA_SOUND_RECORDER"),
                                               {{QStringLiteral("gnome-sound-recorder")},
                                                {QStringLiteral("kwave")},
                                                {QStringLiteral("audacity")}},
                                               this);
    RecordingControl = new Tonlyra::HelperProgram(
        QStringLiteral("TONLYRA_RECORDING_CONTROL"),
        {{QStringLiteral("pavucontrol"), QStringLiteral("--tab=4")},
         {QStringLiteral("pavucontrol-qt")},
         {QStringLiteral("gnome-control-center"), QStringLiteral("sound")}},
        this);
    RecordButton = new QPushButton(QStringLiteral("Spela in"), Recording);
    RecordSettingsButton = new QPushButton(QStringLiteral("Inspelningskontroller"), Recording);
    const auto setUp = [](QPushButton* button, Tonlyra::HelperProgram* program,
                          const QString& found, const QString& missing) {
        button->setAutoDefault(false);
        button->setEnabled(program->IsAvailable());
        button->setToolTip(program->IsAvailable()
                               ? found.arg(QFileInfo(program->ProgramPath()).fileName())
                               : missing);
    };
    setUp(RecordButton, SoundRecorder, QStringLiteral("Öppnar ljudinspelaren (%1)"),
          QStringLiteral("Ingen ljudinspelare hittades (TONLYRA_SOUND_RECORDER)"));
    setUp(
        RecordSettingsButton, RecordingControl,
        QStringLiteral("Öppnar volymkontrollen för inspelning (%1)"),
        QStringLiteral("Ingen volymkontroll för inspelning hittades (TONLYRA_RECORDING_CONTROL)"));
    connect(RecordButton, &QPushButton::clicked, this, [this] { RecordButtonClick(); });
    connect(RecordSettingsButton, &QPushButton::clicked, this,
            [this] { RecordSettingsButtonClick(); });
    auto* recording = new QVBoxLayout(Recording);
    recording->addWidget(RecordButton);
    recording->addWidget(RecordSettingsButton);
    recording->addStretch(1);

    auto* band = new QHBoxLayout;
    band->addWidget(MediaGroup);
    band->addStretch(1);
    band->addWidget(Recording);

    // The grid: one row per cell under one heading row.
    auto* table = new CellTable(0, ColumnCount, this);
    CDTrackList = table;
    table->OnContextMenu = [this](QContextMenuEvent* event) {
        QPoint at;
        if (event->reason() == QContextMenuEvent::Mouse) {
            const QModelIndex index = CDTrackList->indexAt(event->pos());
            if (!index.isValid() || index.column() < MediaColumn)
                return;
            at = event->globalPos();
        } else {
            // The context-menu key: a third of the cell in from its top left corner.
            const QRect cell = CDTrackList->visualRect(CDTrackList->currentIndex());
            if (!cell.isValid())
                return;
            at = CDTrackList->viewport()->mapToGlobal(cell.topLeft() +
                                                      QPoint(cell.width() / 3, cell.height() / 3));
        }
        CDTrackListPopupMenuPopup();
        const QList<QAction*> items = CDTrackListPopupMenu->actions();
        if (std::any_of(items.begin(), items.end(), [](QAction* a) { return a->isVisible(); }))
            CDTrackListPopupMenu->popup(at);
    };
    QStringList headings;
    for (const char* heading : ColumnHeadings)
        headings << QString::fromUtf8(heading);
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(std::max(18, fontMetrics().height() + 4));
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setSectionsClickable(false);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectItems);
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                           QAbstractItemView::EditKeyPressed);
    table->setTabKeyNavigation(false); // Tab leaves the grid, as in every other window
    table->setWordWrap(false);
    // A long path keeps its file name in sight.
    table->setTextElideMode(Qt::ElideMiddle);
    table->setItemDelegateForColumn(
        TextColumn,
        new TextDelegate(table, {[this] { ChangedBeforeTyping = ChangedInEditor; },
                                 [this](int row, const QString& text) { TextEdited(row, text); },
                                 [this](int row, const QString& original) {
                                     TextEdited(row, original);
                                     ChangedInEditor = ChangedBeforeTyping;
                                 }}));
    // The fixed columns: wide enough for their widest text in the window's font, with room for
    // the margins the grid leaves around a cell's text.
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    table->setColumnWidth(NrColumn,
                          fontMetrics().horizontalAdvance(QStringLiteral("00")) + 5 + margins);
    table->setColumnWidth(TypeColumn,
                          fontMetrics().horizontalAdvance(QStringLiteral("Godtyckligt CD-spår")) +
                              10 + margins);
    table->setColumnWidth(
        LengthColumn, fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 10 + margins);
    table->viewport()->installEventFilter(this);
    connect(table, &QTableWidget::currentCellChanged, this,
            [this](int row) { ColourCellMap(row + 1); });

    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->addLayout(band);
    layout->addWidget(table, 1);
    setTabOrder(TrackCountButton, RecordButton);
    setTabOrder(RecordButton, RecordSettingsButton);
    setTabOrder(RecordSettingsButton, table);

    CreateContextMenu();
}

void TSettingsForm::CreateContextMenu()
{
    CDTrackListPopupMenu = new QMenu(this);
    const auto item = [this](const char* caption, void (TSettingsForm::*command)(),
                             bool checkable = false) {
        QAction* action = CDTrackListPopupMenu->addAction(QString::fromUtf8(caption));
        action->setCheckable(checkable);
        if (command)
            connect(action, &QAction::triggered, this, command);
        return action;
    };
    GetPicture = item("Välj en bild&fil", &TSettingsForm::GetPictureClick);
    GetPictureBasePicture =
        item("Välj en bild ur en &bildbas", &TSettingsForm::GetPictureBasePictureClick);
    GetIntroWave = item("Välj en &intro-ljudfil", &TSettingsForm::GetIntroWaveClick);
    GetFixedCDIntro = item("Välj intro &ur vald media", nullptr); // changes nothing
    GetSoundFileIntro = item("Välj intro &ur vald media", &TSettingsForm::GetSoundFileIntroClick);
    GetArbitraryCDTracks = item("Välj ett CD-&spår för en godtycklig CD-skiva",
                                &TSettingsForm::GetArbitraryCDTracksClick, true);
    GetFixedCDTracks = item("Välj ett CD-spår l&åst till CD-skivan i Tonlyran", nullptr);
    GetSoundFile = item("Välj en &ljud-mediafil", &TSettingsForm::GetSoundFileClick, true);
    GetVideoFile = item("Välj en &video-mediafil", &TSettingsForm::GetVideoFileClick, true);
    GetOverlayFile = item("Välj ett &överlägg", &TSettingsForm::GetOverlayFileClick, true);
    GetIR = item("Välj &IR", &TSettingsForm::GetIRClick, true);
    ExitProgram = item("&Avsluta programmet", &TSettingsForm::ExitProgramClick);
}

// ---- The grid and the cell map -----------------------------------------------------------

void TSettingsForm::RebuildCellDisplay(bool keepLengths)
{
    // An open in-place editor is closed before the rows under it change.
    CDTrackList->setCurrentIndex(QModelIndex());
    const int n = EditedOverlay.N();
    const int old = CDTrackList->rowCount();
    CDTrackList->setRowCount(n);
    const QBrush fixed = palette().button();
    for (int row = std::min(old, n); row < n; ++row) {
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem;
            if (column < MediaColumn) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(fixed);
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                item->setToolTip(QString::fromUtf8(ColumnHints[column]));
            }
            CDTrackList->setItem(row, column, item);
        }
        CDTrackList->item(row, NrColumn)->setText(QString::asprintf("%.2d", row + 1));
    }
    for (int k = 1; k <= n; ++k) {
        if (!keepLengths)
            SetLength(k, QString());
        ShowCell(k);
    }

    Tonlyra::LayOutCellMap(RowsColsPanel, CellMapPanels, EditedOverlay.Rows, EditedOverlay.Cols);
    for (int i = 0; i < static_cast<int>(CellMapPanels.size()); ++i) {
        QFrame* panel = CellMapPanels[static_cast<size_t>(i)];
        panel->setAutoFillBackground(true);
        panel->setToolTip(QStringLiteral("Klicka för att gå till motsvarande rad i media-listan"));
        panel->setProperty(CellProperty, i + 1);
        panel->installEventFilter(this);
    }
    CountPanel->setNum(n);
    if (n > 0)
        CDTrackList->setCurrentCell(0, MediaColumn);
    ColourCellMap(SelectedCell());
    LayOutColumns();
}

void TSettingsForm::ShowCell(int k)
{
    const OverlayCell* c = EditedOverlay.Cell(k);
    if (!c || k > CDTrackList->rowCount())
        return;
    const int row = k - 1;
    CDTrackList->item(row, TypeColumn)->setText(MediaTypeCaption(c->MediaType));
    CDTrackList->item(row, MediaColumn)->setText(c->Media);
    CDTrackList->item(row, PictureColumn)->setText(c->Picture);
    CDTrackList->item(row, IntroColumn)->setText(c->Intro);
    QTableWidgetItem* text = CDTrackList->item(row, TextColumn);
    text->setText(c->Text);
    // A cell gets a text only once it has media.
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!c->Media.isEmpty())
        flags |= Qt::ItemIsEditable;
    text->setFlags(flags);
}

void TSettingsForm::SetLength(int k, const QString& text)
{
    if (QTableWidgetItem* item = CDTrackList->item(k - 1, LengthColumn))
        item->setText(text);
}

void TSettingsForm::ShowLengthsAsRead()
{
    for (int k = 1; k <= EditedOverlay.N(); ++k) {
        const OverlayCell& c = *EditedOverlay.Cell(k);
        const bool stretch = c.MediaStart >= 0 && c.MediaStop >= c.MediaStart;
        SetLength(k, stretch ? LengthText(c.MediaStop - c.MediaStart) : QString());
    }
}

QString TSettingsForm::LengthText(qint64 ms)
{
    if (ms < 0)
        return QString();
    qint64 seconds = ms / 1000;
    if (ms % 1000 > 500)
        ++seconds;
    const qint64 hours = seconds / 3600, minutes = seconds / 60 % 60;
    seconds %= 60;
    return QString::asprintf("%.2lld:%.2lld:%.2lld", hours, minutes, seconds);
}

void TSettingsForm::ColourCellMap(int k)
{
    for (QFrame* panel : CellMapPanels) {
        QPalette colours = panel->palette();
        colours.setColor(QPalette::Window, panel->property(CellProperty).toInt() == k
                                               ? SelectedCellColour
                                               : palette().color(QPalette::Button));
        panel->setPalette(colours);
    }
}

void TSettingsForm::LayOutColumns()
{
    int rest = CDTrackList->viewport()->width();
    for (int column = NrColumn; column < MediaColumn; ++column)
        rest -= CDTrackList->columnWidth(column);
    rest = std::max(rest, 4 * 20);
    for (int column = MediaColumn; column < IntroColumn; ++column)
        CDTrackList->setColumnWidth(column, rest / 4);
    CDTrackList->setColumnWidth(IntroColumn, rest - 3 * (rest / 4));
}

int TSettingsForm::SelectedCell() const
{
    const int row = CDTrackList->currentRow();
    return row >= 0 && row < EditedOverlay.N() ? row + 1 : 0;
}

int TSettingsForm::SelectedColumn() const
{
    return CDTrackList->currentColumn();
}

void TSettingsForm::SelectCell(int k, int column)
{
    if (k < 1 || k > CDTrackList->rowCount())
        return;
    CDTrackList->setCurrentCell(k - 1, std::max<int>(column, MediaColumn));
    CDTrackList->setFocus();
}

void TSettingsForm::TextEdited(int row, const QString& text)
{
    OverlayCell* c = EditedOverlay.Cell(row + 1);
    if (!c || row >= CDTrackList->rowCount())
        return;
    c->Text = text;
    ChangedInEditor = true;
    // The grid's own text follows unseen by the view, which would otherwise put it back into
    // the editor and move the cursor.
    const QSignalBlocker quiet(CDTrackList->model());
    CDTrackList->item(row, TextColumn)->setText(text);
}

void TSettingsForm::CellChanged(int k)
{
    ShowCell(k);
    ChangedInEditor = true;
}

bool TSettingsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == CDTrackList->viewport() && event->type() == QEvent::Resize) {
        LayOutColumns();
    } else if (event->type() == QEvent::MouseButtonPress &&
               watched->property(CellProperty).isValid()) {
        SelectCell(watched->property(CellProperty).toInt());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TSettingsForm::showEvent(QShowEvent* event)
{
    if (const QScreen* screen =
            this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.topLeft() + QPoint(50, 50));
        resize(area.size() - QSize(100, 100));
    }
    QDialog::showEvent(event);
    ShowMissingFilesIfAny();
}

void TSettingsForm::done(int result)
{
    CDTrackList->setCurrentIndex(QModelIndex()); // ends typing in place
    SoundRecorder->End();
    RecordingControl->End();
    QDialog::done(result);
}

// ---- The context menu --------------------------------------------------------------------

void TSettingsForm::CDTrackListPopupMenuPopup()
{
    for (QAction* action : CDTrackListPopupMenu->actions()) {
        action->setVisible(false);
        action->setEnabled(true);
        action->setChecked(false);
    }
    const OverlayCell* c = EditedOverlay.Cell(SelectedCell());
    if (!c)
        return;
    const bool hasMedia = !c->Media.isEmpty();
    switch (SelectedColumn()) {
    case PictureColumn: {
        GetPicture->setVisible(true);
        GetPicture->setEnabled(hasMedia);
        GetPictureBasePicture->setVisible(true);
        bool bases = false;
        if (hasMedia && PictureBaseDialog) {
            PictureBaseDialog->SetFilter(ImageFilter);
            bases = PictureBaseDialog->HasPictureBase();
        }
        GetPictureBasePicture->setEnabled(bases);
        break;
    }
    case IntroColumn:
        GetIntroWave->setVisible(true);
        GetIntroWave->setEnabled(hasMedia);
        if (c->MediaType == OverlayMediaType::FixedCD) {
            GetFixedCDIntro->setVisible(true);
        } else {
            GetSoundFileIntro->setVisible(true);
            GetSoundFileIntro->setEnabled(c->MediaType == OverlayMediaType::SoundFile);
        }
        break;
    case MediaColumn:
        for (QAction* action :
             {GetArbitraryCDTracks, GetSoundFile, GetVideoFile, GetOverlayFile, GetIR, ExitProgram})
            action->setVisible(true);
        GetArbitraryCDTracks->setChecked(c->MediaType == OverlayMediaType::ArbitraryCD);
        GetSoundFile->setChecked(c->MediaType == OverlayMediaType::SoundFile);
        GetVideoFile->setChecked(c->MediaType == OverlayMediaType::VideoFile);
        GetOverlayFile->setChecked(c->MediaType == OverlayMediaType::OverlayFile);
        GetIR->setChecked(c->MediaType == OverlayMediaType::IRString);
        break;
    default:
        break; // "Text": nothing to choose
    }
}

// ---- The commands ------------------------------------------------------------------------

namespace {

// New media on a cell: an intro taken from the old media goes with it, as does the port of an
// old IR command.
void ClearMediaBoundIntro(OverlayCell& c)
{
    if (c.Intro == IntroFromMediaMarker) {
        c.Intro.clear();
        c.IntroStart = c.IntroStop = -1;
    }
}

void SetMedia(OverlayCell& c, const QString& media, const QString& type)
{
    c.Media = media;
    c.MediaType = type;
    c.MediaStart = c.MediaStop = -1;
    c.CommPort.clear();
    ClearMediaBoundIntro(c);
}

// Loads the cell's file into the media dialog, when it is there, and starts its file box in the
// file's folder.
void OpenPresentFile(TMediaDialog& dialog, const QString& path)
{
    if (QFileInfo(path).isFile())
        dialog.OpenMediaFile(path);
    if (!FolderPartOf(path).isEmpty())
        dialog.SetInitialDir(FolderPartOf(path));
}

// Whether a picture the carer chose can be shown; if not, the carer is told why. A moving text
// message is no picture and is not read here.
bool PictureShows(QWidget* parent, const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toUpper();
    if (suffix == QLatin1String("SCM") || suffix == QLatin1String("CMS"))
        return true;
    const Tonlyra::PictureData read = Tonlyra::ReadPictureFile(path, QSize(64, 64));
    if (read.Ok())
        return true;
    UserPrompt::ShowError(parent,
                          QStringLiteral("Bilden %1 kan inte visas.\n%2").arg(path, read.Error));
    return false;
}

} // namespace

void TSettingsForm::GetArbitraryCDTracksClick()
{
    const int k = SelectedCell();
    if (!EditedOverlay.Cell(k) || !NumberDialog)
        return;
    NumberDialog->SetNumber(1);
    NumberDialog->setWindowTitle(QStringLiteral("Välj ett CD-spår"));
    if (!NumberDialog->Execute())
        return;
    SetMedia(*EditedOverlay.Cell(k), QString::number(NumberDialog->Number),
             OverlayMediaType::ArbitraryCD);
    SetLength(k, QString());
    CellChanged(k);
}

void TSettingsForm::GetSoundFileClick()
{
    ChooseMediaFile(SoundFileKind);
}

void TSettingsForm::GetVideoFileClick()
{
    ChooseMediaFile(VideoFileKind);
}

void TSettingsForm::ChooseMediaFile(int kind)
{
    const int k = SelectedCell();
    if (!EditedOverlay.Cell(k) || !MediaDialog)
        return;
    const bool video = kind == VideoFileKind;
    const QString type = video ? OverlayMediaType::VideoFile : OverlayMediaType::SoundFile;
    QString& folder = video ? VideoFolder : SoundFolder;
    TMediaDialog& dialog = *MediaDialog;
    dialog.ShowSourceChooser = true;
    // Sound may come from a CD track copied to a file; video only from files.
    dialog.ShowCopyButtons = !video;
    if (video)
        dialog.VideoFilter = AllVideoFilter;
    else
        dialog.SoundFilter = AllSoundFilter;
    dialog.SetOfferedKinds(video ? Kinds({VideoFileKind}) : Kinds({CDKind, SoundFileKind}));
    dialog.SetAcceptedKinds(Kinds({kind}));
    dialog.SelectKind(kind);
    dialog.SetInitialDir(folder);
    const OverlayCell& c = *EditedOverlay.Cell(k);
    if (c.MediaType == type)
        OpenPresentFile(dialog, c.Media);
    dialog.SetStartPosition(c.MediaStart);
    dialog.SetStopPosition(c.MediaStop);
    if (!dialog.Execute() || dialog.GetMediaFileName().isEmpty())
        return;
    OverlayCell& chosen = *EditedOverlay.Cell(k);
    SetMedia(chosen, dialog.GetMediaFileName(), type);
    chosen.MediaStart = dialog.GetStartPosition();
    chosen.MediaStop = dialog.GetStopPosition();
    SetLength(k, LengthText(dialog.GetSelectionLength()));
    folder = Tonlyra::FolderOf(chosen.Media);
    CellChanged(k);
}

void TSettingsForm::GetOverlayFileClick()
{
    const int k = SelectedCell();
    const OverlayCell* c = EditedOverlay.Cell(k);
    if (!c)
        return;
    QString folder = OverlayFolder, name;
    if (c->MediaType == OverlayMediaType::OverlayFile) {
        if (QFileInfo(c->Media).isFile())
            name = c->Media;
        if (!FolderPartOf(c->Media).isEmpty())
            folder = FolderPartOf(c->Media);
    }
    const QString path =
        UserPrompt::OpenFileName(this, QString(), OverlayFilter, OverlaySuffix, folder, name);
    if (path.isEmpty())
        return;
    SetMedia(*EditedOverlay.Cell(k), path, OverlayMediaType::OverlayFile);
    SetLength(k, QString());
    CellChanged(k);
}

void TSettingsForm::GetIRClick()
{
    const int k = SelectedCell();
    const OverlayCell* c = EditedOverlay.Cell(k);
    if (!c || !IRDialog)
        return;
    IRDialog->ShowIRString(c->Media);
    IRDialog->SelectCommPort(c->CommPort);
    if (!IRDialog->EditIRCommand())
        return;
    OverlayCell& chosen = *EditedOverlay.Cell(k);
    SetMedia(chosen, IRDialog->BuildIRString(), OverlayMediaType::IRString);
    chosen.CommPort = IRDialog->SelectedCommPort();
    SetLength(k, QString());
    CellChanged(k);
}

void TSettingsForm::ExitProgramClick()
{
    const int k = SelectedCell();
    if (!EditedOverlay.Cell(k))
        return;
    SetMedia(*EditedOverlay.Cell(k), QStringLiteral("Exit"), OverlayMediaType::Exit);
    SetLength(k, QString());
    CellChanged(k);
}

void TSettingsForm::GetPictureClick()
{
    const int k = SelectedCell();
    if (!EditedOverlay.Cell(k))
        return;
    Tonlyra::PromptRequest request;
    request.What = Tonlyra::PromptRequest::Kind::OpenFile;
    request.Filter = ImageFilter;
    request.InitialDirectory = PictureFolder;
    const std::unique_ptr<QDialog> dialog = UserPrompt::BuildDialog(this, request);
    auto* files = static_cast<QFileDialog*>(dialog.get());
    files->setNameFilters(QtImageFilters(ImageFilter));
    // The preview beside the dialog shows each file as it is selected.
    if (PreviewForm) {
        connect(files, &QFileDialog::currentChanged, PreviewForm, &TPreviewForm::ShowPreview);
        PreviewForm->show();
    }
    const bool chosen = UserPrompt::RunDialog(*files);
    if (PreviewForm)
        PreviewForm->hide();
    const QStringList selected = files->selectedFiles();
    if (!chosen || selected.isEmpty() || !QFileInfo(selected.constFirst()).isFile() ||
        !PictureShows(this, selected.constFirst()))
        return;
    EditedOverlay.Cell(k)->Picture = selected.constFirst();
    PictureFolder = Tonlyra::FolderOf(selected.constFirst());
    CellChanged(k);
}

void TSettingsForm::GetPictureBasePictureClick()
{
    const int k = SelectedCell();
    if (!EditedOverlay.Cell(k) || !PictureBaseDialog)
        return;
    PictureBaseDialog->SetFilter(ImageFilter);
    if (!PictureBaseDialog->Execute() || PictureBaseDialog->ChosenPicture.isEmpty() ||
        !PictureShows(this, PictureBaseDialog->ChosenPicture))
        return;
    EditedOverlay.Cell(k)->Picture = PictureBaseDialog->ChosenPicture;
    CellChanged(k);
}

void TSettingsForm::GetIntroWaveClick()
{
    const int k = SelectedCell();
    if (!EditedOverlay.Cell(k) || !MediaDialog)
        return;
    TMediaDialog& dialog = *MediaDialog;
    dialog.ShowCopyButtons = true;
    dialog.ShowSourceChooser = true;
    dialog.SoundFilter = QStringLiteral("Wave-filer|*.wav");
    dialog.SetAcceptedKinds(Kinds({SoundFileKind}));
    dialog.SetOfferedKinds(Kinds({CDKind, SoundFileKind}));
    dialog.SelectKind(SoundFileKind);
    const QString intro = EditedOverlay.Cell(k)->Intro;
    if (QFileInfo(intro).isFile())
        dialog.OpenMediaFile(intro);
    dialog.SetInitialDir(FolderPartOf(intro).isEmpty() ? IntroFolder : FolderPartOf(intro));
    if (!dialog.Execute() || dialog.GetMediaFileName().isEmpty())
        return;
    OverlayCell& c = *EditedOverlay.Cell(k);
    c.Intro = dialog.GetMediaFileName();
    c.IntroStart = dialog.GetStartPosition();
    c.IntroStop = dialog.GetStopPosition();
    IntroFolder = Tonlyra::FolderOf(c.Intro);
    CellChanged(k);
}

void TSettingsForm::GetSoundFileIntroClick()
{
    const int k = SelectedCell();
    if (!EditedOverlay.Cell(k) || !MediaDialog)
        return;
    TMediaDialog& dialog = *MediaDialog;
    dialog.ShowSourceChooser = false;
    dialog.ShowCopyButtons = false;
    dialog.SetOfferedKinds(Kinds({SoundFileKind}));
    dialog.SetAcceptedKinds(Kinds({SoundFileKind}));
    dialog.SelectKind(SoundFileKind);
    const OverlayCell& c = *EditedOverlay.Cell(k);
    if (QFileInfo(c.Media).isFile())
        dialog.OpenMediaFile(c.Media);
    dialog.SetStartPosition(c.IntroStart);
    dialog.SetStopPosition(c.IntroStop);
    if (!dialog.Execute())
        return;
    OverlayCell& chosen = *EditedOverlay.Cell(k);
    chosen.Intro = IntroFromMediaMarker;
    chosen.IntroStart = dialog.GetStartPosition();
    chosen.IntroStop = dialog.GetStopPosition();
    CellChanged(k);
}

void TSettingsForm::TrackCountButtonClick()
{
    if (!RowsColsDialog)
        return;
    RowsColsDialog->SetRows(EditedOverlay.Rows);
    RowsColsDialog->SetCols(EditedOverlay.Cols);
    RowsColsDialog->setWindowTitle(QStringLiteral("Välj antal mediaspår"));
    if (!RowsColsDialog->Execute())
        return;
    LayoutCells(RowsColsDialog->Rows, RowsColsDialog->Cols, false);
    ChangedInEditor = true;
}

// ---- Recording ---------------------------------------------------------------------------

void TSettingsForm::RunHelperProgram(Tonlyra::HelperProgram* program)
{
    if (program->StartOrRaise() || program->IsRunning())
        return; // started, or running (raised where the desktop allows it)
    UserPrompt::ShowError(this, QStringLiteral("Programmet %1 kunde inte startas (%2)")
                                    .arg(program->Command().join(u' '), program->ErrorText()));
}

void TSettingsForm::RecordButtonClick()
{
    RunHelperProgram(SoundRecorder);
}

void TSettingsForm::RecordSettingsButtonClick()
{
    RunHelperProgram(RecordingControl);
}
