#include "overlay/RowsColsDialogUnit.h"

#include "overlay/DialogPlacement.h"
#include "overlay/UpDown.h"
#include "platform/UserPrompt.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TRowsColsDialog* RowsColsDialog = nullptr;

namespace {

constexpr int MaxCells = 10; // rows or columns
constexpr int PreviewWidth = 128;
constexpr int PreviewHeight = 96;
constexpr int Bevel = 2;

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

    // The preview lies in room for its largest size, so the dialog keeps its size.
    auto* previewRoom = new QWidget(this);
    previewRoom->setFixedSize(PreviewWidth + 2 * Bevel, PreviewHeight + 2 * Bevel);
    RowsColsPanel = new QFrame(previewRoom);
    RowsColsPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    RowsColsPanel->setLineWidth(Bevel);
    RowsColsPanel->setGeometry(0, 0, PreviewWidth, PreviewHeight);

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
    top->addWidget(previewRoom, 0, Qt::AlignTop);
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

    for (QFrame* panel : CellPanels)
        delete panel;
    CellPanels.clear();
    const int height = PreviewHeight / Rows;
    const int width = PreviewWidth / Cols;
    for (int i = 0; i < Rows * Cols; ++i) {
        auto* panel = new QFrame(RowsColsPanel);
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setLineWidth(Bevel);
        panel->setGeometry((i % Cols) * width + Bevel, (i / Cols) * height + Bevel, width, height);
        panel->show();
        CellPanels.push_back(panel);
    }
    RowsColsPanel->resize(Cols * width + 2 * Bevel, Rows * height + 2 * Bevel);
}

void TRowsColsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Tonlyra::CenterOnScreen(*this);
}
