#pragma once

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace Tonlyra {

// Everything that asks the user something (message boxes, file dialogs, the colour and font
// choosers, the program's own modal dialogs) goes through this one service. The program shows
// real dialogs; tests install a responder that answers in advance, so that no test ever waits on
// a modal dialog.
struct PromptRequest
{
    enum class Kind { Message, OpenFile, SaveFile, Folder, Color, Font, Dialog };
    Kind What = Kind::Message;
    QString Caption;
    QString Text;                       // message text
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    QString Filter;                     // file dialogs, in the old "Name|*.ext|Name2|*.x" form
    QString DefaultSuffix;              // file dialogs, without the dot
    QString InitialDirectory;           // file dialogs
    QString InitialName;                // file dialogs
    bool ConfirmOverwrite = false;      // save dialog asks before replacing a file
    QColor InitialColor;                // colour chooser
    QFont InitialFont;                  // font chooser
    QColor InitialFontColor;            // font chooser
    QDialog* Dialog = nullptr;          // the program's own dialog, set up and shown
};

struct PromptAnswer
{
    QMessageBox::StandardButton Button = QMessageBox::NoButton; // message boxes
    bool Accepted = false;              // file, colour, font and own dialogs: OK pressed
    QString Path;                       // file dialogs
    QColor Color;                       // colour chooser; font colour for the font chooser
    QFont Font;                         // font chooser
};

using PromptResponder = std::function<PromptAnswer(const PromptRequest&)>;

class UserPrompt
{
public:
    // Shows the request (or hands it to the installed responder) and returns the answer.
    static PromptAnswer Ask(QWidget* parent, const PromptRequest& request);

    // The dialog that Ask shows for request, made but not shown (tests look at it without
    // waiting on it); null for the program's own dialogs, which the caller makes.
    static std::unique_ptr<QDialog> BuildDialog(QWidget* parent, const PromptRequest& request);

    // Installs a responder in place of the real dialogs; an empty function restores them.
    // Returns the previous responder.
    static PromptResponder SetResponder(PromptResponder responder);

    // Convenience forms of Ask.
    static QMessageBox::StandardButton Message(QWidget* parent, const QString& caption,
                                               const QString& text,
                                               QMessageBox::StandardButtons buttons =
                                                   QMessageBox::Ok,
                                               QMessageBox::Icon icon = QMessageBox::NoIcon);
    // Returns the chosen file, or an empty string when the dialog was cancelled.
    static QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                                const QString& defaultSuffix, const QString& initialDirectory,
                                const QString& initialName = QString());
    static QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                const QString& defaultSuffix, const QString& initialDirectory,
                                const QString& initialName = QString(),
                                bool confirmOverwrite = true);
    // Returns the chosen folder, or an empty string when the dialog was cancelled.
    static QString FolderName(QWidget* parent, const QString& caption,
                              const QString& initialDirectory);

    // Runs one of the program's own dialogs modally; true when it was closed with OK (accepted).
    // With a responder installed the dialog is shown without blocking and handed over, so that
    // the responder can work its controls as the user would; a dialog the responder leaves open
    // is then closed with the answer's Accepted. Where modal dialogs are off and no responder
    // answers, the dialog is closed at once as cancelled. Either way the dialog's done() runs,
    // as when the user closes it.
    static bool RunDialog(QDialog& dialog);

    // The application's general error message box: shows an error that interrupted an
    // operation (and writes it to stderr, on one line); the program goes on running.
    static void ShowError(QWidget* parent, const QString& text);

    // Turns an old-style filter "Överlägg|*.cdu|Alla|*.*" into Qt's "Överlägg (*.cdu);;Alla (*.*)".
    static QString QtFilter(const QString& filter);
};

} // namespace Tonlyra
