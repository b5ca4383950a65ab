// The About window: the product's title, the program's version from its own version resource and
// the copyright line with the current year; one button, Close.
#pragma once
#include <windows.h>

#include "platform/VersionResource.h"
#include "platform/win32/Gui.h"
#include "windows/InfoWindow.h"
#include "windows/VersionInfo.h"

namespace zo {

// What the About window reads; each opening passes them afresh.
struct TAboutDependencies {
    IVersionResource& Versions;
    int CurrentYear;  // local time, for the copyright line
};

class TfrmAbout : public TInfoWindow {
public:
    static constexpr const char16_t* kCaption = u"About Quillora 5 Zudazuv Orerozo Vuzuvaz";
    static constexpr int kClientWidth = 368, kClientHeight = 157;

    // Creates the window (hidden) centred on owner, whose input it blocks while shown modally.
    TfrmAbout(const TAboutDependencies& deps, HWND owner);

    const TVersionInfo& Versions() const { return VersionInfo; }

protected:
    void ScaleResources(int dpi) override;
    void ButtonClicked(int id) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    TAboutDependencies FDeps;
    win::TFont FFont, FTitleFont, FVersionFont;
    HWND lblCopyright{}, lblVersion{}, Label1{};
    TVersionInfo VersionInfo;
    HWND btnClose{};

    void CreateComponents();
    void FormCreate();
    void ShowCopyright();
    void ShowVersion();
    void btnCloseClick();
};

}  // namespace zo
