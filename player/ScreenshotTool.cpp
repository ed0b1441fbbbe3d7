// tonlyra-screenshot: builds the program's windows off screen, as the program does when it
// starts with the given overlay and settings, runs the first rebuild of the grid and writes the
// player window, or another of the program's windows, to a PNG file. For checking the look of a
// window without a display, and for the pictures of the manual.
//
//   tonlyra-screenshot [--dir START] [--size WxH] [--mark CELL] [--enlarge CELL]
//                      [--window NAME] OUT.png [OVERLAY.cdu] [SETTINGS.usr]
//
// START is the start directory (with Users/User.def, the standard settings); questions the
// program would ask are answered with Cancel and printed. NAME is "player" (the default),
// "usersettings" or "usersettings-advanced" (the user settings window in its two views, as the
// player's menu item opens it) or "editor" (the overlay editor on the overlay in force, at the
// given size, as "Inställningar för media" opens it).

#include "i18n/SwedishApplication.h"
#include "overlay/SettingsFormUnit.h"
#include "picture/PictureLoader.h"
#include "picture/TMultiP.h"
#include "platform/CdDrives.h"
#include "platform/UserPrompt.h"
#include "player/Application.h"
#include "player/PlayerFormUnit.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Tonlyra::Cd::InstallLogHandler();
    Tonlyra::SwedishApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the player window with its grid to a PNG file."));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Start directory."),
                                       QStringLiteral("START"));
    const QCommandLineOption sizeOption(QStringLiteral("size"),
                                        QStringLiteral("Window size (default 800x600)."),
                                        QStringLiteral("WxH"), QStringLiteral("800x600"));
    const QCommandLineOption markOption(QStringLiteral("mark"),
                                        QStringLiteral("Cell to mark with the scanning frame."),
                                        QStringLiteral("CELL"));
    const QCommandLineOption enlargeOption(QStringLiteral("enlarge"),
                                           QStringLiteral("Cell to enlarge to the whole grid."),
                                           QStringLiteral("CELL"));
    const QCommandLineOption windowOption(
        QStringLiteral("window"),
        QStringLiteral(
            "The window to draw: player, usersettings, usersettings-advanced or editor."),
        QStringLiteral("NAME"), QStringLiteral("player"));
    parser.addOptions({dirOption, sizeOption, markOption, enlargeOption, windowOption});
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("The PNG file to write."));
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("An overlay (.cdu) and a settings file (.usr)."),
                                 QStringLiteral("[files...]"));
    parser.process(app);
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        parser.showHelp(2);
    const QString out = QFileInfo(positional.takeFirst()).absoluteFilePath();
    // Paths are taken from where the tool was started, before moving to the start directory.
    for (QString& file : positional)
        if (QFileInfo::exists(file))
            file = QFileInfo(file).absoluteFilePath();
    if (parser.isSet(dirOption) && !QDir::setCurrent(parser.value(dirOption))) {
        std::fprintf(stderr, "cannot enter %s\n", qPrintable(parser.value(dirOption)));
        return 2;
    }
    const QStringList size = parser.value(sizeOption).split(u'x');
    const int width = size.value(0).toInt(), height = size.value(1).toInt();
    if (width < 100 || height < 100) {
        std::fprintf(stderr, "bad size %s\n", qPrintable(parser.value(sizeOption)));
        return 2;
    }
    const QString window = parser.value(windowOption);
    if (!QStringList{"player", "usersettings", "usersettings-advanced", "editor"}.contains(
            window)) {
        std::fprintf(stderr, "unknown window %s\n", qPrintable(window));
        return 2;
    }

    // The user settings window is drawn as the player's menu item opens it.
    QPixmap picture;
    std::unique_ptr<Tonlyra::Application> application;
    Tonlyra::UserPrompt::SetResponder([&](const Tonlyra::PromptRequest& request) {
        TUserSettingsForm* UserSettingsForm = application ? application->UserSettingsForm() : nullptr;
        TSettingsForm* SettingsForm = application ? application->SettingsForm() : nullptr;
        if (request.What == Tonlyra::PromptRequest::Kind::Dialog &&
            UserSettingsForm && request.Dialog == UserSettingsForm &&
            window.startsWith(QStringLiteral("usersettings"))) {
            if (window.endsWith(QStringLiteral("-advanced")))
                UserSettingsForm->ShowAdvancedView();
            QApplication::processEvents();
            picture = UserSettingsForm->grab();
            return Tonlyra::PromptAnswer();
        }
        if (request.What == Tonlyra::PromptRequest::Kind::Dialog &&
            SettingsForm && request.Dialog == SettingsForm && window == QStringLiteral("editor")) {
            SettingsForm->resize(width, height);
            QApplication::processEvents();
            picture = SettingsForm->grab();
            return Tonlyra::PromptAnswer();
        }
        std::fprintf(stderr, "asked: %s: %s (answered Cancel)\n", qPrintable(request.Caption),
                     qPrintable(request.Text));
        Tonlyra::PromptAnswer answer;
        answer.Button = QMessageBox::Cancel;
        return answer;
    });

    application = std::make_unique<Tonlyra::Application>(positional);
    TPlayerForm* player = application->PlayerForm();
    player->resize(width, height);
    player->show();
    const QDeadlineTimer deadline(10000);
    while (player->FirstActivation && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (player->FirstActivation) {
        std::fprintf(stderr, "the grid was not built\n");
        return 1;
    }
    // The pictures fill in after the grid shows.
    const QDeadlineTimer picturesDeadline(60000);
    while (player->CellPictures->IsLoading() && !picturesDeadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (parser.isSet(markOption))
        player->MarkCell(parser.value(markOption).toInt());
    if (parser.isSet(enlargeOption)) {
        player->EnlargeCell(parser.value(enlargeOption).toInt());
        // An enlarged picture is decoded again, sharper, in the background.
        auto sharpening = [player] {
            const QList<TPMultiImage*> pictures = player->findChildren<TPMultiImage*>();
            return std::any_of(pictures.begin(), pictures.end(),
                               [](const TPMultiImage* p) { return p->IsSharpening(); });
        };
        while (sharpening() && !picturesDeadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QApplication::processEvents();
    if (window == QStringLiteral("player"))
        picture = player->grab();
    else if (window == QStringLiteral("editor"))
        player->ChangeMenu->trigger();
    else
        player->UserSettingsMenu->trigger();
    if (!picture.save(out, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s\n", qPrintable(out));
    return 0;
}
