#pragma once
// The window's pictures: PNG images stored in the program's resources, decoded with the
// Windows Imaging Component into bitmaps with an alpha channel, and drawn blended onto what
// lies under them.

#include <windows.h>

#include <cstddef>
#include <string>

namespace zev::win32 {

// A decoded picture: a 32-bit top-down bitmap with premultiplied alpha. Owns its bitmap.
class TPicture {
public:
    TPicture() = default;
    ~TPicture();
    TPicture(TPicture&& pOther) noexcept;
    TPicture& operator=(TPicture&& pOther) noexcept;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // Decodes PNG (or any format the imaging component reads); an empty picture when the bytes
    // cannot be decoded.
    static TPicture Decode(const void* pData, std::size_t pSize);

    bool Empty() const { return FBitmap == nullptr; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Draws the picture into the rectangle, stretched to it, blending by its alpha.
    void Draw(HDC pDC, int pX, int pY, int pWidth, int pHeight) const;
    // The colour of one pixel as stored (premultiplied), 0xAARRGGBB; 0 outside the picture.
    unsigned Pixel(int pX, int pY) const;

private:
    HBITMAP FBitmap = nullptr;
    const unsigned* FBits = nullptr;
    int FWidth = 0;
    int FHeight = 0;
};

// The picture of that name (kPictureDevice, kPictureLogoRU, kPictureLogoEN of app/controls.h),
// decoded from the program's resources on first use; an empty picture for any other name or
// when the resource is missing. Main thread only.
const TPicture& PictureByName(const std::string& pName);

} // namespace zev::win32
