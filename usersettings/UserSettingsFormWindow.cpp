// The user settings window: its menus, controls and layout, the two views, and the rules that
// enable, clear and show the controls as the carer edits EditedSettings.

#include "usersettings/UserSettingsFormUnit.h"

#include "help/HelpWindow.h"
#include "platform/KeyCodes.h"
#include "platform/UserPrompt.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using Tonlyra::UserPrompt;

namespace {

// The designed size of the window: its width, and its height in the two views.
constexpr int DesignedWidth = 626;
constexpr int NormalViewHeight = 240;
constexpr int AdvancedViewHeight = 390;

// The caption, the hint and the name of each mode's button, in the order the window lists them.
struct ModeButton
{
    ControlMode Mode;
    const char* Name;
    const char* Caption;
    const char* Hint;
};

const ModeButton ModeButtons[9] = {
    {ControlMode::MouseControl, "MouseControlRadioButton", "Mus-styrning",
     "Klicka med musen på en blid för att välja låt."},
    {ControlMode::KeyboardControl, "KeyboardControlRadioButton", "Tangentbords-styrning",
     "Välj spår med tangentbordet. Skriv t.ex. 12 följt av enter för spår 12."},
    {ControlMode::ArrowControl, "ArrowControlRadioButton", "Styrning med piltangenter",
     "Tryck på piltangenterna för att flytta ramen till rätt bild. Tryck enter för att välja "
     "låten."},
    {ControlMode::TwoSwitchControl, "TwoSwitchControlRadioButton", "Två-brytar-styrning, bläddring",
     "Tryck på mellanslag för att bläddra fram bilderna. Tryck enter för att välja låten."},
    {ControlMode::TwoSwitchScanControl, "TwoSwitchScanControlRadioButton",
     "Två-brytar-styrning, scannande sekventiell",
     "Tryck på mellanslag för att flytta ramen till rätt bild. Tryck enter för att välja "
     "låten."},
    {ControlMode::TwoSwitchScanXYControl, "TwoSwitchScanXYControlRadioButton",
     "Två-brytar-styrning, scannande rad-kolumn",
     "Tryck mellanslag för att byta rad, och enter för att välja rad. Tryck mellanslag för att "
     "flytta till rätt bild på raden, och enter för att välja bilden."},
    {ControlMode::OneSwitchControl, "OneSwitchControlRadioButton", "En-brytar-styrning, bläddring",
     "Tryck mellanslag för nästa bild så spelas låten automatiskt."},
    {ControlMode::OneSwitchScanControl, "OneSwitchScanControlRadioButton",
     "En-brytar-styrning, scannande sekventiell",
     "Tryck på enter när ramen är på rätt bild så spelas låten automatiskt."},
    {ControlMode::OneSwitchScanXYControl, "OneSwitchScanXYControlRadioButton",
     "En-brytar-styrning, scannande rad-kolumn",
     "Tryck enter när ramen är runt rätt rad, och enter igen när ramen är runt rätt bild så "
     "spelas låten automatiskt."},
};

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A control that keeps its room in the layout while it is hidden, so that the window does not
// shift as the rules show and hide controls or the squares blink.
void KeepRoomWhenHidden(QWidget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

QFrame* NewSquare(QWidget* parent, const char* name)
{
    auto* square = Named(new QFrame(parent), name);
    const int side = std::max(8, parent->fontMetrics().height() / 2);
    square->setFixedSize(side, side);
    square->setAutoFillBackground(true);
    QPalette palette = square->palette();
    palette.setColor(QPalette::Window, Qt::red);
    square->setPalette(palette);
    KeepRoomWhenHidden(square);
    return square;
}

QScrollBar* NewPeriodScrollBar(QWidget* parent, const char* name, int minimum, int maximum,
                               const QString& hint)
{
    auto* bar = Named(new QScrollBar(Qt::Vertical, parent), name);
    bar->setRange(minimum, maximum);
    bar->setSingleStep(100);
    bar->setPageStep(500);
    // A scroll bar takes no focus by default; the window must work from the keyboard alone.
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->setToolTip(hint);
    bar->setAccessibleName(hint);
    bar->setMinimumHeight(3 * parent->fontMetrics().height());
    KeepRoomWhenHidden(bar);
    return bar;
}

QCheckBox* NewCheckBox(QWidget* parent, const char* name, const QString& caption,
                       const QString& hint = {})
{
    auto* box = Named(new QCheckBox(caption, parent), name);
    box->setToolTip(hint);
    return box;
}

void SetPanelColor(QWidget* panel, const QColor& color)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, color);
    panel->setPalette(palette);
}

} // namespace

// ---- Menus ----

void TUserSettingsForm::CreateMenus()
{
    auto* menuBar = new QMenuBar(this);
    FileMenu = menuBar->addMenu(QStringLiteral("&Arkiv"));
    OpenUserSettingsMenu = FileMenu->addAction(QStringLiteral("&Öppna brukarfil"));
    SaveUserSettingsMenu = FileMenu->addAction(QStringLiteral("&Spara brukarfil"));
    SaveUserSettingsAsMenu = FileMenu->addAction(QStringLiteral("Spara brukarfil so&m..."));
    FileMenu->addSeparator();
    OpenDefaultMenu = FileMenu->addAction(QStringLiteral("Öppna standardinställning"));
    SaveDefaultMenu = FileMenu->addAction(QStringLiteral("Spara som standardinställning"));
    FileMenu->addSeparator();
    CloseAndLoadMenu = FileMenu->addAction(QStringLiteral("Stäng och &ladda inställningarna"));
    CloseMenu = FileMenu->addAction(QStringLiteral("&Avbryt"));

    ViewMenu = menuBar->addMenu(QStringLiteral("&Visa"));
    AdvancedViewMenu = ViewMenu->addAction(QStringLiteral("&Fler inställningsmöjligheter"));
    NormalViewMenu = ViewMenu->addAction(QStringLiteral("&Normal"));

    HelpMenu = menuBar->addMenu(QStringLiteral("&Hjälp"));
    HelpContentsMenu = HelpMenu->addAction(QStringLiteral("&Innehåll"));
    HelpUserSettingsMenu = HelpMenu->addAction(QStringLiteral("&Brukarinställningar"));

    connect(FileMenu, &QMenu::aboutToShow, this, [this] { FileMenuPopup(); });
    connect(OpenUserSettingsMenu, &QAction::triggered, this,
            [this] { OpenUserSettingsMenuClick(); });
    connect(SaveUserSettingsMenu, &QAction::triggered, this,
            [this] { SaveUserSettingsMenuClick(); });
    connect(SaveUserSettingsAsMenu, &QAction::triggered, this,
            [this] { SaveUserSettingsAsMenuClick(); });
    connect(OpenDefaultMenu, &QAction::triggered, this, [this] { OpenDefaultMenuClick(); });
    connect(SaveDefaultMenu, &QAction::triggered, this, [this] { SaveDefaultMenuClick(); });
    connect(CloseAndLoadMenu, &QAction::triggered, this, &QDialog::accept);
    connect(CloseMenu, &QAction::triggered, this, &QDialog::reject);
    connect(AdvancedViewMenu, &QAction::triggered, this, [this] { ShowAdvancedView(); });
    connect(NormalViewMenu, &QAction::triggered, this, [this] { ShowNormalView(); });
    connect(HelpContentsMenu, &QAction::triggered, this,
            [this] { Tonlyra::ShowHelp(this, QString()); });
    connect(HelpUserSettingsMenu, &QAction::triggered, this,
            [this] { Tonlyra::ShowHelp(this, QStringLiteral("Anpassning")); });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
}

// ---- Controls and layout ----

void TUserSettingsForm::CreateControls()
{
    setObjectName(QStringLiteral("UserSettingsForm"));
    // A single-line border with a close box and no other title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    // Created in reading order, which is also the order the Tab key moves in. The window has no
    // default button: Enter on a mode or a box must not open a chooser (Space presses the
    // button that has the focus).
    auto* top = new QHBoxLayout;
    top->addWidget(CreateModeGroup(), 3);
    top->addWidget(CreatePresentationGroup(), 2);
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->addLayout(top);
    layout->addWidget(CreateExtendedGroup());
    layout->addStretch(1);

    // Each box sets its flag, then the rule that follows the flag runs.
    FlagBoxes = {
        {PictureCheckBox, &::UserSettings::ShowPictures, &TUserSettingsForm::EditedInWindow},
        {TextCheckBox, &::UserSettings::ShowTexts, &TUserSettingsForm::EditedInWindow},
        {SoundCheckBox, &::UserSettings::PlaySound, &TUserSettingsForm::SoundCheckBoxClick},
        {HideBordersCheckBox, &::UserSettings::HideBorders, &TUserSettingsForm::EditedInWindow},
        {ZoomPictureCheckBox, &::UserSettings::ZoomPictures, &TUserSettingsForm::EditedInWindow},
        {TrapKeyDownCheckBox, &::UserSettings::ActOnKeyDown,
         &TUserSettingsForm::TrapKeyDownCheckBoxClick},
        {RepeatKeyCheckBox, &::UserSettings::KeyRepetition,
         &TUserSettingsForm::RepeatKeyCheckBoxClick},
        {ExecuteOnKeyUpCheckBox, &::UserSettings::ExecuteOnKeyUp,
         &TUserSettingsForm::EditedInWindow},
        {SpeakCellsCheckBox, &::UserSettings::SpeakCells, &TUserSettingsForm::EditedInWindow},
        {LogUseCheckBox, &::UserSettings::LogUse, &TUserSettingsForm::EditedInWindow},
        {ScanProgressCheckBox, &::UserSettings::ShowScanProgress,
         &TUserSettingsForm::EditedInWindow},
    };
    for (const FlagBox& flag : FlagBoxes)
        connect(flag.Box, &QCheckBox::clicked, this, [this, flag](bool on) {
            EditedSettings.*flag.Field = on;
            (this->*flag.Changed)();
        });

    ScanTimer = Named(new QTimer(this), "ScanTimer");
    KeyRepeatTimer = Named(new QTimer(this), "KeyRepeatTimer");
    connect(ScanTimer, &QTimer::timeout, this, &TUserSettingsForm::ScanTimerTimer);
    connect(KeyRepeatTimer, &QTimer::timeout, this, &TUserSettingsForm::KeyRepeatTimerTimer);

    ShowNormalView();
}

QGroupBox* TUserSettingsForm::CreateModeGroup()
{
    ModeGroupBox = Named(new QGroupBox(QStringLiteral("&Styrsätt"), this), "ModeGroupBox");
    auto* modes = new QButtonGroup(ModeGroupBox);
    auto* buttons = new QVBoxLayout;
    for (const ModeButton& m : ModeButtons) {
        auto* button = Named(new QRadioButton(QString::fromUtf8(m.Caption), ModeGroupBox), m.Name);
        button->setToolTip(QString::fromUtf8(m.Hint));
        modes->addButton(button, int(m.Mode));
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    MouseControlRadioButton = ModeRadioButton(ControlMode::MouseControl);
    KeyboardControlRadioButton = ModeRadioButton(ControlMode::KeyboardControl);
    ArrowControlRadioButton = ModeRadioButton(ControlMode::ArrowControl);
    TwoSwitchControlRadioButton = ModeRadioButton(ControlMode::TwoSwitchControl);
    TwoSwitchScanControlRadioButton = ModeRadioButton(ControlMode::TwoSwitchScanControl);
    TwoSwitchScanXYControlRadioButton = ModeRadioButton(ControlMode::TwoSwitchScanXYControl);
    OneSwitchControlRadioButton = ModeRadioButton(ControlMode::OneSwitchControl);
    OneSwitchScanControlRadioButton = ModeRadioButton(ControlMode::OneSwitchScanControl);
    OneSwitchScanXYControlRadioButton = ModeRadioButton(ControlMode::OneSwitchScanXYControl);
    connect(modes, &QButtonGroup::idClicked, this,
            [this](int id) { ModeRadioButtonClick(ControlMode(id)); });

    ScanningsPeriodComboBox =
        Named(new QComboBox(ModeGroupBox), "ScanningsPeriodComboBox"); // a list, no free text
    ScanningsPeriodComboBox->addItems(
        {QStringLiteral("0-5 s"), QStringLiteral("0-60 s"), QStringLiteral("0-5 min")});
    KeepRoomWhenHidden(ScanningsPeriodComboBox);
    connect(ScanningsPeriodComboBox, &QComboBox::activated, this,
            &TUserSettingsForm::ScanningsPeriodComboBoxChange);

    Indikering1 = NewSquare(ModeGroupBox, "Indikering1");
    ScanningsPeriodSkylt = Named(new QLineEdit(ModeGroupBox), "ScanningsPeriodSkylt");
    ScanningsPeriodSkylt->setReadOnly(true);
    ScanningsPeriodSkylt->setFocusPolicy(Qt::NoFocus);
    ScanningsPeriodSkylt->setAlignment(Qt::AlignCenter);
    ScanningsPeriodSkylt->setFixedWidth(
        ScanningsPeriodSkylt->fontMetrics().horizontalAdvance(QStringLiteral("000,00")) +
        2 * ScanningsPeriodSkylt->fontMetrics().averageCharWidth() + 8);
    KeepRoomWhenHidden(ScanningsPeriodSkylt);
    Indikering2 = NewSquare(ModeGroupBox, "Indikering2");
    ScanningsPeriod =
        NewPeriodScrollBar(ModeGroupBox, "ScanningsPeriod", Tonlyra::MinScanDelayTime,
                           ScanRangeMaximum, QStringLiteral("Justerar scanningshastigheten"));
    connect(ScanningsPeriod, &QScrollBar::valueChanged, this,
            &TUserSettingsForm::ScanningsPeriodChange);

    auto* display = new QHBoxLayout;
    display->addWidget(Indikering1);
    display->addWidget(ScanningsPeriodSkylt);
    display->addWidget(Indikering2);
    auto* period = new QVBoxLayout;
    period->addWidget(ScanningsPeriodComboBox);
    period->addLayout(display);
    period->addWidget(ScanningsPeriod, 1, Qt::AlignHCenter);

    auto* layout = new QHBoxLayout(ModeGroupBox);
    layout->addLayout(buttons, 1);
    layout->addLayout(period);
    return ModeGroupBox;
}

QGroupBox* TUserSettingsForm::CreatePresentationGroup()
{
    PresentationGroupBox = Named(new QGroupBox(QStringLiteral("&Presentation av urval"), this),
                                 "PresentationGroupBox");
    FontPanel = Named(new QLabel(QStringLiteral("Typsnitt"), PresentationGroupBox), "FontPanel");
    FontPanel->setAlignment(Qt::AlignCenter);
    FontPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The sample shows any size without moving the window's controls: a large font is clipped.
    FontPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    FontPanel->setMinimumSize(FontPanel->fontMetrics().horizontalAdvance(FontPanel->text()) * 2,
                              FontPanel->fontMetrics().height() * 3);
    FontPanel->installEventFilter(this);
    FontButton = Named(new QPushButton(QStringLiteral("Välj &typsnitt"), PresentationGroupBox),
                       "FontButton");
    FontButton->setAutoDefault(false);
    connect(FontButton, &QPushButton::clicked, this, &TUserSettingsForm::FontButtonClick);

    PictureCheckBox =
        NewCheckBox(PresentationGroupBox, "PictureCheckBox", QStringLiteral("Visa &bilder"),
                    QStringLiteral("Visar de bilder som finns i media-inställningarna"));
    TextCheckBox = NewCheckBox(PresentationGroupBox, "TextCheckBox", QStringLiteral("Visa &text"),
                               QStringLiteral("Visar de texter som finns i media-inställningarna"));
    SoundCheckBox = NewCheckBox(
        PresentationGroupBox, "SoundCheckBox", QStringLiteral("Spela &ljud"),
        QStringLiteral("Spelar de introduktionsljud som finns i media-inställningarna"));

    auto* layout = new QVBoxLayout(PresentationGroupBox);
    layout->addWidget(FontPanel, 1);
    layout->addWidget(FontButton);
    layout->addWidget(PictureCheckBox);
    layout->addWidget(TextCheckBox);
    layout->addWidget(SoundCheckBox);
    return PresentationGroupBox;
}

QGroupBox* TUserSettingsForm::CreateExtendedGroup()
{
    ExtendedGroupBox =
        Named(new QGroupBox(QStringLiteral("Utökade inställningar"), this), "ExtendedGroupBox");
    // Appearance and input side by side, the switches below them, and the timings beside all
    // three, ending in the square to try the switches on at the window's lower right: the
    // window stays low enough for a small laptop screen.
    ExtendedLayout = new QGridLayout(ExtendedGroupBox);

    AppearanceGroupBox =
        Named(new QGroupBox(QStringLiteral("&Utseende"), ExtendedGroupBox), "AppearanceGroupBox");
    auto* appearance = new QGridLayout(AppearanceGroupBox);
    // One row per colour: its swatch, its "Ändra" button and its label.
    auto colorRow = [&](int row, const char* panelName, const char* buttonName,
                        const char* labelName, const QString& caption, ColorField field,
                        QFrame*& panel, QPushButton*& button, QLabel*& label) {
        panel = Named(new QFrame(AppearanceGroupBox), panelName);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setAutoFillBackground(true);
        panel->setFixedSize(2 * fontMetrics().height(), fontMetrics().height() + 4);
        button = Named(new QPushButton(QStringLiteral("Ändra"), AppearanceGroupBox), buttonName);
        button->setAutoDefault(false);
        label = Named(new QLabel(caption, AppearanceGroupBox), labelName);
        label->setBuddy(button);
        appearance->addWidget(panel, row, 0);
        appearance->addWidget(button, row, 1);
        appearance->addWidget(label, row, 2);
        connect(button, &QPushButton::clicked, this, [this, field] { ColorButtonClick(field); });
    };
    colorRow(0, "ButtonColorPanel", "ButtonColorButton", "Label1",
             QStringLiteral("Färg på &rutorna"), &::UserSettings::ButtonColor, ButtonColorPanel,
             ButtonColorButton, Label1);
    colorRow(1, "BackColorPanel", "BackColorButton", "Label2", QStringLiteral("&Bakgrundsfärg"),
             &::UserSettings::BackColor, BackColorPanel, BackColorButton, Label2);
    colorRow(2, "ScanColorPanel", "ScanColorButton", "ScanColorLabel",
             QStringLiteral("Färg på &scanningsramen"), &::UserSettings::ScanColor, ScanColorPanel,
             ScanColorButton, ScanColorLabel);

    HideBordersCheckBox =
        NewCheckBox(AppearanceGroupBox, "HideBordersCheckBox", QStringLiteral("&Göm namnlisten"));
    ZoomPictureCheckBox = NewCheckBox(
        AppearanceGroupBox, "ZoomPictureCheckBox", QStringLiteral("&Maximera bilder"),
        QStringLiteral("Markera för att förstora visning av bilder. Avmarkera för att visa bilder "
                       "i ursprunglig storlek. (Bilder som är större än visningsytan förminskas "
                       "alltid så att hela bilden visas)."));
    SpacingComboBox = Named(new QComboBox(AppearanceGroupBox), "SpacingComboBox");
    for (int spacing = Tonlyra::MinSpacing; spacing <= Tonlyra::MaxSpacing; ++spacing)
        SpacingComboBox->addItem(QString::number(spacing));
    const QString spacingHint =
        QStringLiteral("Observera! Om avståndet mellan rutorna minskas blir scanningsramen "
                       "tunnare. Om avståndet sätts till noll försvinner scanningsramen helt.");
    SpacingComboBox->setToolTip(spacingHint);
    SpacingLabel = Named(new QLabel(QStringLiteral("Avstånd &mellan rutorna"), AppearanceGroupBox),
                         "SpacingLabel");
    SpacingLabel->setBuddy(SpacingComboBox);
    SpacingLabel->setToolTip(spacingHint);
    appearance->addWidget(HideBordersCheckBox, 3, 0, 1, 3);
    appearance->addWidget(ZoomPictureCheckBox, 4, 0, 1, 3);
    appearance->addWidget(SpacingComboBox, 5, 0, 1, 2);
    appearance->addWidget(SpacingLabel, 5, 2);
    appearance->setColumnStretch(2, 1);
    appearance->setRowStretch(6, 1);
    connect(SpacingComboBox, &QComboBox::activated, this, [this](int index) {
        EditedSettings.Spacing = Tonlyra::MinSpacing + index;
        EditedInWindow();
    });

    InputGroupBox =
        Named(new QGroupBox(QStringLiteral("&Inmatning"), ExtendedGroupBox), "InputGroupBox");
    TrapKeyDownCheckBox = NewCheckBox(
        InputGroupBox, "TrapKeyDownCheckBox", QStringLiteral("Agera vid &nedtryckning"),
        QStringLiteral("Anger om programmet skall agera då brytaren sluts, eller då den slutna "
                       "brytaren öppnas igen. Observera! Om överlägg där IR-kommandon skall sändas "
                       "så länge brytaren är sluten används måste denna ruta vara förbockad."));
    RepeatKeyCheckBox = NewCheckBox(
        InputGroupBox, "RepeatKeyCheckBox", QStringLiteral("&Repetera tangenttryckning"),
        QStringLiteral("Repeterar tangenttryckningen så länge brytaren är sluten."));
    ExecuteOnKeyUpCheckBox = NewCheckBox(
        InputGroupBox, "ExecuteOnKeyUpCheckBox", QStringLiteral("Verkställ då brytaren öppnas"),
        QStringLiteral("Ändrar funktionen så att programmet scannar/bläddrad då brytaren, "
                       "(mellanslag), är sluten, och verkställer då brytaren öppnas."));
    KeyIndikering1 = NewSquare(InputGroupBox, "KeyIndikering1");
    KeyIndikering2 = NewSquare(InputGroupBox, "KeyIndikering2");
    RepeatScrollBar = NewPeriodScrollBar(
        InputGroupBox, "RepeatScrollBar", Tonlyra::MinKeyRepetitionDelayTime,
        Tonlyra::MaxKeyRepetitionDelayTime,
        QStringLiteral("Justerar repetitionshastigheten. (Första repetitionen efter nedtryckning "
                       "dröjer längre än följande repetitioner)."));
    connect(RepeatScrollBar, &QScrollBar::valueChanged, this,
            &TUserSettingsForm::RepeatScrollBarChange);

    auto* keyOptions = new QVBoxLayout;
    keyOptions->addWidget(TrapKeyDownCheckBox);
    keyOptions->addWidget(RepeatKeyCheckBox);
    keyOptions->addWidget(ExecuteOnKeyUpCheckBox);
    keyOptions->addStretch(1);
    auto* squares = new QHBoxLayout;
    squares->addWidget(KeyIndikering1);
    squares->addWidget(KeyIndikering2);
    auto* repetition = new QVBoxLayout;
    repetition->addLayout(squares);
    repetition->addWidget(RepeatScrollBar, 1, Qt::AlignHCenter);
    auto* input = new QHBoxLayout(InputGroupBox);
    input->addLayout(keyOptions, 1);
    input->addLayout(repetition);

    ExtendedLayout->addWidget(AppearanceGroupBox, 0, 0);
    ExtendedLayout->addWidget(InputGroupBox, 0, 1);
    ExtendedLayout->addWidget(CreateSwitchesGroup(), 1, 0, 1, 2);
    ExtendedLayout->addWidget(CreateTimingGroup(), 0, 2, 2, 1);
    return ExtendedGroupBox;
}

QGroupBox* TUserSettingsForm::CreateTimingGroup()
{
    TimingGroupBox = Named(new QGroupBox(QStringLiteral("Tider &och uppläsning"), ExtendedGroupBox),
                           "TimingGroupBox");
    auto* grid = new QGridLayout(TimingGroupBox);
    // One row per timing: its caption, then its box; the times are shown in seconds.
    auto row = [&](QAbstractSpinBox* box, const char* name, const QString& caption,
                   const QString& hint) {
        Named(box, name);
        box->setToolTip(hint);
        // Room for the whole text field at any font (the style leaves it short at large ones).
        if (const auto* field = box->findChild<QLineEdit*>())
            box->setMinimumHeight(field->minimumSizeHint().height() +
                                  2 * box->style()->pixelMetric(QStyle::PM_SpinBoxFrameWidth));
        auto* label = new QLabel(caption, TimingGroupBox);
        label->setBuddy(box);
        label->setToolTip(hint);
        const int at = grid->rowCount();
        grid->addWidget(label, at, 0);
        grid->addWidget(box, at, 1);
    };
    auto seconds = [&](qint32 maximum) {
        auto* box = new QDoubleSpinBox(TimingGroupBox);
        box->setDecimals(2);
        box->setRange(0, maximum / 1000.0);
        box->setSingleStep(0.05);
        box->setSuffix(QStringLiteral(" s"));
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { TimingChanged(); });
        return box;
    };
    AcceptanceTimeSpinBox = seconds(Tonlyra::MaxPressTime);
    row(AcceptanceTimeSpinBox, "AcceptanceTimeSpinBox", QStringLiteral("Acc&eptanstid"),
        QStringLiteral("Brytaren måste hållas nedtryckt så här länge för att trycket ska räknas. "
                       "Kortare tryck gör ingenting. 0 = trycket räknas genast."));
    IgnoreRepeatTimeSpinBox = seconds(Tonlyra::MaxPressTime);
    row(IgnoreRepeatTimeSpinBox, "IgnoreRepeatTimeSpinBox",
        QStringLiteral("Bortse från upprepa&de tryck"),
        QStringLiteral("Tryck som kommer så här snart efter att brytaren släppts efter ett "
                       "räknat tryck räknas inte, så att ett dubbeltryck blir ett tryck. 0 = "
                       "alla tryck räknas."));
    PauseAfterChoiceSpinBox = seconds(Tonlyra::MaxPauseAfterChoice);
    row(PauseAfterChoiceSpinBox, "PauseAfterChoiceSpinBox", QStringLiteral("Paus e&fter val"),
        QStringLiteral("Så här länge efter att en ruta valts räknas inga tryck."));
    ScanRoundsSpinBox = new QSpinBox(TimingGroupBox);
    ScanRoundsSpinBox->setRange(0, Tonlyra::MaxScanRounds);
    ScanRoundsSpinBox->setSpecialValueText(QStringLiteral("aldrig"));
    connect(ScanRoundsSpinBox, &QSpinBox::valueChanged, this, [this] { TimingChanged(); });
    row(ScanRoundsSpinBox, "ScanRoundsSpinBox", QStringLiteral("Sluta s&canna efter varv"),
        QStringLiteral("Scanningen stannar efter så här många varv utan val: ramen försvinner, "
                       "och nästa tryck startar scanningen från första rutan eller raden."));
    FirstStepExtraTimeSpinBox = seconds(Tonlyra::MaxFirstStepExtraTime);
    row(FirstStepExtraTimeSpinBox, "FirstStepExtraTimeSpinBox",
        QStringLiteral("Första rutan l&ängre"),
        QStringLiteral("Ramen står kvar så här mycket längre på första rutan eller raden i varje "
                       "scanningsvarv."));
    SpeakCellsCheckBox =
        NewCheckBox(TimingGroupBox, "SpeakCellsCheckBox", QStringLiteral("Läs upp rutornas te&xt"),
                    QStringLiteral("Läser upp texten på de rutor som saknar introduktionsljud, där "
                                   "introduktionsljudet skulle ha spelats. Kräver Spela ljud."));
    grid->addWidget(SpeakCellsCheckBox, grid->rowCount(), 0, 1, 2);
    LogUseCheckBox = NewCheckBox(
        TimingGroupBox, "LogUseCheckBox", QStringLiteral("Spara användningslogg"),
        QStringLiteral("Sparar vad brukaren väljer och trycker, med tider, i en fil på den här "
                       "datorn. Visas under Arkiv, Användning i spelaren."));
    grid->addWidget(LogUseCheckBox, grid->rowCount(), 0, 1, 2);

    // The square to try the times on: it lights when a press on it (space, Enter or a click)
    // counts, and such a press is a choice for the pause after it.
    PressTestSquare = NewSquare(TimingGroupBox, "PressTestSquare");
    PressTestSquare->setFixedSize(3 * fontMetrics().height(), 2 * fontMetrics().height());
    PressTestSquare->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PressTestSquare->setFocusPolicy(Qt::StrongFocus);
    PressTestSquare->setAutoFillBackground(true);
    PressTestSquare->installEventFilter(this);
    const QString tryHint = QStringLiteral(
        "Prova tiderna här: tryck på brytare 1 eller 2 (mellanslag och enter om inga andra "
        "valts) eller klicka när rutan är markerad. Rutan lyser rött när trycket räknas.");
    PressTestSquare->setToolTip(tryHint);
    auto* tryLabel = new QLabel(QStringLiteral("&Prova"), TimingGroupBox);
    tryLabel->setBuddy(PressTestSquare);
    tryLabel->setToolTip(tryHint);
    grid->setRowStretch(grid->rowCount(), 1);
    const int at = grid->rowCount();
    grid->addWidget(tryLabel, at, 0);
    grid->addWidget(PressTestSquare, at, 1);
    SetPanelColor(PressTestSquare, palette().color(QPalette::Button));
    return TimingGroupBox;
}

QRadioButton* TUserSettingsForm::ModeRadioButton(ControlMode mode) const
{
    for (const ModeButton& m : ModeButtons)
        if (m.Mode == mode)
            return ModeGroupBox->findChild<QRadioButton*>(QString::fromLatin1(m.Name));
    return nullptr; // no mode
}

// ---- Views and showing ----

void TUserSettingsForm::ShowNormalView()
{
    Advanced = false;
    FitToView();
}

void TUserSettingsForm::ShowAdvancedView()
{
    Advanced = true;
    FitToView();
}

bool TUserSettingsForm::IsAdvancedView() const
{
    return Advanced;
}

void TUserSettingsForm::FitToView()
{
    ExtendedGroupBox->setVisible(Advanced);
    AdvancedViewMenu->setVisible(!Advanced);
    NormalViewMenu->setVisible(Advanced);
    layout()->invalidate();
    layout()->activate();
    const QSize needed = layout()->totalSizeHint();
    // Both views are as wide as the advanced view needs, so that switching keeps the width.
    const QMargins margins = layout()->contentsMargins();
    const int extendedWidth =
        ExtendedGroupBox->sizeHint().width() + margins.left() + margins.right();
    const int width = std::max({DesignedWidth, needed.width(), extendedWidth});
    const int height = std::max(Advanced ? AdvancedViewHeight : NormalViewHeight, needed.height());
    setFixedSize(width, height);
    if (isVisible())
        KeepOnScreen(height);
}

void TUserSettingsForm::KeepOnScreen(int newHeight)
{
    // The advanced view may grow the window past the bottom of the screen. The window system
    // may report the new size only later, so the frame is reckoned from the size set.
    const QRect area = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    const int frameHeight = newHeight + frame.height() - geometry().height();
    const int top = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frameHeight));
    if (top != frame.top())
        move(frame.left(), top);
}

void TUserSettingsForm::FormShow()
{
    ::UserSettings applied = UserSettings();
    applied.ScanDelayTime = Tonlyra::ClampScanDelayTime(applied.ScanDelayTime, ScanRangeMaximum);
    Tonlyra::TakeSettingsInOrder(EditedSettings, applied);
    SettingsAtLastCheckpoint = EditedSettings;
    ShowSettingsInControls();
    FontButton->setFocus();
    ChangedInWindow = false;

    // Centred on the screen (kept on it when the screen is smaller than the window).
    QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    const QRect area = screen->geometry();
    const QSize size = frameGeometry().size();
    move(area.x() + std::max(0, (area.width() - size.width()) / 2),
         area.y() + std::max(0, (area.height() - size.height()) / 2));
}

void TUserSettingsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The demonstration timers run only while the window is on screen.
    ShowModeRuleStates();
}

void TUserSettingsForm::hideEvent(QHideEvent* event)
{
    if (LearningSwitch)
        StopLearning();
    ScanTimer->stop();
    KeyRepeatTimer->stop();
    QDialog::hideEvent(event);
}

bool TUserSettingsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (LearnFrom(watched, event))
        return true;
    if (watched == FontPanel && event->type() == QEvent::MouseButtonPress)
        FontPanelClick();
    if (watched == PressTestSquare) {
        // The square takes the switches' events as the grid does: the same edges, the same
        // filter, the inputs of either switch.
        const auto edge = Tonlyra::SwitchEdgeOf(*event);
        const bool mouse = edge && edge->Switch < 0;
        if (edge && (mouse || Tonlyra::SwitchOfKey(EditedSettings.Switch1, EditedSettings.Switch2,
                                                   edge->Switch) != 0)) {
            if (mouse)
                PressTestSquare->setFocus();
            PressTestSwitch(edge->Switch, edge->Down);
            return true;
        }
        // The keyboard's repetition lets go of nothing.
        if (event->type() == QEvent::KeyRelease && !edge)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TUserSettingsForm::PressTestSwitch(int switchId, bool down)
{
    if (!down) {
        PressTestPresses.Release(switchId);
        return;
    }
    PressTestPresses.SetTimings(EditedSettings);
    PressTestPresses.Press(switchId, [this] {
        PressTestPresses.ChoiceMade();
        SetPanelColor(PressTestSquare, Qt::red);
        QTimer::singleShot(400, PressTestSquare, [this] {
            SetPanelColor(PressTestSquare, palette().color(QPalette::Button));
        });
        // As in the player, a press starts stopped scanning again.
        if (Tonlyra::ScansByItself(EditedSettings.ControlMode) && !ScanTimer->isActive())
            StartScanDemo();
    });
}

// ---- Filling the controls ----

void TUserSettingsForm::ShowSettingsInControls()
{
    const ::UserSettings& s = EditedSettings;
    if (s.ControlMode == ControlMode::None) {
        // An exclusive group cannot be cleared while it is exclusive.
        auto* group = MouseControlRadioButton->group();
        group->setExclusive(false);
        for (QAbstractButton* button : group->buttons())
            button->setChecked(false);
        group->setExclusive(true);
    } else {
        ModeRadioButton(s.ControlMode)->setChecked(true);
    }
    ShowFlags();
    ShowScanPeriod();
    ShowFont(s.Font);
    ShowColors();
    ShowTimings();
    ShowSwitches();
    SpacingComboBox->setCurrentIndex(s.Spacing >= Tonlyra::MinSpacing &&
                                             s.Spacing <= Tonlyra::MaxSpacing
                                         ? s.Spacing - Tonlyra::MinSpacing
                                         : -1);
    {
        const QSignalBlocker quiet(RepeatScrollBar);
        RepeatScrollBar->setValue(s.KeyRepetitionDelayTime);
    }
    KeyRepeatTimer->setInterval(RepeatScrollBar->value());
    ShowModeRuleStates();
}

void TUserSettingsForm::ShowFlags()
{
    for (const FlagBox& flag : FlagBoxes)
        flag.Box->setChecked(EditedSettings.*flag.Field);
}

void TUserSettingsForm::ShowScanPeriod()
{
    {
        const QSignalBlocker quiet(ScanningsPeriod);
        ScanningsPeriod->setMaximum(ScanRangeMaximum);
        ScanningsPeriod->setValue(EditedSettings.ScanDelayTime);
    }
    ScanningsPeriodComboBox->setCurrentIndex(ScanRangeIndex());
    ScanTimer->setInterval(ScanDemoInterval());
    ScanningsPeriodSkylt->setText(
        Tonlyra::ScanPeriodText(ScanningsPeriod->value(), ScanRangeIndex(), QLocale()));
}

void TUserSettingsForm::ShowColors()
{
    SetPanelColor(ScanColorPanel, Tonlyra::ColorFromBgr(EditedSettings.ScanColor));
    SetPanelColor(BackColorPanel, Tonlyra::ColorFromBgr(EditedSettings.BackColor));
    SetPanelColor(ButtonColorPanel, Tonlyra::ColorFromBgr(EditedSettings.ButtonColor));
}

void TUserSettingsForm::ShowTimings()
{
    const ::UserSettings& s = EditedSettings;
    const std::pair<QDoubleSpinBox*, qint32> times[] = {
        {AcceptanceTimeSpinBox, s.AcceptanceTime},
        {IgnoreRepeatTimeSpinBox, s.IgnoreRepeatTime},
        {PauseAfterChoiceSpinBox, s.PauseAfterChoice},
        {FirstStepExtraTimeSpinBox, s.FirstStepExtraTime}};
    for (const auto& [box, ms] : times) {
        const QSignalBlocker quiet(box);
        box->setValue(ms / 1000.0);
    }
    const QSignalBlocker quiet(ScanRoundsSpinBox);
    ScanRoundsSpinBox->setValue(s.ScanRounds);
}

void TUserSettingsForm::TimingChanged()
{
    EditedSettings.AcceptanceTime = qRound(AcceptanceTimeSpinBox->value() * 1000);
    EditedSettings.IgnoreRepeatTime = qRound(IgnoreRepeatTimeSpinBox->value() * 1000);
    EditedSettings.PauseAfterChoice = qRound(PauseAfterChoiceSpinBox->value() * 1000);
    EditedSettings.ScanRounds = ScanRoundsSpinBox->value();
    EditedSettings.FirstStepExtraTime = qRound(FirstStepExtraTimeSpinBox->value() * 1000);
    EditedInWindow();
    if (Tonlyra::ScansByItself(EditedSettings.ControlMode))
        StartScanDemo();
}

void TUserSettingsForm::SoundCheckBoxClick()
{
    EditedInWindow();
    ShowModeRuleStates();
}

void TUserSettingsForm::StartScanDemo()
{
    ScanDemoRounds = 1;
    Indikering1->setVisible(true);
    Indikering2->setVisible(false);
    ScanTimer->setInterval(ScanDemoInterval());
    if (isVisible())
        ScanTimer->start();
}

int TUserSettingsForm::ScanDemoInterval() const
{
    return ScanningsPeriod->value() +
           (Indikering1->isHidden() ? 0 : EditedSettings.FirstStepExtraTime);
}

void TUserSettingsForm::ShowFont(const UserFont& font)
{
    FontPanel->setFont(Tonlyra::ToQFont(font));
    QPalette palette = FontPanel->palette();
    palette.setColor(QPalette::WindowText, Tonlyra::ColorFromBgr(font.Color));
    FontPanel->setPalette(palette);
}

void TUserSettingsForm::ShowModeRuleStates()
{
    const ::UserSettings& s = EditedSettings;
    SoundCheckBox->setEnabled(Tonlyra::PlaySoundAllowed(s));
    const bool scanning = Tonlyra::ScansByItself(s.ControlMode);
    for (QWidget* control :
         {static_cast<QWidget*>(ScanningsPeriodComboBox),
          static_cast<QWidget*>(ScanningsPeriodSkylt), static_cast<QWidget*>(ScanningsPeriod)})
        control->setVisible(scanning);
    ScanRoundsSpinBox->setEnabled(scanning);
    FirstStepExtraTimeSpinBox->setEnabled(scanning);
    SpeakCellsCheckBox->setEnabled(Tonlyra::PlaySoundAllowed(s) && s.PlaySound);
    if (scanning) {
        StartScanDemo();
    } else {
        Indikering1->setVisible(false);
        Indikering2->setVisible(false);
        ScanTimer->stop();
    }
    const bool frame = Tonlyra::ShowsScanFrame(s.ControlMode);
    ScanColorLabel->setEnabled(frame);
    ScanColorButton->setEnabled(frame);
    RepeatKeyCheckBox->setEnabled(Tonlyra::KeyRepetitionAllowed(s));
    ShowRepeatRuleStates();
}

void TUserSettingsForm::ShowRepeatRuleStates()
{
    const bool repetition = EditedSettings.KeyRepetition;
    RepeatScrollBar->setVisible(repetition);
    KeyIndikering2->setVisible(repetition);
    KeyIndikering1->setVisible(false);
    if (repetition && isVisible())
        KeyRepeatTimer->start();
    else
        KeyRepeatTimer->stop();
    ExecuteOnKeyUpCheckBox->setEnabled(Tonlyra::ExecuteOnKeyUpAllowed(EditedSettings));
}

// ---- The controls' events ----

void TUserSettingsForm::EditedInWindow()
{
    // Every edit counts as a change, so that none is lost unasked when the program ends.
    ChangedInWindow = true;
}

void TUserSettingsForm::ModeRadioButtonClick(ControlMode mode)
{
    if (mode == EditedSettings.ControlMode)
        return;
    EditedSettings.ControlMode = mode;
    ChangedInWindow = true;
    Tonlyra::ApplyModeRules(EditedSettings);
    ShowSettingsInControls();
}

void TUserSettingsForm::TrapKeyDownCheckBoxClick()
{
    ChangedInWindow = true;
    Tonlyra::ApplyModeRules(EditedSettings);
    ShowSettingsInControls();
}

void TUserSettingsForm::RepeatKeyCheckBoxClick()
{
    EditedInWindow();
    Tonlyra::ApplyRepeatRule(EditedSettings);
    ShowFlags();
    ShowRepeatRuleStates();
}

void TUserSettingsForm::ScanningsPeriodComboBoxChange(int index)
{
    SetScanRange(index);
}

void TUserSettingsForm::ScanningsPeriodChange(int position)
{
    EditedSettings.ScanDelayTime = position;
    ChangedInWindow = true;
    ShowScanPeriod();
}

void TUserSettingsForm::RepeatScrollBarChange(int position)
{
    EditedSettings.KeyRepetitionDelayTime = position;
    ChangedInWindow = true;
    KeyRepeatTimer->setInterval(position);
}

void TUserSettingsForm::FontButtonClick()
{
    Tonlyra::PromptRequest request;
    request.What = Tonlyra::PromptRequest::Kind::Font;
    request.Caption = QStringLiteral("Typsnitt");
    request.InitialFont = Tonlyra::ToQFont(EditedSettings.Font);
    request.InitialFontColor = Tonlyra::ColorFromBgr(EditedSettings.Font.Color);
    const Tonlyra::PromptAnswer answer = UserPrompt::Ask(this, request);
    if (!answer.Accepted)
        return;
    const QColor color = answer.Color.isValid() ? answer.Color : request.InitialFontColor;
    EditedSettings.Font = Tonlyra::FromQFont(answer.Font, Tonlyra::BgrFromColor(color));
    ShowFont(EditedSettings.Font);
    ChangedInWindow = true;
}

void TUserSettingsForm::FontPanelClick()
{
    EditedSettings.Font = UserSettings().Font;
    ShowFont(EditedSettings.Font);
}

void TUserSettingsForm::ColorButtonClick(ColorField field)
{
    Tonlyra::PromptRequest request;
    request.What = Tonlyra::PromptRequest::Kind::Color;
    request.Caption = QStringLiteral("Färg");
    request.InitialColor = Tonlyra::ColorFromBgr(EditedSettings.*field);
    const Tonlyra::PromptAnswer answer = UserPrompt::Ask(this, request);
    if (!answer.Accepted || !answer.Color.isValid())
        return;
    EditedSettings.*field = Tonlyra::BgrFromColor(answer.Color);
    ShowColors();
    ChangedInWindow = true;
}

void TUserSettingsForm::ScanTimerTimer()
{
    const bool leftShown = !Indikering1->isHidden();
    if (!leftShown) {
        // A new round; after the last one the squares go, as the player's frame does.
        const int rounds = EditedSettings.ScanRounds;
        if (rounds > 0 && ScanDemoRounds >= rounds) {
            Indikering2->setVisible(false);
            ScanTimer->stop();
            return;
        }
        ++ScanDemoRounds;
    }
    Indikering1->setVisible(!leftShown);
    Indikering2->setVisible(leftShown);
    ScanTimer->setInterval(ScanDemoInterval());
}

void TUserSettingsForm::KeyRepeatTimerTimer()
{
    const bool leftShown = !KeyIndikering1->isHidden();
    KeyIndikering1->setVisible(!leftShown);
    KeyIndikering2->setVisible(leftShown);
}
