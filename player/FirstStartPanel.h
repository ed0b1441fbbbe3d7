#pragma once

#include <QFrame>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;

namespace Tonlyra {

// What the player window shows when it has no overlay to show: a line saying so and the two
// next steps as large buttons, "Öppna demot" and "Skapa ett överlägg". The buttons take the
// keyboard themselves, whatever the control mode: the demo button has the focus, space or Enter
// (a switch) presses the one with the focus, the arrow keys and Tab move between them, and
// either can be clicked. The focused button wears a thick yellow frame.
class FirstStartPanel : public QFrame
{
    Q_OBJECT
public:
    explicit FirstStartPanel(QWidget* parent);

    QLabel* Message = nullptr;
    QPushButton* DemoButton = nullptr;
    QPushButton* EditorButton = nullptr;

    std::function<void()> OnOpenDemo;
    std::function<void()> OnCreateOverlay;

    // The message for the overlay file in force (empty when none is open).
    void ShowFor(const QString& overlayFile);

    // The overlay of the user's copy of the demo: the installed demo ("demo/" in the installed
    // data folder) is copied into "Demo/" of the user's data folder the first time, file by file
    // (files already there are kept, so that a carer's changes to the copy stay). The copy's
    // overlay names its pictures and sounds relative to itself. Empty, with error set to a
    // Swedish message, when there is no installed demo or the copy fails.
    static QString UserDemoOverlay(QString* error);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

} // namespace Tonlyra
