// TMarkupLabel: a label that shows text in the markup of windows/MarkupEngine.h, wraps it to its
// width, can size itself to the laid-out text, and turns anchors into clickable links.
//
// Usage from a window (Win32):
//
//     auto label = std::make_unique<zo::TMarkupLabel>();
//     label->SetFont({u"Segoe UI", -11, zo::clWhite});   // name, height, colour
//     label->SetTransparent(true);                       // the default
//     label->SetHTML(u"Click <B>Install</B> ...");        // or SetHTMLText({...lines...})
//     label->SetAutoSizing(true);                        // height follows the text
//     label->CreateWnd(hwndParent, {54, 6, 54 + 401, 6 + 175});   // Left, Top, Right, Bottom
//     ...                                                // after the first paint:
//     int h = label->Height();                           // text height + 6
//
// The label is a child window of the class "ZoMarkupLabel"; it paints its own text and, when
// Transparent, asks its parent to paint the background under it (WM_ERASEBKGND with the label's
// origin). The window is destroyed with the label. OnNewSize tells when auto-sizing changed the
// size. Everything but CreateWnd/Handle is portable and tested natively with a fake host.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/LabelHost.h"
#include "platform/Picture.h"
#include "platform/Surface.h"
#include "windows/MarkupEngine.h"

namespace zo {

enum TAutoSizeType { asVertical, asHorizontal, asBoth };
enum TVAlignment { tvaTop, tvaCenter, tvaBottom };
enum TGradientType { gtFullHorizontal, gtFullVertical, gtBottomLine, gtCenterLine, gtTopLine };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNone, bsSingle };
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

class TMarkupLabel;
using TAnchorClick = std::function<void(TMarkupLabel& sender, const std::u16string& anchor)>;
using TAnchorHintEvent = std::function<void(TMarkupLabel& sender, std::u16string& anchor)>;
using TMarkupNotifyEvent = std::function<void(TMarkupLabel& sender)>;
using TNewSizeEvent = std::function<void(TMarkupLabel& sender, int newWidth, int newHeight)>;

// The plain form of markup for a hint: <BR> and <HR> become line breaks, hidden text (<Z>...</Z>)
// is dropped, every other tag is removed.
std::u16string HintPlainText(const std::u16string& markup);

// Puts openTag before and closeTag after every occurrence of text in the visible text of markup
// (the markup without tags); and removes such tags again.
std::u16string MarkVisibleText(const std::u16string& markup, const std::u16string& text, bool matchCase,
                               std::u16string_view openTag, std::u16string_view closeTag);
std::u16string RemoveTags(const std::u16string& markup, std::u16string_view openTag, std::u16string_view closeTag);

class TMarkupLabel {
public:
    TMarkupLabel();
    virtual ~TMarkupLabel();
    TMarkupLabel(const TMarkupLabel&) = delete;
    TMarkupLabel& operator=(const TMarkupLabel&) = delete;

    // Win32 only: makes the label a child window of parent (an HWND) at bounds (parent client
    // coordinates). Returns false when the window cannot be created.
    bool CreateWnd(void* parent, const TRect& bounds);
    void* Handle() const { return FHandle; }
    // The host that paints and moves the window (set by CreateWnd; the tests set a fake).
    void SetHost(std::unique_ptr<ILabelHost> host) { FHost = std::move(host); }
    ILabelHost* Host() const { return FHost.get(); }

    // Bounds (parent coordinates).
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetBounds(int left, int top, int width, int height);
    void SetWidth(int w) { SetBounds(FLeft, FTop, w, FHeight); }
    void SetHeight(int h) { SetBounds(FLeft, FTop, FWidth, h); }
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign a) { FAlign = a; }

    // The markup, one string per line.
    const std::vector<std::u16string>& HTMLText() const { return FHTMLText; }
    // Assigning a string list: the lines are joined with no separator, carriage returns and line
    // feeds removed, into the single line of HTMLText.
    void SetHTMLText(const std::vector<std::u16string>& lines);
    void SetHTML(const std::u16string& markup) { SetHTMLText({markup}); }
    // Editing the lines as they are (each line stays a line).
    void SetHTMLLines(const std::vector<std::u16string>& lines);
    void AddHTMLLine(const std::u16string& line);

    // The inherited caption: always cleared by painting.
    const std::u16string& Caption() const { return FCaption; }
    void SetCaption(const std::u16string& c) { FCaption = c; }

    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& f) { Change(FFont, f); }
    // The background colour: the parent's while ParentColor is on (as it is from the start);
    // setting a colour switches ParentColor off.
    TColor Color() const;
    void SetColor(TColor c);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool p);
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor c) { Change(FColorTo, c); }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool t) { Change(FTransparent, t); }

    bool AutoSizing() const { return FAutoSizing; }
    void SetAutoSizing(bool value);
    TAutoSizeType AutoSizeType() const { return FAutoSizeType; }
    void SetAutoSizeType(TAutoSizeType t);
    bool Ellipsis() const { return FEllipsis; }
    void SetEllipsis(bool e) { Change(FEllipsis, e); }
    int LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(int s) { Change(FLineSpacing, s); }
    TVAlignment VAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment v) { Change(FVAlignment, v); }
    TGradientType GradientType() const { return FGradientType; }
    void SetGradientType(TGradientType g) { Change(FGradientType, g); }
    int LineWidth() const { return FLineWidth; }
    void SetLineWidth(int w) { Change(FLineWidth, w); }
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut b) { Change(FBevelInner, b); }
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut b) { Change(FBevelOuter, b); }
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int w) { Change(FBevelWidth, w); }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle b) { Change(FBorderStyle, b); }
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int w) { Change(FBorderWidth, w); }
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor c) { Change(FBorderColor, c); }
    TColor URLColor() const { return FURLColor; }
    void SetURLColor(TColor c) { Change(FURLColor, c); }
    bool Hover() const { return FHover; }
    void SetHover(bool h) { Change(FHover, h); }
    TColor HoverColor() const { return FHoverColor; }
    void SetHoverColor(TColor c) { Change(FHoverColor, c); }
    TColor HoverFontColor() const { return FHoverFontColor; }
    void SetHoverFontColor(TColor c) { Change(FHoverFontColor, c); }
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor c) { Change(FShadowColor, c); }
    int ShadowOffset() const { return FShadowOffset; }
    void SetShadowOffset(int o) { Change(FShadowOffset, o); }
    // The list is not owned; when it is destroyed the label has none any more.
    const IImageList* Images() const { return FILChangeLink.Sender(); }
    void SetImages(const IImageList* images);
    // The container is not owned; when it is destroyed the label has none any more.
    const TPictureContainer* PictureContainer() const { return FContainerLink.Sender(); }
    void SetPictureContainer(const TPictureContainer* c);
    // The control (a window handle on Win32) that the text's access key ("&x") gives the focus to.
    void* FocusControl() const { return FFocusControl; }
    void SetFocusControl(void* control) { FFocusControl = control; }
    IPictureLoader* PictureLoader() const { return FLoader; }
    void SetPictureLoader(IPictureLoader* loader) { FLoader = loader; }
    TPictureCache& ImageCache() { return FImageCache; }
    bool AnchorHint() const { return FAnchorHint; }
    void SetAnchorHint(bool v) { FAnchorHint = v; }
    bool HTMLHint() const { return FHTMLHint; }
    void SetHTMLHint(bool v) { FHTMLHint = v; }
    bool HintShowFull() const { return FHintShowFull; }
    void SetHintShowFull(bool v) { FHintShowFull = v; }
    std::u16string Version() const;
    void SetVersion(const std::u16string&) {}

    TAnchorClick OnAnchorClick, OnAnchorEnter, OnAnchorExit;
    TAnchorHintEvent OnAnchorHint;
    TMarkupNotifyEvent OnMouseEnter, OnMouseLeave;
    TNewSizeEvent OnNewSize;

    virtual uint32_t PackedVersion() const { return 0x01090203; }
    virtual std::u16string BuildDisplayText() const;
    virtual void AnchorClicked(const std::u16string& anchor);
    virtual void HTMLChanged();
    // blinkColor: the colour blinking text is hidden in, when the surface's background is not it.
    virtual bool RenderHTML(ISurface& surface, const std::u16string& text, const TRect& r, TPoint mouse,
                            bool checkAnchors, const std::function<TColor()>& blinkColor = {});
    THtmlDrawInput BaseInput();

    // Paints onto surface, whose origin is the label's top-left corner. A transparent label's
    // surface already shows the parent's background.
    void Paint(ISurface& surface);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void Doit();
    TSize GetSizeWithMaxWidth(int maxWidth);
    TSize GetSizeWithMaxWidth(ISurface& surface, int maxWidth);
    void HTMLPrint(ISurface& surface, const TRect& r);
    void HilightText(const std::u16string& text, bool doCase);
    void MarkText(const std::u16string& text, bool doCase);
    void UnHilightText();
    void UnMarkText();

    // The anchor under a point (its title when it has one, else its target), empty for none.
    std::u16string AnchorAtPoint(int x, int y);
    void MouseMove(int x, int y);
    void MouseDown(TMouseButton button, int x, int y);
    void MouseEnter();
    void MouseLeave();
    // The hint for the current mouse position, empty for none.
    std::u16string HintText();
    // A key pressed with Alt (or where no control takes characters): when it is the access key of
    // the text and FocusControl is set, the focus moves there and the key is taken (true).
    bool DialogChar(char16_t key);
    // The text as a reader hears it: the engine's plain text (hidden text left out, a line break
    // for each <BR>), without access-key marks.
    std::u16string PlainText();

    int XSize() const { return FXSize; }
    int YSize() const { return FYSize; }
    int HoverHyperLink() const { return FHoverHyperLink; }
    const std::u16string& Anchor() const { return FAnchor; }

private:
    template <class T>
    void Change(T& field, const T& value) {
        if (field == value) return;
        field = value;
        HTMLChanged();
    }
    void Repaint();
    // Gives the surface the label's font, whose height is a size at 96 dots per inch, at the
    // surface's resolution.
    void UseShownFont(ISurface& s) const;
    TSize MeasureWith(ISurface& surface, int maxWidth);
    // The engine's plain text of the display text, with the "&" marks it draws as access keys.
    std::u16string MarkedPlainText(const std::u16string& display);
    // The text changed: the host is told its plain form.
    void TextChanged();
    // The rectangle the text is laid out in, inside the bevels and borders; with a surface, the
    // frames are drawn on it on the way.
    TRect TextArea(ISurface* s, const std::function<TColor()>& color);

    void* FHandle = nullptr;
    std::unique_ptr<ILabelHost> FHost;
    int FLeft = 0, FTop = 0, FWidth = 120, FHeight = 17;
    TAlign FAlign = alNone;
    std::u16string FCaption;
    TFont FFont;
    TColor FColor = clBtnFace;  // used once ParentColor is off
    bool FParentColor = true;
    bool FTransparent = true;

    std::u16string FAnchor;
    bool FAutoSizing = false;
    TAutoSizeType FAutoSizeType = asVertical;
    std::vector<std::u16string> FHTMLText;
    bool FAnchorHint = false;
    TChangeLink FILChangeLink;  // the image list, and a repaint when it changes
    TPictureCache FImageCache;
    IPictureLoader* FLoader = nullptr;
    int FUpdateCount = 0;
    TColor FURLColor = clBlue;
    TBevelCut FBevelInner = bvNone, FBevelOuter = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
    int FShadowOffset = 2;
    TColor FShadowColor = clGray;
    bool FHover = false;
    int FHoverHyperLink = -1;
    int FOldHoverHyperLink = -1;
    TColor FHoverColor = clNone, FHoverFontColor = clNone;
    TVAlignment FVAlignment = tvaTop;
    bool FEllipsis = false;
    TRect FCurrHoverRect{-1, 0, 0, 0};
    TLinkTo<TPictureContainer> FContainerLink;  // the container, and a repaint when it changes or goes
    void* FFocusControl = nullptr;
    TGradientType FGradientType = gtFullHorizontal;
    TColor FBorderColor = clBlack;
    int FLineWidth = 2;
    int FLineSpacing = 0;
    bool FHTMLHint = false, FHintShowFull = false;
    int FXSize = 0, FYSize = 0;
    TColor FColorTo = clNone;
    bool FPrinting = false;
    std::u16string FLastTarget;
    TRect FLastHoverRect{-1, 0, 0, 0};
};

}  // namespace zo
