#include "input/Joysticks.h"

#include "platform/Logging.h"

#include <QMetaObject>

#include <SDL.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace Tonlyra {

namespace {

// After a change in /dev/input the devices are looked at a few more times: udev may give the
// new device node its access rights only a moment after it appears.
constexpr int SettleLooks = 8;
constexpr int SettleMs = 250;
// A device whose file cannot be watched is looked at this often instead.
constexpr int UnwatchedDevicePollMs = 4;
// Without /dev/input to watch (no input devices at all yet), new devices are looked for this
// often.
constexpr int UnwatchedFolderPollMs = 1000;

struct Device
{
    SDL_Joystick* Handle = nullptr;
    QString Name;
    int File = -1; // our own reading of its event file: it wakes the thread
    bool Virtual = false; // SDL's own device: whoever changes it wakes the thread
    std::set<int> Held; // switch ids of the buttons held down
};

} // namespace

struct Joysticks::Waiting
{
    int WakeFile = -1;   // an eventfd: Wake() and the end
    int DevicesDir = -1; // inotify on /dev/input
    std::atomic<bool> Ending{false};
    std::mutex Lock;
    std::condition_variable StartedOrFailed;
    bool Ready = false;
};

int Joysticks::SwitchIdOf(int device, int button)
{
    return 0x100000 + (device & 0xFFF) * 0x100 + (button & 0xFF);
}

Joysticks::Joysticks(QObject* parent) : QObject(parent), Wait(std::make_unique<Waiting>())
{
    Wait->WakeFile = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    Wait->DevicesDir = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (Wait->DevicesDir >= 0 &&
        inotify_add_watch(Wait->DevicesDir, "/dev/input", IN_CREATE | IN_DELETE | IN_ATTRIB) < 0) {
        close(Wait->DevicesDir);
        Wait->DevicesDir = -1;
    }
    Thread = std::thread([this] { Run(); });
    // The first look at the devices is done before the constructor returns, so that a device
    // present at the start works with the first press.
    std::unique_lock lock(Wait->Lock);
    Wait->StartedOrFailed.wait(lock, [this] { return Wait->Ready; });
}

Joysticks::~Joysticks()
{
    Wait->Ending = true;
    Wake();
    if (Thread.joinable())
        Thread.join();
    if (Wait->WakeFile >= 0)
        close(Wait->WakeFile);
    if (Wait->DevicesDir >= 0)
        close(Wait->DevicesDir);
}

void Joysticks::Wake()
{
    if (Wait->WakeFile < 0)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(Wait->WakeFile, &one, sizeof one);
}

void Joysticks::Run()
{
    // Qt owns the windows and the keyboard focus: SDL is to report buttons whatever window is
    // active (the player decides whether they act), and to leave the program's signals alone.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Gamepads through the kernel's event devices, whose files this thread can wait on.
    SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
    const bool started = SDL_Init(SDL_INIT_JOYSTICK) == 0;
    if (!started)
        qCWarning(Log::Input).noquote()
            << "No joysticks: SDL's joystick support could not start:" << SDL_GetError()
            << "- keys and mouse only";
    // To the Qt thread; what is still queued when this object goes is dropped with it.
    const auto post = [this](auto action) {
        QMetaObject::invokeMethod(
            this, [this, action = std::move(action)] { action(*this); }, Qt::QueuedConnection);
    };

    std::map<SDL_JoystickID, Device> devices;
    const auto look = [&] {
        SDL_Event event;
        SDL_JoystickUpdate();
        while (SDL_PollEvent(&event) > 0) {
            switch (event.type) {
            case SDL_JOYDEVICEADDED: {
                SDL_Joystick* handle = SDL_JoystickOpen(event.jdevice.which);
                if (!handle) {
                    qCWarning(Log::Input).noquote()
                        << "A joystick could not be opened:" << SDL_GetError();
                    break;
                }
                Device& device = devices[SDL_JoystickInstanceID(handle)];
                device.Handle = handle;
                device.Virtual = SDL_JoystickIsVirtual(event.jdevice.which);
                device.Name = QString::fromUtf8(SDL_JoystickName(handle));
                if (const char* path = SDL_JoystickPath(handle))
                    device.File = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                qCInfo(Log::Input).noquote()
                    << "Joystick" << device.Name << "with" << SDL_JoystickNumButtons(handle)
                    << "buttons";
                post([name = device.Name](Joysticks& j) { emit j.DeviceAdded(name); });
                break;
            }
            case SDL_JOYDEVICEREMOVED: {
                const auto found = devices.find(event.jdevice.which);
                if (found == devices.end())
                    break;
                Device& device = found->second;
                qCInfo(Log::Input).noquote() << "Joystick" << device.Name << "pulled out";
                for (const int id : device.Held)
                    post([id](Joysticks& j) { emit j.ButtonLost(id); });
                post([name = device.Name](Joysticks& j) { emit j.DeviceRemoved(name); });
                if (device.File >= 0)
                    close(device.File);
                SDL_JoystickClose(device.Handle);
                devices.erase(found);
                break;
            }
            case SDL_JOYBUTTONDOWN:
            case SDL_JOYBUTTONUP: {
                const auto found = devices.find(event.jbutton.which);
                if (found == devices.end())
                    break;
                Device& device = found->second;
                const bool down = event.type == SDL_JOYBUTTONDOWN;
                const int id = SwitchIdOf(event.jbutton.which, event.jbutton.button);
                if (down) {
                    device.Held.insert(id);
                } else {
                    device.Held.erase(id);
                    // SDL lets go of the held buttons of a device pulled out: no release
                    // that should act.
                    if (!SDL_JoystickGetAttached(device.Handle)) {
                        post([id](Joysticks& j) { emit j.ButtonLost(id); });
                        break;
                    }
                }
                const SwitchInput button =
                    SwitchInput::OfJoystick(event.jbutton.button + 1, device.Name);
                post([button, id, down](Joysticks& j) { emit j.ButtonChanged(button, id, down); });
                break;
            }
            default:
                break;
            }
        }
    };

    if (started) {
        look();
        if (devices.empty())
            qCInfo(Log::Input)
                << "No joystick or gamepad found (or no access to /dev/input): keys and mouse"
                   " only until one is plugged in";
        Started = true;
    }
    {
        std::lock_guard lock(Wait->Lock);
        Wait->Ready = true;
    }
    Wait->StartedOrFailed.notify_all();
    if (!started)
        return;

    int settle = 0;
    std::vector<pollfd> files;
    while (!Wait->Ending) {
        files.clear();
        files.push_back({Wait->WakeFile, POLLIN, 0});
        if (Wait->DevicesDir >= 0)
            files.push_back({Wait->DevicesDir, POLLIN, 0});
        bool unwatched = false;
        for (const auto& [id, device] : devices) {
            if (device.File >= 0)
                files.push_back({device.File, POLLIN, 0});
            else if (!device.Virtual)
                unwatched = true;
        }
        const int timeout = unwatched                ? UnwatchedDevicePollMs
                            : settle > 0             ? SettleMs
                            : Wait->DevicesDir < 0 ? UnwatchedFolderPollMs
                                                     : -1;
        const int ready = poll(files.data(), files.size(), timeout);
        if (ready == 0 && settle > 0)
            --settle;
        // What woke the thread is read away; SDL reads the devices' events from its own files.
        char buffer[4096];
        for (const pollfd& file : files) {
            if (!(file.revents & POLLIN))
                continue;
            while (read(file.fd, buffer, sizeof buffer) > 0) {
            }
            if (file.fd == Wait->DevicesDir)
                settle = SettleLooks;
        }
        if (!Wait->Ending)
            look();
    }
    for (auto& [id, device] : devices) {
        if (device.File >= 0)
            close(device.File);
        SDL_JoystickClose(device.Handle);
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    SDL_Quit();
}

} // namespace Tonlyra
