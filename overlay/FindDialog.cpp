#include "overlay/FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace Tonlyra {

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Sök"));
    setModal(false);
    auto* label = new QLabel(QStringLiteral("Sök &efter:"), this);
    FindEdit = new QLineEdit(this);
    label->setBuddy(FindEdit);
    WholeWordBox = new QCheckBox(QStringLiteral("Hela ord"), this);
    FindNextButton = new QPushButton(QStringLiteral("Sök nästa"), this);
    FindNextButton->setDefault(true);
    FindNextButton->setEnabled(false);
    CancelButton = new QPushButton(QStringLiteral("Avbryt"), this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(FindEdit, 0, 1);
    layout->addWidget(FindNextButton, 0, 2);
    layout->addWidget(WholeWordBox, 1, 0, 1, 2);
    layout->addWidget(CancelButton, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Nothing to find, nothing to press.
    connect(FindEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { FindNextButton->setEnabled(!text.isEmpty()); });
    connect(FindNextButton, &QPushButton::clicked, this, &FindDialog::FindNext);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::close);
}

QString FindDialog::FindText() const
{
    return FindEdit->text();
}

void FindDialog::SetFindText(const QString& text)
{
    FindEdit->setText(text);
}

bool FindDialog::WholeWord() const
{
    return WholeWordBox->isChecked();
}

} // namespace Tonlyra
