#include "i18n/SwedishApplication.h"
#include "platform/CdDrives.h"
#include "player/Application.h"
#include "player/CommandLine.h"
#include "player/PlayerFormUnit.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (const std::optional<int> done = Tonlyra::RunCommandLine(argc, argv))
        return *done;
    Tonlyra::Cd::InstallLogHandler();
    Tonlyra::SwedishApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonlyran"));
    QApplication::setApplicationVersion(QStringLiteral("2.18"));

    Tonlyra::Application application(app.arguments().mid(1));
    application.PlayerForm()->ShowMaximizedOnScreen();
    return app.exec();
}
