#pragma once
// Smooth resizing, beside the nearest-neighbour stretch: a Lanczos filter (four lobes when shrinking,
// three when enlarging), widened by the shrink factor when shrinking so that detail finer than the
// new pixel grid is averaged away rather than turned into moiré, and interpolating without blocks
// when enlarging.
#include "imaging/Picture.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <atomic>

// The whole of `source` resampled to `size`. A 32-bit RGB source gives a 32-bit RGB result; one with
// transparency (premultiplied ARGB, as Picture keeps it) gives premultiplied ARGB, filtered so that
// transparent pixels lend no colour to their neighbours. Other formats are converted first.
// Throws QuillonError when the size is empty, beyond MaxPictureSide or MaxPicturePixels, or when
// there is not enough memory; `source` is never changed. Once `stop` is set, the work ends soon and
// what it gives is of no use.
QImage ResampleSmooth(const QImage& source, QSize size, const std::atomic<bool>* stop = nullptr);

// The picture resampled smoothly to `size` and laid over `background`, opaque as the nearest-pixel
// resize gives it (a half-transparent pixel becomes the blend of its colour and the background): a new
// picture, or `original` itself when it is opaque and at its own size. Null for a null picture.
// Throws as ResampleSmooth does.
PictureRef SmoothResizedPicture(const PictureRef& original, QSize size, const QColor& background,
                                const std::atomic<bool>* stop = nullptr);
