#include "overlay/NumberDialogUnit.h"

#include "overlay/DialogPlacement.h"
#include "overlay/UpDown.h"
#include "platform/UserPrompt.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>


namespace {

constexpr int Lowest = 1;
constexpr int Highest = 99;

// The value of text of decimal digits; anything else counts as 0.
int DigitsValue(const QString& text)
{
    int value = 0;
    for (const QChar c : text) {
        if (!c.isDigit() || c.digitValue() < 0)
            return 0;
        value = value * 10 + c.digitValue();
    }
    return value;
}

} // namespace

TNumberDialog::TNumberDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Välj nummer"));

    TracksUpDown = new Tonlyra::UpDown(this);
    TracksUpDown->SetRange(Lowest, Highest);
    connect(TracksUpDown, &Tonlyra::UpDown::Click, this, &TNumberDialog::TracksUpDownClick);
    TracksPanel = new QLabel(this);
    TracksPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    TracksPanel->setAlignment(Qt::AlignCenter);
    TracksPanel->setFixedSize(41, 21);
    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Avbryt"), this);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* choice = new QHBoxLayout;
    choice->addStretch(1);
    choice->addWidget(TracksUpDown);
    choice->addWidget(TracksPanel);
    choice->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(TracksUpDown, OKButton);
    setTabOrder(OKButton, CancelButton);
    // Every character typed reaches the dialog first, whichever control has the focus.
    for (QWidget* w : {static_cast<QWidget*>(TracksUpDown), static_cast<QWidget*>(OKButton),
                       static_cast<QWidget*>(CancelButton)})
        w->installEventFilter(this);
    ShowNumber(Number);
}

void TNumberDialog::SetNumber(int n)
{
    if (n >= Lowest && n <= Highest)
        Number = n;
}

bool TNumberDialog::Execute()
{
    ShowNumber(Number);
    TypedDigits.clear();
    TracksUpDown->setFocus();
    return Tonlyra::UserPrompt::RunDialog(*this);
}

void TNumberDialog::ShowNumber(int n)
{
    TracksUpDown->SetPosition(n);
    TracksPanel->setNum(n);
}

void TNumberDialog::TracksUpDownClick()
{
    Number = TracksUpDown->Position();
    TracksPanel->setNum(Number);
}

void TNumberDialog::TypeCharacter(QChar c)
{
    if (TypedDigits.size() >= 2)
        TypedDigits.clear();
    TypedDigits += c;
    const int value = DigitsValue(TypedDigits);
    if (value >= Lowest && value <= Highest) {
        ShowNumber(value);
        Number = value;
    } else {
        TypedDigits.clear();
    }
}

bool TNumberDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        for (const QChar c : static_cast<QKeyEvent*>(event)->text())
            TypeCharacter(c);
    }
    return QDialog::eventFilter(watched, event);
}

void TNumberDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Tonlyra::CenterOnScreen(*this);
}
