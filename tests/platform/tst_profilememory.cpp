// A damaged or hostile profile file costs memory in proportion to its size, never an abort:
// each kind of expensive file is read as the document it poses as, written back and saved, and
// the peak memory that took is measured.

#include "tests/platform/HostileProfiles.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace Tonlyra::Test;

TEST(ProfileMemory, HostileFilesCostAtMostEightTimesTheirSize)
{
    // bench_documents measures the same at the largest size a file may have.
    constexpr qsizetype Size = 8 * 1024 * 1024;
    constexpr double AllowedMb = 8.0 * Size / (1024 * 1024) + 16;
    TempDir dir;
    for (const HostileProfile& profile : HostileProfiles()) {
        SCOPED_TRACE(profile.Name);
        const QString path = dir.File("hostile.cdu");
        WriteAll(path, profile.Make(Size));
        const HostileFigures figures = MeasureHostile(profile, path, dir.File("saved.cdu"));
        ASSERT_TRUE(figures.Done);
        EXPECT_LE(figures.PeakMb, AllowedMb);
        std::printf("%-28s %7.1f MB peak  %6.2f s\n", profile.Name, figures.PeakMb,
                    figures.Seconds);
    }
}
