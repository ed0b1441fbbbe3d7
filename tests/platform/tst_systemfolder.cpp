// The system folders: the user's own first, then the one installed with the program, where a
// site puts picture bases for all users.

#include "platform/SystemFolder.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// Sets an environment variable for the lifetime of the object (an empty value unsets it).
class EnvironmentOverride
{
public:
    EnvironmentOverride(const char* name, const QString& value)
        : Name(name), WasSet(qEnvironmentVariableIsSet(name)), Was(qgetenv(name))
    {
        if (value.isEmpty())
            qunsetenv(Name);
        else
            qputenv(Name, value.toLocal8Bit());
    }
    ~EnvironmentOverride()
    {
        if (WasSet)
            qputenv(Name, Was);
        else
            qunsetenv(Name);
    }

private:
    const char* Name;
    bool WasSet;
    QByteArray Was;
};

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
}

} // namespace

TEST(SystemFolder, TheOverrideAloneWhenSet)
{
    Tonlyra::Test::TempDir dir;
    EnvironmentOverride system("TONLYRA_SYSTEM_DIR", dir.Path() + "/sys/");
    EXPECT_EQ(Tonlyra::SystemFolder(), dir.Path() + "/sys");
    EXPECT_EQ(Tonlyra::SystemFolders(), QStringList{dir.Path() + "/sys"});
    EXPECT_EQ(Tonlyra::SystemFilePath("glosa_txt.ini"), dir.Path() + "/sys/glosa_txt.ini");
}

TEST(SystemFolder, TheUsersFolderThenTheInstalledOne)
{
    Tonlyra::Test::TempDir home;
    EnvironmentOverride system("TONLYRA_SYSTEM_DIR", QString());
    EnvironmentOverride data("XDG_DATA_HOME", home.Path());
    const QString user = home.Path() + "/tonlyran";
    // The installed folder of a program in <prefix>/bin is <prefix>/share/tonlyran; the test
    // programs run in the build's bin folder, so it is the build's share/tonlyran.
    const QString installed =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/tonlyran");
    ASSERT_EQ(Tonlyra::SystemFolders(), QStringList({user, installed}));

    ASSERT_TRUE(QDir().mkpath(user));
    const bool madeInstalled = !QDir(installed).exists();
    ASSERT_TRUE(QDir().mkpath(installed));
    const QStringList installedFiles = {"tst-both.ini", "tst-site.ini", "Tst-Mid.ini"};
    for (const QString& name : installedFiles)
        Touch(installed + "/" + name);
    Touch(user + "/tst-both.ini");
    Touch(user + "/tst-own.ini");
    Touch(user + "/tst-own.txt");

    EXPECT_EQ(Tonlyra::SystemFilePath("tst-both.ini"), user + "/tst-both.ini");
    EXPECT_EQ(Tonlyra::SystemFilePath("tst-site.ini"), installed + "/tst-site.ini");
    EXPECT_EQ(Tonlyra::SystemFilePath("tst-none.ini"), user + "/tst-none.ini");
    EXPECT_EQ(Tonlyra::SystemFiles("*.ini").filter("/tst-", Qt::CaseInsensitive),
              QStringList({user + "/tst-both.ini", installed + "/Tst-Mid.ini",
                           user + "/tst-own.ini", installed + "/tst-site.ini"}));

    for (const QString& name : installedFiles)
        QFile::remove(installed + "/" + name);
    if (madeInstalled)
        QDir().rmdir(installed);
}
