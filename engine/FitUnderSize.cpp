#include "engine/FitUnderSize.h"

#include "encoding/mIntelJPEGLibrary.h"
#include "engine/KeptMetadata.h"
#include "imaging/Error.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr qint64 FirstProbePixels = 256 * 1024; // cheap, and big enough to tell bytes per pixel

// Every width tried, with its JPEG's length; the search keeps the closest on each side of the limit.
class Search {
public:
    Search(const PictureRef& original, QSize full, qint64 limit, const JpegFunction& jpeg, QSize box,
           bool keep)
        : mOriginal(original), mLimit(limit), mJpeg(jpeg), mFull(full), mWithin(SizeWithin(mFull, box)),
          mKeep(keep) {}

    // Within the box's height too: only a picture far taller than wide, one pixel wide, needs that.
    QSize sizeFor(int width) const {
        const qint64 h = (2 * qint64(width) * mFull.height() + mFull.width()) / (2 * qint64(mFull.width()));
        return {width, int(std::clamp<qint64>(h, 1, mWithin.height()))};
    }
    qint64 pixelsFor(int width) const {
        const QSize size = sizeFor(width);
        return qint64(size.width()) * size.height();
    }

    qint64 measure(int width) {
        if (const auto known = mBytes.find(width); known != mBytes.end()) return known->second;
        const QSize size = sizeFor(width);
        const QByteArray jpeg = mJpeg(size, MetadataFor(mOriginal, size, mKeep));
        const qint64 bytes = jpeg.size();
        mBytes.emplace(width, bytes);
        if (bytes > mLimit)
            mTooBig = std::min(mTooBig, width);
        else if (width > mFits) {
            mFits = width;
            mFitting = jpeg;
        }
        return bytes;
    }

    // The width whose pixels, on a straight line through two measurements, give the limit.
    int widthAt(double pixels) const {
        const double aspect = double(mFull.width()) / mFull.height();
        return int(std::clamp(std::sqrt(std::max(1.0, pixels) * aspect), 1.0, double(widest())));
    }
    int interpolate(int a, int b) const {
        const double pa = double(pixelsFor(a)), pb = double(pixelsFor(b));
        const double ba = double(mBytes.at(a)), bb = double(mBytes.at(b));
        if (bb <= ba) return a + (b - a) / 2;
        return widthAt(pa + (double(mLimit) - ba) * (pb - pa) / (bb - ba));
    }

    int fits() const { return mFits; }
    int tooBig() const { return mTooBig; }
    int widest() const { return mWithin.width(); } // the box's, or the picture's own width
    qint64 bytesAt(int width) const { return mBytes.at(width); }
    const QByteArray& fittingJpeg() const { return mFitting; } // the JPEG at fits()

private:
    const PictureRef& mOriginal;
    const qint64 mLimit;
    const JpegFunction& mJpeg;
    const QSize mFull;
    const QSize mWithin;
    const bool mKeep;
    std::map<int, qint64> mBytes;
    int mFits = 0;            // the widest width known to fit; 0: none yet
    QByteArray mFitting;      // its JPEG, so that the answer need not be encoded again
    int mTooBig = 0x7fffffff; // the narrowest width known not to fit
};

// Brackets the answer: estimates grow from a small probe, bytes taken as proportional to pixels
// beyond the fixed cost of the headers that the one-pixel-wide JPEG shows.
void bracket(Search& search, qint64 limit) {
    const double headers = double(search.bytesAt(1));
    int width = search.widthAt(double(FirstProbePixels));
    for (int step = 0; step < 8 && search.tooBig() > search.widest(); ++step) {
        if (width <= search.fits()) width = search.fits() + 1;
        if (width > search.widest()) return;
        const qint64 bytes = search.measure(width);
        if (bytes > limit) return;
        const double perPixel = std::max(1e-6, (double(bytes) - headers) / double(search.pixelsFor(width)));
        // A touch past the estimate, so that the next probe is likely to land on the far side.
        const double pixels = (double(limit) - headers) / perPixel * 1.02;
        const int next = search.widthAt(pixels);
        width = next >= search.widest() ? search.widest() : next;
    }
}

// Narrows the bracket to neighbouring widths: interpolation while it halves the gap, bisection
// otherwise, so that the search never crawls.
void narrow(Search& search) {
    bool bisectNext = false;
    while (search.tooBig() - search.fits() > 1) {
        const int lo = search.fits(), hi = search.tooBig(), gap = hi - lo;
        int width = bisectNext ? lo + gap / 2 : search.interpolate(lo, hi);
        width = std::clamp(width, lo + 1, hi - 1);
        search.measure(width);
        bisectNext = !bisectNext && (search.tooBig() - search.fits()) * 2 > gap;
    }
}

} // namespace

QSize SizeWithin(QSize picture, QSize box) {
    const qint64 w0 = picture.width(), h0 = picture.height();
    qint64 width = box.width() > 0 ? std::min<qint64>(w0, box.width()) : w0;
    // round(width × h0 ÷ w0) ≤ height exactly when 2 × width × h0 < (2 × height + 1) × w0.
    if (box.height() > 0 && box.height() < h0)
        width = std::min(width, ((2 * qint64(box.height()) + 1) * w0 - 1) / (2 * h0));
    width = std::max<qint64>(1, width);
    const qint64 height = (2 * width * h0 + w0) / (2 * w0);
    const qint64 highest = box.height() > 0 ? std::min<qint64>(h0, box.height()) : h0;
    return {int(width), int(std::clamp<qint64>(height, 1, highest))};
}

QualityFit FitQualityUnderSize(const PictureRef& picture, qint64 limitBytes, const QByteArray& app1) {
    const auto measure = [&](int quality) { return qint64(EncodeJPEG(picture, quality, app1).size()); };
    if (const qint64 bytes = measure(SavedQuality); bytes <= limitBytes) return {SavedQuality, bytes, true};
    const qint64 lowest = measure(LowestFitQuality);
    if (lowest > limitBytes) return {LowestFitQuality, lowest, false};
    QualityFit best{LowestFitQuality, lowest, true};
    int tooBig = SavedQuality;
    while (tooBig - best.quality > 1) {
        const int quality = best.quality + (tooBig - best.quality) / 2;
        if (const qint64 bytes = measure(quality); bytes <= limitBytes)
            best = {quality, bytes, true};
        else
            tooBig = quality;
    }
    return best;
}

FitResult FitUnderSize(const PictureRef& original, qint64 limitBytes, const ResizeFunction& resize, QSize box,
                       bool keepDateAndCamera) {
    const JpegFunction jpeg = [&](QSize size, const QByteArray& app1) {
        return EncodeJPEG(resize(original, size), SavedQuality, app1);
    };
    return FitUnderSize(original, original ? original->size() : QSize(), limitBytes, jpeg, box,
                        keepDateAndCamera);
}

FitResult FitUnderSize(const PictureRef& original, QSize full, qint64 limitBytes, const JpegFunction& jpeg,
                       QSize box, bool keepDateAndCamera) {
    if (!original || original->size().isEmpty() || full.isEmpty())
        throw QuillonError(QStringLiteral("There is no picture to fit."));
    Search search(original, full, limitBytes, jpeg, box, keepDateAndCamera);

    if (search.measure(1) > limitBytes)
        return {search.sizeFor(1), search.bytesAt(1), FitOutcome::NothingFits, {}};
    bracket(search, limitBytes);
    if (search.tooBig() > search.widest()) search.measure(search.widest()); // still unbracketed
    if (search.fits() == search.widest()) {
        const QSize size = search.sizeFor(search.widest());
        const FitOutcome outcome = size == full ? FitOutcome::KeptAsItIs : FitOutcome::FitsTheBox;
        return {size, search.bytesAt(search.fits()), outcome, search.fittingJpeg()};
    }
    narrow(search);
    // Every width kept was measured against the limit; the answer is the widest that fitted.
    const int width = search.fits();
    return {search.sizeFor(width), search.bytesAt(width), FitOutcome::Fitted, search.fittingJpeg()};
}
