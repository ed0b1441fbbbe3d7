#include "platform/FocusKeeper.h"

#include "platform/Logging.h"
#include "platform/WindowActivation.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <bitset>
#include <cstdlib>

namespace Tonlyra {

namespace {

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

// The keysyms of the switches: space, Return and the keypad's Enter.
constexpr uint32_t SwitchKeysyms[] = {0x0020, 0xff0d, 0xff8d};

} // namespace

// The desktop's input, watched through a connection of our own to the X server, so that Qt's
// own event handling never sees these events. Raw events are sent to every client that asks
// for them, whatever window has the focus and whoever has grabbed the device, and take nothing
// from anyone.
struct FocusKeeper::InputWatch
{
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> Connection{nullptr,
                                                                            &xcb_disconnect};
    xcb_window_t Root = 0;
    uint8_t XInputOpcode = 0;
    uint32_t Events = 0;
    // The key codes that carry a switch key.
    std::bitset<256> SwitchKeys;

    bool Open()
    {
        Connection.reset(xcb_connect(nullptr, nullptr));
        xcb_connection_t* c = Connection.get();
        if (xcb_connection_has_error(c))
            return false;
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
        if (!extension || !extension->present)
            return false;
        XInputOpcode = extension->major_opcode;
        const XcbReply<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr),
            &std::free);
        if (!version || version->major_version < 2)
            return false;
        Events = XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                 XCB_INPUT_XI_EVENT_MASK_RAW_MOTION;
        if (version->major_version > 2 || version->minor_version >= 2)
            Events |= XCB_INPUT_XI_EVENT_MASK_RAW_TOUCH_BEGIN;
        Root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        ReadSwitchKeys();
        return true;
    }

    // Raw events come while on; off, the connection stays quiet (the program has the focus).
    void Watch(bool on)
    {
        struct
        {
            xcb_input_event_mask_t Head;
            uint32_t Bits;
        } mask = {};
        mask.Head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
        mask.Head.mask_len = 1;
        mask.Bits = on ? Events : 0;
        xcb_input_xi_select_events(Connection.get(), Root, 1, &mask.Head);
        xcb_flush(Connection.get());
    }

    void ReadSwitchKeys()
    {
        xcb_connection_t* c = Connection.get();
        const xcb_setup_t* setup = xcb_get_setup(c);
        const int first = setup->min_keycode;
        const int count = setup->max_keycode - first + 1;
        const XcbReply<xcb_get_keyboard_mapping_reply_t> mapping(
            xcb_get_keyboard_mapping_reply(
                c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(count)), nullptr),
            &std::free);
        SwitchKeys.reset();
        if (!mapping || mapping->keysyms_per_keycode == 0)
            return;
        const int perKey = mapping->keysyms_per_keycode;
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
        const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
        for (int i = 0; i < length; ++i) {
            for (const uint32_t keysym : SwitchKeysyms) {
                if (keysyms[i] == keysym)
                    SwitchKeys.set(size_t(first + i / perKey));
            }
        }
    }

    // Reads every event that has come; true when one was a movement, click, touch or key
    // other than a switch key.
    bool ReadEvents()
    {
        xcb_connection_t* c = Connection.get();
        bool worked = false;
        bool remap = false;
        for (;;) {
            const XcbReply<xcb_generic_event_t> event(xcb_poll_for_event(c), &std::free);
            if (!event) {
                if (!remap)
                    break;
                // The keyboard's mapping changed: the switch keys may sit on other key codes.
                // (Events read meanwhile wait in the queue for the next round.)
                remap = false;
                ReadSwitchKeys();
                continue;
            }
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_MAPPING_NOTIFY) {
                remap = true;
            } else if (type == XCB_GE_GENERIC) {
                const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event.get());
                if (generic->extension != XInputOpcode)
                    continue;
                if (generic->event_type == XCB_INPUT_RAW_KEY_PRESS) {
                    const auto* key =
                        reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event.get());
                    if (key->detail < SwitchKeys.size() && SwitchKeys.test(key->detail))
                        continue;
                }
                worked = true;
            }
        }
        return worked;
    }
};

FocusKeeper::FocusKeeper(WindowChooser windowToActivate, QObject* parent)
    : QObject(parent), WindowToActivate(std::move(windowToActivate))
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    IdleTimer = new QTimer(this);
    IdleTimer->setSingleShot(true);
    IdleTimer->setInterval(IdleDelay);
    connect(IdleTimer, &QTimer::timeout, this, &FocusKeeper::TimeUp);

    Input = std::make_unique<InputWatch>();
    if (Input->Open()) {
        auto* notifier = new QSocketNotifier(xcb_get_file_descriptor(Input->Connection.get()),
                                             QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
            if (xcb_connection_has_error(Input->Connection.get())) {
                // The server is gone; the program ends with it.
                notifier->setEnabled(false);
                return;
            }
            if (Input->ReadEvents())
                SomeoneWorks();
        });
    } else {
        qCWarning(Log::Focus,
                  "Focus: the X server has no XInput 2; the focus is taken back from other "
                  "programs' windows %d ms after they took it, whoever works in them",
                  IdleDelay);
        Input.reset();
    }

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
            &FocusKeeper::FocusWindowChanged);
    // Also at the start: a window that never got the focus (another program's came first) is
    // given it.
    FocusWindowChanged(QGuiApplication::focusWindow());
}

FocusKeeper::~FocusKeeper() = default;

bool FocusKeeper::WatchesInput() const
{
    return Input != nullptr;
}

void FocusKeeper::FocusWindowChanged(QWindow* window)
{
    if (window) {
        LastFocused = window;
        IdleTimer->stop();
    } else {
        IdleTimer->start();
    }
    if (Input)
        Input->Watch(!window);
}

void FocusKeeper::SomeoneWorks()
{
    if (IdleTimer->isActive())
        IdleTimer->start();
}

void FocusKeeper::TimeUp()
{
    if (QGuiApplication::focusWindow())
        return;
    QWindow* window = WindowToActivate(LastFocused);
    if (window && window->isVisible())
        ActivateWindow(window->winId());
    // Again after the next quiet while, until a window of ours has the focus.
    IdleTimer->start();
}

} // namespace Tonlyra
