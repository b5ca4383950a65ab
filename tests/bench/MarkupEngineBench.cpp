// Layout time of the markup engine with fixed text metrics: the Help window's text, and generated
// markup of 1 KB, 10 KB and 100 KB. The time per kilobyte should stay about the same.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "windows/HelpText.h"
#include "windows/MarkupEngine.h"

using namespace zo;

namespace {

class Surface : public ISurface {
public:
    const TFont& Font() const override { return FFont; }
    void SetFont(const TFont& f) override { FFont = f; }
    TSize TextExtent(std::u16string_view t) override {
        int w = 0;
        for (char16_t c : t) w += c == u' ' ? 3 : ((FFont.Style & fsBold) ? 7 : 6);
        return {w, std::abs(FFont.Height) + 3};
    }
    TSize MeasureText(std::u16string_view t, uint32_t) override { return TextExtent(t); }
    void DrawText(std::u16string_view t, const TRect&, uint32_t) override { Chars += long(t.size()); }
    TColor BackgroundColor() const override { return FBg; }
    void SetBackgroundColor(TColor c) override { FBg = c; }
    void FillRect(const TRect&, TColor) override {}
    void Polyline(const std::vector<TPoint>&, TColor, int) override {}
    void FillEllipse(const TRect&, TColor) override {}
    void DrawFocusRect(const TRect&) override {}
    void DrawPicture(const IPicture&, const TRect&) override {}
    void TilePicture(const IPicture&, const TRect&) override {}
    void PushClip(const TRect&) override {}
    void PopClip() override {}
    int PixelsPerInch() const override { return 96; }
    TColor ColorToRGB(TColor c) const override { return c; }
    long Chars = 0;

private:
    TFont FFont;
    TColor FBg = clNone;
};


// Markup of about the given size: words, bold and italic runs, fonts, anchors, entities and
// paragraph breaks.
std::u16string Generated(size_t bytes) {
    static const std::u16string pieces[] = {
        u"plain words run on ", u"<B>bold text</B> ", u"<I>italic</I> and ", u"<FONT color=\"clred\">red</FONT> ",
        u"a &lt;tag&gt; shown ", u"<A href=\"http://h/\">a link</A> ", u"<U>under</U> ", u"<BR><BR>"};
    std::u16string m;
    for (size_t i = 0; m.size() < bytes; ++i) m += pieces[(i * 7 + i / 3) % 8];
    return m;
}

void Layout(benchmark::State& state, const std::u16string& markup, bool measureOnly) {
    THtmlDrawInput in;
    in.MeasureOnly = measureOnly;
    for (auto _ : state) {
        Surface s;
        THtmlDrawOutput out;
        DrawHtmlText(s, markup, {0, 0, 401, 1 << 30}, in, out);
        benchmark::DoNotOptimize(out.YSize);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(markup.size()));
    state.counters["chars"] = double(markup.size());
}

void BM_HelpText(benchmark::State& state) { Layout(state, kHelpText, false); }
BENCHMARK(BM_HelpText);

void BM_Generated(benchmark::State& state) { Layout(state, Generated(size_t(state.range(0))), false); }
BENCHMARK(BM_Generated)->Arg(1 << 10)->Arg(10 << 10)->Arg(100 << 10)->Unit(benchmark::kMicrosecond);

void BM_GeneratedMeasureOnly(benchmark::State& state) { Layout(state, Generated(size_t(state.range(0))), true); }
BENCHMARK(BM_GeneratedMeasureOnly)->Arg(1 << 10)->Arg(10 << 10)->Arg(100 << 10)->Unit(benchmark::kMicrosecond);

}  // namespace
