#pragma once

#include "media/IRString.h"
#include "media/IRTransmitter.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The IR dialog: the carer chooses an IR command and the port of its transmitter, and can try
// it with "&Testa". The one instance also holds the current IR command for the whole program:
// the overlay editor and the player load a command into it (ShowIRString, SelectCommPort) and
// then build or send it from here.
class TIRDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TIRDialog(QWidget* parent = nullptr);
    ~TIRDialog() override;

    // Loads a command text into the controls; a text that cannot be read is shown as well as
    // it can be and never refused.
    void ShowIRString(const QString& irString);
    // The command text of the controls.
    QString BuildIRString() const;
    // Selects the port named exactly so, or "COM1" for any other name.
    void SelectCommPort(const QString& portName);
    QString SelectedCommPort() const;
    // False when the command is sent for as long as the switch is closed (and so needs a stop
    // frame when it opens).
    bool HasPulseCount() const;
    // Shows the dialog modally through the ask-the-user service (UserPrompt::RunDialog, which
    // tests answer in advance); true when it was closed with OK.
    bool EditIRCommand();

    // Write the command frame of BuildIRString, or the stop frame, to the selected port.
    // Failures are not shown: the frame just does not arrive (and a line goes to stderr).
    void SendIRCommand();
    void SendIRStop();

    // The controls' values as a command.
    Tonlyra::IRCommand CurrentCommand() const;
    void ApplyCommand(const Tonlyra::IRCommand& command);

    QLabel* LevelLabel = nullptr;
    QComboBox* LevelComboBox = nullptr;
    QLabel* ButtonLabel = nullptr;
    QComboBox* ButtonComboBox = nullptr;
    QLabel* PortLabel = nullptr;
    QComboBox* PortComboBox = nullptr;
    QLabel* PulseLabel = nullptr;
    QComboBox* PulseComboBox = nullptr;
    QCheckBox* PulseCheckBox = nullptr;
    QLabel* PulseCheckLabel = nullptr;
    QPushButton* TestButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void PulseCheckBoxClick(bool checked);
    void TestButtonMouseDown();
    void TestButtonMouseUp();

    Tonlyra::IRTransmitter Transmitter;
    int RememberedPulseIndex = -1; // pulse count chosen before continuous was set
};

