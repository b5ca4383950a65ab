#include "platform/win32/GdiPicture.h"
#include "platform/win32/Gui.h"
#include "platform/win32/ImageList.h"
#include "platform/win32/SystemLibrary.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <wincodec.h>

#include <cstring>

namespace zo {

namespace {

// The imaging component's class and the pixel format wanted (declared here so that no GUID
// library is needed).
const GUID kClsidImagingFactory = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
const GUID kFormat32bppPBGRA = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x10}};

template <typename T>
struct TCom {
    T* P = nullptr;
    ~TCom() {
        if (P) P->Release();
    }
    T** operator&() { return &P; }
    T* operator->() const { return P; }
};

}  // namespace

std::shared_ptr<TGdiPicture> TGdiPicture::FromFile(const std::wstring& path) {
    if (!win::Com().Supported()) return nullptr;
    win::TComScope com;
    TCom<IWICImagingFactory> factory;
    if (FAILED(win::Com().CoCreateInstance(kClsidImagingFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                                reinterpret_cast<void**>(&factory))))
        return nullptr;
    TCom<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  &decoder)))
        return nullptr;
    TCom<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, &frame))) return nullptr;
    TCom<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter))) return nullptr;
    if (FAILED(converter->Initialize(frame.P, kFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return nullptr;
    UINT w = 0, h = 0;
    if (FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > 16384 || h > 16384) return nullptr;
    void* bits = nullptr;
    HBITMAP dib = win::CreateDib32(int(w), int(h), &bits);
    if (!dib) return nullptr;
    if (FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4, static_cast<BYTE*>(bits)))) {
        DeleteObject(dib);
        return nullptr;
    }
    return std::make_shared<TGdiPicture>(dib, int(w), int(h));
}

std::shared_ptr<TGdiPicture> TGdiPicture::FromIcon(HICON icon) {
    const win::TIconPixels pixels = win::IconPixels(icon);
    HBITMAP dib = win::PixelsPicture(pixels, pixels.Width, pixels.Height);
    return dib ? std::make_shared<TGdiPicture>(dib, pixels.Width, pixels.Height) : nullptr;
}

TPicturePtr TGdiPictureLoader::LoadFromAddress(const std::u16string& address) {
    std::wstring url(address.begin(), address.end());
    if (_wcsnicmp(url.c_str(), L"file://", 7) == 0) {
        wchar_t path[MAX_PATH];
        DWORD n = MAX_PATH;
        static const auto fromUrl = win::SystemFunction<decltype(::PathCreateFromUrlW)>(L"shlwapi.dll", "PathCreateFromUrlW");
        if (!fromUrl || FAILED(fromUrl(url.c_str(), path, &n, 0))) return nullptr;
        return TGdiPicture::FromFile(path);
    }
    // Other addresses: downloaded synchronously into the system's cache (the download library
    // is loaded on demand).
    using TDownload = HRESULT WINAPI(LPUNKNOWN, LPCWSTR, LPWSTR, DWORD, DWORD, LPVOID);
    static const auto download = win::SystemFunction<TDownload>(L"urlmon.dll", "URLDownloadToCacheFileW");
    wchar_t file[MAX_PATH] = {};
    if (!download || FAILED(download(nullptr, url.c_str(), file, MAX_PATH, 0, nullptr))) return nullptr;
    return TGdiPicture::FromFile(file);
}

TPicturePtr TGdiPictureLoader::ShellIcon(const std::u16string& path, bool large) {
    std::wstring p(path.begin(), path.end());
    static const auto fileInfo = win::SystemFunction<decltype(::SHGetFileInfoW)>(L"shell32.dll", "SHGetFileInfoW");
    SHFILEINFOW sfi{};
    if (!fileInfo || !fileInfo(p.c_str(), 0, &sfi, sizeof(sfi), SHGFI_ICON | (large ? SHGFI_LARGEICON : SHGFI_SMALLICON)) ||
        !sfi.hIcon)
        return nullptr;
    auto picture = TGdiPicture::FromIcon(sfi.hIcon);
    DestroyIcon(sfi.hIcon);
    return picture;
}

}  // namespace zo
