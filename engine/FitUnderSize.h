#pragma once
// The largest size of a picture whose saved JPEG stays under a length.
#include "imaging/Picture.h"

#include <QByteArray>
#include <QSize>
#include <functional>

// Makes a picture of the given size from the original, over the front end's background.
using ResizeFunction = std::function<PictureRef(const PictureRef& original, QSize size)>;
// Makes the quality-90 JPEG of the picture resized to `size`, with `app1` (MetadataFor) after its header.
using JpegFunction = std::function<QByteArray(QSize size, const QByteArray& app1)>;

// The quality of every JPEG Quillon writes, unless the user asks a fit to lower it, and how low a fit
// may lower it.
inline constexpr int SavedQuality = 90;
inline constexpr int LowestFitQuality = 30;
// The longest length a fit is asked for, in the window and on the command line alike.
inline constexpr qint64 MaxFitBytes = qint64{4} << 30;

enum class FitOutcome {
    Fitted,      // the length binds: the largest size under it
    KeptAsItIs,  // the original size fits already (and fits the box)
    FitsTheBox,  // the box binds: the largest size inside it fits under the length
    NothingFits, // not even one pixel wide fits; `size` and `bytes` are that smallest size's
};

struct FitResult {
    QSize size;
    qint64 bytes = 0; // the quality-90 JPEG's length at `size`, measured, not estimated
    FitOutcome outcome = FitOutcome::NothingFits;
    QByteArray jpeg; // that JPEG itself, the metadata kept included; empty when nothing fits
};

// The largest width W, the height following as round(W × H ÷ W0) (at least 1), whose quality-90 JPEG
// (EncodeJPEG) is at most `limitBytes` long, searched on the real encoder, and whose size lies inside
// `box` (a side of 0 or less bounds nothing). The original's aspect is kept, so only the width is
// searched; the result is never larger than the original. Throws QuillonError as the resize and the
// encoder do.
// With `keepDateAndCamera`, every JPEG measured carries the metadata Save writes with it.
FitResult FitUnderSize(const PictureRef& original, qint64 limitBytes, const ResizeFunction& resize,
                       QSize box = {}, bool keepDateAndCamera = false);
// The same for a picture of `full` pixels that `original` may hold at a lower resolution: `jpeg`
// makes each size measured from as much of the picture as it needs, the same bytes for the same size
// every time. `original` gives the metadata kept.
FitResult FitUnderSize(const PictureRef& original, QSize full, qint64 limitBytes, const JpegFunction& jpeg,
                       QSize box = {}, bool keepDateAndCamera = false);

// The largest size inside `box` in the proportions of `picture` (the height as FitUnderSize rounds it),
// never larger than `picture`; a side of 0 or less bounds nothing. At least 1 × 1.
QSize SizeWithin(QSize picture, QSize box);

struct QualityFit {
    int quality = SavedQuality; // the highest that fits, or LowestFitQuality when none does
    qint64 bytes = 0;           // the JPEG's length at that quality
    bool fits = false;
};

// The highest quality from SavedQuality down to LowestFitQuality whose JPEG of `picture` (EncodeJPEG)
// is at most `limitBytes` long; lengths are taken to grow with the quality. Throws as EncodeJPEG does.
QualityFit FitQualityUnderSize(const PictureRef& picture, qint64 limitBytes, const QByteArray& app1 = {});
