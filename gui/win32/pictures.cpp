#include "gui/win32/pictures.h"

#include "app/controls.h"
#include "gui/win32/resource_ids.h"

#include <objbase.h>
#include <wincodec.h>

#include <map>
#include <utility>

namespace zev::win32 {

namespace {

// Releases a COM interface at the end of its scope.
template <typename T> class TCom {
public:
    TCom() = default;
    ~TCom() {
        if (FPtr != nullptr) FPtr->Release();
    }
    TCom(const TCom&) = delete;
    TCom& operator=(const TCom&) = delete;
    T** operator&() { return &FPtr; }
    T* operator->() const { return FPtr; }
    T* Get() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }

private:
    T* FPtr = nullptr;
};

// COM for the calling thread for the length of a scope.
class TComScope {
public:
    TComScope() : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TComScope() {
        if (SUCCEEDED(FResult)) CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    HRESULT FResult;
};

int ResourceOfPicture(const std::string& pName) {
    if (pName == kPictureDevice) return IDR_PICTURE_DEVICE;
    if (pName == kPictureLogoRU) return IDR_PICTURE_LOGO_RU;
    if (pName == kPictureLogoEN) return IDR_PICTURE_LOGO_EN;
    return 0;
}

TPicture LoadPictureResource(int pId) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(pId), MAKEINTRESOURCEW(10) /* RCDATA */);
    if (info == nullptr) return {};
    HGLOBAL data = LoadResource(module, info);
    const void* bytes = data != nullptr ? LockResource(data) : nullptr;
    if (bytes == nullptr) return {};
    return TPicture::Decode(bytes, SizeofResource(module, info));
}

} // namespace

TPicture::~TPicture() {
    if (FBitmap != nullptr) DeleteObject(FBitmap);
}

TPicture::TPicture(TPicture&& pOther) noexcept
    : FBitmap(std::exchange(pOther.FBitmap, nullptr)), FBits(std::exchange(pOther.FBits, nullptr)),
      FWidth(std::exchange(pOther.FWidth, 0)), FHeight(std::exchange(pOther.FHeight, 0)) {}

TPicture& TPicture::operator=(TPicture&& pOther) noexcept {
    if (this != &pOther) {
        if (FBitmap != nullptr) DeleteObject(FBitmap);
        FBitmap = std::exchange(pOther.FBitmap, nullptr);
        FBits = std::exchange(pOther.FBits, nullptr);
        FWidth = std::exchange(pOther.FWidth, 0);
        FHeight = std::exchange(pOther.FHeight, 0);
    }
    return *this;
}

TPicture TPicture::Decode(const void* pData, std::size_t pSize) {
    if (pData == nullptr || pSize == 0 || pSize > 0x7FFFFFFF) return {};
    TComScope com;
    TCom<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))))
        return {};
    TCom<IWICStream> stream;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(pData)),
                                            static_cast<DWORD>(pSize))))
        return {};
    TCom<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, &decoder)))
        return {};
    TCom<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, &frame))) return {};
    TCom<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 4096 ||
        height > 4096)
        return {};

    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = static_cast<LONG>(width);
    bi.bmiHeader.biHeight = -static_cast<LONG>(height); // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) return {};
    const UINT stride = width * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        return {};
    }
    TPicture picture;
    picture.FBitmap = bitmap;
    picture.FBits = static_cast<const unsigned*>(bits);
    picture.FWidth = static_cast<int>(width);
    picture.FHeight = static_cast<int>(height);
    return picture;
}

void TPicture::Draw(HDC pDC, int pX, int pY, int pWidth, int pHeight) const {
    if (FBitmap == nullptr || pWidth <= 0 || pHeight <= 0) return;
    HDC memory = CreateCompatibleDC(pDC);
    if (memory == nullptr) return;
    HGDIOBJ old = SelectObject(memory, FBitmap);
    const int oldMode = SetStretchBltMode(pDC, HALFTONE);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // gdi32's own entry point: AlphaBlend would import msimg32, which is no KnownDLL.
    GdiAlphaBlend(pDC, pX, pY, pWidth, pHeight, memory, 0, 0, FWidth, FHeight, blend);
    SetStretchBltMode(pDC, oldMode);
    SelectObject(memory, old);
    DeleteDC(memory);
}

unsigned TPicture::Pixel(int pX, int pY) const {
    if (FBits == nullptr || pX < 0 || pY < 0 || pX >= FWidth || pY >= FHeight) return 0;
    return FBits[static_cast<std::size_t>(pY) * static_cast<std::size_t>(FWidth) +
                 static_cast<std::size_t>(pX)];
}

const TPicture& PictureByName(const std::string& pName) {
    static std::map<int, TPicture> cache;
    static const TPicture none;
    const int id = ResourceOfPicture(pName);
    if (id == 0) return none;
    auto found = cache.find(id);
    if (found == cache.end()) found = cache.emplace(id, LoadPictureResource(id)).first;
    return found->second;
}

} // namespace zev::win32
