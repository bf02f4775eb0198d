#include "imaging/ColourProfile.h"

#include "imaging/JpegSegments.h"

#include "imaging/RowBands.h"

#include <QColorSpace>
#include <QtEndian>
#include <array>
#include <cstring>
#include <lcms2.h>
#include <map>
#include <memory>

namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;
using Transform = std::unique_ptr<void, TransformDeleter>;

// A profile that does not move any of these colours by more than a level is sRGB in all but name:
// converting would only add rounding.
bool changesNothing(cmsHTRANSFORM transform) {
    constexpr int Levels[] = {0, 64, 128, 192, 255};
    std::array<std::uint32_t, 125> in{}, out{};
    std::size_t i = 0;
    for (int r : Levels)
        for (int g : Levels)
            for (int b : Levels)
                in[i++] = 0xFF000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
    cmsDoTransform(transform, in.data(), out.data(), cmsUInt32Number(in.size()));
    for (std::size_t k = 0; k < in.size(); ++k)
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(int((in[k] >> shift) & 0xFF) - int((out[k] >> shift) & 0xFF)) > 1) return false;
    return true;
}

} // namespace

QImage ConvertToSrgb(QImage image, const QByteArray& iccProfile) {
    if (iccProfile.isEmpty() || image.isNull()) return image;
    const Profile source(cmsOpenProfileFromMem(iccProfile.constData(), cmsUInt32Number(iccProfile.size())));
    if (!source || cmsGetColorSpace(source.get()) != cmsSigRgbData) return image;
    const cmsProfileClassSignature kind = cmsGetDeviceClass(source.get());
    if (kind != cmsSigInputClass && kind != cmsSigDisplayClass && kind != cmsSigColorSpaceClass) return image;
    const Profile srgb(cmsCreate_sRGBProfile());
    // Blue, green, red, alpha in memory: QImage's 32-bit formats on a little-endian machine. Without
    // the one-pixel cache, one transform serves all the cores at once.
    const cmsUInt32Number layout = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TYPE_BGRA_8 : TYPE_ARGB_8;
    const Transform transform(cmsCreateTransform(source.get(), layout, srgb.get(), layout, INTENT_PERCEPTUAL,
                                                 cmsFLAGS_COPY_ALPHA | cmsFLAGS_NOCACHE));
    if (!transform || changesNothing(transform.get())) return image;

    // Colour is converted apart from alpha, so premultiplied pixels are unpremultiplied first.
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != format) image.convertTo(format);
    if (image.isNull()) return image;
    uchar* bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    const int width = image.width();
    ForEachRowBand(0, image.height(), qint64(width) * image.height(), [&](qint64 first, qint64 end) {
        for (qint64 y = first; y < end; ++y)
            cmsDoTransform(transform.get(), bits + y * bytesPerLine, bits + y * bytesPerLine,
                           cmsUInt32Number(width));
    });
    image.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return image;
}

QByteArray JpegIccProfile(const QByteArray& jpeg) {
    static constexpr char Signature[] = "ICC_PROFILE"; // with its terminating zero: 12 bytes
    std::map<int, QByteArray> chunks;
    int count = 0;
    for (const JpegSegment& segment : JpegSegmentsBeforeScan(jpeg)) {
        const auto* body = reinterpret_cast<const uchar*>(jpeg.constData()) + segment.payload;
        if (segment.marker != 0xE2 || segment.size < 14 || std::memcmp(body, Signature, 12) != 0) continue;
        const int sequence = body[12], total = body[13];
        if (sequence < 1 || sequence > total || (count && total != count) || chunks.count(sequence))
            return {};
        count = total;
        chunks[sequence] = jpeg.mid(segment.payload + 14, segment.size - 14);
    }
    if (count == 0 || int(chunks.size()) != count) return {};
    QByteArray profile;
    for (const auto& [sequence, chunk] : chunks)
        profile += chunk;
    return profile;
}

QByteArray RgbProfileFromPrimaries(QPointF red, QPointF green, QPointF blue) {
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE primaries{
        {red.x(), red.y(), 1}, {green.x(), green.y(), 1}, {blue.x(), blue.y(), 1}};
    // The sRGB curve: a straight part near black, then an offset power of 2.4.
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    std::unique_ptr<cmsToneCurve, decltype(&cmsFreeToneCurve)> curve(
        cmsBuildParametricToneCurve(nullptr, 4, srgbCurve), &cmsFreeToneCurve);
    if (!curve) return {};
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    const Profile profile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsUInt32Number bytes = 0;
    if (!profile || !cmsSaveProfileToMem(profile.get(), nullptr, &bytes)) return {};
    QByteArray icc(qsizetype(bytes), Qt::Uninitialized);
    if (!cmsSaveProfileToMem(profile.get(), icc.data(), &bytes)) return {};
    return icc;
}
