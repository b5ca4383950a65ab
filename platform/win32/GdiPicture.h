// Pictures for the markup engine on Win32: a premultiplied 32-bit DIB section, decoded from a
// file through the imaging component, made from an icon, or loaded from an address.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "platform/Picture.h"

namespace zo {

class TGdiPicture : public IPicture {
public:
    // Takes ownership of a top-down 32-bit DIB section with premultiplied alpha.
    TGdiPicture(HBITMAP bitmap, int width, int height) : FBitmap(bitmap), FWidth(width), FHeight(height) {}
    ~TGdiPicture() override {
        if (FBitmap) DeleteObject(FBitmap);
    }
    TGdiPicture(const TGdiPicture&) = delete;
    TGdiPicture& operator=(const TGdiPicture&) = delete;

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    HBITMAP Bitmap() const { return FBitmap; }

    // Decodes a picture file (PNG, BMP, JPEG, GIF, ICO, ...); null when it cannot.
    static std::shared_ptr<TGdiPicture> FromFile(const std::wstring& path);
    // A copy of an icon (the icon stays the caller's); null when it cannot.
    static std::shared_ptr<TGdiPicture> FromIcon(HICON icon);

private:
    HBITMAP FBitmap;
    int FWidth, FHeight;
};

// Loads "file://" addresses from disk and other addresses through the system's download cache;
// shell icons through the shell's file information.
class TGdiPictureLoader : public IPictureLoader {
public:
    TPicturePtr LoadFromAddress(const std::u16string& address) override;
    TPicturePtr ShellIcon(const std::u16string& path, bool large) override;
};

}  // namespace zo
