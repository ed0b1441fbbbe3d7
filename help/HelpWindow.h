#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace Tonlyra {

// The program's help: a window that shows the Swedish HTML manual, opened at a topic
// ("" for the contents, "Kora", "Media", "Anpassning").
//
// The manual is looked for first in the help location beside the start directory (a folder
// "CDManual.hlp" holding index.html and one <topic>.html per topic, so a site can ship its own
// manual), then in the manual compiled into the program.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the window at topic. When no manual holds the topic, reports it through the
    // general error box and returns false; the window is then left as it was.
    bool ShowTopic(const QString& topic);

    // The file that shows topic: from the manual at helpFile if it has one, else from the
    // built-in manual; empty when neither has it.
    static QString TopicSource(const QString& helpFile, const QString& topic);

    QTextBrowser* Browser() const { return View; }

protected:
    // Esc closes the window, as it closes the program's dialogs.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* View = nullptr;
};

// The help location; the player sets it at start to the start directory + "/CDManual.hlp".
QString HelpFile();
void SetHelpFile(const QString& path);

// Opens the program's one help window at topic (created on first use). It belongs to parent's
// window, so that help opened from a modal window can be used while that window is open.
// Returns false when the topic could not be shown (the user has been told).
bool ShowHelp(QWidget* parent, const QString& topic);

// The help window, once ShowHelp has created it; otherwise nullptr.
HelpWindow* CurrentHelpWindow();

} // namespace Tonlyra
