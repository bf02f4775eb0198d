#include "encoding/cDIBSection.h"

#include "imaging/CheckedMath.h"

cDIBSection::~cDIBSection() {
    ClearUp();
}

std::int32_t cDIBSection::BytesPerScanLine() const {
    return checked::add(checked::mul(tBitmapInfo.biWidth, 3), 3) & ~std::int32_t{3};
}

void cDIBSection::LoadPictureBlt(gdi::Handle lhDC, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                                 std::int32_t lSrcWidth, std::int32_t lSrcHeight, std::uint32_t eRop) {
    if (lSrcWidth < 0) lSrcWidth = Width();
    if (lSrcHeight < 0) lSrcHeight = Height();
    gdi::BitBlt(hMemDC, 0, 0, lSrcWidth, lSrcHeight, lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::ClearUp() {
    if (hMemDC != 0) {
        // The bitmap cannot be deleted while it is selected: put the old one back first.
        if (hDibSection != 0) {
            gdi::SelectObject(hMemDC, hOldBitmap);
            gdi::DeleteObject(hDibSection);
        }
        gdi::DeleteDC(hMemDC);
    }
    hMemDC = 0;
    hDibSection = 0;
    hOldBitmap = 0;
    lBitsPtr = 0;
}

void cDIBSection::CreateFromPicture(const PictureRef& picThis) {
    // The picture's own pixels stand behind a handle of this copy's own while it is made: nothing is
    // copied twice, and copies of one picture made at once (the save and the size meter) never meet.
    const auto bitmap = picThis ? gdi::PictureBitmap::make(picThis->image()) : nullptr;
    const gdi::Handle hPicture = bitmap ? bitmap->handle() : 0;
    gdi::BITMAP tBM{};
    gdi::GetObjectA(hPicture, sizeof tBM, &tBM); // a failed query leaves 0 × 0, which Create refuses
    if (!Create(tBM.bmWidth, tBM.bmHeight)) return;

    const gdi::Handle hWnd = gdi::GetDesktopWindow();
    const gdi::Handle lhDCDesktop = gdi::GetDC(hWnd);
    if (lhDCDesktop == 0) return;
    const gdi::Handle lhDC = gdi::CreateCompatibleDC(lhDCDesktop);
    gdi::ReleaseDC(hWnd, lhDCDesktop);
    if (lhDC == 0) return;

    const gdi::Handle lhBmpOld = gdi::SelectObject(lhDC, hPicture);
    LoadPictureBlt(lhDC, 0, 0, -1, -1, gdi::SRCCOPY);
    gdi::SelectObject(lhDC, lhBmpOld);
    gdi::DeleteDC(lhDC);
}

bool cDIBSection::CreateDIB(gdi::Handle lhDC, std::int32_t lWidth, std::int32_t lHeight, gdi::Handle& hDib) {
    tBitmapInfo = gdi::BITMAPINFOHEADER{};
    tBitmapInfo.biSize = sizeof(gdi::BITMAPINFOHEADER);
    tBitmapInfo.biWidth = lWidth;
    tBitmapInfo.biHeight = lHeight;
    tBitmapInfo.biPlanes = 1;
    tBitmapInfo.biBitCount = 24;
    tBitmapInfo.biCompression = gdi::BI_RGB;
    // Both factors are checked before anything is allocated.
    tBitmapInfo.biSizeImage =
        static_cast<std::uint32_t>(checked::mul(BytesPerScanLine(), tBitmapInfo.biHeight));
    hDib = gdi::CreateDIBSection(lhDC, &tBitmapInfo, gdi::DIB_RGB_COLORS, &lBitsPtr, 0, 0);
    return hDib != 0;
}

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
    ClearUp();
    hMemDC = gdi::CreateCompatibleDC(0);
    if (hMemDC == 0) return false;
    if (CreateDIB(hMemDC, lWidth, lHeight, hDibSection)) {
        hOldBitmap = gdi::SelectObject(hMemDC, hDibSection);
        return true;
    }
    gdi::DeleteDC(hMemDC);
    hMemDC = 0;
    return false;
}
