#include "platform/SeatKeyboard.h"

#include <QGuiApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <map>
#include <string_view>

namespace Tonlyra {

namespace {

// The seats the compositor announces, and their capabilities, kept up to date as long as the
// connection lasts. It belongs to the application object, and ends with it.
class SeatWatch : public QObject
{
public:
    explicit SeatWatch(QObject* parent) : QObject(parent)
    {
        Display = wl_display_connect(nullptr);
        if (!Display)
            return;
        Registry = wl_display_get_registry(Display);
        wl_registry_add_listener(Registry, &RegistryListener, this);
        // The first round trip announces the seats, the second their capabilities.
        if (wl_display_roundtrip(Display) < 0 || wl_display_roundtrip(Display) < 0) {
            Close();
            return;
        }
        Notifier = new QSocketNotifier(wl_display_get_fd(Display), QSocketNotifier::Read, this);
        connect(Notifier, &QSocketNotifier::activated, this, [this] { Read(); });
    }

    ~SeatWatch() override { Close(); }

    bool HasKeyboard()
    {
        if (!Display)
            return true;
        wl_display_dispatch_pending(Display);
        for (const auto& [seat, capabilities] : Seats) {
            if (capabilities & WL_SEAT_CAPABILITY_KEYBOARD)
                return true;
        }
        return false;
    }

private:
    void Read()
    {
        // The compositor has gone: nothing more is known, and the window's activation is left
        // to say whether the user works in the player.
        if (wl_display_dispatch(Display) < 0)
            Close();
    }

    void Close()
    {
        delete Notifier;
        Notifier = nullptr;
        for (const auto& [seat, capabilities] : Seats)
            wl_seat_destroy(seat);
        Seats.clear();
        if (Registry)
            wl_registry_destroy(Registry);
        Registry = nullptr;
        if (Display)
            wl_display_disconnect(Display);
        Display = nullptr;
    }

    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t)
    {
        auto* self = static_cast<SeatWatch*>(data);
        if (std::string_view(interface) != wl_seat_interface.name)
            return;
        auto* seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        self->Seats[seat] = 0;
        self->Names[name] = seat;
        wl_seat_add_listener(seat, &SeatListener, self);
    }

    static void GlobalRemove(void* data, wl_registry*, uint32_t name)
    {
        auto* self = static_cast<SeatWatch*>(data);
        const auto found = self->Names.find(name);
        if (found == self->Names.end())
            return;
        self->Seats.erase(found->second);
        wl_seat_destroy(found->second);
        self->Names.erase(found);
    }

    static void Capabilities(void* data, wl_seat* seat, uint32_t capabilities)
    {
        static_cast<SeatWatch*>(data)->Seats[seat] = capabilities;
    }

    static void Name(void*, wl_seat*, const char*) {}

    static constexpr wl_registry_listener RegistryListener{&Global, &GlobalRemove};
    static constexpr wl_seat_listener SeatListener{&Capabilities, &Name};

    wl_display* Display = nullptr;
    wl_registry* Registry = nullptr;
    std::map<wl_seat*, uint32_t> Seats;
    std::map<uint32_t, wl_seat*> Names;
    QSocketNotifier* Notifier = nullptr;
};

} // namespace

bool SeatHasKeyboard()
{
    if (QGuiApplication::platformName() != QStringLiteral("wayland"))
        return true;
    static QPointer<SeatWatch> watch;
    if (!watch)
        watch = new SeatWatch(qApp);
    return watch->HasKeyboard();
}

} // namespace Tonlyra
