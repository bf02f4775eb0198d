#pragma once
// The graphics device interface, in memory: drawing contexts, 24-bit device-independent bitmaps with
// their own pixel memory, and the copy of a picture into such a bitmap.
//
// Handles and addresses are std::uintptr_t rather than 32 bits: a pixel address on a 64-bit system
// does not fit 32 bits, and a handle is kept the same size for simplicity. A handle is 0 on failure;
// live handles are never reused, so a stale handle is refused rather than mistaken for another object.
// Only the calls cDIBSection needs are here. They never throw; failure shows as 0 (or FALSE).
// All calls may come from any thread, but a context or bitmap is meant to be used by one at a time.
#include <QImage>
#include <cstdint>
#include <memory>

namespace gdi {

using Handle = std::uintptr_t;  // a drawing context, a bitmap or a window
using Address = std::uintptr_t; // a memory address
using BOOL = std::int32_t;
inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

inline constexpr std::uint32_t SRCCOPY = 0x00CC0020; // the only raster operation supported
inline constexpr std::uint32_t DIB_RGB_COLORS = 0;
inline constexpr std::uint32_t BI_RGB = 0;

// The published 40-byte bitmap header.
struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; // positive: rows lie bottom-up; negative: top-down
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// A bitmap's description. The published record is 24 bytes; with a 64-bit address it is 32.
struct BITMAP {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;
    std::uint16_t bmPlanes = 0;
    std::uint16_t bmBitsPixel = 0;
    Address bmBits = 0; // 0 for a bitmap whose pixels the caller may not address
};

// A new memory context compatible with `hdc` (0: the screen). It starts with a 1 × 1 placeholder
// bitmap selected. 0 when `hdc` is not a live context.
Handle CreateCompatibleDC(Handle hdc);
// Deletes a memory context; a bitmap selected in it stays alive and is free to be selected elsewhere.
BOOL DeleteDC(Handle hdc);

// A 24-bit, uncompressed DIB section of the header's size, with zero-filled pixel memory whose address
// goes to `bits`. Only usage DIB_RGB_COLORS, no file mapping (`section` 0) and offset 0 are supported;
// the header's image size is not looked at. `hdc` may be 0 or a live context. Returns 0 (and 0 in
// `bits`) for anything else, including pixel memory that cannot be had.
Handle CreateDIBSection(Handle hdc, const BITMAPINFOHEADER* info, std::uint32_t usage, Address* bits,
                        Handle section, std::uint32_t offset);

// Selects a bitmap into a context and returns the one that was selected there; 0 on failure. A bitmap
// can be selected into one context at a time.
Handle SelectObject(Handle hdc, Handle object);
// Deletes a DIB section and its pixel memory. Refused while it is selected in a context, and for a
// picture's bitmap, which belongs to the picture.
BOOL DeleteObject(Handle object);
// Fills a BITMAP record (`size` must be at least its size). Returns the bytes written, 0 on failure.
std::int32_t GetObjectA(Handle object, std::int32_t size, void* record);

// Copies a rectangle, source copy only, from a context holding a picture's bitmap into one holding
// a DIB section, clipped to both bitmaps. The picture's 32-bit pixels become 24-bit blue, green, red
// in one pass; transparent parts are laid over white.
BOOL BitBlt(Handle hdcDest, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
            Handle hdcSrc, std::int32_t xSrc, std::int32_t ySrc, std::uint32_t rop);

Handle GetDesktopWindow();
// A drawing context of the desktop window (or 0 for the screen), to be given back with ReleaseDC.
Handle GetDC(Handle window);
// Returns 1 when the context was a window context given out by GetDC, else 0.
std::int32_t ReleaseDC(Handle window, Handle hdc);

// A picture's bitmap: a handle standing for the picture's own pixels (shared, not copied), registered
// while the token lives.
class PictureBitmap {
public:
    // Null for a null image: an empty picture has no bitmap.
    static std::shared_ptr<const PictureBitmap> make(const QImage& image);
    explicit PictureBitmap(const QImage& image);
    ~PictureBitmap();
    PictureBitmap(const PictureBitmap&) = delete;
    PictureBitmap& operator=(const PictureBitmap&) = delete;
    Handle handle() const { return mHandle; }

private:
    Handle mHandle;
};

namespace testing {

// What is alive, so that tests can see that nothing leaks.
struct Census {
    int memoryContexts = 0;
    int windowContexts = 0;
    int dibSections = 0;
    int pictureBitmaps = 0;
    bool operator==(const Census&) const = default;
};
Census Count();

// Makes the `nth` next call of a kind fail as the system would refuse it.
enum class Fault { MemoryContext, WindowContext, PixelMemory };
void FailCall(Fault fault, int nth = 1);
// How many armed failures have not yet been reached, and disarming them all.
int PendingFaults(Fault fault);
void ClearFaults();

} // namespace testing
} // namespace gdi
