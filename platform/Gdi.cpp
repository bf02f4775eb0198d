#include "platform/Gdi.h"

#include "imaging/LargeMemory.h"
#include "imaging/RowBands.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <variant>
#include <vector>

namespace gdi {
namespace {

// The 1 × 1 monochrome bitmap every new memory context starts with. Shared by all contexts, never
// deleted, not counted.
constexpr Handle PlaceholderBitmap = 0x10;
constexpr Handle DesktopWindow = 0x20;

struct Context {
    bool window = false; // given out by GetDC
    Handle selected = PlaceholderBitmap;
};

struct Bitmap {
    std::int32_t width = 0;
    std::int32_t height = 0; // as in the header: positive for bottom-up rows
    std::int64_t stride = 0;
    // A DIB section's own memory; shared so that a copy in progress keeps it alive.
    std::shared_ptr<std::uint8_t> bits;
    QImage picture; // a picture's bitmap: the picture's pixels, shared
    Handle selectedIn = 0;
    bool isPicture() const { return !bits; }
};

struct Registry {
    std::mutex lock;
    std::unordered_map<Handle, std::variant<Context, Bitmap>> objects;
    Handle next = 0x1000;
    std::vector<int> faults[3];
};

Registry& registry() {
    static Registry instance;
    return instance;
}

template <class T> T* find(Registry& r, Handle handle) {
    const auto it = r.objects.find(handle);
    return it == r.objects.end() ? nullptr : std::get_if<T>(&it->second);
}

// Counts down the armed failures of a kind; true when this call is the one to fail.
bool failsNow(Registry& r, testing::Fault fault) {
    auto& pending = r.faults[int(fault)];
    bool fail = false;
    for (int& countdown : pending)
        fail |= --countdown == 0;
    std::erase(pending, 0);
    return fail;
}

Handle add(Registry& r, std::variant<Context, Bitmap> object) {
    const Handle handle = r.next++;
    r.objects.emplace(handle, std::move(object));
    return handle;
}

std::int64_t dibStride(std::int32_t width) {
    return (std::int64_t{width} * 3 + 3) & ~std::int64_t{3};
}

// One row of a picture into 24-bit blue, green, red. Opaque rows are a plain repack; rows with
// transparent parts are laid over `background` (premultiplied: out = colour + background × (1 − alpha)).
void convertRow(const QRgb* src, std::uint8_t* dst, std::int64_t count, bool transparent, QRgb background) {
    if (!transparent) {
        for (std::int64_t i = 0; i < count; ++i, dst += 3) {
            const QRgb p = src[i];
            dst[0] = std::uint8_t(qBlue(p));
            dst[1] = std::uint8_t(qGreen(p));
            dst[2] = std::uint8_t(qRed(p));
        }
        return;
    }
    const int bb = qBlue(background), bg = qGreen(background), br = qRed(background);
    for (std::int64_t i = 0; i < count; ++i, dst += 3) {
        const QRgb p = src[i];
        const int rest = 255 - qAlpha(p);
        dst[0] = std::uint8_t(qBlue(p) + (bb * rest + 127) / 255);
        dst[1] = std::uint8_t(qGreen(p) + (bg * rest + 127) / 255);
        dst[2] = std::uint8_t(qRed(p) + (br * rest + 127) / 255);
    }
}

} // namespace

Handle CreateCompatibleDC(Handle hdc) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    if (hdc != 0 && !find<Context>(r, hdc)) return 0;
    if (failsNow(r, testing::Fault::MemoryContext)) return 0;
    return add(r, Context{});
}

BOOL DeleteDC(Handle hdc) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    Context* context = find<Context>(r, hdc);
    if (!context || context->window) return FALSE;
    if (Bitmap* bitmap = find<Bitmap>(r, context->selected)) bitmap->selectedIn = 0;
    r.objects.erase(hdc);
    return TRUE;
}

Handle CreateDIBSection(Handle hdc, const BITMAPINFOHEADER* info, std::uint32_t usage, Address* bits,
                        Handle section, std::uint32_t offset) {
    if (bits) *bits = 0;
    if (!info || !bits || usage != DIB_RGB_COLORS || section != 0 || offset != 0) return 0;
    if (info->biSize != sizeof(BITMAPINFOHEADER) || info->biWidth <= 0 || info->biHeight == 0 ||
        info->biPlanes != 1 || info->biBitCount != 24 || info->biCompression != BI_RGB)
        return 0;
    const std::int64_t stride = dibStride(info->biWidth);
    const std::int64_t rows = info->biHeight < 0 ? -std::int64_t{info->biHeight} : info->biHeight;
    const auto bytes = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(rows);

    Registry& r = registry();
    {
        std::lock_guard guard(r.lock);
        if (hdc != 0 && !find<Context>(r, hdc)) return 0;
        if (failsNow(r, testing::Fault::PixelMemory)) return 0;
    }
    // Zero-filled like fresh system pages; large blocks come straight from the system, untouched.
    std::shared_ptr<std::uint8_t> memory =
        bytes <= std::numeric_limits<std::size_t>::max() ? AllocatePixels(std::size_t(bytes)) : nullptr;
    if (!memory) return 0;

    std::lock_guard guard(r.lock);
    Bitmap bitmap;
    bitmap.width = info->biWidth;
    bitmap.height = info->biHeight;
    bitmap.stride = stride;
    bitmap.bits = memory;
    *bits = reinterpret_cast<Address>(memory.get());
    return add(r, std::move(bitmap));
}

Handle SelectObject(Handle hdc, Handle object) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    Context* context = find<Context>(r, hdc);
    if (!context || context->window) return 0;
    if (object == context->selected) return object;
    Bitmap* bitmap = find<Bitmap>(r, object);
    if (object != PlaceholderBitmap && (!bitmap || bitmap->selectedIn != 0)) return 0;
    const Handle previous = context->selected;
    if (Bitmap* old = find<Bitmap>(r, previous)) old->selectedIn = 0;
    if (bitmap) bitmap->selectedIn = hdc;
    context->selected = object;
    return previous;
}

BOOL DeleteObject(Handle object) {
    if (object == PlaceholderBitmap) return TRUE; // a stock object: deleting it does nothing
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    const Bitmap* bitmap = find<Bitmap>(r, object);
    if (!bitmap || bitmap->isPicture() || bitmap->selectedIn != 0) return FALSE;
    r.objects.erase(object);
    return TRUE;
}

std::int32_t GetObjectA(Handle object, std::int32_t size, void* record) {
    if (!record || size < std::int32_t(sizeof(BITMAP))) return 0;
    BITMAP description;
    if (object == PlaceholderBitmap) {
        description.bmWidth = 1;
        description.bmHeight = 1;
        description.bmWidthBytes = 2;
        description.bmPlanes = 1;
        description.bmBitsPixel = 1;
    } else {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        const Bitmap* bitmap = find<Bitmap>(r, object);
        if (!bitmap) return 0;
        description.bmPlanes = 1;
        if (bitmap->isPicture()) {
            description.bmWidth = bitmap->picture.width();
            description.bmHeight = bitmap->picture.height();
            description.bmWidthBytes = std::int32_t(bitmap->picture.bytesPerLine());
            description.bmBitsPixel = 32;
        } else {
            description.bmWidth = bitmap->width;
            description.bmHeight = bitmap->height < 0 ? -bitmap->height : bitmap->height;
            description.bmWidthBytes = std::int32_t(std::min<std::int64_t>(bitmap->stride, INT32_MAX));
            description.bmBitsPixel = 24;
            description.bmBits = reinterpret_cast<Address>(bitmap->bits.get());
        }
    }
    std::memcpy(record, &description, sizeof description);
    return std::int32_t(sizeof description);
}

BOOL BitBlt(Handle hdcDest, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
            Handle hdcSrc, std::int32_t xSrc, std::int32_t ySrc, std::uint32_t rop) {
    if (rop != SRCCOPY) return FALSE;
    QImage picture;
    Bitmap dib;
    {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        const Context* dest = find<Context>(r, hdcDest);
        const Context* src = find<Context>(r, hdcSrc);
        if (!dest || !src || dest->window || src->window) return FALSE;
        const Bitmap* to = find<Bitmap>(r, dest->selected);
        const Bitmap* from = find<Bitmap>(r, src->selected);
        if (!to || !from || to->isPicture() || !from->isPicture()) return FALSE;
        picture = from->picture; // shared, not copied: both stay alive outside the lock
        dib = *to;
    }

    // Clip the rectangle to the destination and the source, in 64 bits so that no sum can wrap.
    std::int64_t left = x, top = y, sx = xSrc, sy = ySrc;
    std::int64_t right = std::int64_t{x} + width, bottom = std::int64_t{y} + height;
    const std::int64_t dibRows = dib.height < 0 ? -std::int64_t{dib.height} : dib.height;
    const auto clip = [](std::int64_t& lo, std::int64_t& hi, std::int64_t& srcLo, std::int64_t destSize,
                         std::int64_t srcSize) {
        if (lo < 0) {
            srcLo -= lo;
            lo = 0;
        }
        if (srcLo < 0) {
            lo -= srcLo;
            srcLo = 0;
        }
        hi = std::min({hi, destSize, lo + (srcSize - srcLo)});
    };
    clip(left, right, sx, dib.width, picture.width());
    clip(top, bottom, sy, dibRows, picture.height());
    if (right <= left || bottom <= top) return TRUE;

    const bool transparent = picture.hasAlphaChannel();
    // Pictures come as 32-bit RGB or premultiplied ARGB; anything else is brought to that first.
    const auto format = transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (picture.format() != format) picture.convertTo(format);
    // The front ends lay their pictures over their own background before they get here; one that still
    // has transparent parts lies over white. Never the palette: this runs on the size meter's thread.
    const QRgb background = qRgb(255, 255, 255);
    const auto copyRows = [&](std::int64_t first, std::int64_t last) {
        for (std::int64_t row = first; row < last; ++row) {
            const std::int64_t memoryRow = dib.height > 0 ? dibRows - 1 - row : row;
            std::uint8_t* dst = dib.bits.get() + memoryRow * dib.stride + left * 3;
            const auto* src = reinterpret_cast<const QRgb*>(picture.constScanLine(int(sy + row - top))) + sx;
            convertRow(src, dst, right - left, transparent, background);
        }
    };
    ForEachRowBand(top, bottom, (right - left) * (bottom - top), copyRows);
    return TRUE;
}

Handle GetDesktopWindow() {
    return DesktopWindow;
}

Handle GetDC(Handle window) {
    if (window != 0 && window != DesktopWindow) return 0;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    if (failsNow(r, testing::Fault::WindowContext)) return 0;
    Context context;
    context.window = true;
    context.selected = 0;
    return add(r, context);
}

std::int32_t ReleaseDC(Handle window, Handle hdc) {
    if (window != 0 && window != DesktopWindow) return 0;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    const Context* context = find<Context>(r, hdc);
    if (!context || !context->window) return 0;
    r.objects.erase(hdc);
    return 1;
}

std::shared_ptr<const PictureBitmap> PictureBitmap::make(const QImage& image) {
    if (image.isNull()) return nullptr;
    return std::make_shared<const PictureBitmap>(image);
}

PictureBitmap::PictureBitmap(const QImage& image) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    Bitmap bitmap;
    bitmap.picture = image;
    mHandle = add(r, std::move(bitmap));
}

PictureBitmap::~PictureBitmap() {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    // A context that still holds the picture is left with its placeholder, as after a DeleteDC.
    if (const Bitmap* bitmap = find<Bitmap>(r, mHandle))
        if (Context* context = find<Context>(r, bitmap->selectedIn)) context->selected = PlaceholderBitmap;
    r.objects.erase(mHandle);
}

namespace testing {

Census Count() {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    Census census;
    for (const auto& [handle, object] : r.objects) {
        if (const auto* context = std::get_if<Context>(&object))
            ++(context->window ? census.windowContexts : census.memoryContexts);
        else
            ++(std::get<Bitmap>(object).isPicture() ? census.pictureBitmaps : census.dibSections);
    }
    return census;
}

void FailCall(Fault fault, int nth) {
    if (nth < 1) return;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.faults[int(fault)].push_back(nth);
}

int PendingFaults(Fault fault) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return int(r.faults[int(fault)].size());
}

void ClearFaults() {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    for (auto& pending : r.faults)
        pending.clear();
}

} // namespace testing
} // namespace gdi
