#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace Tonlyra::Test {

// A pseudo-terminal standing in for the transmitter's serial port: frames written to the
// slave side are read back from the master side.
class FakePort
{
public:
    FakePort()
    {
        char name[128] = {};
        if (::openpty(&Master, &Slave, name, nullptr, nullptr) == 0)
            Path = QString::fromLocal8Bit(name);
        ::fcntl(Master, F_SETFL, ::fcntl(Master, F_GETFL) | O_NONBLOCK);
    }
    ~FakePort()
    {
        ::close(Master);
        ::close(Slave);
    }
    FakePort(const FakePort&) = delete;
    FakePort& operator=(const FakePort&) = delete;

    // Everything that arrives within the wait; returns once `expected` bytes are in.
    QByteArray Read(int expected, int waitMs = 2000)
    {
        QByteArray got;
        while (got.size() < expected) {
            pollfd p{Master, POLLIN, 0};
            if (::poll(&p, 1, waitMs) <= 0)
                break;
            char buffer[256];
            const ssize_t n = ::read(Master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, n);
        }
        return got;
    }
    termios Settings() const
    {
        termios t{};
        ::tcgetattr(Slave, &t);
        return t;
    }

    int Master = -1;
    int Slave = -1;
    QString Path;
};

} // namespace Tonlyra::Test
