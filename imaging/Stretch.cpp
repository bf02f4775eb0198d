#include "imaging/Stretch.h"

#include "imaging/RowBands.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The source index of destination index i (0 <= i < destLength): the source pixel under the
// destination pixel's centre.
inline int sourceIndex(qint64 i, qint64 sourceLength, qint64 destLength) {
    return int(((2 * i + 1) * sourceLength) / (2 * destLength));
}

inline quint32 blendOver(quint32 src, quint32 dst) {
    const quint32 alpha = src >> 24;
    if (alpha == 255) return src;
    if (alpha == 0) return dst;
    const quint32 inverse = 255 - alpha;
    quint32 rb = (dst & 0xFF00FF) * inverse;
    quint32 g = ((dst >> 8) & 0xFF) * inverse;
    rb = ((rb + ((rb >> 8) & 0xFF00FF) + 0x800080) >> 8) & 0xFF00FF;
    g = ((g + (g >> 8) + 0x80) >> 8) & 0xFF;
    return 0xFF000000 | ((src & 0xFFFFFF) + (rb | (g << 8)));
}

struct Job {
    uchar* destBits; // taken on the calling thread: scanLine() on a shared image is not for workers
    qsizetype destBytesPerLine;
    const QImage* source;
    QRect area;    // destination pixels to compute, in dest coordinates
    QPoint offset; // dest coordinates to target coordinates
    QSize target;
    const std::vector<int>* columns;
    bool blend;
};

void stretchRows(const Job& job, int firstRow, int lastRow) {
    const int left = job.area.left();
    const int count = job.area.width();
    const auto& columns = *job.columns;
    int previousSourceRow = -1;
    const quint32* previousDestRow = nullptr;
    for (int y = firstRow; y <= lastRow; ++y) {
        const int sourceRow = sourceIndex(y + job.offset.y(), job.source->height(), job.target.height());
        auto* out = reinterpret_cast<quint32*>(job.destBits + y * job.destBytesPerLine) + left;
        if (!job.blend && sourceRow == previousSourceRow) {
            std::memcpy(out, previousDestRow, size_t(count) * 4); // rows repeat when enlarging
            continue;
        }
        const auto* in = reinterpret_cast<const quint32*>(job.source->constScanLine(sourceRow));
        if (job.blend)
            for (int i = 0; i < count; ++i)
                out[i] = blendOver(in[columns[size_t(i)]], out[i]);
        else
            for (int i = 0; i < count; ++i)
                out[i] = in[columns[size_t(i)]] | 0xFF000000;
        previousSourceRow = sourceRow;
        previousDestRow = out;
    }
}

} // namespace

void StretchInto(QImage& dest, QPoint destOrigin, const QImage& source, const QRect& target) {
    if (target.isEmpty() || source.isNull()) return;
    const QRect onDest = target.translated(-destOrigin).intersected(dest.rect());
    if (onDest.isEmpty()) return;
    const QPoint offset = destOrigin - target.topLeft(); // dest (x, y) is target (x + offset.x, ...)

    std::vector<int> columns(size_t(onDest.width()));
    for (int i = 0; i < onDest.width(); ++i)
        columns[size_t(i)] = sourceIndex(onDest.left() + i + offset.x(), source.width(), target.width());

    const Job job{dest.bits(), dest.bytesPerLine(), &source,  onDest,
                  offset,      target.size(),       &columns, source.hasAlphaChannel()};
    ForEachRowBand(onDest.top(), onDest.top() + onDest.height(), qint64(onDest.width()) * onDest.height(),
                   [&](qint64 first, qint64 end) { stretchRows(job, int(first), int(end) - 1); });
}

StretchedRows::StretchedRows(const QImage& source, QSize size)
    : mSource(source), mSize(size), mColumns(size_t(std::max(0, size.width()))) {
    for (int i = 0; i < size.width(); ++i)
        mColumns[size_t(i)] = sourceIndex(i, source.width(), size.width());
}

void StretchedRows::row(int y, quint32* out) const {
    const auto* in = reinterpret_cast<const quint32*>(
        mSource.constScanLine(sourceIndex(y, mSource.height(), mSize.height())));
    for (const int column : mColumns)
        *out++ = in[column] | 0xFF000000;
}
