// The small window toolkit the program's windows are built on: a window base class with one
// window procedure, the application's failure and error boxes, the busy cursor, modal loops,
// GDI ownership, fonts, and the style's painting of the standard controls.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dpi.h"
#include "platform/Style.h"
#include "platform/Surface.h"
#include "platform/win32/OwnedHandle.h"

namespace zo::win {

inline std::wstring W(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string U(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }
std::u16string WindowText(HWND hwnd);
inline RECT ToRect(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

// ---- Application ----------------------------------------------------------------------------
void SetApplicationTitle(std::u16string_view title);
const std::wstring& ApplicationTitle();
void SetMainWindow(HWND hwnd);
HWND MainWindow();

// The boxes below are the program's own message box (MessageBox.h), modal over the active window.
// The default failure box: application title as caption, error icon, OK.
void ShowFailureBox(std::u16string_view message);
// Call inside a catch block: shows what was caught in the default failure box.
void HandleCurrentException();
// The error box: caption "Error", error icon, one OK button (Enter and Esc close it).
void ShowErrorBox(std::u16string_view message);
// The framework's "style not found" box: caption "Error", error icon, one "&Close" button.
void ShowStyleNotFoundBox(std::u16string_view styleName);

// The application-wide cursor: busy (hourglass) or the default.
void SetBusyCursor(bool busy);
bool BusyCursor();
// Restores the default cursor when it goes out of scope, whatever happened.
class TBusyCursorScope {
public:
    TBusyCursorScope() { SetBusyCursor(true); }
    ~TBusyCursorScope() { SetBusyCursor(false); }
    TBusyCursorScope(const TBusyCursorScope&) = delete;
    TBusyCursorScope& operator=(const TBusyCursorScope&) = delete;
};

// Sent by the message loops, for a key pressed with Alt, to each child of the window it was
// pressed in, until one answers TRUE: the key was its access key and it took it (wParam: the
// character). A child with an access key but no focus of its own (a label) passes the focus on.
constexpr UINT WM_ZO_DIALOGCHAR = WM_APP + 0x100;

// Runs the message loop until the main window is gone; returns the exit code.
int RunMessageLoop();
// A look at each message of a modal loop before it is dispatched; true when it has handled it.
using TMessageFilter = std::function<bool(const MSG&)>;
// Shows window modally above owner until it is destroyed. The owner takes no input while any
// modal window above it is open, whatever order they open and close in; when one closes, the
// window that was active before it becomes active again (or the newest modal window still open,
// when that one no longer takes input).
void RunModal(HWND window, HWND owner, const TMessageFilter& filter = nullptr);
// Closes a window shown by RunModal. Its owner gets its input back first (when no other modal
// window above it is open), so that activation passes within the program and not to another
// program's window.
void EndModal(HWND window);
struct TModalState;
// Around a modal dialog that the platform runs itself: counts as one of the modal windows above
// owner, so that the owner is enabled afterwards exactly when no other is still open, whatever
// the dialog did to it, and the window active before becomes active again.
class TModalOwnerScope {
public:
    explicit TModalOwnerScope(HWND owner);
    ~TModalOwnerScope();
    // The dialog's window, once it exists: activation can then return to it.
    void SetWindow(HWND window);
    TModalOwnerScope(const TModalOwnerScope&) = delete;
    TModalOwnerScope& operator=(const TModalOwnerScope&) = delete;

private:
    TModalState* FState;
};
// A filter for a dialog's modal loop: Ctrl+C, which would reach the focused child and not the
// dialog, beeps and runs copy instead.
TMessageFilter CopyOnCtrlC(std::function<void()> copy);
// Replaces the clipboard's content with text; false when the clipboard could not be had.
bool PutTextOnClipboard(HWND owner, std::u16string_view text);
// Where a window of size comes to lie centred on the screen's work area.
POINT CenteredOnScreen(SIZE size);
// Where a window of size comes to lie centred on the window over which it should appear (on the
// screen without one).
POINT CenteredOver(SIZE size, HWND over);
// Outer size of a window whose client area is width x height (in pixels at dpi).
SIZE WindowSizeForClient(DWORD style, DWORD exStyle, int width, int height, int dpi = kDesignDpi);
// A child control of parent with its font set; shown at once.
HWND CreateControl(HWND parent, const wchar_t* className, std::u16string_view text, DWORD style, int id, int x,
                   int y, int w, int h, HFONT font);
// A dialog's default push button: drawn by the program (and drawn hot under the pointer) while the
// style is applied, the platform's own default button otherwise.
HWND CreateDialogButton(HWND parent, std::u16string_view text, int id, int x, int y, int w, int h, HFONT font);

// ---- Windows --------------------------------------------------------------------------------
// Base of every window of the program: the object is attached at WM_NCCREATE, handlers run in
// HandleMessage, and a failure escaping a handler is shown in the failure box.
class TWindow {
public:
    virtual ~TWindow();
    HWND Handle() const { return FHandle; }
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

protected:
    TWindow() = default;
    // Registers className once and creates the window.
    HWND CreateWindowObject(const wchar_t* className, const std::u16string& caption, DWORD style,
                            DWORD exStyle, int x, int y, int w, int h, HWND parent, HICON icon);
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    virtual void Destroyed() {}
    // The window's resolution, for scaling its 96-dpi design sizes.
    int Dpi() const;
    // The window moved to a monitor of another scale (WM_DPICHANGED): takes the suggested
    // rectangle. A window with sizes of its own recreates its fonts and pictures and lays itself
    // out again, then calls this.
    virtual void DpiChanged(int dpi, const RECT& suggested);
    // The control that has the focus when the window is first activated.
    void SetInitialFocus(HWND control);

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // WM_ACTIVATE of a top-level window: remembers the focused control when it is left and gives
    // it the focus again when it is activated.
    void KeepFocus(bool active, bool minimized);
    HWND FHandle = nullptr;
    HWND FLastFocus = nullptr;
};

// ---- GDI ------------------------------------------------------------------------------------
template <typename T>
using TGdiObject = TOwnedHandle<T, DeleteObject>;
using TFont = TGdiObject<HFONT>;
using TBrush = TGdiObject<HBRUSH>;
using TPen = TGdiObject<HPEN>;
using TBitmap = TGdiObject<HBITMAP>;

// The fonts of a display scale being left, taken from their owners (left empty for the new
// scale's): they are freed when this goes, once the controls hold the new ones, so that no control
// is ever left with a freed font.
class TRetiredFonts {
public:
    void Take(TFont& font) {
        if (font) FFonts.push_back(std::move(font));
    }

private:
    std::vector<TFont> FFonts;
};

// Selects an object into a device context and puts the previous one back.
class TSelect {
public:
    TSelect(HDC dc, HGDIOBJ obj) : FDC(dc), FOld(SelectObject(dc, obj)) {}
    ~TSelect() { SelectObject(FDC, FOld); }
    TSelect(const TSelect&) = delete;
    TSelect& operator=(const TSelect&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// The size text takes in font on the screen, laid out as DrawTextW with format would lay it out;
// with DT_WORDBREAK in format it wraps at wrapWidth (0: no width to wrap at).
// Controls measure their text with it before they exist, so that each is created at its final size.
SIZE TextSize(HFONT font, std::wstring_view text, UINT format = DT_SINGLELINE | DT_NOPREFIX, int wrapWidth = 0);

// A top-down 32-bit DIB section of w x h; bits receives its pixels.
HBITMAP CreateDib32(int w, int h, void** bits);
// A font of pixelHeight (character height at 96 dpi, as a negative LOGFONT height) shown at dpi,
// ANSI character set.
TFont CreateUiFont(const wchar_t* face, int pixelHeight, int weight = FW_NORMAL, bool italic = false,
                   int dpi = kDesignDpi);
void FillSolid(HDC dc, const RECT& r, COLORREF color);
void FrameSolid(HDC dc, const RECT& r, COLORREF color);

// ---- The applied style ----------------------------------------------------------------------
// Finds the named style among the program's resources (name compared without regard to case) and
// applies it; false when there is none.
bool ApplyStyle(std::u16string_view name);
// Goes back to the platform's own look (no style applied).
void ClearStyle();
// The applied style, or null while none is applied.
const TStyle* ActiveStyle();
// Background of windows: the style's, or the window's own colour.
COLORREF WindowColor(COLORREF own);
COLORREF WindowTextColor(COLORREF own);
// Paints an owner-drawn push button in the style (or the window's own look without one).
void DrawPushButton(const DRAWITEMSTRUCT& item, COLORREF ownFace);
// Answer to WM_CTLCOLORSTATIC / WM_CTLCOLORBTN: text in textColor without a background of its own,
// over background (pass the style's colours, e.g. WindowTextColor(...) and WindowColor(...)).
LRESULT ControlColors(HDC dc, COLORREF textColor, COLORREF background);
// Fills a window's client area with the style's window colour, or its own without a style
// (the answer to WM_ERASEBKGND).
void EraseClient(HWND window, HDC dc, COLORREF ownColor);
// Paints an owner-drawn label (SS_OWNERDRAW static): its background, then its window text on one
// line in font and textColor with the DrawText format (DT_SINGLELINE and DT_NOPREFIX are added).
void DrawLabel(const DRAWITEMSTRUCT& item, HFONT font, COLORREF textColor, COLORREF background, UINT format);
// Makes a BS_OWNERDRAW button track the mouse so that it is drawn hot while under the pointer.
void TrackButtonHot(HWND button);
// Makes a push button that never holds the keyboard focus: the mouse (or BM_CLICK) presses and
// clicks it without focusing it, and focus given to it by any other way passes to the parent's
// first tab stop.
void KeepFocusAway(HWND button);

}  // namespace zo::win
