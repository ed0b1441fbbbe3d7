// The library's three exported functions.

#include "spardon/spardon.h"

#include "spardon/CDRIP.h"
#include "spardon/ripp1.h"

#include "platform/UserPrompt.h"

#include <QApplication>
#include <QFile>

#include <cstring>
#include <memory>

namespace {

bool DialogOpen = false;

bool RunDialog(std::int32_t track, bool range, std::int32_t start, std::int32_t stop)
{
    if (DialogOpen || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    DialogOpen = true;
    struct Reset
    {
        ~Reset() { DialogOpen = false; }
    } reset;
    try {
        auto dialog = std::make_unique<TRippingDialog>();
        const bool show =
            range ? dialog->PrepareRange(track, start, stop) : dialog->PrepareTrack(track);
        if (!show)
            return false;
        Tonlyra::UserPrompt::RunDialog(*dialog);
        return dialog->CopyResult;
    } catch (const ECDRIPError& e) {
        Tonlyra::UserPrompt::ShowError(nullptr, e.Message());
    } catch (const std::exception& e) {
        Tonlyra::UserPrompt::ShowError(nullptr, QString::fromLocal8Bit(e.what()));
    } catch (...) {
    }
    return false;
}

} // namespace

extern "C" {

SPARDON_EXPORT bool RippTrackDialog(std::int32_t track)
{
    return RunDialog(track, false, 0, 0);
}

SPARDON_EXPORT bool RippTrackTimeDialog(std::int32_t track, std::int32_t start, std::int32_t stop)
{
    return RunDialog(track, true, start, stop);
}

SPARDON_EXPORT void RippFileName(unsigned char* buffer)
{
    if (!buffer)
        return;
    const QString& name = Tonlyra::Spardon::LastCopyFileName();
    QByteArray bytes = QFile::encodeName(name);
    if (bytes.size() > 255) {
        // Cut on a character boundary: never hand back half of a multi-byte character.
        qsizetype n = 255;
        while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80)
            --n;
        bytes.truncate(n);
    }
    buffer[0] = static_cast<unsigned char>(bytes.size());
    std::memcpy(buffer + 1, bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // extern "C"
