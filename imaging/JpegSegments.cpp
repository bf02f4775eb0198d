#include "imaging/JpegSegments.h"

QList<JpegSegment> JpegSegmentsBeforeScan(const QByteArray& jpeg) {
    const auto byte = [&](qsizetype at) { return quint8(jpeg[at]); };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return {};
    QList<JpegSegment> segments;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size()) {
        if (byte(at) != 0xFF) return {};
        const quint8 marker = byte(at + 1);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;
        const qsizetype length = qsizetype(byte(at + 2)) << 8 | byte(at + 3);
        if (length < 2 || at + 2 + length > jpeg.size()) return {};
        segments.append({marker, at + 4, length - 2});
        at += 2 + length;
    }
    return segments;
}
