#pragma once

#include <QByteArray>
#include <QString>

struct termios;

namespace Tonlyra {

// Writes IR command frames to the transmitter on a serial port. Every frame opens the port
// afresh, sets 9600 baud, even parity and one stop bit (everything else stays as the port had
// it), writes its nine bytes and closes the port again; nothing is kept open between frames.
//
// Ports are named "COM1" to "COM6" as overlay files store them. Each name maps to a device:
// $TONLYRA_COM1 .. $TONLYRA_COM6 when set and not empty, else /dev/ttyS0 .. /dev/ttyS5.
//
// Sending never blocks the program and never asks the user: a missing or busy port, or a
// device that is not a terminal, makes the frame not arrive, with one line on stderr. A port
// that does not take every setting is noted on stderr and still gets the frame. The result
// says what happened.
class IRTransmitter
{
public:
    struct Result
    {
        bool Ok = false;
        QString Error; // the reason, with the device path and the system's message
    };

    // The device path of a port name, or an empty string for a name outside "COM1".."COM6".
    static QString DevicePath(const QString& portName);

    // The command frame: the eight characters of the command text and a zero byte.
    static QByteArray CommandFrame(const QString& irString);
    // The stop frame: "!" and eight zero bytes.
    static QByteArray StopFrame();

    static constexpr int FrameSize = 9;

    // Sets 9600 baud, even parity and one stop bit in a port's settings and leaves every other
    // setting (data bits, handshaking, ...) as it is.
    static void SetFrameLineSettings(termios& settings);

    // Writes one frame to the port with the given name.
    Result SendFrame(const QString& portName, const QByteArray& frame);
    // Writes one frame to a device path (the work behind SendFrame).
    Result SendFrameToDevice(const QString& devicePath, const QByteArray& frame);
};

} // namespace Tonlyra
