// Fuzzes the markup engine: any markup, in measuring, hit-testing and drawing mode, must lay out
// without a crash, a hang or a sanitizer report, and give sane sizes.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/Text.h"
#include "windows/MarkupEngine.h"

using namespace zo;

namespace {

class Picture : public IPicture {
public:
    Picture(int w, int h) : FW(w), FH(h) {}
    int Width() const override { return FW; }
    int Height() const override { return FH; }

private:
    int FW, FH;
};

class Images : public IImageList {
public:
    int Count() const override { return 2; }
    TPicturePtr Item(int) const override { return std::make_shared<Picture>(16, 16); }
};

class Loader : public IPictureLoader {
public:
    TPicturePtr LoadFromAddress(const std::u16string& a) override {
        return a.size() % 2 ? std::make_shared<Picture>(7, 9) : nullptr;
    }
    TPicturePtr ShellIcon(const std::u16string&, bool large) override {
        return std::make_shared<Picture>(large ? 32 : 16, large ? 32 : 16);
    }
};

// Fixed metrics; counts what is drawn.
class Surface : public ISurface {
public:
    const TFont& Font() const override { return FFont; }
    void SetFont(const TFont& f) override { FFont = f; }
    TSize TextExtent(std::u16string_view t) override {
        return {int(t.size()) * ((FFont.Style & fsBold) ? 7 : 6), std::abs(FFont.Height % 200) + 3};
    }
    TSize MeasureText(std::u16string_view t, uint32_t) override { return TextExtent(t); }
    void DrawText(std::u16string_view, const TRect&, uint32_t) override { ++Drawn; }
    TColor BackgroundColor() const override { return FBg; }
    void SetBackgroundColor(TColor c) override { FBg = c; }
    void FillRect(const TRect&, TColor) override { ++Drawn; }
    void Polyline(const std::vector<TPoint>&, TColor, int) override { ++Drawn; }
    void FillEllipse(const TRect&, TColor) override { ++Drawn; }
    void DrawFocusRect(const TRect&) override { ++Drawn; }
    void DrawPicture(const IPicture&, const TRect&) override { ++Drawn; }
    void TilePicture(const IPicture&, const TRect&) override { ++Drawn; }
    void PushClip(const TRect&) override { ++Clips; }
    void PopClip() override {
        if (--Clips < 0) std::abort();
    }
    int PixelsPerInch() const override { return 96; }
    TColor ColorToRGB(TColor c) const override { return IsSystemColor(c) ? 0x808080 : c; }
    long Drawn = 0;
    int Clips = 0;

private:
    TFont FFont;
    TColor FBg = clNone;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 64 * 1024) return 0;
    const uint8_t mode = data[0];
    const uint8_t width = data[1];
    const std::u16string markup = FromUtf8(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2));

    TPictureContainer container;
    container.Add(u"pic", std::make_shared<Picture>(20, 30));
    TPictureCache cache;
    Images images;
    Loader loader;
    THtmlDrawInput in;
    in.PictureContainer = &container;
    in.PictureCache = &cache;
    in.Images = &images;
    in.Loader = &loader;
    in.WordWrap = !(mode & 1);
    in.CheckAnchors = mode & 2;
    in.MeasureOnly = mode & 4;
    in.Hover = mode & 8;
    in.HoverLink = 1;
    in.FocusLink = 0;
    in.HoverColor = (mode & 16) ? clRed : clNone;
    in.Selected = mode & 32;
    in.LineSpacing = (mode >> 6);
    in.MouseX = width;
    in.MouseY = 10;
    const TRect r{0, 0, 1 + width * 2, (mode & 64) ? 40 : 65535};

    Surface s;
    s.SetBackgroundColor(0x123456);
    THtmlDrawOutput out;
    DrawHtmlText(s, markup, r, in, out);
    if (s.Clips != 0) std::abort();                     // every clip is undone
    if (s.BackgroundColor() != 0x123456) std::abort();  // the background is restored
    if (out.YSize <= 0 || out.XSize < 0) std::abort();
    if (in.CheckAnchors && s.Drawn != 0) std::abort();  // hit-testing draws nothing
    return 0;
}
