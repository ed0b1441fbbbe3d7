#include "platform/HelperProgram.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace Tonlyra {

namespace {

// The program's file: one named with a folder must be an executable file there, a bare name is
// looked for on the PATH.
QString FindProgram(const QString& program)
{
    if (program.isEmpty())
        return QString();
    if (program.contains(u'/')) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

// ---- X11 ----

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

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

} // namespace

bool RaiseWindowsOfProcess(qint64 pid)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || pid <= 0)
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t clientList = Atom(c, "_NET_CLIENT_LIST");
    const xcb_atom_t wmPid = Atom(c, "_NET_WM_PID");
    const xcb_atom_t activeWindow = Atom(c, "_NET_ACTIVE_WINDOW");
    const std::vector<uint32_t> supported =
        Property32(c, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    const bool windowManagerActivates =
        std::find(supported.begin(), supported.end(), activeWindow) != supported.end();

    // The managed windows, or without a window manager every top-level window.
    std::vector<uint32_t> windows = Property32(c, root, clientList, XCB_ATOM_WINDOW);
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
        if (windowManagerActivates) {
            xcb_client_message_event_t event = {};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = window;
            event.type = activeWindow;
            event.data.data32[0] = 2; // the request comes from a pager: honoured as the user's
            event.data.data32[1] = XCB_CURRENT_TIME;
            xcb_send_event(c, 0, root,
                           XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                               XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&event));
        } else {
            const uint32_t above = XCB_STACK_MODE_ABOVE;
            xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
            xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        }
        raised = true;
    }
    xcb_flush(c);
    return raised;
}

HelperProgram::HelperProgram(const QString& environmentVariable, const QList<QStringList>& defaults,
                             QObject* parent)
    : QObject(parent), Variable(environmentVariable)
{
    if (qEnvironmentVariableIsSet(Variable.toLatin1().constData())) {
        CommandLine = QProcess::splitCommand(qEnvironmentVariable(Variable.toLatin1().constData()));
        Path = FindProgram(CommandLine.value(0));
    } else {
        for (const QStringList& command : defaults) {
            Path = FindProgram(command.value(0));
            if (!Path.isEmpty()) {
                CommandLine = command;
                break;
            }
        }
    }
    if (Path.isEmpty())
        CommandLine.clear();
}

HelperProgram::~HelperProgram()
{
    // QProcess's own destructor kills a program still running and waits for it.
    delete Process;
}

bool HelperProgram::IsRunning() const
{
    return Process && Process->state() != QProcess::NotRunning;
}

qint64 HelperProgram::ProcessId() const
{
    return IsRunning() ? Process->processId() : 0;
}

bool HelperProgram::StartOrRaise()
{
    Error.clear();
    if (IsRunning())
        return RaiseWindowsOfProcess(Process->processId());
    if (!IsAvailable()) {
        Error = QStringLiteral("Programmet finns inte");
        return false;
    }
    delete Process; // one that has ended
    Process = new QProcess;
    Process->setProgram(Path);
    Process->setArguments(CommandLine.mid(1));
    Process->setStandardInputFile(QProcess::nullDevice());
    // Its messages go where ours go; unread pipes would fill and stall it.
    Process->setProcessChannelMode(QProcess::ForwardedChannels);
    Process->start();
    if (!Process->waitForStarted(5000)) {
        Error = Process->errorString();
        return false;
    }
    return true;
}

void HelperProgram::End()
{
    if (!IsRunning())
        return;
    Process->terminate();
    const QPointer<QProcess> process(Process);
    QTimer::singleShot(2000, this, [process] {
        if (process && process->state() != QProcess::NotRunning)
            process->kill();
    });
}

} // namespace Tonlyra
