// The profile layer on any bytes. Reading never fails and reads nothing outside its input; what
// it read survives being written out and read again (the same sections, keys and values); a key
// written into every section reads back as written, and the other keys keep their values.

#include "fuzz/FuzzCheck.h"
#include "platform/ProfileFile.h"

#include <cstdint>

using Tonlyra::ProfileFile;

namespace {

ProfileFile Parsed(const QByteArray& bytes)
{
    ProfileFile file;
    file.FromBytes(bytes);
    return file;
}

// Every section, key and value of a reads the same in b.
void CheckSameContent(const ProfileFile& a, const ProfileFile& b)
{
    FUZZ_CHECK(a.Sections() == b.Sections());
    for (const QString& section : a.Sections()) {
        FUZZ_CHECK(a.Keys(section) == b.Keys(section));
        for (const QString& key : a.Keys(section))
            FUZZ_CHECK(a.ReadString(section, key) == b.ReadString(section, key));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ProfileFile file = Parsed(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const ProfileFile read = Parsed(file.ToBytes());
    CheckSameContent(file, read);

    const QString value = QStringLiteral("\"written\" = 'värde'");
    const QStringList sections = file.Sections();
    for (const QString& section : sections)
        file.WriteString(section, QStringLiteral("Fuzz"), value);
    file.WriteString(QStringLiteral("Fuzz section"), QStringLiteral("Fuzz"), value);
    const ProfileFile written = Parsed(file.ToBytes());
    CheckSameContent(file, written);
    for (const QString& section : sections + QStringList{QStringLiteral("Fuzz section")}) {
        FUZZ_CHECK(written.ReadString(section, QStringLiteral("Fuzz")) == value);
        for (const QString& key : read.Keys(section))
            if (key.compare(QStringLiteral("Fuzz"), Qt::CaseInsensitive) != 0)
                FUZZ_CHECK(written.ReadString(section, key) == read.ReadString(section, key));
    }
    return 0;
}
