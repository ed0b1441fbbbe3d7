// Our TGA reader on any bytes: see PictureRoundTrip.h for what is checked.

#include "fuzz/PictureRoundTrip.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckPictureRoundTrip(Tonlyra::DecodeTga(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size))));
    return 0;
}
