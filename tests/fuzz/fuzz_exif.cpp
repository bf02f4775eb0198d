// Bytes through the EXIF block finder and the kept segment; the first byte chooses the container.
#include "imaging/ExifBlock.h"
#include "engine/KeptMetadata.h"
#include "support/PictureFactory.h"

#include <cstdlib>

namespace {

QByteArray container(char how, const QByteArray& input) {
    switch (quint8(how) % 4) {
    case 1: return factory::withExif("JPEG", input.left(MaxExifBlockBytes));
    case 2: return factory::withExif("PNG", input);
    case 3: return factory::withExif("WEBP", input);
    default: return input;
    }
}

void keep(const QByteArray& block) {
    const QSize output(1280, 960);
    const QByteArray segment = KeptExifSegment(block, output);
    if (segment.size() > 65'533) std::abort();
    // What is kept keeps itself: the segment read back gives the same segment.
    if (!segment.isEmpty() && KeptExifSegment(segment.mid(6), output) != segment) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const QByteArray input(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
    const QByteArray block = ExifBlockOf(container(char(data[0]), input));
    if (block.size() > MaxExifBlockBytes) std::abort();
    keep(block);
    keep(input);
    return 0;
}
