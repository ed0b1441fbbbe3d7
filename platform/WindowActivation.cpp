#include "platform/WindowActivation.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace Tonlyra {

namespace {

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

// Qt's own connection to the X server; null on other platforms.
xcb_connection_t* Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t RootOf(xcb_connection_t* c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The 32-bit values of a property (windows, atoms, cardinals).
std::vector<uint32_t> Property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                 xcb_atom_t type)
{
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 65536),
                               nullptr),
        &std::free);
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<uint32_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

// Asks for one window to be activated; the caller flushes.
void Activate(xcb_connection_t* c, xcb_window_t window)
{
    const xcb_window_t root = RootOf(c);
    const xcb_atom_t activeWindow = Atom(c, "_NET_ACTIVE_WINDOW");
    const std::vector<uint32_t> supported =
        Property32(c, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    if (std::find(supported.begin(), supported.end(), activeWindow) != supported.end()) {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = activeWindow;
        event.data.data32[0] = 2; // the request comes from a pager: honoured as the user's
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    } else {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    }
}

} // namespace

bool ActivateWindow(WId window)
{
    xcb_connection_t* c = Connection();
    if (!c || !window)
        return false;
    Activate(c, xcb_window_t(window));
    xcb_flush(c);
    return true;
}

bool RaiseWindowsOfProcess(qint64 pid)
{
    xcb_connection_t* c = Connection();
    if (!c || pid <= 0)
        return false;
    const xcb_window_t root = RootOf(c);
    const xcb_atom_t wmPid = Atom(c, "_NET_WM_PID");

    // The managed windows, or without a window manager every top-level window.
    std::vector<uint32_t> windows =
        Property32(c, root, Atom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    if (windows.empty()) {
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), &std::free);
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
    }

    bool raised = false;
    for (const xcb_window_t window : windows) {
        const std::vector<uint32_t> owner = Property32(c, window, wmPid, XCB_ATOM_CARDINAL);
        if (owner.empty() || owner.front() != uint32_t(pid))
            continue;
        Activate(c, window);
        raised = true;
    }
    xcb_flush(c);
    return raised;
}

} // namespace Tonlyra
