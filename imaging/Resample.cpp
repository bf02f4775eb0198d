#include "imaging/Resample.h"

#include "imaging/Error.h"
#include "imaging/LargeMemory.h"
#include "imaging/RowBands.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// One pass's filter: for every output pixel, the first source pixel of its window and its weights in
// fixed point. Weights come in pairs (two 16-bit values in one 32-bit word), the form the vector
// code multiplies and adds in one step; a window is padded with zero weights to a multiple of four.
struct Filter {
    int taps = 0;                // padded window length, the same for every output pixel
    int shift = 14;              // fixed-point bits of the weights
    std::vector<int> first;      // per output pixel
    std::vector<int> count;      // per output pixel: taps that matter, rounded up to a multiple of 4
    std::vector<std::int16_t> w; // taps per output pixel
};

double lanczos(double x, double lobes) {
    x = std::abs(x);
    if (x < 1e-12) return 1.0;
    if (x >= lobes) return 0.0;
    const double px = std::numbers::pi * x;
    return lobes * std::sin(px) * std::sin(px / lobes) / (px * px);
}

Filter makeFilter(int in, int out) {
    const double scale = double(in) / out;
    const double widen = std::max(1.0, scale);
    // Shrinking takes a fourth lobe: the rings a web picture can keep stay sharper, and those it
    // cannot keep are cut harder. Enlarging keeps three, which ring less at hard edges.
    const double lobes = scale > 1.0 ? 4.0 : 3.0;
    const double support = lobes * widen;
    Filter f;
    f.taps = (int(std::ceil(2 * support)) + 2 + 3) & ~3;
    f.first.resize(out);
    f.count.resize(out);
    f.w.assign(std::size_t(out) * f.taps, 0);
    std::vector<double> weights(f.taps);
    // A very wide window has small weights: more fixed-point bits keep them from rounding to zero,
    // while the sums stay inside 32 bits (at most about 1.4 × 2^22 × 255).
    double largest = 0;
    struct Window {
        int lo, n;
    };
    std::vector<Window> windows(out);
    std::vector<double> all(std::size_t(out) * f.taps, 0.0);
    for (int o = 0; o < out; ++o) {
        const double centre = (o + 0.5) * scale;
        int lo = std::max(0, int(std::floor(centre - support)));
        int hi = std::min(in, int(std::ceil(centre + support)));
        double sum = 0;
        for (int j = lo; j < hi; ++j)
            sum += weights[j - lo] = lanczos((j + 0.5 - centre) / widen, lobes);
        // Windows cut short by the picture's edge are renormalised: the edge neither darkens nor rings.
        while (hi > lo + 1 && std::abs(weights[hi - 1 - lo]) < 1e-9)
            --hi;
        int skip = 0;
        while (lo + skip < hi - 1 && std::abs(weights[skip]) < 1e-9)
            ++skip;
        double* row = &all[std::size_t(o) * f.taps];
        for (int j = lo + skip; j < hi; ++j) {
            row[j - lo - skip] = weights[j - lo] / sum;
            largest = std::max(largest, std::abs(row[j - lo - skip]));
        }
        windows[o] = {lo + skip, hi - lo - skip};
    }
    while (f.shift < 22 && largest * double(1 << (f.shift + 1)) < 16383)
        ++f.shift;
    const int one = 1 << f.shift;
    for (int o = 0; o < out; ++o) {
        const double* row = &all[std::size_t(o) * f.taps];
        std::int16_t* fixed = &f.w[std::size_t(o) * f.taps];
        int total = 0, biggest = 0;
        for (int k = 0; k < windows[o].n; ++k) {
            fixed[k] = std::int16_t(std::lround(row[k] * one));
            total += fixed[k];
            if (std::abs(fixed[k]) > std::abs(fixed[biggest])) biggest = k;
        }
        // The weights sum to exactly one, so that flat areas, and opaque alpha, come out unchanged.
        fixed[biggest] = std::int16_t(fixed[biggest] + one - total);
        f.first[o] = windows[o].lo;
        f.count[o] = (windows[o].n + 3) & ~3;
    }
    return f;
}

constexpr std::uint32_t OpaqueAlpha = 0xFF000000u;

// Premultiplied colour never exceeds its alpha; an opaque picture stays opaque.
template <bool Premultiplied> std::uint32_t finished(int b, int g, int r, int a) {
    a = std::clamp(a, 0, 255);
    const int top = Premultiplied ? a : 255;
    const std::uint32_t rgb = std::uint32_t(std::clamp(b, 0, top)) |
                              std::uint32_t(std::clamp(g, 0, top)) << 8 |
                              std::uint32_t(std::clamp(r, 0, top)) << 16;
    return Premultiplied ? rgb | std::uint32_t(a) << 24 : rgb | OpaqueAlpha;
}

#if defined(__SSE2__)
inline __m128i pairOf(std::int16_t low, std::int16_t high) {
    return _mm_set1_epi32(int(std::uint32_t(std::uint16_t(low)) | std::uint32_t(std::uint16_t(high)) << 16));
}

template <bool Premultiplied> inline __m128i finishedPixels(__m128i p) {
    if (Premultiplied) {
        __m128i a = _mm_and_si128(p, _mm_set1_epi32(int(OpaqueAlpha)));
        a = _mm_or_si128(a, _mm_srli_epi32(a, 8));
        a = _mm_or_si128(a, _mm_srli_epi32(a, 16));
        return _mm_min_epu8(p, a);
    }
    return _mm_or_si128(p, _mm_set1_epi32(int(OpaqueAlpha)));
}
#endif

// One output row of the vertical pass: pixel x is the weighted sum of pixel x of the window's rows.
template <bool Premultiplied>
void verticalRow(const Filter& f, int o, const uchar* bits, qsizetype bytesPerLine, int rows,
                 std::uint32_t* out, int width) {
    const std::int16_t* w = &f.w[std::size_t(o) * f.taps];
    const int n = f.count[o];
    // Taps past the last row have zero weight; they read the last row rather than beyond it.
    const uchar* row[4096];
    std::vector<const uchar*> many;
    const uchar** rowOf = row;
    if (n > 4096) {
        many.resize(n);
        rowOf = many.data();
    }
    for (int k = 0; k < n; ++k)
        rowOf[k] = bits + std::min(f.first[o] + k, rows - 1) * bytesPerLine;
    int x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(1 << (f.shift - 1));
    const __m128i shift = _mm_cvtsi32_si128(f.shift);
    for (; x + 4 <= width; x += 4) {
        __m128i s0 = half, s1 = half, s2 = half, s3 = half;
        for (int k = 0; k < n; k += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rowOf[k] + 4 * x));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rowOf[k + 1] + 4 * x));
            const __m128i pair = pairOf(w[k], w[k + 1]);
            const __m128i lo = _mm_unpacklo_epi8(a, b), hi = _mm_unpackhi_epi8(a, b);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), pair));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), pair));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), pair));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), pair));
        }
        s0 = _mm_sra_epi32(s0, shift);
        s1 = _mm_sra_epi32(s1, shift);
        s2 = _mm_sra_epi32(s2, shift);
        s3 = _mm_sra_epi32(s3, shift);
        const __m128i p = _mm_packus_epi16(_mm_packs_epi32(s0, s1), _mm_packs_epi32(s2, s3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), finishedPixels<Premultiplied>(p));
    }
#endif
    const int half1 = 1 << (f.shift - 1);
    for (; x < width; ++x) {
        int s[4] = {half1, half1, half1, half1};
        for (int k = 0; k < n; ++k)
            for (int c = 0; c < 4; ++c)
                s[c] += rowOf[k][4 * x + c] * w[k];
        out[x] = finished<Premultiplied>(s[0] >> f.shift, s[1] >> f.shift, s[2] >> f.shift, s[3] >> f.shift);
    }
}

// One row of the horizontal pass. `in` holds the source row followed by at least `f.taps` pixels of
// zeros, so that padded windows never read past it.
template <bool Premultiplied>
void horizontalRow(const Filter& f, const std::uint32_t* in, std::uint32_t* out, int width) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(1 << (f.shift - 1));
    const __m128i shift = _mm_cvtsi32_si128(f.shift);
    for (int o = 0; o < width; ++o) {
        const std::int16_t* w = &f.w[std::size_t(o) * f.taps];
        const std::uint32_t* p = in + f.first[o];
        __m128i s = half;
        for (int k = 0; k < f.count[o]; k += 4) {
            const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
            const __m128i lo = _mm_unpacklo_epi8(px, zero), hi = _mm_unpackhi_epi8(px, zero);
            // Channels of pixels 0 and 2 side by side, then of pixels 1 and 3.
            s = _mm_add_epi32(s, _mm_madd_epi16(_mm_unpacklo_epi16(lo, hi), pairOf(w[k], w[k + 2])));
            s = _mm_add_epi32(s, _mm_madd_epi16(_mm_unpackhi_epi16(lo, hi), pairOf(w[k + 1], w[k + 3])));
        }
        s = _mm_sra_epi32(s, shift);
        const __m128i pixel = _mm_packus_epi16(_mm_packs_epi32(s, s), zero);
        out[o] = std::uint32_t(_mm_cvtsi128_si32(finishedPixels<Premultiplied>(pixel)));
    }
#else
    for (int o = 0; o < width; ++o) {
        const std::int16_t* w = &f.w[std::size_t(o) * f.taps];
        const auto* p = reinterpret_cast<const uchar*>(in + f.first[o]);
        int s[4] = {1 << (f.shift - 1), 1 << (f.shift - 1), 1 << (f.shift - 1), 1 << (f.shift - 1)};
        for (int k = 0; k < f.count[o]; ++k)
            for (int c = 0; c < 4; ++c)
                s[c] += p[4 * k + c] * w[k];
        out[o] = finished<Premultiplied>(s[0] >> f.shift, s[1] >> f.shift, s[2] >> f.shift, s[3] >> f.shift);
    }
#endif
}

[[noreturn]] void failForMemory(QSize size) {
    throw QuillonError(QStringLiteral("There is not enough memory for a picture of %1 × %2 pixels.")
                           .arg(size.width())
                           .arg(size.height()));
}

QImage allocated(QSize size, QImage::Format format, QSize named) {
    QImage image = AllocateImage(size, format);
    if (image.isNull()) failForMemory(named);
    return image;
}

// A row with room for a padded window past its end, zero-filled there.
std::vector<std::uint32_t> paddedRow(int width, const Filter* f) {
    return std::vector<std::uint32_t>(std::size_t(width) + (f ? f->taps : 0) + 4, 0);
}

template <bool Premultiplied>
void resample(const QImage& source, QImage& result, const std::atomic<bool>* stop) {
    const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    const int inW = source.width(), inH = source.height();
    const int outW = result.width(), outH = result.height();
    const bool across = inW != outW, down = inH != outH;
    const Filter fx = across ? makeFilter(inW, outW) : Filter{};
    const Filter fy = down ? makeFilter(inH, outH) : Filter{};
    const uchar* src = source.constBits();
    const qsizetype srcLine = source.bytesPerLine();
    uchar* dst = result.bits();
    const qsizetype dstLine = result.bytesPerLine();
    const qint64 work = qint64(inW) * inH + qint64(outW) * outH;

    if (outH <= inH) {
        // Shrinking downwards: each output row needs one filtered row of full width, made and used at
        // once, so no picture-sized intermediate is kept, and the costly horizontal pass sees few rows.
        ForEachRowBand(0, outH, work, [&](qint64 first, qint64 end) {
            std::vector<std::uint32_t> row = paddedRow(inW, across ? &fx : nullptr);
            for (qint64 y = first; y < end && !stopped(); ++y) {
                auto* out = reinterpret_cast<std::uint32_t*>(dst + y * dstLine);
                std::uint32_t* mid = across ? row.data() : out;
                if (down)
                    verticalRow<Premultiplied>(fy, int(y), src, srcLine, inH, mid, inW);
                else
                    std::memcpy(mid, src + y * srcLine, std::size_t(inW) * 4);
                if (across) horizontalRow<Premultiplied>(fx, mid, out, outW);
            }
        });
        return;
    }
    // Enlarging downwards: the rows are filtered across once each, then combined down.
    QImage between = across ? allocated({outW, inH}, result.format(), result.size()) : source;
    if (across) {
        uchar* mid = between.bits();
        const qsizetype midLine = between.bytesPerLine();
        ForEachRowBand(0, inH, qint64(outW) * inH, [&](qint64 first, qint64 end) {
            std::vector<std::uint32_t> row = paddedRow(inW, &fx);
            for (qint64 y = first; y < end && !stopped(); ++y) {
                std::memcpy(row.data(), src + y * srcLine, std::size_t(inW) * 4);
                horizontalRow<Premultiplied>(fx, row.data(),
                                             reinterpret_cast<std::uint32_t*>(mid + y * midLine), outW);
            }
        });
    }
    const uchar* mid = between.constBits();
    const qsizetype midLine = between.bytesPerLine();
    ForEachRowBand(0, outH, qint64(outW) * outH, [&](qint64 first, qint64 end) {
        for (qint64 y = first; y < end && !stopped(); ++y)
            verticalRow<Premultiplied>(fy, int(y), mid, midLine, inH,
                                       reinterpret_cast<std::uint32_t*>(dst + y * dstLine), outW);
    });
}

} // namespace

QImage ResampleSmooth(const QImage& source, QSize size, const std::atomic<bool>* stop) {
    if (source.isNull()) throw QuillonError(QStringLiteral("There is no picture to resize."));
    if (size.width() < 1 || size.height() < 1)
        throw QuillonError(QStringLiteral("A picture must be at least one pixel wide and high, not %1 × %2.")
                               .arg(size.width())
                               .arg(size.height()));
    if (size.width() > MaxPictureSide || size.height() > MaxPictureSide ||
        qint64(size.width()) * size.height() > MaxPicturePixels)
        throw QuillonError(QStringLiteral("A picture of %1 × %2 pixels is larger than Quillon can make.")
                               .arg(size.width())
                               .arg(size.height()));
    const bool alpha = source.hasAlphaChannel();
    const QImage::Format format = alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage input = source.format() == format ? source : source.convertToFormat(format);
    if (input.isNull()) failForMemory(source.size());
    if (size == input.size()) return input;
    QImage result = allocated(size, format, size);
    if (alpha)
        resample<true>(input, result, stop);
    else
        resample<false>(input, result, stop);
    return result;
}

namespace {

// Premultiplied pixels over an opaque colour: colour + background × (1 − alpha), as the stretch
// blends them. In place when the image is the caller's alone; a shared one is left as it is.
QImage laidOver(QImage image, const QColor& background) {
    if (!image.hasAlphaChannel()) return image;
    const bool inPlace = image.isDetached();
    QImage result = inPlace ? std::move(image) : allocated(image.size(), image.format(), image.size());
    const QImage& source = inPlace ? result : image;
    uchar* dst = result.bits(); // the result's alone: no copy
    const uchar* src = source.constBits();
    const qsizetype dstLine = result.bytesPerLine(), srcLine = source.bytesPerLine();
    const int width = result.width();
    const QRgb under = background.rgb();
    const int red = qRed(under), green = qGreen(under), blue = qBlue(under);
    ForEachRowBand(0, result.height(), qint64(width) * result.height(), [&](qint64 first, qint64 end) {
        for (qint64 y = first; y < end; ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(src + y * srcLine);
            auto* out = reinterpret_cast<QRgb*>(dst + y * dstLine);
            for (int x = 0; x < width; ++x) {
                const QRgb p = in[x];
                const int rest = 255 - qAlpha(p);
                out[x] = qRgb(qRed(p) + (red * rest + 127) / 255, qGreen(p) + (green * rest + 127) / 255,
                              qBlue(p) + (blue * rest + 127) / 255);
            }
        }
    });
    result.reinterpretAsFormat(QImage::Format_RGB32);
    return result;
}

} // namespace

PictureRef SmoothResizedPicture(const PictureRef& original, QSize size, const QColor& background,
                                const std::atomic<bool>* stop) {
    if (!original) return nullptr;
    if (size == original->size() && !original->hasTransparency()) return original;
    return Picture::make(laidOver(ResampleSmooth(original->image(), size, stop), background));
}
