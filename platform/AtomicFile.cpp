#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tonlyra {

namespace {

// The file a save replaces: the path itself, or the file a symbolic link at the path names.
QString TargetOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

// A hidden name beside the target, short enough for the 255-byte limit of a file name even
// when the target's own name uses all of it.
QByteArray TemporaryNameFor(const QFileInfo& target, const QByteArray& folder)
{
    QString name = target.fileName();
    while (QFile::encodeName(name).size() > 200) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(8, '\0');
    for (char& c : suffix)
        c = Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
    return folder + "/." + QFile::encodeName(name) + '.' + suffix;
}

} // namespace

AtomicFile::AtomicFile(const QString& path) : Path(path) {}

AtomicFile::~AtomicFile()
{
    Discard();
}

bool AtomicFile::Fail(int error)
{
    if (Error.isEmpty()) {
        Error = qt_error_string(error);
        ErrorCode = error;
    }
    Discard();
    return false;
}

bool AtomicFile::Open()
{
    Discard();
    Error.clear();
    ErrorCode = 0;
    if (Path.isEmpty())
        return Fail(ENOENT);
    const QFileInfo target(TargetOf(Path));
    if (target.isDir())
        return Fail(EISDIR);
    Target = QFile::encodeName(target.absoluteFilePath());
    Folder = QFile::encodeName(target.absolutePath());
    // The temporary file is created with the rights asked for or the usual ones (the umask
    // applies), then given exactly those asked for or those of the file it will replace.
    for (int attempt = 0; attempt < 100 && Descriptor < 0; ++attempt) {
        const QByteArray name = TemporaryNameFor(target, Folder);
        Descriptor = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                            Mode >= 0 ? static_cast<mode_t>(Mode) : 0666);
        if (Descriptor >= 0)
            TemporaryName = name;
        else if (errno != EEXIST)
            return Fail(errno);
    }
    if (Descriptor < 0)
        return Fail(EEXIST);
    struct stat old;
    if (Mode >= 0)
        ::fchmod(Descriptor, static_cast<mode_t>(Mode));
    else if (::stat(Target.constData(), &old) == 0)
        ::fchmod(Descriptor, old.st_mode & 07777);
    return true;
}

bool AtomicFile::Write(QByteArrayView bytes)
{
    if (Descriptor < 0)
        return Fail(EBADF);
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(Descriptor, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? errno : ENOSPC);
        data += n;
        left -= n;
    }
    return true;
}

bool AtomicFile::Seek(qint64 offset)
{
    if (Descriptor < 0)
        return Fail(EBADF);
    if (::lseek(Descriptor, static_cast<off_t>(offset), SEEK_SET) < 0)
        return Fail(errno);
    return true;
}

bool AtomicFile::Commit()
{
    if (Descriptor < 0)
        return Fail(EBADF);
    // A device may report a write it could not carry out only at the flush or the close.
    if (::fsync(Descriptor) != 0 && errno != EINVAL)
        return Fail(errno);
    if (::close(std::exchange(Descriptor, -1)) != 0 && errno != EINTR)
        return Fail(errno);
    if (::rename(TemporaryName.constData(), Target.constData()) != 0)
        return Fail(errno);
    TemporaryName.clear();
    // The rename itself reaches the disk with the folder; a folder that cannot be flushed does
    // not undo a save that has taken place.
    const int folder = ::open(Folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

void AtomicFile::Discard()
{
    if (Descriptor >= 0)
        ::close(std::exchange(Descriptor, -1));
    if (!TemporaryName.isEmpty())
        ::unlink(std::exchange(TemporaryName, QByteArray()).constData());
}

bool SaveFileAtomically(const QString& path, QByteArrayView bytes, int* error)
{
    AtomicFile file(path);
    const bool saved = file.Open() && file.Write(bytes) && file.Commit();
    if (!saved && error)
        *error = file.ErrorNumber();
    return saved;
}

QString SaveFailureReason(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Mappen finns inte.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Du har inte behörighet att skriva i mappen eller filen.");
    case ENOSPC:
        return QStringLiteral("Disken är full.");
    case EDQUOT:
        return QStringLiteral("Ditt diskutrymme (kvot) är slut.");
    case EROFS:
        return QStringLiteral("Filsystemet är skrivskyddat.");
    case EISDIR:
        return QStringLiteral("Det finns redan en mapp med det namnet.");
    case EFBIG:
        return QStringLiteral("Filen är för stor.");
    case ENAMETOOLONG:
        return QStringLiteral("Namnet är för långt.");
    case ELOOP:
        return QStringLiteral("Sökvägen har för många symboliska länkar.");
    case EIO:
        return QStringLiteral("Ett fel uppstod på disken eller enheten.");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Programmet har för många filer öppna.");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Filen används av ett annat program.");
    case 0:
        return QStringLiteral("Okänd orsak.");
    default:
        return QStringLiteral("Systemet svarade: %1.").arg(qt_error_string(error));
    }
}

} // namespace Tonlyra
