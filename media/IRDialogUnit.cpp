#include "media/IRDialogUnit.h"

#include "platform/UserPrompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>


namespace {

const QStringList& PortNames()
{
    static const QStringList names = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"};
    return names;
}

// A push button that reports every mouse press and release, of any button, so that a command
// can be sent while the button is held and stopped when it is let go.
class PressReleaseButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

    std::function<void()> OnMouseDown;
    std::function<void()> OnMouseUp;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QPushButton::mousePressEvent(event);
        event->accept(); // keep the release of other buttons than the left one with us
        if (OnMouseDown)
            OnMouseDown();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QPushButton::mouseReleaseEvent(event);
        event->accept();
        if (OnMouseUp)
            OnMouseUp();
    }
};

QComboBox* MakeList(QWidget* parent, const QStringList& items)
{
    auto* list = new QComboBox(parent);
    list->setEditable(false);
    list->addItems(items);
    list->setMaxVisibleItems(17);
    return list;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, QWidget* buddy)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TIRDialog::TIRDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("IR"));

    QStringList levels;
    for (int level = 1; level <= Tonlyra::IRCommand::LevelCount; ++level)
        levels << QString::number(level);
    QStringList pulses;
    for (int count = 1; count <= Tonlyra::IRCommand::MaxPulses; ++count)
        pulses << QString::number(count);

    LevelComboBox = MakeList(this, levels);
    LevelLabel = MakeLabel(this, QStringLiteral("&Nivå:"), LevelComboBox);
    ButtonComboBox = MakeList(this, Tonlyra::IRButtonNames());
    ButtonLabel = MakeLabel(this, QStringLiteral("&Knapp:"), ButtonComboBox);
    PortComboBox = MakeList(this, PortNames());
    PortLabel = MakeLabel(this, QStringLiteral("&Com-port;"), PortComboBox);
    PulseComboBox = MakeList(this, pulses);
    PulseLabel = MakeLabel(this, QStringLiteral("&Pulser:"), PulseComboBox);

    PulseCheckBox = new QCheckBox(this);
    PulseCheckLabel =
        MakeLabel(this, QStringLiteral("&Sänd så länge brytaren är sluten"), PulseCheckBox);
    PulseCheckLabel->setWordWrap(true);
    PulseCheckLabel->setFixedWidth(
        PulseCheckLabel->fontMetrics().horizontalAdvance(QStringLiteral("Sänd så länge brytaren")) +
        8);

    auto* testButton = new PressReleaseButton(QStringLiteral("&Testa"), this);
    testButton->setAutoDefault(false);
    testButton->OnMouseDown = [this] { TestButtonMouseDown(); };
    testButton->OnMouseUp = [this] { TestButtonMouseUp(); };
    TestButton = testButton;

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Avbryt"), this);
    CancelButton->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(LevelLabel, 0, 0);
    fields->addWidget(LevelComboBox, 0, 1);
    fields->addWidget(ButtonLabel, 1, 0);
    fields->addWidget(ButtonComboBox, 1, 1);
    fields->addWidget(PortLabel, 2, 0);
    fields->addWidget(PortComboBox, 2, 1);
    fields->addWidget(PulseLabel, 3, 0);
    fields->addWidget(PulseComboBox, 3, 1);

    auto* continuousRow = new QHBoxLayout;
    continuousRow->addWidget(PulseCheckBox, 0, Qt::AlignTop);
    continuousRow->addWidget(PulseCheckLabel, 0, Qt::AlignTop);
    continuousRow->addStretch(1);
    continuousRow->addWidget(TestButton, 0, Qt::AlignVCenter);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(continuousRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(PulseCheckBox, &QCheckBox::toggled, this, &TIRDialog::PulseCheckBoxClick);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    ShowIRString(QString());
    SelectCommPort(PortNames().first());
}

TIRDialog::~TIRDialog() = default;

Tonlyra::IRCommand TIRDialog::CurrentCommand() const
{
    Tonlyra::IRCommand command;
    command.LevelIndex = LevelComboBox->currentIndex();
    command.ButtonIndex = ButtonComboBox->currentIndex();
    command.Continuous = PulseCheckBox->isChecked();
    command.PulseCount = command.Continuous ? 0 : PulseComboBox->currentIndex() + 1;
    return command;
}

void TIRDialog::ApplyCommand(const Tonlyra::IRCommand& command)
{
    LevelComboBox->setCurrentIndex(command.LevelIndex);
    ButtonComboBox->setCurrentIndex(command.ButtonIndex);
    {
        // Loading a command sets the pulse list itself; the box's own rule is for the carer.
        const QSignalBlocker blocker(PulseCheckBox);
        PulseCheckBox->setChecked(command.Continuous);
    }
    PulseComboBox->setEnabled(!command.Continuous);
    PulseLabel->setEnabled(!command.Continuous);
    const bool hasCount = !command.Continuous && command.PulseCount >= 1 &&
                          command.PulseCount <= Tonlyra::IRCommand::MaxPulses;
    PulseComboBox->setCurrentIndex(hasCount ? command.PulseCount - 1 : -1);
    RememberedPulseIndex = -1;
}

void TIRDialog::ShowIRString(const QString& irString)
{
    ApplyCommand(Tonlyra::ParseIRString(irString));
}

QString TIRDialog::BuildIRString() const
{
    return Tonlyra::BuildIRString(CurrentCommand());
}

void TIRDialog::SelectCommPort(const QString& portName)
{
    const int index = PortNames().indexOf(portName); // exact, case included
    PortComboBox->setCurrentIndex(index >= 0 ? index : 0);
}

QString TIRDialog::SelectedCommPort() const
{
    return PortComboBox->currentText();
}

bool TIRDialog::HasPulseCount() const
{
    return !PulseCheckBox->isChecked();
}

bool TIRDialog::EditIRCommand()
{
    return Tonlyra::UserPrompt::RunDialog(*this);
}

void TIRDialog::SendIRCommand()
{
    Transmitter.SendFrame(SelectedCommPort(),
                          Tonlyra::IRTransmitter::CommandFrame(BuildIRString()));
}

void TIRDialog::SendIRStop()
{
    Transmitter.SendFrame(SelectedCommPort(), Tonlyra::IRTransmitter::StopFrame());
}

void TIRDialog::PulseCheckBoxClick(bool checked)
{
    PulseComboBox->setEnabled(!checked);
    PulseLabel->setEnabled(!checked);
    if (checked) {
        // A continuous command has no pulse count; keep the carer's count for turning it off.
        RememberedPulseIndex = PulseComboBox->currentIndex();
        PulseComboBox->setCurrentIndex(-1);
    } else if (PulseComboBox->currentIndex() < 0) {
        // Turned off again: give back the count it had, or the usual count for a command that
        // was loaded as continuous, rather than leave a command of no pulses.
        PulseComboBox->setCurrentIndex(RememberedPulseIndex >= 0
                                           ? RememberedPulseIndex
                                           : Tonlyra::IRCommand::DefaultPulses - 1);
    }
}

void TIRDialog::TestButtonMouseDown()
{
    SendIRCommand();
}

void TIRDialog::TestButtonMouseUp()
{
    if (PulseCheckBox->isChecked())
        SendIRStop();
}
