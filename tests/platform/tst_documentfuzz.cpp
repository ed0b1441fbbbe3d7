// Feeds thousands of damaged and random files through the profile layer and both document
// readers: nothing may crash, every result must stay within its limits, and what the program
// writes into such a file must read back as written.

#include "overlay/MediaOverlay.h"
#include "platform/ProfileFile.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettings.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using Tonlyra::ProfileFile;

namespace {

// Pieces that steer the mutations towards what the readers look at.
const char* const Fragments[] = {"[Overlay]",
                                 "[Media]",
                                 "[media ]",
                                 "[Texts]",
                                 "[StartPositions]",
                                 "[Bilder]",
                                 "[Font]",
                                 "[Input settings]",
                                 "[Extended settings]",
                                 "[Presentation settings]",
                                 "Rows=",
                                 "Cols=",
                                 "Rows=-7",
                                 "Cols=99999999",
                                 "1=",
                                 "2=x",
                                 "3=\"q\"",
                                 "0x",
                                 "$FFFFFFFF",
                                 "-2147483648",
                                 "2147483648",
                                 "Mouse=1",
                                 "Mouse=0",
                                 "Arrow-keys=1",
                                 "Key repetition=1",
                                 "Act on key down=0",
                                 "Execute on key up=1",
                                 "Spacing=",
                                 "Scan delay time=",
                                 "=",
                                 "[",
                                 "]",
                                 ";",
                                 "\"",
                                 "'",
                                 "\r",
                                 "\n",
                                 "\r\n",
                                 "\xEF\xBB\xBF",
                                 "\xC3",
                                 "\xF6",
                                 "\x80",
                                 "\0",
                                 " ",
                                 "\t",
                                 "Sound=1",
                                 "Name=",
                                 "Size=-1",
                                 "Color=$"};

QByteArray SeedOverlay()
{
    MediaOverlay o;
    o.CDIdentity = "id";
    o.LayoutCells(3, 3, true);
    for (int k = 1; k <= o.N(); ++k) {
        OverlayCell& c = *o.Cell(k);
        c = {QString::number(k),
             "SoundFile",
             "/p/" + QString::number(k) + ".png",
             "Text",
             "Ur vald media",
             k,
             k * 10,
             -1,
             5,
             "COM1"};
    }
    ProfileFile file;
    o.WriteTo(file);
    return file.ToBytes();
}

QByteArray SeedSettings()
{
    UserSettings s;
    s.ControlMode = ControlMode::TwoSwitchControl;
    s.KeyRepetition = true;
    s.ExecuteOnKeyUp = true;
    ProfileFile file;
    Tonlyra::WriteUserSettings(s, file);
    return file.ToBytes();
}

QByteArray Mutate(QByteArray bytes, QRandomGenerator& rng)
{
    const int steps = 1 + rng.bounded(8);
    for (int i = 0; i < steps; ++i) {
        const int at = bytes.isEmpty() ? 0 : rng.bounded(bytes.size() + 1);
        switch (rng.bounded(6)) {
        case 0: // flip a byte
            if (!bytes.isEmpty())
                bytes[rng.bounded(bytes.size())] = char(rng.bounded(256));
            break;
        case 1: { // insert a fragment
            const char* f = Fragments[rng.bounded(int(std::size(Fragments)))];
            bytes.insert(at, QByteArray(f, f[0] ? int(strlen(f)) : 1));
            break;
        }
        case 2: // cut a stretch
            bytes.remove(at, rng.bounded(64));
            break;
        case 3: // repeat a stretch
            bytes.insert(at, bytes.mid(at, rng.bounded(200)));
            break;
        case 4: // random bytes
            for (int n = rng.bounded(16); n > 0; --n)
                bytes.insert(at, char(rng.bounded(256)));
            break;
        case 5: // a long line
            bytes.insert(at, QByteArray(rng.bounded(3000), char('a' + rng.bounded(26))));
            break;
        }
    }
    return bytes;
}

UserSettings RandomSettings(QRandomGenerator& rng)
{
    UserSettings s;
    s.ControlMode = static_cast<ControlMode>(rng.bounded(10) - 1);
    s.PlaySound = rng.bounded(2);
    s.KeyRepetition = rng.bounded(2);
    s.ActOnKeyDown = rng.bounded(2);
    s.ExecuteOnKeyUp = rng.bounded(2);
    return s;
}

} // namespace

TEST(DocumentFuzz, DamagedFilesReadSafelyAndTakeWritesFaithfully)
{
    QRandomGenerator rng(20261209);
    const QByteArray seeds[] = {SeedOverlay(), SeedSettings(), QByteArray()};
    const qint32 scanMaxima[] = {5000, 60000, 300000};
    for (int round = 0; round < 3000; ++round) {
        const QByteArray input = Mutate(seeds[round % 3], rng);
        SCOPED_TRACE(round);

        // The profile layer: saving and reading again keeps every section, key and value.
        ProfileFile file;
        file.FromBytes(input);
        ProfileFile again;
        again.FromBytes(file.ToBytes());
        ASSERT_EQ(again.Sections(), file.Sections());
        for (const QString& section : file.Sections()) {
            ASSERT_EQ(again.Keys(section), file.Keys(section));
            for (const QString& key : file.Keys(section))
                ASSERT_EQ(again.ReadString(section, key), file.ReadString(section, key));
        }

        // The overlay reader stays within its limits...
        MediaOverlay overlay;
        overlay.Load(file);
        ASSERT_GE(overlay.Rows, 0);
        ASSERT_LE(overlay.Rows, MediaOverlay::MaxRowsOrCols);
        ASSERT_LE(overlay.Cols, MediaOverlay::MaxRowsOrCols);
        ASSERT_EQ(overlay.N(), overlay.Rows * overlay.Cols);
        for (const OverlayCell& c : overlay.AllCells())
            ASSERT_LE(c.Text.size(), Tonlyra::MaxProfileValueLength);
        // ...and what it read, written into the damaged file, reads back the same.
        ProfileFile written;
        written.FromBytes(input);
        overlay.WriteTo(written);
        ProfileFile reread;
        reread.FromBytes(written.ToBytes());
        MediaOverlay back;
        back.Load(reread);
        ASSERT_EQ(back, overlay);

        // The settings reader keeps the ranges and the execute-on-key-up rule whatever the
        // settings held before, and its result survives a save into the same file.
        const qint32 scanMaximum = scanMaxima[rng.bounded(3)];
        UserSettings settings = RandomSettings(rng);
        Tonlyra::ReadUserSettings(settings, file, scanMaximum);
        ASSERT_GE(settings.ScanDelayTime, Tonlyra::MinScanDelayTime);
        ASSERT_LE(settings.ScanDelayTime, scanMaximum);
        ASSERT_GE(settings.KeyRepetitionDelayTime, Tonlyra::MinKeyRepetitionDelayTime);
        ASSERT_LE(settings.KeyRepetitionDelayTime, Tonlyra::MaxKeyRepetitionDelayTime);
        ASSERT_GE(settings.Spacing, Tonlyra::MinSpacing);
        ASSERT_LE(settings.Spacing, Tonlyra::MaxSpacing);
        ASSERT_TRUE(!settings.ExecuteOnKeyUp ||
                    (settings.KeyRepetition && settings.ControlMode != ControlMode::ArrowControl));
        ProfileFile settingsFile;
        settingsFile.FromBytes(input);
        Tonlyra::WriteUserSettings(settings, settingsFile);
        ProfileFile settingsReread;
        settingsReread.FromBytes(settingsFile.ToBytes());
        UserSettings settingsBack = settings;
        Tonlyra::ReadUserSettings(settingsBack, settingsReread, scanMaximum);
        ASSERT_EQ(settingsBack, settings);
    }
}
