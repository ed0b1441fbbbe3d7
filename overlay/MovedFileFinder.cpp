#include "overlay/MovedFileFinder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <filesystem>

namespace Tonlyra {

namespace {

QString Clean(const QString& folder)
{
    return folder.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

// The folders and the name of a stored path, read as a Windows path as well: backslashes
// separate folders, a drive letter ("C:") or a server share ("\\skolan\bilder") starts it, and
// only what comes after the last ".." names folders of the file's own.
QStringList PathParts(const QString& stored)
{
    QString path = stored;
    path.replace(u'\\', u'/');
    QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:$"));
    if (!parts.isEmpty() && drive.match(parts.constFirst()).hasMatch())
        parts.removeFirst();
    const qsizetype up = parts.lastIndexOf(QStringLiteral(".."));
    if (up >= 0)
        parts = parts.mid(up + 1);
    parts.removeAll(QStringLiteral("."));
    return parts;
}

bool SameBytes(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 Chunk = 1 << 16;
    while (!fa.atEnd()) {
        if (fa.read(Chunk) != fb.read(Chunk))
            return false;
    }
    return true;
}

// Two paths name the same file: one file reached twice, or two copies with the same bytes.
bool SameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return (!ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath()) || SameBytes(a, b);
}

// The file taken from the candidates of one step: the first when they are all the same file,
// else none, with the candidates.
FoundFile Decide(QStringList candidates)
{
    if (candidates.isEmpty())
        return {};
    candidates.sort();
    for (qsizetype i = 1; i < candidates.size(); ++i)
        if (!SameFile(candidates.constFirst(), candidates[i]))
            return {QString(), candidates};
    return {candidates.constFirst(), {}};
}

// How many of the folders that held the file (parts without the name, from the last) the
// candidate's folders below root end with.
int TailScore(const QString& candidate, const QString& root, const QStringList& parts)
{
    const QStringList below = candidate.mid(root.size() + 1).split(u'/');
    int score = 0;
    for (qsizetype i = 2; i <= below.size() && i <= parts.size(); ++i) {
        if (FoldedName(below[below.size() - i]) != FoldedName(parts[parts.size() - i]))
            break;
        ++score;
    }
    return score;
}

// The candidates whose folders end with the most of the file's last folders, at least one.
QStringList BestTails(const QStringList& candidates, const QString& root, const QStringList& parts)
{
    int best = 1;
    QStringList chosen;
    for (const QString& c : candidates) {
        const int score = TailScore(c, root, parts);
        if (score > best)
            chosen.clear(), best = score;
        if (score == best)
            chosen.append(c);
    }
    return chosen;
}

} // namespace

QString FoldedName(const QString& name)
{
    return name.normalized(QString::NormalizationForm_C).toCaseFolded();
}

QString MissingFile::Describe() const
{
    QString line = QStringLiteral("Ruta %1, %2: %3").arg(Cell).arg(FileKindCaption(Kind), Stored);
    if (!Candidates.isEmpty())
        line += QStringLiteral(" (finns på flera ställen: %1)")
                    .arg(Candidates.join(QStringLiteral(", ")));
    return line;
}

void MovedFileFinder::SetMediaFolders(const QStringList& folders)
{
    QStringList cleaned;
    for (const QString& folder : folders)
        if (!folder.trimmed().isEmpty())
            cleaned.append(Clean(folder));
    if (cleaned == Media)
        return;
    Media = cleaned;
    Remembered.clear(); // a file not found before may be found now, or found elsewhere first
}

void MovedFileFinder::Forget()
{
    Covered.clear();
    Names.clear();
    Remembered.clear();
}

void MovedFileFinder::Cover(const QString& root)
{
    for (const QString& done : Covered)
        if (root == done || root.startsWith(done + u'/') || done == QStringLiteral("/"))
            return;
    Covered.append(root);
    namespace fs = std::filesystem;
    std::error_code error;
    fs::recursive_directory_iterator it(QFile::encodeName(root).toStdString(),
                                        fs::directory_options::skip_permission_denied, error);
    int files = 0;
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        std::error_code typeError;
        if (entry.is_directory(typeError)) {
            // Links to folders are not followed by the iterator; hidden folders are skipped.
            if (name.starts_with('.') || it.depth() + 1 >= MaxDepth)
                it.disable_recursion_pending();
        } else if (entry.is_regular_file(typeError)) {
            Names[FoldedName(QFile::decodeName(name.c_str()))].append(
                QFile::decodeName(entry.path().c_str()));
            if (++files >= MaxFilesPerTree)
                break;
        }
    }
}

QStringList MovedFileFinder::Below(const QString& root, const QString& nameKey)
{
    Cover(root);
    QStringList found;
    const QString prefix = root == QStringLiteral("/") ? root : root + u'/';
    for (const QString& path : Names.value(nameKey))
        if (path.startsWith(prefix) && !found.contains(path) && QFileInfo(path).isFile())
            found.append(path);
    return found;
}

FoundFile MovedFileFinder::Find(const QString& stored, const QString& overlayFolder)
{
    const QString key = stored + u'\n' + Clean(overlayFolder);
    const auto remembered = Remembered.constFind(key);
    if (remembered != Remembered.constEnd() &&
        (remembered->Path.isEmpty() || QFileInfo(remembered->Path).isFile()))
        return *remembered;
    const FoundFile found = Search(stored, overlayFolder);
    Remembered.insert(key, found);
    return found;
}

FoundFile MovedFileFinder::Search(const QString& stored, const QString& overlayFolder)
{
    const QStringList parts = PathParts(stored);
    if (parts.isEmpty())
        return {};
    const QString nameKey = FoldedName(parts.constLast());

    // The overlay's folder and the folder that holds it, whose trees are looked through; not the
    // root of the file system or the temporary folder, which hold everything but a set.
    QStringList roots;
    const QString folder = Clean(overlayFolder);
    const auto searchable = [](const QString& root) {
        return root != QStringLiteral("/") && root != QDir::cleanPath(QDir::tempPath());
    };
    if (!folder.isEmpty()) {
        const QString set = QFileInfo(folder).absolutePath();
        for (const QString& root : {folder, set})
            if (searchable(root))
                roots.append(root);
    }

    for (const QString& root : roots) // 1. its last folders and name
        if (const QStringList tails = BestTails(Below(root, nameKey), root, parts); !tails.isEmpty())
            return Decide(tails);
    if (!folder.isEmpty()) { // 2. beside the overlay
        QStringList beside;
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            if (FoldedName(name) == nameKey)
                beside.append(QDir(folder).filePath(name));
        if (!beside.isEmpty())
            return Decide(beside);
    }
    for (const QString& root : roots) // 3. anywhere under the overlay's folders
        if (const QStringList anywhere = Below(root, nameKey); !anywhere.isEmpty())
            return Decide(anywhere);
    for (const QString& root : Media) { // 4. the media folders
        const QStringList anywhere = Below(root, nameKey);
        if (anywhere.isEmpty())
            continue;
        const QStringList tails = BestTails(anywhere, root, parts);
        return Decide(tails.isEmpty() ? anywhere : tails);
    }
    return {};
}

namespace {

// Looks for every missing file of overlay with find and writes the paths of those found.
MovedFileFinder::Outcome RepairWith(MediaOverlay& overlay,
                                    const std::function<FoundFile(const QString& stored)>& find)
{
    MovedFileFinder::Outcome outcome;
    for (const OverlayFileField& field : FileFields(overlay)) {
        if (FieldFileExists(*field.Stored, overlay.Folder))
            continue;
        const FoundFile found = find(*field.Stored);
        if (found.Path.isEmpty()) {
            outcome.Missing.push_back({field.Cell, field.Kind, *field.Stored, found.Candidates});
            continue;
        }
        *field.Stored = StoredPathFor(found.Path, overlay.Folder);
        ++outcome.Found;
    }
    return outcome;
}

} // namespace

MovedFileFinder::Outcome MovedFileFinder::Repair(MediaOverlay& overlay)
{
    return RepairWith(overlay,
                      [&](const QString& stored) { return Find(stored, overlay.Folder); });
}

MovedFileFinder::Outcome MovedFileFinder::RepairFrom(MediaOverlay& overlay, const QString& folder)
{
    // The folder is read afresh: the carer may just have put the files there.
    const QString root = Clean(folder);
    MovedFileFinder fresh;
    return RepairWith(overlay, [&](const QString& stored) -> FoundFile {
        const QStringList parts = PathParts(stored);
        if (parts.isEmpty() || root.isEmpty())
            return {};
        const QStringList anywhere = fresh.Below(root, FoldedName(parts.constLast()));
        const QStringList tails = BestTails(anywhere, root, parts);
        return Decide(tails.isEmpty() ? anywhere : tails);
    });
}

std::vector<MissingFile> MovedFileFinder::MissingFiles(MediaOverlay& overlay)
{
    std::vector<MissingFile> missing;
    for (const OverlayFileField& field : FileFields(overlay))
        if (!FieldFileExists(*field.Stored, overlay.Folder))
            missing.push_back({field.Cell, field.Kind, *field.Stored, {}});
    return missing;
}

} // namespace Tonlyra
