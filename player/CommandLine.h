#pragma once

#include <QStringList>

#include <optional>

class QTextStream;

namespace Tonlyra {

// The commands for people who script their set-ups, run without a window:
//
//   tonlyra --export OVERLAY.cdu FILE.tonlyran   the overlay's set into one file
//   tonlyra --import FILE.tonlyran [FOLDER]      the set into FOLDER (by default a new folder
//                                                "<name of the file>" among the user's overlays)
//
// The path written (the file exported, the first overlay imported) goes to out, messages in
// Swedish to err. Exit codes: ExitOk; ExitFailed (not found, damaged or hostile file, full
// disk); ExitUsage (wrong arguments); ExitExists (a file would be overwritten: nothing is).
enum CommandLineExit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitExists = 3 };

// Whether arguments (the program's, after its name) ask for one of the commands.
bool IsSetCommand(const QStringList& arguments);
// Runs the command arguments ask for.
int RunSetCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

// For main(), before any window is made: runs a command the program's arguments ask for, with
// an application object of its own and no display, and gives its exit code; nullopt when the
// arguments ask for none and the program is to start as usual.
std::optional<int> RunCommandLine(int argc, char** argv);

} // namespace Tonlyra
