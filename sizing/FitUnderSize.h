#pragma once
// The largest size of a picture whose saved JPEG stays under a length.
#include "platform/Picture.h"

#include <QSize>
#include <functional>

// Makes a picture of the given size from the original, over the front end's background.
using ResizeFunction = std::function<PictureRef(const PictureRef& original, QSize size)>;

enum class FitOutcome {
    Fitted,      // a smaller size fits
    KeptAsItIs,  // the original size fits already
    NothingFits, // not even one pixel wide fits; `size` and `bytes` are that smallest size's
};

struct FitResult {
    QSize size;
    qint64 bytes = 0; // the quality-90 JPEG's length at `size`, measured, not estimated
    FitOutcome outcome = FitOutcome::NothingFits;
};

// The largest width W, the height following as round(W × H ÷ W0) (at least 1), whose quality-90 JPEG
// (EncodeJPEG) is at most `limitBytes` long, searched on the real encoder. The original's aspect is
// kept, so only the width is searched. Throws QuillonError as the resize and the encoder do.
FitResult FitUnderSize(const PictureRef& original, qint64 limitBytes, const ResizeFunction& resize);
