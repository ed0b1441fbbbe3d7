#include "platform/UserPrompt.h"

#include "platform/Logging.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStringList>

#include <memory>
#include <utility>

namespace Tonlyra {

namespace {

PromptResponder& Responder()
{
    static PromptResponder responder;
    return responder;
}

// Without a responder, a process that must never block on a dialog (the test runs set
// TONLYRA_NO_MODAL) gets the cancelling answer and a line on stderr instead of a hang.
bool ModalDialogsForbidden()
{
    return qEnvironmentVariableIsSet("TONLYRA_NO_MODAL");
}

PromptAnswer CancelAnswer(const PromptRequest& r)
{
    PromptAnswer a;
    if (r.What == PromptRequest::Kind::Message) {
        if (r.Buttons & QMessageBox::Cancel)
            a.Button = QMessageBox::Cancel;
        else if (r.Buttons & QMessageBox::No)
            a.Button = QMessageBox::No;
        else
            a.Button = QMessageBox::Ok;
    }
    return a;
}

// The font chooser's choice of text colour, which the toolkit's chooser lacks and the cell texts
// have: a colour button and a swatch above its OK and Cancel, the colour kept in a property.
const char* const TextColorProperty = "TextColor";

void AddTextColor(QFontDialog& dialog, const QColor& initial)
{
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    const int index = grid && buttons ? grid->indexOf(buttons) : -1;
    if (index < 0)
        return; // not the layout this was made for: the chooser stays without a colour
    dialog.setProperty(TextColorProperty, initial.isValid() ? initial : QColor(Qt::black));

    auto* colorButton = new QPushButton(QStringLiteral("Fä&rg..."), &dialog);
    colorButton->setObjectName(QStringLiteral("TextColorButton"));
    colorButton->setAutoDefault(false);
    auto* swatch = new QFrame(&dialog);
    swatch->setObjectName(QStringLiteral("TextColorSwatch"));
    swatch->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    swatch->setAutoFillBackground(true);
    swatch->setFixedSize(2 * dialog.fontMetrics().height(), dialog.fontMetrics().height() + 4);
    const auto showColor = [&dialog, swatch] {
        QPalette palette = swatch->palette();
        palette.setColor(QPalette::Window, dialog.property(TextColorProperty).value<QColor>());
        swatch->setPalette(palette);
    };
    showColor();
    QObject::connect(colorButton, &QPushButton::clicked, &dialog, [&dialog, showColor] {
        PromptRequest request;
        request.What = PromptRequest::Kind::Color;
        request.InitialColor = dialog.property(TextColorProperty).value<QColor>();
        const PromptAnswer answer = UserPrompt::Ask(&dialog, request);
        if (answer.Accepted && answer.Color.isValid()) {
            dialog.setProperty(TextColorProperty, answer.Color);
            showColor();
        }
    });

    // The row of OK and Cancel moves down one, and the colour takes its place.
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    grid->removeWidget(buttons);
    grid->addWidget(buttons, row + 1, column, rows, columns);
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorButton);
    colorRow->addWidget(swatch);
    colorRow->addStretch(1);
    grid->addLayout(colorRow, row, 0, 1, grid->columnCount());
}

PromptAnswer ShowRealDialog(QWidget* parent, const PromptRequest& r)
{
    PromptAnswer a;
    if (r.What == PromptRequest::Kind::Dialog) {
        a.Accepted = r.Dialog && r.Dialog->exec() == QDialog::Accepted;
        return a;
    }
    const std::unique_ptr<QDialog> dialog = UserPrompt::BuildDialog(parent, r);
    const int result = dialog->exec();
    if (qobject_cast<QMessageBox*>(dialog.get())) {
        a.Button = static_cast<QMessageBox::StandardButton>(result);
    } else if (auto* files = qobject_cast<QFileDialog*>(dialog.get())) {
        if (result == QDialog::Accepted && !files->selectedFiles().isEmpty()) {
            a.Accepted = true;
            a.Path = files->selectedFiles().constFirst();
        }
    } else if (auto* colors = qobject_cast<QColorDialog*>(dialog.get())) {
        a.Accepted = result == QDialog::Accepted;
        if (a.Accepted)
            a.Color = colors->selectedColor();
    } else if (auto* fonts = qobject_cast<QFontDialog*>(dialog.get())) {
        a.Accepted = result == QDialog::Accepted;
        a.Font = a.Accepted ? fonts->selectedFont() : r.InitialFont;
        const QColor color = fonts->property(TextColorProperty).value<QColor>();
        a.Color = a.Accepted && color.isValid() ? color : r.InitialFontColor;
    }
    return a;
}

} // namespace

PromptAnswer UserPrompt::Ask(QWidget* parent, const PromptRequest& request)
{
    if (Responder())
        return Responder()(request);
    if (ModalDialogsForbidden() || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qCWarning(Log::Platform, "tonlyra: unanswered question \"%s\": %s",
                  qUtf8Printable(request.Caption), qUtf8Printable(request.Text));
        return CancelAnswer(request);
    }
    return ShowRealDialog(parent, request);
}

std::unique_ptr<QDialog> UserPrompt::BuildDialog(QWidget* parent, const PromptRequest& r)
{
    switch (r.What) {
    case PromptRequest::Kind::Message:
        return std::make_unique<QMessageBox>(r.Icon, r.Caption, r.Text, r.Buttons, parent);
    case PromptRequest::Kind::OpenFile:
    case PromptRequest::Kind::SaveFile: {
        auto dialog = std::make_unique<QFileDialog>(parent, r.Caption, r.InitialDirectory,
                                                    QtFilter(r.Filter));
        const bool save = r.What == PromptRequest::Kind::SaveFile;
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog->setDefaultSuffix(r.DefaultSuffix);
        if (!r.ConfirmOverwrite)
            dialog->setOption(QFileDialog::DontConfirmOverwrite);
        if (!r.InitialName.isEmpty())
            dialog->selectFile(r.InitialName);
        return dialog;
    }
    case PromptRequest::Kind::Folder: {
        auto dialog = std::make_unique<QFileDialog>(parent, r.Caption, r.InitialDirectory);
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        return dialog;
    }
    case PromptRequest::Kind::Color: {
        auto dialog = std::make_unique<QColorDialog>(r.InitialColor, parent);
        if (!r.Caption.isEmpty()) // else Qt's own title
            dialog->setWindowTitle(r.Caption);
        return dialog;
    }
    case PromptRequest::Kind::Font: {
        auto dialog = std::make_unique<QFontDialog>(r.InitialFont, parent);
        dialog->setOption(QFontDialog::DontUseNativeDialog);
        if (!r.Caption.isEmpty())
            dialog->setWindowTitle(r.Caption);
        AddTextColor(*dialog, r.InitialFontColor);
        return dialog;
    }
    case PromptRequest::Kind::Dialog:
        break; // the caller's own dialog
    }
    return nullptr;
}

PromptResponder UserPrompt::SetResponder(PromptResponder responder)
{
    return std::exchange(Responder(), std::move(responder));
}

QMessageBox::StandardButton UserPrompt::Message(QWidget* parent, const QString& caption,
                                                const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::Icon icon)
{
    PromptRequest r;
    r.What = PromptRequest::Kind::Message;
    r.Caption = caption;
    r.Text = text;
    r.Buttons = buttons;
    r.Icon = icon;
    return Ask(parent, r).Button;
}

static QString AskFile(QWidget* parent, PromptRequest::Kind kind, const QString& caption,
                       const QString& filter, const QString& defaultSuffix,
                       const QString& initialDirectory, const QString& initialName,
                       bool confirmOverwrite)
{
    PromptRequest r;
    r.What = kind;
    r.Caption = caption;
    r.Filter = filter;
    r.DefaultSuffix = defaultSuffix;
    r.InitialDirectory = initialDirectory;
    r.InitialName = initialName;
    r.ConfirmOverwrite = confirmOverwrite;
    const PromptAnswer a = UserPrompt::Ask(parent, r);
    return a.Accepted ? a.Path : QString();
}

QString UserPrompt::OpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                                 const QString& defaultSuffix, const QString& initialDirectory,
                                 const QString& initialName)
{
    return AskFile(parent, PromptRequest::Kind::OpenFile, caption, filter, defaultSuffix,
                   initialDirectory, initialName, false);
}

QString UserPrompt::SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                 const QString& defaultSuffix, const QString& initialDirectory,
                                 const QString& initialName, bool confirmOverwrite)
{
    return AskFile(parent, PromptRequest::Kind::SaveFile, caption, filter, defaultSuffix,
                   initialDirectory, initialName, confirmOverwrite);
}

QString UserPrompt::FolderName(QWidget* parent, const QString& caption,
                               const QString& initialDirectory)
{
    return AskFile(parent, PromptRequest::Kind::Folder, caption, QString(), QString(),
                   initialDirectory, QString(), false);
}

bool UserPrompt::RunDialog(QDialog& dialog)
{
    PromptRequest r;
    r.What = PromptRequest::Kind::Dialog;
    r.Caption = dialog.windowTitle();
    r.Dialog = &dialog;
    if (Responder()) {
        dialog.setResult(QDialog::Rejected);
        dialog.show();
        const PromptAnswer a = Responder()(r);
        if (dialog.isVisible())
            dialog.done(a.Accepted ? QDialog::Accepted : QDialog::Rejected);
        return dialog.result() == QDialog::Accepted;
    }
    if (ModalDialogsForbidden() || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qCWarning(Log::Platform, "tonlyra: unanswered dialog \"%s\"", qUtf8Printable(r.Caption));
        dialog.done(QDialog::Rejected);
        return false;
    }
    return dialog.exec() == QDialog::Accepted;
}

void UserPrompt::ShowError(QWidget* parent, const QString& text)
{
    // Also in the program's log, where a carer's report of a failure can be followed up.
    qCWarning(Log::Platform, "tonlyra: %s", qUtf8Printable(QString(text).replace(u'\n', u' ')));
    Message(parent,
            QApplication::applicationDisplayName().isEmpty()
                ? QStringLiteral("Tonlyran")
                : QApplication::applicationDisplayName(),
            text, QMessageBox::Ok, QMessageBox::Critical);
}

QString UserPrompt::QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out.append(parts[i] + QStringLiteral(" (") + patterns + u')');
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace Tonlyra
