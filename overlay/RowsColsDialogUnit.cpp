#include "overlay/RowsColsDialogUnit.h"

#include "overlay/CellMap.h"
#include "overlay/DialogPlacement.h"
#include "overlay/UpDown.h"
#include "platform/UserPrompt.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>


namespace {

constexpr int MaxCells = 10; // rows or columns

QLabel* DisplayPanel(QWidget* parent)
{
    auto* panel = new QLabel(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFixedSize(41, 21);
    return panel;
}

} // namespace

TRowsColsDialog::TRowsColsDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Rader och kolumner"));

    CountPanel = DisplayPanel(this);
    auto* countLabel = new QLabel(QStringLiteral("Antal mediaspår:"), this);
    RowsLabel = new QLabel(QStringLiteral("&Rader:"), this);
    RowsPanel = DisplayPanel(this);
    RowsUpDown = new Tonlyra::UpDown(this);
    RowsLabel->setBuddy(RowsUpDown);
    ColsLabel = new QLabel(QStringLiteral("&Kolumner:"), this);
    ColsPanel = DisplayPanel(this);
    ColsUpDown = new Tonlyra::UpDown(this);
    ColsUpDown->setFocusPolicy(Qt::ClickFocus); // reached by its accelerator, not by Tab
    ColsLabel->setBuddy(ColsUpDown);
    for (Tonlyra::UpDown* upDown : {RowsUpDown, ColsUpDown}) {
        upDown->SetRange(1, MaxCells);
        connect(upDown, &Tonlyra::UpDown::Click, this, &TRowsColsDialog::UpDownClick);
    }

    RowsColsPanel = Tonlyra::NewCellMap(this);

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Avbryt"), this);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* values = new QGridLayout;
    values->addWidget(countLabel, 0, 0);
    values->addWidget(CountPanel, 0, 1);
    values->addWidget(RowsLabel, 1, 0);
    values->addWidget(RowsPanel, 1, 1);
    values->addWidget(RowsUpDown, 1, 2);
    values->addWidget(ColsLabel, 2, 0);
    values->addWidget(ColsPanel, 2, 1);
    values->addWidget(ColsUpDown, 2, 2);
    values->setRowStretch(3, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(values);
    top->addSpacing(12);
    top->addWidget(RowsColsPanel->parentWidget(), 0, Qt::AlignTop);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(RowsUpDown, OKButton);
    setTabOrder(OKButton, CancelButton);
    RowsUpDown->SetPosition(Rows);
    ColsUpDown->SetPosition(Cols);
    UpDownClick();
}

void TRowsColsDialog::SetRows(int n)
{
    Rows = n > MaxCells ? 1 : n;
}

void TRowsColsDialog::SetCols(int n)
{
    Cols = n > MaxCells ? 1 : n;
}

bool TRowsColsDialog::Execute()
{
    RowsUpDown->SetPosition(Rows);
    ColsUpDown->SetPosition(Cols);
    UpDownClick();
    RowsUpDown->setFocus();
    return Tonlyra::UserPrompt::RunDialog(*this);
}

void TRowsColsDialog::UpDownClick()
{
    Rows = RowsUpDown->Position();
    Cols = ColsUpDown->Position();
    RowsPanel->setNum(Rows);
    ColsPanel->setNum(Cols);
    CountPanel->setNum(Rows * Cols);

    Tonlyra::LayOutCellMap(RowsColsPanel, CellPanels, Rows, Cols);
}

void TRowsColsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Tonlyra::CenterOnScreen(*this);
}
