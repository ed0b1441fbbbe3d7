#include "overlay/OverlaySet.h"

#include "overlay/MediaOverlay.h"
#include "overlay/MovedFileFinder.h"
#include "overlay/OverlayFiles.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/ProfileFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <clocale>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <locale.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Tonlyra {

namespace {

const QString ManifestName = QStringLiteral("Tonlyran-export.ini");
const QString ManifestSection = QStringLiteral("Export");
constexpr int SetFormat = 1;
constexpr qint64 Chunk = qint64(1) << 20;

// What an archive may unpack to: this many times its own size, plus a little for sets of small
// files that deflate well. Deflate can give a thousand times its size; a real set of pictures,
// sounds and videos, already compressed, gives hardly more than its size.
constexpr qint64 MaxUnpackRatio = 100;
constexpr qint64 UnpackAllowance = qint64(16) << 20;
constexpr int MaxEntries = 100000;
constexpr int MaxNameLength = 4096;

struct ArchiveDeleter
{
    void operator()(archive* a) const { archive_free(a); }
};
using Archive = std::unique_ptr<archive, ArchiveDeleter>;
struct EntryDeleter
{
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using Entry = std::unique_ptr<archive_entry, EntryDeleter>;

// libarchive converts names through the character set of the current locale; for the span of
// an export or import the thread's locale is C.UTF-8, so names are UTF-8 whatever the program
// was started under.
class Utf8Names
{
public:
    Utf8Names()
    {
        Own = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (Own)
            Previous = uselocale(Own);
    }
    ~Utf8Names()
    {
        if (Own) {
            uselocale(Previous);
            freelocale(Own);
        }
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

private:
    locale_t Own = nullptr;
    locale_t Previous = nullptr;
};

QString ArchiveError(archive* a)
{
    const char* text = archive_error_string(a);
    return text ? QString::fromUtf8(text) : QStringLiteral("okänt fel");
}

QString KindFolder(OverlayFileKind kind)
{
    switch (kind) {
    case OverlayFileKind::Picture:
        return QStringLiteral("Bilder");
    case OverlayFileKind::Video:
        return QStringLiteral("Video");
    default:
        return QStringLiteral("Ljud");
    }
}

// Files whose content is compressed already: deflating them again costs time and gains nothing.
bool StoredAsIs(const QString& name)
{
    static const QSet<QString> compressed{
        "jpg", "jpeg", "png", "gif", "webp", "tif", "tiff", "mp3", "ogg", "oga", "opus", "m4a",
        "aac", "flac", "wma", "mp4", "m4v", "mkv", "webm", "avi", "mov", "mpg", "mpeg", "wmv"};
    return compressed.contains(QFileInfo(name).suffix().toLower());
}

// The names given out in an archive, so that two different files never share one.
class NameBook
{
public:
    QString Take(const QString& folder, const QString& fileName)
    {
        const QString prefix = folder.isEmpty() ? QString() : folder + u'/';
        const QFileInfo info(fileName);
        const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
        const QString stem = info.completeBaseName().isEmpty() ? fileName : info.completeBaseName();
        QString name = prefix + fileName;
        for (int n = 2; Used.contains(FoldedName(name)); ++n)
            name = prefix + QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
        Used.insert(FoldedName(name));
        return name;
    }

private:
    QSet<QString> Used;
};

struct Member
{
    QString Name;       // in the archive
    QString Source;     // the file it is read from, or empty with Bytes
    QByteArray Bytes;
    qint64 Size = 0;
};

la_ssize_t WriteToFile(archive*, void* client, const void* buffer, size_t length)
{
    auto* file = static_cast<AtomicFile*>(client);
    return file->Write(buffer, static_cast<qint64>(length)) ? static_cast<la_ssize_t>(length) : -1;
}

// A name in an archive as a path below the folder it unpacks into: backslashes taken as
// separators, "." dropped; false for an absolute path, a drive letter, "..", or a name that
// names nothing.
bool SafeName(const QString& raw, QString* safe)
{
    if (raw.size() > MaxNameLength || raw.contains(QChar(0)))
        return false;
    QString name = raw;
    name.replace(u'\\', u'/');
    if (name.startsWith(u'/'))
        return false;
    QStringList parts = name.split(u'/', Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (parts.isEmpty() || drive.match(parts.constFirst()).hasMatch() ||
        parts.contains(QStringLiteral("..")))
        return false;
    for (const QString& part : parts)
        if (part.toUtf8().size() > 255)
            return false;
    *safe = parts.join(u'/');
    return true;
}

bool IsOverlayName(const QString& name)
{
    return name.endsWith(QStringLiteral(".cdu"), Qt::CaseInsensitive);
}

Archive OpenForReading(const QString& path, QString* error)
{
    Archive a(archive_read_new());
    archive_read_support_format_zip_seekable(a.get());
    if (archive_read_open_filename(a.get(), QFile::encodeName(path).constData(), 1 << 16) !=
        ARCHIVE_OK) {
        *error = ArchiveError(a.get());
        return nullptr;
    }
    return a;
}

// Writes the bytes of the archive's current entry to a new file at path, at most limit bytes;
// counts them into done and reports progress. errno-style failures come back in error.
enum class Unpacked { Ok, Damaged, TooLarge, WriteFailed, Cancelled };
Unpacked UnpackEntry(archive* a, const QString& path, qint64 limit, qint64& done, qint64 total,
                     const SetProgress& progress, int* error)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = errno;
        return Unpacked::WriteFailed;
    }
    std::vector<char> buffer(static_cast<std::size_t>(std::min(Chunk, std::max<qint64>(limit, 1))));
    qint64 written = 0;
    Unpacked outcome = Unpacked::Ok;
    for (;;) {
        const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0) {
            outcome = Unpacked::Damaged;
            break;
        }
        written += n;
        if (written > limit) {
            outcome = Unpacked::TooLarge;
            break;
        }
        const char* data = buffer.data();
        for (la_ssize_t left = n; left > 0;) {
            const ssize_t w = ::write(fd, data, static_cast<std::size_t>(left));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                *error = w < 0 ? errno : ENOSPC;
                outcome = Unpacked::WriteFailed;
                break;
            }
            data += w;
            left -= w;
        }
        if (outcome != Unpacked::Ok)
            break;
        done += n;
        if (progress && !progress(done, total)) {
            outcome = Unpacked::Cancelled;
            break;
        }
    }
    if (::close(fd) != 0 && outcome == Unpacked::Ok) {
        *error = errno;
        outcome = Unpacked::WriteFailed;
    }
    return outcome;
}

qint64 FreeBytes(const QString& folder)
{
    struct statvfs fs{};
    if (statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return -1;
    return static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize);
}

QString Refused(const QString& why)
{
    return QStringLiteral("Filen kan inte importeras: %1").arg(why);
}

} // namespace

// --- Export ----------------------------------------------------------------------------------

SetExportResult ExportOverlaySet(const QString& overlayPath, const QString& archivePath,
                                 bool replace, const SetProgress& progress,
                                 MovedFileFinder* finder)
{
    Utf8Names utf8;
    SetExportResult result;
    const QFileInfo start(overlayPath);
    if (!start.isFile()) {
        result.Error = QStringLiteral("Överlägget %1 finns inte.").arg(overlayPath);
        return result;
    }
    if (!replace && QFileInfo::exists(archivePath)) {
        result.Error = QStringLiteral("Filen %1 finns redan.").arg(archivePath);
        return result;
    }

    // The set: overlays as they are found through their links, each named once in the archive.
    NameBook names;
    names.Take(QString(), ManifestName);
    QHash<QString, QString> overlayNames, mediaNames; // canonical path -> name in the archive
    QStringList queue{start.canonicalFilePath()};
    overlayNames.insert(queue.constFirst(), names.Take(QString(), start.fileName()));
    std::vector<Member> members;
    qint64 total = 0;
    for (qsizetype i = 0; i < queue.size(); ++i) {
        const QString path = queue[i];
        const QString name = overlayNames.value(path);
        ProfileFile file;
        int error = 0;
        if (!file.Load(path, &error)) {
            result.Error = QStringLiteral("Överlägget %1 kan inte läsas. %2")
                               .arg(path, SaveFailureReason(error));
            return result;
        }
        MediaOverlay overlay;
        overlay.Load(file);
        if (finder)
            finder->Repair(overlay);
        for (const OverlayFileField& field : FileFields(overlay)) {
            const QFileInfo info(ResolveOverlayPath(*field.Stored, overlay.Folder));
            if (!info.isFile()) {
                result.Missing.append(
                    name + QStringLiteral(": ") +
                    MissingFile{field.Cell, field.Kind, *field.Stored, {}}.Describe());
                continue;
            }
            const QString canonical = info.canonicalFilePath();
            if (field.Kind == OverlayFileKind::Overlay) {
                if (!overlayNames.contains(canonical)) {
                    overlayNames.insert(canonical, names.Take(QString(), info.fileName()));
                    queue.append(canonical);
                }
                *field.Stored = overlayNames.value(canonical);
                continue;
            }
            if (!mediaNames.contains(canonical)) {
                const QString member = names.Take(KindFolder(field.Kind), info.fileName());
                mediaNames.insert(canonical, member);
                members.push_back({member, canonical, {}, info.size()});
                total += info.size();
            }
            *field.Stored = mediaNames.value(canonical);
        }
        overlay.WriteTo(file);
        Member own{name, {}, file.ToBytes(), 0};
        own.Size = own.Bytes.size();
        total += own.Size;
        members.push_back(std::move(own));
    }
    result.Overlays = static_cast<int>(queue.size());
    result.Files = static_cast<int>(mediaNames.size());

    ProfileFile manifest;
    manifest.WriteInteger(ManifestSection, QStringLiteral("Format"), SetFormat);
    manifest.WriteString(ManifestSection, QStringLiteral("Start"), overlayNames.value(queue[0]));
    Member head{ManifestName, {}, manifest.ToBytes(), 0};
    head.Size = head.Bytes.size();
    members.insert(members.begin(), std::move(head));

    // The archive, written whole or not at all.
    const QString failure = QStringLiteral("Filen %1 kan inte skrivas.").arg(archivePath);
    AtomicFile out(archivePath);
    if (!out.Open()) {
        result.Error = failure + u' ' + SaveFailureReason(out.ErrorNumber());
        return result;
    }
    Archive a(archive_write_new());
    archive_write_set_format_zip(a.get());
    archive_write_set_format_option(a.get(), "zip", "hdrcharset", "UTF-8");
    archive_write_set_bytes_in_last_block(a.get(), 1);
    if (archive_write_open(a.get(), &out, nullptr, WriteToFile, nullptr) != ARCHIVE_OK) {
        result.Error = failure + u' ' + ArchiveError(a.get());
        return result;
    }
    const auto fail = [&](const QString& why) {
        out.Discard();
        result.Error = failure + u' ' +
                       (out.ErrorNumber() ? SaveFailureReason(out.ErrorNumber()) : why);
        return result;
    };
    const auto cancelled = [&] {
        out.Discard();
        result.Cancelled = true;
        result.Error = QStringLiteral("Exporten avbröts.");
        return result;
    };
    const time_t now = QDateTime::currentSecsSinceEpoch();
    std::vector<char> buffer;
    qint64 done = 0;
    for (const Member& m : members) {
        QFile source(m.Source);
        if (!m.Source.isEmpty() && !source.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("%1 kan inte läsas: %2").arg(m.Source, source.errorString()));
        Entry entry(archive_entry_new());
        archive_entry_set_pathname_utf8(entry.get(), m.Name.toUtf8().constData());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), m.Source.isEmpty() ? m.Size : source.size());
        archive_entry_set_mtime(entry.get(), now, 0);
        if (StoredAsIs(m.Name))
            archive_write_zip_set_compression_store(a.get());
        else
            archive_write_zip_set_compression_deflate(a.get());
        if (archive_write_header(a.get(), entry.get()) != ARCHIVE_OK)
            return fail(ArchiveError(a.get()));
        if (m.Source.isEmpty()) {
            if (archive_write_data(a.get(), m.Bytes.constData(), m.Bytes.size()) != m.Bytes.size())
                return fail(ArchiveError(a.get()));
            done += m.Size;
        } else {
            buffer.resize(static_cast<std::size_t>(Chunk));
            for (;;) {
                const qint64 n = source.read(buffer.data(), Chunk);
                if (n < 0)
                    return fail(QStringLiteral("%1 kan inte läsas: %2")
                                    .arg(m.Source, source.errorString()));
                if (n == 0)
                    break;
                if (archive_write_data(a.get(), buffer.data(), static_cast<std::size_t>(n)) != n)
                    return fail(ArchiveError(a.get()));
                done += n;
                if (progress && !progress(done, total))
                    return cancelled();
            }
        }
        if (progress && !progress(done, total))
            return cancelled();
    }
    if (archive_write_close(a.get()) != ARCHIVE_OK)
        return fail(ArchiveError(a.get()));
    if (!out.Commit()) {
        result.Error = failure + u' ' + SaveFailureReason(out.ErrorNumber());
        return result;
    }
    result.Ok = true;
    return result;
}

// --- Import ----------------------------------------------------------------------------------

namespace {

struct Planned
{
    QString Name;       // below the folder
    qint64 Size = -1;   // as the archive says; -1 when it does not
};

// The first pass over an archive: every entry checked, nothing written.
struct Plan
{
    std::vector<Planned> Files;
    qint64 Declared = 0;
    QString Start; // the manifest's first overlay
    QString Error;
};

Plan ReadPlan(const QString& archivePath, qint64 limit)
{
    Plan plan;
    QString error;
    Archive a = OpenForReading(archivePath, &error);
    if (!a) {
        plan.Error = Refused(QStringLiteral("den är skadad eller inte en export från Tonlyran (%1).")
                                 .arg(error));
        return plan;
    }
    QSet<QString> names, folders;
    archive_entry* entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(a.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN) {
            plan.Error = Refused(
                QStringLiteral("den är skadad (%1).").arg(ArchiveError(a.get())));
            return plan;
        }
        const char* rawName = archive_entry_pathname(entry);
        const QString raw = QString::fromUtf8(rawName ? rawName : "");
        const auto type = archive_entry_filetype(entry);
        if (type == AE_IFLNK || archive_entry_symlink(entry) || archive_entry_hardlink(entry)) {
            plan.Error = Refused(QStringLiteral("den innehåller en länk (%1).").arg(raw));
            return plan;
        }
        QString name;
        if (!SafeName(raw, &name)) {
            plan.Error = Refused(
                QStringLiteral("den innehåller en fil som skulle hamna utanför mappen (%1).")
                    .arg(raw));
            return plan;
        }
        if (type == AE_IFDIR) {
            folders.insert(name);
            continue;
        }
        if (type != AE_IFREG) {
            plan.Error = Refused(
                QStringLiteral("den innehåller något som inte är en vanlig fil (%1).").arg(raw));
            return plan;
        }
        if (names.contains(name) || plan.Files.size() >= MaxEntries) {
            plan.Error = Refused(QStringLiteral("den är skadad (%1 finns två gånger).").arg(raw));
            return plan;
        }
        names.insert(name);
        const qint64 size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        plan.Declared += std::max<qint64>(size, 0);
        if (plan.Declared > limit) {
            plan.Error = Refused(QStringLiteral("den packas upp till mycket mer än sin storlek."));
            return plan;
        }
        if (name == ManifestName) {
            // Small: read here, not unpacked.
            QByteArray bytes(static_cast<qsizetype>(std::clamp<qint64>(size, 0, 65536)), '\0');
            const la_ssize_t n = archive_read_data(a.get(), bytes.data(), bytes.size());
            ProfileFile manifest;
            manifest.FromBytes(bytes.left(std::max<la_ssize_t>(n, 0)));
            plan.Start = manifest.ReadString(ManifestSection, QStringLiteral("Start"));
            continue;
        }
        plan.Files.push_back({name, size});
    }
    // A name that is a file and also the folder of another cannot be unpacked as both.
    for (const Planned& file : plan.Files) {
        for (QString up = file.Name; up.contains(u'/');) {
            up = up.left(up.lastIndexOf(u'/'));
            if (names.contains(up)) {
                plan.Error = Refused(QStringLiteral("den är skadad (%1 är både fil och mapp).")
                                         .arg(up));
                return plan;
            }
        }
    }
    return plan;
}

// The overlay a set opens on: the manifest's, else the first at the top of the set, else the
// first anywhere in it.
QString StartOverlay(const Plan& plan)
{
    QStringList overlays, top;
    for (const Planned& file : plan.Files) {
        if (!IsOverlayName(file.Name))
            continue;
        overlays.append(file.Name);
        if (!file.Name.contains(u'/'))
            top.append(file.Name);
    }
    if (overlays.contains(plan.Start))
        return plan.Start;
    top.sort(Qt::CaseInsensitive);
    overlays.sort(Qt::CaseInsensitive);
    return !top.isEmpty() ? top.constFirst() : overlays.value(0);
}

// Makes every file path of the overlays unpacked in folder name a file of the set, relative to
// the overlay: a path that names a file of the set stays; any other is taken by its file name
// when the set holds one file of that name, else it is cut to its bare file name, so that it
// never points at a file outside the set (which a later export would carry away), and listed.
bool PointIntoSet(const QString& folder, const Plan& plan, QStringList& missing, QString* error)
{
    QHash<QString, QStringList> byName;
    for (const Planned& file : plan.Files)
        byName[FoldedName(QFileInfo(file.Name).fileName())].append(folder + u'/' + file.Name);
    const auto inSet = [&](const QString& path) {
        return path.startsWith(folder + u'/') && QFileInfo(path).isFile();
    };
    for (const Planned& file : plan.Files) {
        if (!IsOverlayName(file.Name))
            continue;
        const QString path = folder + u'/' + file.Name;
        ProfileFile profile;
        int code = 0;
        if (!profile.Load(path, &code)) {
            *error = SaveFailureReason(code);
            return false;
        }
        MediaOverlay overlay;
        overlay.Load(profile);
        bool changed = false;
        for (const OverlayFileField& field : FileFields(overlay)) {
            const QString stored = *field.Stored;
            if (QDir::isRelativePath(stored) && !stored.contains(u'\\') &&
                inSet(QDir::cleanPath(overlay.Folder + stored)))
                continue;
            QString base = stored;
            base.replace(u'\\', u'/');
            base = base.mid(base.lastIndexOf(u'/') + 1);
            const QStringList found = byName.value(FoldedName(base));
            if (found.size() == 1) {
                *field.Stored = QDir(overlay.Folder).relativeFilePath(found.constFirst());
            } else {
                *field.Stored = base;
                missing.append(file.Name + QStringLiteral(": ") +
                               MissingFile{field.Cell, field.Kind, stored, {}}.Describe());
            }
            changed = changed || *field.Stored != stored;
        }
        if (!changed)
            continue;
        overlay.WriteTo(profile);
        if (!profile.Save(&code)) {
            *error = SaveFailureReason(code);
            return false;
        }
    }
    return true;
}

} // namespace

QString DefaultImportFolder(const QString& archivePath)
{
    QString name = QFileInfo(archivePath).completeBaseName();
    if (name.isEmpty() || name.startsWith(u'.'))
        name = QStringLiteral("Import");
    return OverlaysFolder() + name;
}

QString UnusedFolder(const QString& wanted)
{
    const QString base = QDir::cleanPath(wanted);
    QString folder = base;
    for (int n = 2; QFileInfo::exists(folder); ++n)
        folder = QStringLiteral("%1 %2").arg(base).arg(n);
    return folder;
}

SetImportResult ImportOverlaySet(const QString& archivePath, const SetImportOptions& options)
{
    Utf8Names utf8;
    SetImportResult result;
    const QFileInfo source(archivePath);
    if (!source.isFile()) {
        result.Error = QStringLiteral("Filen %1 finns inte.").arg(archivePath);
        return result;
    }
    if (options.Folder.isEmpty()) {
        result.Error = QStringLiteral("Ingen mapp att importera till.");
        return result;
    }
    const QString target = QDir::cleanPath(QFileInfo(options.Folder).absoluteFilePath());
    const QString parent = QFileInfo(target).absolutePath();
    const qint64 limit = MaxUnpackRatio * source.size() + UnpackAllowance;

    Plan plan = ReadPlan(archivePath, limit);
    if (!plan.Error.isEmpty()) {
        result.Error = plan.Error;
        return result;
    }
    const QString start = StartOverlay(plan);
    if (start.isEmpty()) {
        result.Error = Refused(QStringLiteral("den innehåller inga överlägg."));
        return result;
    }
    if (QFileInfo::exists(target) && !QFileInfo(target).isDir()) {
        result.Error = QStringLiteral("%1 finns redan och är ingen mapp.").arg(target);
        return result;
    }
    for (const Planned& file : plan.Files)
        if (QFileInfo::exists(target + u'/' + file.Name))
            result.Existing.append(target + u'/' + file.Name);
    if (!result.Existing.isEmpty() && !options.Replace) {
        result.Error = QStringLiteral("Det finns redan filer med samma namn i %1:\n%2")
                           .arg(target, result.Existing.join(u'\n'));
        return result;
    }
    if (!QDir().mkpath(parent)) {
        result.Error = QStringLiteral("Mappen %1 kan inte skapas.").arg(parent);
        return result;
    }
    const qint64 free = FreeBytes(parent);
    if (free >= 0 && plan.Declared > free) {
        result.Error = QStringLiteral("Det finns inte plats på disken för samlingen (%1 MB behövs).")
                           .arg((plan.Declared + (1 << 20) - 1) >> 20);
        return result;
    }

    // Unpacked into a hidden folder beside the target (on the same disk, so it moves in by
    // renaming), which goes with everything in it unless the set moved in whole.
    QTemporaryDir staging(parent + QStringLiteral("/.tonlyran-import-XXXXXX"));
    if (!staging.isValid()) {
        result.Error = QStringLiteral("Mappen %1 kan inte skrivas. %2")
                           .arg(parent, staging.errorString());
        return result;
    }
    const QString unpacked = QDir::cleanPath(staging.path());
    QString error;
    Archive a = OpenForReading(archivePath, &error);
    if (!a) {
        result.Error = Refused(QStringLiteral("den är skadad (%1).").arg(error));
        return result;
    }
    QHash<QString, qint64> declared;
    for (const Planned& file : plan.Files)
        declared.insert(file.Name, file.Size);
    qint64 done = 0;
    archive_entry* entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(a.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        const char* rawName = status >= ARCHIVE_WARN ? archive_entry_pathname(entry) : nullptr;
        QString name;
        if (!rawName || !SafeName(QString::fromUtf8(rawName), &name)) {
            result.Error = Refused(QStringLiteral("den är skadad (%1).").arg(ArchiveError(a.get())));
            return result;
        }
        if (archive_entry_filetype(entry) != AE_IFREG || name == ManifestName)
            continue;
        const qint64 size = declared.value(name, -2);
        if (size == -2) { // not what the first pass read
            result.Error = Refused(QStringLiteral("den ändrades under importen."));
            return result;
        }
        const QString path = unpacked + u'/' + name;
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            result.Error = QStringLiteral("Mappen %1 kan inte skapas.").arg(QFileInfo(path).absolutePath());
            return result;
        }
        int code = 0;
        const qint64 entryLimit = size >= 0 ? size : limit - done;
        switch (UnpackEntry(a.get(), path, entryLimit, done, plan.Declared, options.Progress,
                            &code)) {
        case Unpacked::Ok:
            break;
        case Unpacked::Damaged:
            result.Error =
                Refused(QStringLiteral("den är skadad (%1).").arg(ArchiveError(a.get())));
            return result;
        case Unpacked::TooLarge:
            result.Error = Refused(size >= 0 ? QStringLiteral("den är skadad (%1 är större än "
                                                              "filen säger).")
                                                   .arg(name)
                                             : QStringLiteral("den packas upp till mycket mer "
                                                              "än sin storlek."));
            return result;
        case Unpacked::WriteFailed:
            result.Error = QStringLiteral("Importen misslyckades. %1").arg(SaveFailureReason(code));
            return result;
        case Unpacked::Cancelled:
            result.Cancelled = true;
            result.Error = QStringLiteral("Importen avbröts.");
            return result;
        }
    }
    a.reset();

    if (!PointIntoSet(unpacked, plan, result.Missing, &error)) {
        result.Error = QStringLiteral("Importen misslyckades. %1").arg(error);
        return result;
    }

    // In place: the whole folder by one rename when the target is new, else file by file.
    if (!QFileInfo::exists(target)) {
        if (::rename(QFile::encodeName(unpacked).constData(),
                     QFile::encodeName(target).constData()) != 0) {
            result.Error = QStringLiteral("Importen misslyckades. %1").arg(SaveFailureReason(errno));
            return result;
        }
        staging.setAutoRemove(false);
    } else {
        for (const Planned& file : plan.Files) {
            const QString to = target + u'/' + file.Name;
            if (!QDir().mkpath(QFileInfo(to).absolutePath()) ||
                ::rename(QFile::encodeName(unpacked + u'/' + file.Name).constData(),
                         QFile::encodeName(to).constData()) != 0) {
                result.Error = QStringLiteral("Importen misslyckades: %1 kan inte skrivas. %2")
                                   .arg(to, SaveFailureReason(errno));
                return result;
            }
        }
    }
    result.Ok = true;
    result.Folder = target;
    result.FirstOverlay = target + u'/' + start;
    for (const Planned& file : plan.Files)
        if (IsOverlayName(file.Name))
            result.Overlays.append(target + u'/' + file.Name);
    return result;
}

} // namespace Tonlyra
