#pragma once

#include <QByteArrayView>
#include <QString>

namespace Tonlyra {

// Every file the program saves goes through here, so that a save either replaces the file whole
// or leaves it byte for byte as it was: on a full disk, under a file size limit, on a failing
// device, or when the program is killed half way.
//
// The bytes go to a temporary file in the target's folder. Commit flushes that file to the disk,
// closes it and renames it over the target; every write, the flush and the close are checked,
// and any failure on the way removes the temporary file and makes Commit return false. A file
// that is never committed is removed when the object goes. The new file keeps the permissions
// of the file it replaces; a symbolic link is followed and the file it names replaced.
class AtomicFile
{
public:
    explicit AtomicFile(const QString& path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Gives the new file exactly these rights (as chmod takes them, e.g. 0600) in place of those
    // of the file it replaces; call before Open.
    void SetMode(int mode) { Mode = mode; }

    // Creates the temporary file. False when it cannot be made (no such folder, no right to
    // write there, the target is a folder).
    bool Open();
    // Appends (or, after Seek, overwrites) bytes; false once anything has failed.
    bool Write(QByteArrayView bytes);
    bool Write(const void* data, qint64 size)
    {
        return Write(QByteArrayView(static_cast<const char*>(data), size));
    }
    // Moves the write position, for a header filled in at the end.
    bool Seek(qint64 offset);
    // Makes the written bytes the file. False, with the file left as it was, when anything
    // failed since Open.
    bool Commit();
    // Throws the written bytes away; the file stays as it was.
    void Discard();

    // Why the save failed, in the system's words; empty while all is well.
    const QString& ErrorString() const { return Error; }
    // The errno of the step that failed first; 0 while all is well.
    int ErrorNumber() const { return ErrorCode; }

private:
    bool Fail(int error);

    QString Path;
    QByteArray Target; // the file replaced, and its folder, as the system names them
    QByteArray Folder;
    QByteArray TemporaryName;
    int Descriptor = -1;
    int Mode = -1; // -1: the rights of the file replaced
    QString Error;
    int ErrorCode = 0;
};

// Saves bytes as the whole content of path through AtomicFile. On failure returns false and, if
// error is given, sets it to the errno of the step that failed.
bool SaveFileAtomically(const QString& path, QByteArrayView bytes, int* error = nullptr);

// Why a file could not be saved, as one Swedish sentence for the line under a save failure
// message: the folder does not exist, no permission, the disk is full, ... error is an errno.
QString SaveFailureReason(int error);

} // namespace Tonlyra
