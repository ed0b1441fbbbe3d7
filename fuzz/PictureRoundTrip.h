#pragma once

// The check the picture fuzz targets share: a picture our reader accepted is sound, and written
// out by the test writers as 24-bit TGA and PCX it reads back pixel for pixel through both of our
// readers.

#include "fuzz/FuzzCheck.h"
#include "platform/PictureReader.h"
#include "tests/picture/PictureFixtures.h"

inline void CheckPictureRoundTrip(const Tonlyra::PictureData& decoded)
{
    if (!decoded.Ok()) {
        FUZZ_CHECK(decoded.Image.isNull() && !decoded.Error.isEmpty());
        return;
    }
    FUZZ_CHECK(!decoded.Image.isNull() && decoded.Image.size() == decoded.OriginalSize);
    // Large pictures are sound by the above; writing them out again would only slow the run.
    if (qint64(decoded.Image.width()) * decoded.Image.height() > 64 * 64)
        return;
    const QImage rgb = decoded.Image.convertToFormat(QImage::Format_RGB32);
    FUZZ_CHECK(Tonlyra::DecodeTga(PictureFixtures::Tga(rgb)).Image == rgb);
    FUZZ_CHECK(Tonlyra::DecodePcx(PictureFixtures::Pcx24(rgb)).Image == rgb);
}
