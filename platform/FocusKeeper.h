#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QTimer;
class QWindow;

namespace Tonlyra {

// Wins the focus back for a window of ours that another program's window (a notification, an
// update dialog, a chat popup) has taken it from, once nobody works in that window: no pointer
// movement, click, touch or key for IdleDelay. The switch keys (space, Enter) do not count as
// work there: a switch user who presses them finds the presses going to the other window, and
// must not keep it there by trying.
//
// Only on X11, where the input of every device is watched without taking it from anyone
// (XInput 2 raw events on the root window, through a connection of its own). Where the server
// lacks XInput 2 the focus is taken back IdleDelay after it went. On other platforms (Wayland,
// where no program may take the activation for itself) it does nothing.
class FocusKeeper : public QObject
{
    Q_OBJECT
public:
    // How long the other window must go without work before the focus is taken back, in ms.
    static constexpr int IdleDelay = 3000;

    // windowToActivate is asked when the time has come, with the window of ours that had the
    // focus last (nullptr when none has had it yet); it returns the window to activate, or
    // nullptr to leave the focus where it is.
    using WindowChooser = std::function<QWindow*(QWindow* lastFocused)>;
    explicit FocusKeeper(WindowChooser windowToActivate, QObject* parent = nullptr);
    ~FocusKeeper() override;

    // Whether the desktop's input is watched (X11 with XInput 2).
    bool WatchesInput() const;

private:
    struct InputWatch;
    void FocusWindowChanged(QWindow* window);
    void SomeoneWorks();
    void TimeUp();

    WindowChooser WindowToActivate;
    QPointer<QWindow> LastFocused;
    QTimer* IdleTimer = nullptr;
    std::unique_ptr<InputWatch> Input;
};

} // namespace Tonlyra
