#include "media/IRTransmitter.h"
#include "tests/media/tst_irfakeport.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using Tonlyra::IRTransmitter;
using Tonlyra::Test::FakePort;

namespace {

const QByteArray CommandBytes("!S 2B 14\0", 9);
const QByteArray StopBytes("!\0\0\0\0\0\0\0\0", 9);

} // namespace

TEST(IRTransmitter, FramesAreNineBytes)
{
    EXPECT_EQ(IRTransmitter::CommandFrame("!S 2B 14"), CommandBytes);
    EXPECT_EQ(IRTransmitter::StopFrame(), StopBytes);
}

TEST(IRTransmitter, PortNamesMapToDevices)
{
    qunsetenv("TONLYRA_COM2");
    qputenv("TONLYRA_COM3", "/dev/ttyUSB0");
    qputenv("TONLYRA_COM4", "");
    EXPECT_EQ(IRTransmitter::DevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(IRTransmitter::DevicePath("COM2"), "/dev/ttyS1");
    EXPECT_EQ(IRTransmitter::DevicePath("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(IRTransmitter::DevicePath("COM4"), "/dev/ttyS3"); // empty means not set
    EXPECT_EQ(IRTransmitter::DevicePath("COM6"), "/dev/ttyS5");
    for (const char* name : {"COM7", "com1", "", "COM0", "COM1 "})
        EXPECT_TRUE(IRTransmitter::DevicePath(name).isEmpty()) << name;
    qunsetenv("TONLYRA_COM3");
    qunsetenv("TONLYRA_COM4");
}

TEST(IRTransmitter, LineSettingsChangeOnlySpeedParityAndStopBits)
{
    termios t{};
    t.c_cflag = CS7 | CRTSCTS | CREAD | CLOCAL | PARODD | CSTOPB | CMSPAR;
    t.c_iflag = IXON;
    ::cfsetospeed(&t, B115200);
    ::cfsetispeed(&t, B115200);
    IRTransmitter::SetFrameLineSettings(t);
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(::cfgetispeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB)); // even parity
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_cflag & (CSIZE | CRTSCTS | CREAD | CLOCAL),
              tcflag_t(CS7 | CRTSCTS | CREAD | CLOCAL));
    EXPECT_EQ(t.c_iflag, tcflag_t(IXON));
}

TEST(IRTransmitter, WritesFramesToThePortAndConfiguresIt)
{
    FakePort port;
    ASSERT_FALSE(port.Path.isEmpty());
    termios before = port.Settings();
    ::cfsetospeed(&before, B115200);
    before.c_cflag |= CSTOPB | PARODD | CRTSCTS;
    ASSERT_EQ(::tcsetattr(port.Slave, TCSANOW, &before), 0);

    IRTransmitter transmitter;
    qputenv("TONLYRA_COM5", port.Path.toLocal8Bit());
    EXPECT_TRUE(transmitter.SendFrame("COM5", CommandBytes).Ok);
    EXPECT_TRUE(transmitter.SendFrame("COM5", StopBytes).Ok);
    qunsetenv("TONLYRA_COM5");
    EXPECT_EQ(port.Read(18), CommandBytes + StopBytes);

    // A pseudo-terminal keeps no parity flag of its own, so only speed, parity sense, stop
    // bits and the untouched handshake can be read back from it.
    const termios after = port.Settings();
    EXPECT_EQ(::cfgetospeed(&after), speed_t(B9600));
    EXPECT_EQ(after.c_cflag & (PARODD | CSTOPB), 0u);
    EXPECT_EQ(after.c_cflag & CRTSCTS, tcflag_t(CRTSCTS));
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
}

TEST(IRTransmitter, UnusablePortsFailQuietlyWithoutWaiting)
{
    Tonlyra::Test::TempDir dir;
    Tonlyra::Test::ScriptedPrompts prompts; // any message box would fail the test
    const QString fifo = dir.File("fifo");  // no reader: a blocking open would never return
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString plain = dir.File("plain");
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    FakePort busy;
    ASSERT_EQ(::flock(busy.Slave, LOCK_EX | LOCK_NB), 0); // another program holds the port

    IRTransmitter transmitter;
    for (const QString& path : {dir.File("missing"), fifo, plain, busy.Path}) {
        const IRTransmitter::Result result = transmitter.SendFrameToDevice(path, CommandBytes);
        EXPECT_FALSE(result.Ok) << path.toStdString();
        EXPECT_TRUE(result.Error.contains(path)) << result.Error.toStdString();
    }
    EXPECT_FALSE(transmitter.SendFrame("COM7", CommandBytes).Ok);

    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "keep");
    EXPECT_TRUE(busy.Read(1, 100).isEmpty());
    EXPECT_TRUE(prompts.Asked().empty());
}
