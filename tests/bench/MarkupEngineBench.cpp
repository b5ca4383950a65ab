// Layout time of the markup engine with fixed text metrics: the Help window's text, and generated
// markup of 1 KB to 1 MB. The time per kilobyte (wall-clock) should stay about the same: each size
// prints it and its ratio to the 1 KB rate measured in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
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

void LayoutOnce(const std::u16string& markup, bool measureOnly) {
    THtmlDrawInput in;
    in.MeasureOnly = measureOnly;
    Surface s;
    THtmlDrawOutput out;
    DrawHtmlText(s, markup, {0, 0, 401, 1 << 30}, in, out);
    benchmark::DoNotOptimize(out.YSize);
}

// Wall-clock microseconds per KB of markup (KB of its characters).
double UsPerKB(double seconds, double iterations, size_t chars) {
    return seconds * 1e6 / iterations / (double(chars) / 1024);
}

// The 1 KB rate, measured once per run for each mode over a fixed time.
double BaselineUsPerKB(bool measureOnly) {
    static double rate[2] = {0, 0};
    if (rate[measureOnly] == 0) {
        const std::u16string markup = Generated(1 << 10);
        const auto t0 = std::chrono::steady_clock::now();
        double n = 0, seconds = 0;
        for (; seconds < 0.3; ++n) {
            LayoutOnce(markup, measureOnly);
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        }
        rate[measureOnly] = UsPerKB(seconds, n, markup.size());
    }
    return rate[measureOnly];
}

void Layout(benchmark::State& state, const std::u16string& markup, bool measureOnly) {
    const double baseline = BaselineUsPerKB(measureOnly);
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) LayoutOnce(markup, measureOnly);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double rate = UsPerKB(seconds, double(state.iterations()), markup.size());
    state.counters["chars"] = double(markup.size());
    state.counters["us_per_KB"] = rate;
    state.counters["x_1KB_rate"] = rate / baseline;
}

void BM_HelpText(benchmark::State& state) { Layout(state, kHelpText, false); }
BENCHMARK(BM_HelpText)->UseRealTime();

void BM_Generated(benchmark::State& state) { Layout(state, Generated(size_t(state.range(0))), false); }
BENCHMARK(BM_Generated)->RangeMultiplier(4)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_GeneratedMeasureOnly(benchmark::State& state) { Layout(state, Generated(size_t(state.range(0))), true); }
BENCHMARK(BM_GeneratedMeasureOnly)->RangeMultiplier(4)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
