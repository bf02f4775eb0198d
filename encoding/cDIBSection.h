#pragma once
// One 24-bit bottom-up bitmap with its own pixel memory, selected in a memory drawing context: the
// plain pixel buffer a picture becomes before it is written as a JPEG.
//
// Rows are 3-byte blue, green, red pixels padded to a multiple of 4 bytes; the first row in memory is
// the picture's bottom row. The wrapper owns its bitmap and context and releases them in ClearUp and
// on destruction. Size arithmetic is signed 32-bit: BytesPerScanLine, CreateDIB, Create and
// CreateFromPicture throw QuillonError on overflow. Platform failures show only as zero handles.
#include "platform/Gdi.h"
#include "imaging/Picture.h"

#include <cstdint>

class cDIBSection {
public:
    cDIBSection() = default;
    ~cDIBSection();
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // Row stride in bytes: (width × 3 + 3) with the two lowest bits cleared.
    std::int32_t BytesPerScanLine() const;
    std::int32_t Width() const { return tBitmapInfo.biWidth; }
    std::int32_t Height() const { return tBitmapInfo.biHeight; }
    // Copies from `lhDC` at (lSrcLeft, lSrcTop) to (0, 0) of the wrapper's context; a negative width
    // or height stands for the wrapper's own.
    void LoadPictureBlt(gdi::Handle lhDC, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                        std::int32_t lSrcWidth = -1, std::int32_t lSrcHeight = -1,
                        std::uint32_t eRop = gdi::SRCCOPY);
    // First byte of the pixel memory; 0 when there is none.
    gdi::Address DIBSectionBitsPtr() const { return lBitsPtr; }
    void ClearUp();
    // Makes a bitmap of the picture's size and copies the picture into it. Stops silently, leaving the
    // wrapper Empty or unfilled, when the picture has no readable bitmap or a context cannot be had.
    void CreateFromPicture(const PictureRef& picThis);
    // Fills the header and creates the bitmap on `lhDC`; the handle goes to `hDib`.
    bool CreateDIB(gdi::Handle lhDC, std::int32_t lWidth, std::int32_t lHeight, gdi::Handle& hDib);
    // A memory context with a new bitmap of this size selected in it; false leaves the wrapper Empty.
    bool Create(std::int32_t lWidth, std::int32_t lHeight);

    // The header as CreateDIB last filled it.
    const gdi::BITMAPINFOHEADER& BitmapInfo() const { return tBitmapInfo; }
    gdi::Handle MemoryDC() const { return hMemDC; }
    gdi::Handle DibSection() const { return hDibSection; }

private:
    gdi::Handle hDibSection = 0;
    gdi::Handle hOldBitmap = 0;
    gdi::Handle hMemDC = 0;
    gdi::Address lBitsPtr = 0;
    gdi::BITMAPINFOHEADER tBitmapInfo;
};
