// Bytes as an ICC profile for a small picture, and as a JPEG whose APP2 profile is collected.
#include "imaging/ColourProfile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(qRgba(200, 120, 40, 128));
    if (ConvertToSrgb(image, bytes).size() != image.size()) std::abort();
    // A profile is put together from the file's own bytes, so it can never be longer.
    if (JpegIccProfile(bytes).size() > bytes.size()) std::abort();
    return 0;
}
