#pragma once
// The marker segments of a JPEG file, as the readers of its metadata walk them.
#include <QByteArray>
#include <QList>

struct JpegSegment {
    quint8 marker;     // 0xE1 for APP1, 0xE2 for APP2, ...
    qsizetype payload; // where its bytes after the length field start
    qsizetype size;    // how many there are
};

// The segments with a length, in order, up to the first scan (metadata comes before it). Empty when
// the bytes are not a JPEG or a segment is damaged or runs past their end.
QList<JpegSegment> JpegSegmentsBeforeScan(const QByteArray& jpeg);
