// The pictures in res/ load through the system's own loaders at every size they are used at, and
// draw what they should: their transparent parts stay transparent and their colours are there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <type_traits>
#include <string>
#include <vector>

#include "WinTestMain.h"
#include "app/Resources.h"
#include "platform/win32/Gui.h"
#include "platform/win32/ImageList.h"

namespace {

std::wstring ResFile(const wchar_t* name) {
    // DIST_DIR is <source>/dist/win64
    return testsupport::WinePath(DIST_DIR) + L"\\..\\..\\res\\" + name;
}

// A 32-bit top-down surface filled with one colour, for drawing pictures onto.
class Surface {
public:
    Surface(int w, int h, COLORREF fill) : w_(w), h_(h) {
        dc_ = CreateCompatibleDC(nullptr);
        bmp_ = zo::win::CreateDib32(w, h, reinterpret_cast<void**>(&bits_));
        old_ = SelectObject(dc_, bmp_);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT r{0, 0, w, h};
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
    }
    ~Surface() {
        SelectObject(dc_, old_);
        DeleteObject(bmp_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    // The colour at (x, y) as red, green, blue.
    COLORREF At(int x, int y) const {
        GdiFlush();
        uint32_t p = bits_[y * w_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bmp_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

bool IsWhite(COLORREF c) { return GetRValue(c) > 245 && GetGValue(c) > 245 && GetBValue(c) > 245; }
bool IsBlue(COLORREF c) { return GetBValue(c) > GetRValue(c) + 60 && GetBValue(c) > GetGValue(c) + 30; }
bool IsGrey(COLORREF c) {
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    return std::abs(r - g) < 20 && std::abs(g - b) < 20 && r > 60 && r < 240;
}

struct IconDeleter {
    void operator()(HICON h) const { DestroyIcon(h); }
};
using Icon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// Size and colour depth of an icon's colour bitmap.
void IconBitmap(HICON icon, int& w, int& h, int& bpp) {
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof(bm), &bm);
    w = bm.bmWidth;
    h = bm.bmHeight;
    bpp = bm.bmBitsPixel;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

}  // namespace

TEST(Pictures, ApplicationIconHasEverySizeWithAlphaAndShowsBothGears) {
    for (int size : {256, 128, 96, 64, 48, 40, 32, 24, 20, 16}) {
        SCOPED_TRACE(size);
        Icon icon(static_cast<HICON>(
            LoadImageW(nullptr, ResFile(L"AppIcon.ico").c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
        ASSERT_TRUE(icon) << GetLastError();
        int w = 0, h = 0, bpp = 0;
        IconBitmap(icon.get(), w, h, bpp);
        EXPECT_EQ(w, size);
        EXPECT_EQ(h, size);
        EXPECT_EQ(bpp, 32);

        Surface s(size, size, RGB(255, 255, 255));
        ASSERT_TRUE(DrawIconEx(s.Dc(), 0, 0, icon.get(), size, size, 0, nullptr, DI_NORMAL));
        auto at = [&](double x64, double y64) { return s.At(int(x64 * size / 64), int(y64 * size / 64)); };
        EXPECT_TRUE(IsWhite(at(1, 62))) << std::hex << at(1, 62);    // bottom left: transparent
        EXPECT_TRUE(IsWhite(at(62, 1))) << std::hex << at(62, 1);    // top right: transparent
        EXPECT_TRUE(IsBlue(at(16.5, 8.5))) << std::hex << at(16.5, 8.5);    // small gear, top left
        EXPECT_TRUE(IsGrey(at(40.5, 52.5))) << std::hex << at(40.5, 52.5);  // large gear, bottom right
        EXPECT_TRUE(IsWhite(at(40.5, 40.5))) << std::hex << at(40.5, 40.5); // the large gear's hole
    }
}

TEST(Pictures, BothProgramsCarryTheirPicturesAsResources) {
    struct Resource {
        const wchar_t* exe;
        int id;
        UINT type;
    };
    const Resource resources[] = {
        {L"ZoradidIvavuda.exe", IDI_APPICON, IMAGE_ICON},
        {L"ZudazuvOrerozoVuzuvaz.exe", IDI_APPICON, IMAGE_ICON},
        {L"ZudazuvOrerozoVuzuvaz.exe", IDI_HELPICON, IMAGE_ICON},
        {L"ZudazuvOrerozoVuzuvaz.exe", IDI_STATUS_RUNNING, IMAGE_ICON},
        {L"ZudazuvOrerozoVuzuvaz.exe", IDI_STATUS_STOPPED, IMAGE_ICON},
        {L"ZudazuvOrerozoVuzuvaz.exe", IDI_STATUS_CHECKING, IMAGE_ICON},
    };
    for (const Resource& r : resources) {
        SCOPED_TRACE(std::string(r.exe, r.exe + wcslen(r.exe)) + " " + std::to_string(r.id));
        std::wstring exe = testsupport::WinePath(DIST_DIR) + L"\\" + r.exe;
        HMODULE mod = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_TRUE(mod) << "not built: " << GetLastError();
        HANDLE image = LoadImageW(mod, MAKEINTRESOURCEW(r.id), r.type, r.type == IMAGE_ICON ? 32 : 0,
                                  r.type == IMAGE_ICON ? 32 : 0, r.type == IMAGE_BITMAP ? LR_CREATEDIBSECTION : 0);
        EXPECT_TRUE(image);
        if (image) {
            if (r.type == IMAGE_ICON) DestroyIcon(static_cast<HICON>(image));
            else DeleteObject(image);
        }
        FreeLibrary(mod);
    }
}

TEST(Pictures, HelpIconIsARoundBlueIconWithAWhiteMark) {
    for (int size : {256, 128, 96, 64, 48, 40, 36, 32, 24, 20, 16}) {
        SCOPED_TRACE(size);
        Icon icon(static_cast<HICON>(
            LoadImageW(nullptr, ResFile(L"HelpIcon.ico").c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
        ASSERT_TRUE(icon);
        int w = 0, h = 0, bpp = 0;
        IconBitmap(icon.get(), w, h, bpp);
        EXPECT_EQ(w, size);
        EXPECT_EQ(bpp, 32);
    }
    // Drawn from 48 down to 36, as the Help window shows it, on black.
    Icon icon(static_cast<HICON>(
        LoadImageW(nullptr, ResFile(L"HelpIcon.ico").c_str(), IMAGE_ICON, 48, 48, LR_LOADFROMFILE)));
    Surface s(36, 36, RGB(0, 0, 0));
    ASSERT_TRUE(DrawIconEx(s.Dc(), 0, 0, icon.get(), 36, 36, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(s.At(0, 0), RGB(0, 0, 0));            // outside the circle
    EXPECT_TRUE(IsBlue(s.At(6, 18)));               // the disc, left of the mark
    EXPECT_TRUE(IsWhite(s.At(18, 27)));             // the question mark's dot
}

// The panel's own pictures as it shows them at 100 %: shrunk from their large sources.
class PanelPictures : public ::testing::Test {
protected:
    HMODULE Panel = LoadLibraryExW((testsupport::WinePath(DIST_DIR) + L"\\ZudazuvOrerozoVuzuvaz.exe").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ~PanelPictures() override { FreeLibrary(Panel); }
    // Premultiplied pixels of an icon's sourceSize image shrunk to size, top-down.
    std::vector<uint32_t> Picture(int id, int sourceSize, int size) {
        zo::win::TBitmap bmp(zo::win::LoadIconPicture(id, sourceSize, size, Panel));
        DIBSECTION ds{};
        if (!bmp || GetObjectW(bmp, sizeof(ds), &ds) != int(sizeof(ds))) return {};
        auto* bits = static_cast<const uint32_t*>(ds.dsBm.bmBits);
        return std::vector<uint32_t>(bits, bits + size * size);
    }
};

TEST_F(PanelPictures, StatusImagesAre16By16DiscsOfTheirColourWithAWhiteSign) {
    struct Case {
        int id;
        COLORREF disc;
        int signX, signY;  // a pixel inside the white sign
    };
    const Case cases[] = {
        {IDI_STATUS_RUNNING, RGB(75, 168, 129), 7, 10},   // tick, at its corner
        {IDI_STATUS_STOPPED, RGB(204, 76, 51), 8, 8},     // cross, at its middle
        {IDI_STATUS_CHECKING, RGB(62, 120, 179), 8, 4},   // the i's dot
    };
    ASSERT_TRUE(Panel);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        std::vector<uint32_t> px = Picture(c.id, 64, 16);
        ASSERT_EQ(px.size(), 256u);
        EXPECT_EQ(px[0] >> 24, 0u);      // corners transparent
        EXPECT_EQ(px[255] >> 24, 0u);
        uint32_t sign = px[c.signY * 16 + c.signX];
        EXPECT_EQ(sign >> 24, 255u);
        EXPECT_EQ(sign & 0xFFFFFF, 0xFFFFFFu);
        // A disc pixel away from the sign is within a shade of the disc's colour.
        uint32_t disc = px[8 * 16 + 2];
        EXPECT_EQ(disc >> 24, 255u);
        EXPECT_NEAR(int((disc >> 16) & 0xFF), GetRValue(c.disc), 40);
        EXPECT_NEAR(int((disc >> 8) & 0xFF), GetGValue(c.disc), 40);
        EXPECT_NEAR(int(disc & 0xFF), GetBValue(c.disc), 40);
    }
}

TEST_F(PanelPictures, Image1IsTheIconsLargestImageShrunkTo48WithTransparentBackground) {
    ASSERT_TRUE(Panel);
    std::vector<uint32_t> px = Picture(IDI_APPICON, 256, 48);
    ASSERT_EQ(px.size(), 48u * 48u);
    auto at = [&](int x, int y) { return px[size_t(y) * 48 + x]; };
    auto colour = [](uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); };
    EXPECT_EQ(at(1, 46) >> 24, 0u);   // bottom left
    EXPECT_EQ(at(30, 30) >> 24, 0u);  // the large gear's hole
    EXPECT_EQ(at(12, 6) >> 24, 255u);
    EXPECT_TRUE(IsBlue(colour(at(12, 6)))) << std::hex << at(12, 6);
    EXPECT_EQ(at(30, 39) >> 24, 255u);
    EXPECT_TRUE(IsGrey(colour(at(30, 39)))) << std::hex << at(30, 39);
}

// An icon whose colours carry no alpha is drawn by its mask: clear where the mask is white, opaque
// (black included) where it is black.
TEST(Pictures, IconWithoutAlphaTakesItsTransparencyFromTheMask) {
    // 4 x 4: the left half transparent, then a black and a red column, all with alpha 0.
    void* bits = nullptr;
    zo::win::TBitmap color(zo::win::CreateDib32(4, 4, &bits));
    ASSERT_TRUE(color);
    auto* px = static_cast<uint32_t*>(bits);
    for (int y = 0; y < 4; ++y) px[y * 4 + 3] = 0x00FF0000u;
    const BYTE maskRows[4][2] = {{0xC0, 0}, {0xC0, 0}, {0xC0, 0}, {0xC0, 0}};  // rows padded to 16 bits
    zo::win::TBitmap mask(CreateBitmap(4, 4, 1, 1, maskRows));
    ICONINFO info{TRUE, 0, 0, mask, color};
    Icon icon(CreateIconIndirect(&info));
    ASSERT_TRUE(icon);
    const zo::win::TIconPixels picture = zo::win::IconPixels(icon.get());
    ASSERT_EQ(picture.Pixels.size(), 16u);
    EXPECT_EQ(picture.Pixels[1 * 4 + 0], 0u) << std::hex << picture.Pixels[4];
    EXPECT_EQ(picture.Pixels[1 * 4 + 2], 0xFF000000u) << std::hex << picture.Pixels[6];
    EXPECT_EQ(picture.Pixels[1 * 4 + 3], 0xFFFF0000u) << std::hex << picture.Pixels[7];
}
