#include "player/CommandLine.h"

#include "overlay/MediaFolders.h"
#include "overlay/MovedFileFinder.h"
#include "overlay/OverlaySet.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace Tonlyra {

namespace {

const QString ExportOption = QStringLiteral("--export");
const QString ImportOption = QStringLiteral("--import");

const char* const Usage = "Så används det:\n"
                          "  tonlyra --export ÖVERLÄGG.cdu FIL.tonlyran\n"
                          "  tonlyra --import FIL.tonlyran [MAPP]\n";

// Percentages on one line of the terminal, for large sets; nothing when err is not a terminal.
SetProgress TerminalProgress(QTextStream& err, const QString& what)
{
    if (!isatty(STDERR_FILENO))
        return {};
    auto shown = std::make_shared<int>(-1);
    return [&err, what, shown](qint64 done, qint64 total) {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        if (percent != *shown) {
            *shown = percent;
            err << '\r' << what << ' ' << percent << " %" << (percent >= 100 ? "\n" : "")
                << Qt::flush;
        }
        return true;
    };
}

void ListMissing(QTextStream& err, const QStringList& missing)
{
    if (missing.isEmpty())
        return;
    err << "Saknade filer (" << missing.size() << "):\n";
    for (const QString& line : missing)
        err << "  " << line << '\n';
}

int Export(const QString& overlay, const QString& file, QTextStream& out, QTextStream& err)
{
    if (QFileInfo::exists(file)) {
        err << "tonlyra: Filen " << file << " finns redan och skrivs inte över.\n";
        return ExitExists;
    }
    MovedFileFinder finder;
    finder.SetMediaFolders(ReadMediaFolders());
    const SetExportResult result = ExportOverlaySet(
        overlay, file, false, TerminalProgress(err, QStringLiteral("Exporterar")), &finder);
    if (!result.Ok) {
        err << "tonlyra: " << result.Error << '\n';
        return ExitFailed;
    }
    ListMissing(err, result.Missing);
    err << "Exporterade " << result.Overlays << " överlägg och " << result.Files
        << " filer till " << file << ".\n";
    out << QFileInfo(file).absoluteFilePath() << '\n';
    return ExitOk;
}

int Import(const QString& file, const QString& folder, QTextStream& out, QTextStream& err)
{
    SetImportOptions options;
    // A folder of its own unless one is named: an import never overwrites without being asked,
    // and a command line cannot ask.
    options.Folder = folder.isEmpty() ? UnusedFolder(DefaultImportFolder(file)) : folder;
    options.Progress = TerminalProgress(err, QStringLiteral("Importerar"));
    const SetImportResult result = ImportOverlaySet(file, options);
    if (!result.Ok) {
        err << "tonlyra: " << result.Error << '\n';
        return result.Existing.isEmpty() ? ExitFailed : ExitExists;
    }
    ListMissing(err, result.Missing);
    err << "Importerade " << result.Overlays.size() << " överlägg till " << result.Folder
        << ".\n";
    out << result.FirstOverlay << '\n';
    return ExitOk;
}

} // namespace

bool IsSetCommand(const QStringList& arguments)
{
    return arguments.contains(ExportOption) || arguments.contains(ImportOption);
}

int RunSetCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const QString command = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (command == ExportOption && rest.size() == 2)
        return Export(rest[0], rest[1], out, err);
    if (command == ImportOption && (rest.size() == 1 || rest.size() == 2))
        return Import(rest[0], rest.value(1), out, err);
    err << "tonlyra: fel argument.\n" << Usage;
    return ExitUsage;
}

std::optional<int> RunCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (!IsSetCommand(arguments))
        return std::nullopt;
    // Arguments again as Qt reads them, now that there is an application to read them.
    const QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    const int code = RunSetCommand(QCoreApplication::arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return code;
}

} // namespace Tonlyra
