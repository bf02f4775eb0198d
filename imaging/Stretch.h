#pragma once
// The one stretch routine: nearest neighbour, no smoothing.
#include <QImage>
#include <QRect>

// Draws the whole of `source` stretched into `target` (surface coordinates) onto `dest`, whose top-left
// pixel lies at `destOrigin` in surface coordinates. Only the part of `target` that falls on `dest` is
// computed, and every destination pixel depends on the target size alone, so drawing a surface in
// parts gives the same pixels as drawing it whole. Opaque sources replace what is below; sources
// with transparent parts are blended over it. `dest` must be 32-bit RGB.
void StretchInto(QImage& dest, QPoint destOrigin, const QImage& source, const QRect& target);
