#pragma once
// The one stretch routine: nearest neighbour, no smoothing.
#include <QImage>
#include <QRect>
#include <QSize>
#include <vector>

// Draws the whole of `source` stretched into `target` (surface coordinates) onto `dest`, whose top-left
// pixel lies at `destOrigin` in surface coordinates. Only the part of `target` that falls on `dest` is
// computed, and every destination pixel depends on the target size alone, so drawing a surface in
// parts gives the same pixels as drawing it whole. Opaque sources replace what is below; sources
// with transparent parts are blended over it. `dest` must be 32-bit RGB.
void StretchInto(QImage& dest, QPoint destOrigin, const QImage& source, const QRect& target);

// The rows of an opaque `source` stretched to `size`, made one at a time: the pixels StretchInto gives
// for the same target size, without a picture of that size. `source` must outlive it.
class StretchedRows {
public:
    StretchedRows(const QImage& source, QSize size);
    void row(int y, quint32* out) const; // `size.width()` pixels of row y, opaque
private:
    const QImage& mSource;
    const QSize mSize;
    std::vector<int> mColumns;
};
