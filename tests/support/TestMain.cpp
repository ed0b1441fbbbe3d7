// The main of every test program: a QApplication on the offscreen platform (set by ctest), no
// modal dialog ever shown, libcdio errors logged instead of ending the process, and the
// Swedish interface of the program.

#include "i18n/SwedishApplication.h"
#include "platform/CdDrives.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TONLYRA_NO_MODAL", "1");
    Tonlyra::Cd::InstallLogHandler();
    Tonlyra::SwedishApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
