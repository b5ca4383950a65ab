// The Help window: a help icon, a few sentences of help in the markup label, and one button,
// Close. It keeps no state.
#pragma once
#include <windows.h>

#include <memory>

#include "platform/win32/DpiMetrics.h"
#include "platform/win32/Gui.h"
#include "windows/InfoWindow.h"
#include "windows/HelpText.h"
#include "windows/MarkupLabel.h"

namespace zo {

class TfrmHelp : public TInfoWindow {
public:
    static constexpr const char16_t* kCaption = u"Help";
    static constexpr int kClientWidth = 467, kClientHeight = 228;

    // Creates the window (hidden) centred on owner, whose input it blocks while shown modally.
    explicit TfrmHelp(HWND owner);
    ~TfrmHelp() override;

    const TMarkupLabel& HelpLabel() const { return *MarkupLabel1; }

protected:
    void ScaleResources(int dpi) override;
    void ButtonClicked(int id) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    win::TFont FFont;
    win::TIcon FHelpIcon;
    std::unique_ptr<TMarkupLabel> MarkupLabel1;
    HWND Image1{};
    HWND btnClose{};

    void CreateComponents();
    void btnCloseClick();
};

}  // namespace zo
