// A label host that records what the label asked of its window; measuring surfaces are fake
// surfaces with fixed metrics.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "fakes/FakeSurface.h"
#include "platform/LabelHost.h"

namespace zo::fakes {

class FakeLabelHost : public ILabelHost {
public:
    void Invalidate() override { ++Invalidations; }
    void InvalidateRect(const TRect& r) override { InvalidatedRects.push_back(r); }
    void BoundsChanged(int left, int top, int width, int height) override {
        Bounds.push_back({left, top, left + width, top + height});
    }
    void Update() override { ++Updates; }
    TPoint CursorPos() override { return Cursor; }
    bool HandCursor() const override { return Hand; }
    void SetHandCursor(bool hand) override { Hand = hand; }
    void OpenAddress(const std::u16string& a) override { Opened.push_back(a); }
    void ShowHint(const std::u16string& text, TPoint) override { Hints.push_back(text); }
    void CancelHint() override { ++HintsCancelled; }
    TColor ParentColor() override {
        ++ParentColorAsks;
        return Parent;
    }
    std::unique_ptr<ISurface> CreateMeasureSurface() override { return std::make_unique<FakeSurface>(); }
    void TextChanged(const std::u16string& plainText) override { Text = plainText; }
    void FocusOn(void* control) override { Focused.push_back(control); }

    int Invalidations = 0, Updates = 0, HintsCancelled = 0, ParentColorAsks = 0;
    std::vector<TRect> InvalidatedRects, Bounds;
    TPoint Cursor{-1, -1};
    bool Hand = false;
    TColor Parent = 0x202020;
    std::vector<std::u16string> Opened, Hints;
    std::u16string Text;
    std::vector<void*> Focused;
};

}  // namespace zo::fakes
