#include "imaging/HeifPicture.h"

#include "imaging/ColourProfile.h"
#include "imaging/Error.h"
#include "imaging/Picture.h"
#include "imaging/PictureChecks.h"

#include <algorithm>
#include <libheif/heif.h>
#include <limits>
#include <memory>
#include <optional>

namespace {

struct HeifDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
    void operator()(heif_image* image) const { heif_image_release(image); }
};
using HeifContext = std::unique_ptr<heif_context, HeifDeleter>;
using HeifHandle = std::unique_ptr<heif_image_handle, HeifDeleter>;
using HeifImage = std::unique_ptr<heif_image, HeifDeleter>;

[[noreturn]] void failDamaged(const QString& name, const heif_error& error) {
    FailToOpen(
        name,
        QStringLiteral("it is damaged or incomplete (%1).").arg(QString::fromUtf8(error.message).trimmed()));
}

// The context reads the bytes in place: they must outlive it.
struct PrimaryImage {
    HeifContext context;
    HeifHandle handle;
};

PrimaryImage openPrimary(const QByteArray& bytes, const QString& name) {
    PrimaryImage primary{HeifContext(heif_context_alloc()), nullptr};
    if (!primary.context) FailToOpen(name, QStringLiteral("there is not enough memory to read it."));
    // libheif's own limit would refuse a large header as a vague security error; ours decides, with
    // the size in the message, before anything is decoded.
    heif_context_set_maximum_image_size_limit(primary.context.get(), std::numeric_limits<int>::max());
    heif_error error = heif_context_read_from_memory_without_copy(primary.context.get(), bytes.constData(),
                                                                  size_t(bytes.size()), nullptr);
    if (error.code != heif_error_Ok) failDamaged(name, error);
    heif_image_handle* handle = nullptr;
    error = heif_context_get_primary_image_handle(primary.context.get(), &handle);
    primary.handle.reset(handle);
    if (error.code != heif_error_Ok) failDamaged(name, error);
    return primary;
}

// The picture's own ICC profile, or one made from the primaries its colour description names; empty
// for sRGB's primaries and for none at all.
QByteArray colourProfile(const heif_image_handle* handle) {
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)), Qt::Uninitialized);
        if (icc.isEmpty() ||
            heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
            return {};
        return icc;
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (type != heif_color_profile_type_nclx ||
        heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok || !nclx)
        return {};
    const std::unique_ptr<heif_color_profile_nclx, decltype(&heif_nclx_color_profile_free)> owner(
        nclx, &heif_nclx_color_profile_free);
    if (nclx->color_primaries == heif_color_primaries_ITU_R_BT_709_5 ||
        nclx->color_primaries == heif_color_primaries_unspecified)
        return {};
    return RgbProfileFromPrimaries({nclx->color_primary_red_x, nclx->color_primary_red_y},
                                   {nclx->color_primary_green_x, nclx->color_primary_green_y},
                                   {nclx->color_primary_blue_x, nclx->color_primary_blue_y});
}

QSize checkedSize(const PrimaryImage& primary, const QString& name) {
    const QSize size(heif_image_handle_get_width(primary.handle.get()),
                     heif_image_handle_get_height(primary.handle.get()));
    CheckClaimedSize(name, size);
    return size;
}

} // namespace

bool IsHeif(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const int length = int(std::min<qsizetype>(bytes.size(), 64));
    return length >= 12 && heif_check_filetype(data, length) != heif_filetype_no;
}

QSize ReadHeifSize(const QByteArray& bytes, const QString& name, bool complete) {
    std::optional<PrimaryImage> primary;
    try {
        primary.emplace(openPrimary(bytes, name));
    } catch (const QuillonError&) {
        if (complete) throw;
        return {};
    }
    return checkedSize(*primary, name);
}

QImage DecodeHeif(const QByteArray& bytes, const QString& name) {
    const PrimaryImage primary = openPrimary(bytes, name);
    const QSize size = checkedSize(primary, name);
    // A grid may claim a far larger picture than the item it makes up says, and libheif would
    // assemble it whole before the sizes could be compared. It now refuses a side over twice the one
    // checked above (room for the coder's padding and a cropped aperture; the result must match
    // the checked size exactly all the same).
    heif_context_set_maximum_image_size_limit(primary.context.get(),
                                              2 * std::max(size.width(), size.height()) + 64);
    heif_image* decoded = nullptr;
    // No options: libheif's defaults apply the file's rotation and mirroring.
    const heif_error error = heif_decode_image(primary.handle.get(), &decoded, heif_colorspace_RGB,
                                               heif_chroma_interleaved_RGBA, nullptr);
    const HeifImage image(decoded);
    if (error.code != heif_error_Ok) failDamaged(name, error);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || heif_image_get_width(image.get(), heif_channel_interleaved) != size.width() ||
        heif_image_get_height(image.get(), heif_channel_interleaved) != size.height())
        FailToOpen(name,
                   QStringLiteral("it is damaged: its picture does not have the size its header gives."));
    // The wrapper points into libheif's buffer; the conversion makes the copy that outlives it. An
    // opaque picture stays opaque rather than gaining an alpha channel of 255s.
    const QImage wrapped(pixels, size.width(), size.height(), stride, QImage::Format_RGBA8888);
    const bool alpha = heif_image_handle_has_alpha_channel(primary.handle.get());
    QImage converted = wrapped.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (converted.isNull()) FailForMemory(name, size);
    return ConvertToSrgb(std::move(converted), colourProfile(primary.handle.get()));
}
