#include "windows/MarkupEngine.h"

#include <algorithm>
#include <climits>

#include "platform/Dpi.h"
#include "platform/Text.h"

namespace zo {

namespace {

constexpr size_t npos = std::u16string_view::npos;

std::u16string Upper(std::u16string_view s) {
    std::u16string r(s);
    for (auto& c : r) c = AsciiUpper(c);
    return r;
}

// Whether s holds the upper-case pattern at pos, letter case aside.
bool MatchAt(std::u16string_view s, size_t pos, std::u16string_view pattern) {
    if (pos + pattern.size() > s.size()) return false;
    for (size_t i = 0; i < pattern.size(); ++i)
        if (AsciiUpper(s[pos + i]) != pattern[i]) return false;
    return true;
}

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

// The leading decimal integer of a value: leading spaces and a sign allowed, reading stops at the
// first non-digit, no digits give 0; the value is kept within the 32-bit range.
int ReadInt(std::u16string_view v) {
    size_t i = 0;
    while (i < v.size() && v[i] == u' ') ++i;
    bool neg = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) neg = v[i++] == u'-';
    long long n = 0;
    while (i < v.size() && v[i] >= u'0' && v[i] <= u'9') {
        n = n * 10 + (v[i++] - u'0');
        if (n > INT_MAX) n = INT_MAX;
    }
    return static_cast<int>(neg ? -n : n);
}

// The value as a whole integer (nothing else in it but surrounding spaces).
bool TryWholeInt(std::u16string_view v, int& n) {
    size_t a = 0, b = v.size();
    while (a < b && v[a] == u' ') ++a;
    while (b > a && v[b - 1] == u' ') --b;
    v = v.substr(a, b - a);
    size_t i = (!v.empty() && (v[0] == u'-' || v[0] == u'+')) ? 1 : 0;
    if (i >= v.size() || v.size() - i > 10) return false;
    for (size_t k = i; k < v.size(); ++k)
        if (v[k] < u'0' || v[k] > u'9') return false;
    long long x = 0;
    for (size_t k = i; k < v.size(); ++k) x = x * 10 + (v[k] - u'0');
    if (v[0] == u'-') x = -x;
    if (x < INT_MIN || x > INT_MAX) return false;
    n = static_cast<int>(x);
    return true;
}

struct TEntity {
    std::u16string_view Name;  // upper case
    std::u16string_view Replacement;
};
constexpr TEntity kEntities[] = {
    {u"&AMP;", u"&&"},        {u"&QUOT;", u"\""},       {u"&SECT;", u"\u00A7"},
    {u"&PERMIL;", u"\u2030"}, {u"&REG;", u"\u00AE"},    {u"&COPY;", u"\u00A9"},
    {u"&PARA;", u"\u00B6"},   {u"&TRADE;", u"\u2122"}, {u"&EURO;", u"\u20AC"},
};

// "&nbsp;", "&lt;" and "&gt;" of one text run.
std::u16string RunText(std::u16string_view raw) {
    if (raw.find(u'&') == npos) return std::u16string(raw);
    std::u16string r;
    r.reserve(raw.size());
    for (size_t i = 0; i < raw.size();) {
        if (raw[i] == u'&') {
            if (MatchAt(raw, i, u"&NBSP;")) { r += u' '; i += 6; continue; }
            if (MatchAt(raw, i, u"&LT;")) { r += u'<'; i += 4; continue; }
            if (MatchAt(raw, i, u"&GT;")) { r += u'>'; i += 4; continue; }
        }
        r += raw[i++];
    }
    return r;
}

struct TNamedColor {
    std::u16string_view Name;  // upper case
    TColor Color;
};
constexpr TNamedColor kColors[] = {
    {u"CLRED", 0x0000FF},   {u"CLBLACK", 0x000000},  {u"CLBLUE", 0xFF0000},  {u"CLGREEN", 0x008000},
    {u"CLAQUA", 0xFFFF00},  {u"CLYELLOW", 0x00FFFF}, {u"CLFUCHSIA", 0xFF00FF}, {u"CLWHITE", 0xFFFFFF},
    {u"CLLIME", 0x00FF00},  {u"CLSILVER", 0xC0C0C0}, {u"CLGRAY", 0x808080},  {u"CLOLIVE", 0x008080},
    {u"CLNAVY", 0x800000},  {u"CLPURPLE", 0x800080}, {u"CLTEAL", 0x808000},  {u"CLMAROON", 0x000080},
    {u"CLBACKGROUND", 0xFF000001},     {u"CLACTIVECAPTION", 0xFF000002},
    {u"CLINACTIVECAPTION", 0xFF000003}, {u"CLMENU", 0xFF000004},
    {u"CLWINDOW", 0xFF000005},         {u"CLWINDOWFRAME", 0xFF000006},
    {u"CLMENUTEXT", 0xFF000007},       {u"CLWINDOWTEXT", 0xFF000008},
    {u"CLCAPTIONTEXT", 0xFF000009},    {u"CLACTIVEBORDER", 0xFF00000A},
    {u"CLINACTIVEBORDER", 0xFF00000B}, {u"CLAPPWORKSPACE", 0xFF00000C},
    {u"CLHIGHLIGHT", 0xFF00000D},      {u"CLHIGHLIGHTTEXT", 0xFF00000E},
    {u"CLBTNFACE", 0xFF00000F},        {u"CLBTNSHADOW", 0xFF000010},
    {u"CLGRAYTEXT", 0xFF000011},       {u"CLBTNTEXT", 0xFF000012},
    {u"CLINACTIVECAPTIONTEXT", 0xFF000013}, {u"CLBTNHIGHLIGHT", 0xFF000014},
    {u"CL3DDKSHADOW", 0xFF000015},     {u"CL3DLIGHT", 0xFF000016},
    {u"CLINFOTEXT", 0xFF000017},       {u"CLINFOBK", 0xFF000018},
};

// First occurrence of a character at or after a position; remembers its last answer, so that a
// scan that only moves forward costs linear time in total.
struct TFinder {
    char16_t C;
    size_t At = 0;
    bool Known = false;
    size_t Next(std::u16string_view s, size_t pos) {
        if (!Known || At < pos) {
            At = s.find(C, pos);
            if (At == npos) At = s.size();
            Known = true;
        }
        return At;
    }
};

struct TFinders {
    TFinder Lt{u'<'};
    TFinder Sp{u' '};
    TFinder Gt{u'>'};
};

// What one pass carries from line to line.
struct TPassState {
    TFont Font;
    TFont RestoreFont;
    bool InAnchor = false, Hidden = false, Sub = false, Sup = false, Shadow = false;
    bool ErrorMark = false, ParaBg = false;
    int ListLevel = 0;
    bool Ordered = false;
    int ItemNumber = 1;
    int CarriedX = 0;
    int AnchorCount = 0;
    std::u16string AnchorTarget, AnchorTitle;
    bool AnchorBgSet = false;
    TColor AnchorSavedBg = clNone;
    TColor FontSavedBg = clNone;
    TColor ParaSavedBg = clNone;
    bool SpanSaved = false;
    TColor SpanSavedBg = clNone;
    bool HiActive = false;
    TColor HiSavedText = clBlack, HiSavedBg = clNone;
    bool Rotated = false;
    TFont RotSaved;
    bool FocusOpen = false;
};

// One pass over one line.
struct TLine {
    bool Drawing = false;
    TRect LineRect;
    int StartHeight = 0;
    int X = 0;
    int Width = 0;
    int Height = 0;
    int Trailing = 0;
    bool Done = false, Stop = false, HasContent = false, ItemOnLine = false;
    std::u16string* Source = nullptr;
    bool AnchorHit = false;
    int AnchorStartX = 0;
    int FocusStartX = 0;
};

class TEngine {
public:
    TEngine(ISurface& s, const TRect& r, const THtmlDrawInput& in, THtmlDrawOutput& out)
        : S(s), R(r), In(in), Out(out) {}
    bool Run(std::u16string_view markup);

private:
    void Pass(std::u16string_view src, size_t& pos, TFinders& f, TLine& ln);
    void Tag(std::u16string_view tag, TPassState& st, TLine& ln);
    void StartTag(std::u16string_view tag, const std::u16string& up, char16_t next, TPassState& st, TLine& ln);
    void EndTag(const std::u16string& up, char16_t next, TPassState& st, TLine& ln);
    void DrawRun(const std::u16string& text, TPassState& st, TLine& ln);
    void Picture(std::u16string_view tag, const std::u16string& up, TPassState& st, TLine& ln);
    void ListItem(const std::u16string& up, TPassState& st, TLine& ln);
    void AreaBackground(std::u16string_view tag, const std::u16string& up, TLine& ln);
    // Backgrounds go down before any text over them: the body's before the first line, a
    // paragraph's before the runs of its line, so that no drawn text is painted over.
    void BodyBackgrounds(std::u16string_view markup);
    void ParagraphBackgrounds(std::u16string_view line, TLine& ln);
    void ParagraphFill(const std::u16string& up, const TLine& ln);
    bool PaintsBackgrounds() const { return !In.MeasureOnly && !In.CheckAnchors && !In.Selected; }
    void EndAnchorLine(TPassState& st, TLine& ln);
    TPicturePtr FindPicture(const std::u16string& src);
    bool Paints(const TLine& ln) const { return ln.Drawing && !In.CheckAnchors; }
    // The ellipsis only cuts a run that overflows the rectangle it is drawn into; measured, a run
    // is always its whole text (the measuring call has no width to overflow and would give the
    // ellipsis's own width).
    uint32_t MeasureOpt() const { return Opt & ~uint32_t(dtEndEllipsis); }
    int BoxBottom(const TLine& ln) const { return ln.LineRect.Bottom + SubH; }
    // A length given at 96 dots per inch (indents, offsets, list and picture sizes) on the surface;
    // the markup's own numbers are first bounded, far beyond anything shown, so that the scaled
    // value stays an int.
    int Px(long long designPixels) const {
        constexpr long long kLimit = 1 << 24;
        return ScaleDpi(int(std::clamp(designPixels, -kLimit, kLimit)), Ppi);
    }

    ISurface& S;
    TRect R;
    const THtmlDrawInput& In;
    THtmlDrawOutput& Out;
    int Ppi = kDesignDpi;
    uint32_t Opt = 0;
    TColor EntryBg = clNone;
    int Align = 0, Indent = 0;
    bool AlignReset = false;
    int SubH = 0, SupH = 0, PicOffset = 0, Gh = 0;
    TPassState Meas, Draw;
    std::u16string FocusTarget, HitTitle;
    bool Result = false;
};

// Value of an attribute: the text between the first double quote after the name and the next one.
bool Attr(std::u16string_view tag, const std::u16string& up, std::u16string_view name, std::u16string& value) {
    size_t p = up.find(name);
    if (p == npos) return false;
    size_t q1 = up.find(u'"', p + name.size());
    value.clear();
    if (q1 == npos) return true;
    size_t q2 = up.find(u'"', q1 + 1);
    if (q2 == npos) q2 = up.size();
    value.assign(tag.substr(q1 + 1, q2 - q1 - 1));
    return true;
}

bool AttrUp(const std::u16string& up, std::u16string_view name, std::u16string& value) {
    return Attr(up, up, name, value);
}

}  // namespace

std::u16string PrepareMarkup(std::u16string_view markup) {
    // Entities: the repeated sweeps end in the same text as one left-to-right pass in which the
    // second "&" that "&amp;" leaves may begin a further entity.
    std::u16string a;
    if (markup.find(u'&') != npos) {
        std::u16string buf(markup);
        a.reserve(buf.size());
        size_t i = 0;
        while (i < buf.size()) {
            bool matched = false;
            if (buf[i] == u'&') {
                for (const auto& e : kEntities) {
                    if (!MatchAt(buf, i, e.Name)) continue;
                    matched = true;
                    if (e.Name == u"&AMP;") {
                        a += u'&';
                        i += e.Name.size() - 1;
                        buf[i] = u'&';
                    } else {
                        a += e.Replacement;
                        i += e.Name.size();
                    }
                    break;
                }
            }
            if (!matched) a += buf[i++];
        }
    } else {
        a.assign(markup);
    }
    // "<#": the "<" goes and so does the first ">" after it.
    std::u16string b;
    b.reserve(a.size());
    size_t pending = 0;
    for (char16_t c : a) {
        if (c == u'>' && pending > 0) {
            --pending;
            continue;
        }
        if (c == u'#')
            while (!b.empty() && b.back() == u'<') {
                b.pop_back();
                ++pending;
            }
        b += c;
    }
    // Line breaks.
    std::u16string c;
    c.reserve(b.size());
    for (char16_t ch : b) {
        if (ch == u'\r') c += u"<BR>";
        else if (ch != u'\n') c += ch;
    }
    return c;
}

TColor HtmlColor(std::u16string_view value) {
    if (value.empty()) return clNone;
    if (value[0] == u'#') {
        auto digit = [&](size_t i) -> int {
            if (i >= value.size()) return 0;
            char16_t c = AsciiUpper(value[i]);
            return c >= u'A' ? c - u'A' + 10 : c - u'0';
        };
        auto pair = [&](size_t i) -> TColor { return TColor(digit(i) * 16 + digit(i + 1)) & 0xFF; };
        return pair(1) + pair(3) * 256 + pair(5) * 65536;
    }
    std::u16string up = Upper(value);
    for (const auto& nc : kColors)
        if (nc.Name == up) return nc.Color;
    return clBlack;
}

void FillGradient(ISurface& s, const TRect& r, TColor from, TColor to, int bands, bool horizontal) {
    if (bands < 1) bands = 1;
    TColor a = s.ColorToRGB(from), b = s.ColorToRGB(to);
    int size = horizontal ? r.Width() : r.Height();
    for (int i = 0; i < bands; ++i) {
        auto mix = [&](int shift) {
            int ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
            int v = bands > 1 ? ca + (cb - ca) * i / (bands - 1) : ca;
            return TColor(v & 0xFF) << shift;
        };
        TColor c = mix(0) | mix(8) | mix(16);
        int p0 = static_cast<int>(static_cast<long long>(size) * i / bands);
        int p1 = static_cast<int>(static_cast<long long>(size) * (i + 1) / bands);
        if (p1 <= p0) continue;
        TRect band = horizontal ? TRect{r.Left + p0, r.Top, r.Left + p1, r.Bottom}
                                : TRect{r.Left, r.Top + p0, r.Right, r.Top + p1};
        s.FillRect(band, c);
    }
}

bool TEngine::Run(std::u16string_view markup) {
    Ppi = S.PixelsPerInch();
    Opt = dtExternalLeading;
    if (markup.find(u" & ") != npos) Opt |= dtNoPrefix;
    if (!In.WordWrap) Opt |= dtEndEllipsis;
    if (In.RightToLeft) Opt |= dtRtlReading;
    EntryBg = S.BackgroundColor();
    S.SetBackgroundColor(clNone);
    Meas.Font = Meas.RestoreFont = Draw.Font = Draw.RestoreFont = S.Font();

    const std::u16string prepared = PrepareMarkup(markup);
    size_t end = prepared.size();
    while (end > 0 && prepared[end - 1] <= 32) --end;
    const std::u16string_view v(prepared.data(), end);

    if (PaintsBackgrounds()) BodyBackgrounds(v);
    size_t pos = 0;
    TFinders finders;
    int y = R.Top;
    int total = 0;
    std::u16string source;
    while (pos < end) {
        SubH = SupH = PicOffset = 0;
        S.SetFont(Meas.Font);
        const int gh = S.TextExtent(u"gh").Cy;
        Gh = gh;
        while (pos < end && v[pos] <= 32) ++pos;
        if (pos >= end) break;

        const size_t startPos = pos;
        source.clear();
        TLine m;
        m.LineRect = {R.Left, y, R.Right, R.Bottom};
        m.StartHeight = gh;
        m.X = R.Left;
        m.Source = &source;
        Pass(v, pos, finders, m);
        if (pos == startPos) {
            // Nothing could be taken (a tag that stops every line): skip it so the layout ends.
            size_t gt = v.find(u'>', pos);
            pos = gt == npos ? end : gt + 1;
        }

        int h = m.Height + Px(In.LineSpacing);
        int x = R.Left;
        if (Align == 1) {
            if (R.Right - m.Width > R.Left) x = R.Right - m.Width;
        } else if (Align == 2) {
            int d = R.Right - R.Left - m.Width;
            if (d > 0) x = R.Left + d / 2;
        }
        x += Indent;

        if (!In.MeasureOnly) {
            TLine d;
            d.Drawing = true;
            d.LineRect = {x, y, R.Right, y + h + SubH + SupH};
            d.StartHeight = h;
            d.X = x;
            size_t dpos = 0;
            TFinders df;
            Pass(source, dpos, df, d);
            h = d.Height;
        }
        y += h + SubH + SupH;
        total += h + SubH + SupH;
        if (AlignReset) {
            Align = 0;
            AlignReset = false;
        }
        if (!In.MeasureOnly && y + gh > R.Bottom) break;
    }

    if (total == 0) total = S.TextExtent(u"gh").Cy;
    Out.YSize = total;
    S.SetBackgroundColor(EntryBg);
    const TPassState& last = In.MeasureOnly ? Meas : Draw;
    S.SetFont(last.RestoreFont);
    Out.HyperLinks = last.AnchorCount;
    Out.FocusAnchor = HitTitle.empty() ? FocusTarget : HitTitle;
    return Result;
}

void TEngine::Pass(std::u16string_view src, size_t& pos, TFinders& f, TLine& ln) {
    TPassState& st = ln.Drawing ? Draw : Meas;
    const size_t end = src.size();
    ln.LineRect.Bottom -= SubH;
    if (ln.Drawing) {
        ln.X = ln.LineRect.Left + st.CarriedX;
        if (st.ParaBg && Paints(ln) && S.BackgroundColor() != clNone)
            S.FillRect({R.Left, ln.LineRect.Top, R.Right, BoxBottom(ln)}, S.BackgroundColor());
        if (Paints(ln) && !In.Selected) ParagraphBackgrounds(src.substr(pos), ln);
    }
    ln.AnchorStartX = ln.X;
    ln.FocusStartX = ln.X;
    S.SetFont(st.Font);

    while (pos < end && !ln.Done && !ln.Stop) {
        const size_t lt = f.Lt.Next(src, pos);
        const size_t sp = In.WordWrap ? f.Sp.Next(src, pos) : end;
        size_t runEnd;
        if (lt < end && (sp >= end || sp > lt)) runEnd = lt;
        else if (sp < end) runEnd = sp + 1;
        else runEnd = end;

        if (runEnd > pos) {
            const std::u16string_view raw = src.substr(pos, runEnd - pos);
            const std::u16string text = RunText(raw);
            if (ln.Height == 0) ln.Height = ln.StartHeight;
            const int h = S.TextExtent(text).Cy;
            if (st.Sub) SubH = std::max(SubH, h / 4);
            if (st.Sup) SupH = std::max(SupH, h / 4);
            ln.Height = std::max(ln.Height, h);
            if (st.Hidden) {
                // Hidden text is no part of the plain text either: that output is the visible
                // text, and a caller that shows or searches it must not reveal what the label hides.
                pos = runEnd;
            } else {
                int ww = 0;
                if (!ln.Drawing) {
                    ww = S.MeasureText(text, MeasureOpt()).Cx;
                    ln.Width += ww;
                } else {
                    DrawRun(text, st, ln);
                }
                // The drawing pass takes what the measuring pass put on the line.
                const int avail = ln.LineRect.Width() - st.CarriedX;
                const bool fits = ln.Drawing || ln.Width < avail || ww >= avail;
                if (fits || !In.WordWrap) {
                    pos = runEnd;
                    if (ln.Source) ln.Source->append(raw);
                    ln.Trailing = (!text.empty() && text.back() == u' ' && text.size() == raw.size())
                                      ? S.TextExtent(u" ").Cx
                                      : 0;
                    ln.HasContent = true;
                    if (!ln.Drawing) Out.StripVal += text;
                } else {
                    ln.Done = true;
                    ln.Width -= ww;
                }
            }
        }
        if (pos < end && src[pos] == u'<' && end - pos <= 2) pos = end;
        if (ln.Done || pos >= end || src[pos] != u'<' || end - pos < 3) continue;

        const size_t gt = f.Gt.Next(src, pos);
        const std::u16string_view tag = src.substr(pos, (gt < end ? gt + 1 : end) - pos);
        Tag(tag, st, ln);
        if (!ln.Stop) {
            if (gt < end) {
                if (ln.Source) ln.Source->append(tag);
                pos = gt + 1;
            } else {
                pos = end;
            }
        }
    }

    EndAnchorLine(st, ln);
    ln.Width -= ln.Trailing;
    if (!ln.Drawing && ln.Width > Out.XSize) Out.XSize = ln.Width + 2;
}

// An anchor hit on this line reports its number and its area on the line; a focused anchor that
// runs on past the line gets its frame up to the line's end.
void TEngine::EndAnchorLine(TPassState& st, TLine& ln) {
    if (ln.AnchorHit) {
        Out.MouseLink = st.AnchorCount;
        Out.HoverRect = {ln.AnchorStartX, ln.LineRect.Top, ln.X, BoxBottom(ln)};
        ln.AnchorHit = false;
    }
    if (st.FocusOpen && Paints(ln) && ln.X > ln.FocusStartX)
        S.DrawFocusRect({ln.FocusStartX, ln.LineRect.Top, ln.X, BoxBottom(ln)});
}

void TEngine::DrawRun(const std::u16string& text, TPassState& st, TLine& ln) {
    int bottom = ln.LineRect.Bottom;
    if (st.Sup) bottom -= SupH;
    if (st.Sub) bottom += SubH;
    bottom -= PicOffset;
    const TRect rr{ln.X, ln.LineRect.Top, ln.LineRect.Right + ((st.Font.Style & fsItalic) ? Px(2) : 0), bottom};
    const int w = S.MeasureText(text, MeasureOpt()).Cx;
    if (In.CheckAnchors) {
        if (st.InAnchor && In.MouseX >= ln.X && In.MouseX < ln.X + w && In.MouseY >= ln.LineRect.Top &&
            In.MouseY < BoxBottom(ln)) {
            Out.AnchorVal = st.AnchorTarget;
            if (!st.AnchorTitle.empty()) HitTitle = st.AnchorTitle;
            ln.AnchorHit = true;
            const int low = ln.LineRect.Bottom - PicOffset;
            if (In.MouseY >= low - Gh && In.MouseY < low) Result = true;
        }
    } else {
        const uint32_t opt = Opt & ~uint32_t(dtExternalLeading);
        bool visible = true;
        if (!In.WordWrap) visible = ln.X < ln.LineRect.Right - S.TextExtent(u"l").Cx;
        if (visible) {
            if (st.Shadow) {
                TFont shadow = st.Font;
                shadow.Color = In.ShadowColor;
                S.SetFont(shadow);
                const int o = Px(In.ShadowOffset);
                S.DrawText(text, {rr.Left + o, rr.Top + o, rr.Right + o, rr.Bottom + o},
                           opt);
                S.SetFont(st.Font);
            }
            S.DrawText(text, rr, opt);
        }
        if (st.ErrorMark) {
            std::vector<TPoint> zig;
            const int base = ln.LineRect.Bottom;
            int i = 0;
            for (int px = ln.X & ~1; px <= ln.X + w; px += 2, ++i) zig.push_back({px, (i % 2) ? base + 1 : base - 1});
            if (zig.size() > 1) S.Polyline(zig, clRed, 1);
        }
    }
    ln.X += w;
}

void TEngine::Tag(std::u16string_view tag, TPassState& st, TLine& ln) {
    const std::u16string up = Upper(tag);
    const bool isEnd = tag.size() > 3 && tag[1] == u'/';
    const size_t n = isEnd ? 3 : 2;
    const char16_t next = n < up.size() ? up[n] : 0;
    if (isEnd) EndTag(up, next, st, ln);
    else StartTag(tag, up, next, st, ln);
    S.SetFont(st.Font);
}

void TEngine::StartTag(std::u16string_view tag, const std::u16string& up, char16_t next, TPassState& st, TLine& ln) {
    std::u16string v;
    const bool drawing = ln.Drawing;
    switch (up[1]) {
    case u'A': {
        ++st.AnchorCount;
        st.RestoreFont.Color = st.Font.Color;
        if (Attr(tag, up, u"HREF", v)) st.AnchorTarget = v;
        else st.AnchorTarget.clear();
        if (Attr(tag, up, u"TITLE", v)) st.AnchorTitle = v;
        else st.AnchorTitle.clear();
        st.InAnchor = true;
        ln.AnchorStartX = ln.X;
        if (st.AnchorCount == In.FocusLink + 1) {
            FocusTarget = st.AnchorTarget;
            if (drawing) {
                st.FocusOpen = true;
                ln.FocusStartX = ln.X;
            }
        }
        const bool hovered = In.Hover && In.HoverFontColor != clNone && st.AnchorCount == In.HoverLink;
        if (drawing && (!In.Hover || st.AnchorCount == In.HoverLink)) {
            st.Font.Style |= fsUnderline;
            if (In.HoverColor != clNone) {
                st.AnchorSavedBg = S.BackgroundColor();
                st.AnchorBgSet = true;
                S.SetBackgroundColor(In.HoverColor);
            }
            if (In.HoverFontColor != clNone) st.Font.Color = In.HoverFontColor;
        }
        if (!In.Selected && !hovered) st.Font.Color = In.URLColor;
        break;
    }
    case u'B':
        if (next == u'>') {
            st.Font.Style |= fsBold;
        } else if (next == u'R') {
            ln.Done = true;
            if (ln.Height == 0) ln.Height = ln.StartHeight;
            if (!drawing) Out.StripVal += u'\r';
        } else if (next == u'L') {
            if (!In.Blink) st.Font.Color = In.BlinkColor ? In.BlinkColor() : EntryBg;
        }  // <BODY>'s backgrounds are painted before the first line (BodyBackgrounds)
        break;
    case u'E':
        if (drawing) st.ErrorMark = true;
        break;
    case u'F': {
        st.FontSavedBg = S.BackgroundColor();
        if (Attr(tag, up, u"FACE", v) && !v.empty()) st.Font.Name = v;
        if (drawing && !In.Selected && AttrUp(up, u" COLOR", v)) {
            st.RestoreFont.Color = st.Font.Color;
            TColor c = HtmlColor(v);
            if (c != clNone) st.Font.Color = c;
        }
        if (drawing && !In.Selected && AttrUp(up, u"BGCOLOR", v)) S.SetBackgroundColor(HtmlColor(v));
        const int ppi = S.PixelsPerInch();
        if (AttrUp(up, u"STYLE", v)) {
            size_t pt = v.find(u"PT");
            if (StartsWith(v, u"FONT-SIZE:") && pt != npos && pt >= 10) {
                int size = std::clamp(ReadInt(v.substr(10, pt - 10)), 1, 1000);
                st.Font.Height = FontHeightFromSize(size, ppi);
            }
        } else if (AttrUp(up, u"SIZE", v)) {
            int size = ReadInt(v);
            static constexpr int kSteps[] = {1, 2, 4, 6, 8};
            if (size >= 1 && size <= 5) size = FontSizeFromHeight(st.RestoreFont.Height, ppi) + kSteps[size - 1];
            st.Font.Height = FontHeightFromSize(std::clamp(size, 1, 1000), ppi);
        }
        break;
    }
    case u'H':
        if (next == u'R') {
            ln.Done = true;
            if (Paints(ln)) {
                TColor c = clBlack;
                // Read as written; a lower-case hexadecimal digit still counts as its capital, as
                // in every other tag (a rule in a colour the digits do not say helps nobody).
                if (Attr(tag, up, u"COLOR", v) && !v.empty()) c = HtmlColor(v);
                const int yy = BoxBottom(ln);
                S.Polyline({{ln.LineRect.Left, yy}, {R.Right, yy}}, c, Px(1));
            }
        } else if (next == u'I') {
            if (drawing) {
                st.HiActive = true;
                st.HiSavedText = st.Font.Color;
                st.HiSavedBg = S.BackgroundColor();
                S.SetBackgroundColor(clHighlight);
                st.Font.Color = clHighlightText;
            }
        }
        break;
    case u'I':
        if (next == u'>') {
            st.Font.Style |= fsItalic;
        } else if (next == u'N') {
            int x = 0;
            if (AttrUp(up, u"X", v) && TryWholeInt(v, x) && ln.Width < (x = Px(x))) {
                ln.Width = x;
                ln.X = R.Left + x;
            }
        } else if (next == u'M') {
            Picture(tag, up, st, ln);
        }
        break;
    case u'L':
        ListItem(up, st, ln);
        break;
    case u'O':
        if (next == u'L') {
            ++st.ListLevel;
            st.Ordered = true;
            st.ItemNumber = 1;
            if (ln.HasContent) ln.Done = true;
        } else if (next == u'F') {
            int x = AttrUp(up, u"X", v) ? Px(ReadInt(v)) : 0;
            st.CarriedX = x;
            ln.X = R.Left + x;
            ln.Width = x;
        }
        break;
    case u'P': {
        if (AttrUp(up, u"ALIGN", v)) {
            if (v.find(u"RIGHT") != npos) Align = 1;
            if (v.find(u"LEFT") != npos) Align = 0;
            if (v.find(u"CENTER") != npos) Align = 2;
        }
        if (AttrUp(up, u"INDENT", v)) Indent = Px(ReadInt(v));
        if (drawing && !In.Selected && AttrUp(up, u"BGCOLOR", v)) {
            const TColor c = HtmlColor(v);
            // Each paragraph saves the background before it, so that its end restores that one.
            st.ParaSavedBg = S.BackgroundColor();
            st.ParaBg = true;
            S.SetBackgroundColor(c);  // its fill was painted before the line's runs (ParagraphBackgrounds)
        }
        break;
    }
    case u'R': {
        const int a = AttrUp(up, u"A", v) ? ReadInt(v) : 0;
        if (!st.Rotated) {
            st.RotSaved = st.Font;
            st.Rotated = true;
        }
        st.Font.Orientation = static_cast<int>((static_cast<long long>(a) * 10) % 3600);
        break;
    }
    case u'S':
        if (up == u"<SUB>") {
            st.Sub = true;
        } else if (up == u"<SUP>") {
            st.Sup = true;
        } else if (next == u'>' || next == u'T') {
            st.Font.Style |= fsStrikeOut;
        } else if (next == u'H') {
            st.Shadow = true;
        } else if (next == u'P') {
            if (AttrUp(up, u"STYLE", v) && StartsWith(v, u"BACKGROUND-COLOR:")) {
                size_t i = 17;
                while (i < v.size() && v[i] == u' ') ++i;
                if (i < v.size() && v[i] == u'#') {
                    st.SpanSavedBg = S.BackgroundColor();
                    st.SpanSaved = true;
                    S.SetBackgroundColor(HtmlColor(std::u16string_view(v).substr(i)));
                }
            }
        }
        break;
    case u'U':
        if (next == u'>') {
            st.Font.Style |= fsUnderline;
        } else {
            ++st.ListLevel;
            st.Ordered = false;
            if (ln.HasContent) ln.Done = true;
        }
        break;
    case u'Z':
        st.Hidden = true;
        break;
    default:
        break;
    }
}

void TEngine::EndTag(const std::u16string& up, char16_t next, TPassState& st, TLine& ln) {
    const bool drawing = ln.Drawing;
    switch (up[2]) {
    case u'A': {
        if (drawing && (!In.Hover || st.AnchorCount == In.HoverLink)) {
            st.Font.Style &= uint8_t(~fsUnderline);
            if (st.AnchorBgSet) {
                S.SetBackgroundColor(st.AnchorSavedBg);
                st.AnchorBgSet = false;
            }
        }
        if (!In.Selected) st.Font.Color = st.RestoreFont.Color;
        st.InAnchor = false;
        EndAnchorLine(st, ln);
        st.FocusOpen = false;
        break;
    }
    case u'B':
        if (next == u'>') st.Font.Style &= uint8_t(~fsBold);
        else st.Font.Color = st.RestoreFont.Color;
        break;
    case u'E':
        if (drawing) st.ErrorMark = false;
        break;
    case u'F':
        st.Font.Name = st.RestoreFont.Name;
        st.Font.Height = st.RestoreFont.Height;
        if (drawing && !In.Selected) {
            st.Font.Color = st.RestoreFont.Color;
            S.SetBackgroundColor(st.FontSavedBg);
        }
        break;
    case u'H':
        if (drawing && st.HiActive) {
            st.Font.Color = st.HiSavedText;
            S.SetBackgroundColor(st.HiSavedBg);
            st.HiActive = false;
        }
        break;
    case u'I':
        st.Font.Style &= uint8_t(~fsItalic);
        break;
    case u'L':
        ln.Done = true;
        break;
    case u'O':
        if (next != u'>' && st.ListLevel >= 1) {
            --st.ListLevel;
            if (drawing) st.Ordered = false;
        } else {
            st.CarriedX = 0;
        }
        break;
    case u'P':
        ln.Done = true;
        AlignReset = true;
        if (drawing) {
            // A paragraph with a background of its own (set only outside a selection) gives back
            // the one before it.
            if (st.ParaBg) S.SetBackgroundColor(st.ParaSavedBg);
            st.ParaBg = false;
        }
        break;
    case u'R':
        if (st.Rotated) {
            st.Font = st.RotSaved;
            st.Rotated = false;
        }
        break;
    case u'S':
        if (next == u'H') {
            st.Shadow = false;
        } else if (next == u'U') {
            st.Sub = st.Sup = false;
        } else if (next == u'P') {
            if (st.SpanSaved) {
                S.SetBackgroundColor(st.SpanSavedBg);
                st.SpanSaved = false;
            }
        } else {
            st.Font.Style &= uint8_t(~fsStrikeOut);
        }
        break;
    case u'U':
        if (next == u'>' || st.ListLevel < 1) st.Font.Style &= uint8_t(~fsUnderline);
        else --st.ListLevel;
        break;
    case u'Z':
        st.Hidden = false;
        break;
    default:
        break;
    }
}

void TEngine::ListItem(const std::u16string& up, TPassState& st, TLine& ln) {
    if (ln.ItemOnLine && !ln.Drawing) {
        ln.Stop = true;
        return;
    }
    ln.ItemOnLine = true;
    // Each level indents by 12 pixels at 96 dots per inch; the item's mark stands in the last 12.
    const int indent = Px(st.ListLevel * 12), markWidth = Px(12);
    ln.Width += indent;
    ln.X += indent - markWidth;
    if (ln.Drawing && !st.Hidden) {
        std::u16string type, color;
        const bool hasType = AttrUp(up, u"TYPE", type);
        const bool hasColor = AttrUp(up, u"COLOR", color) && !color.empty();
        const TColor c = hasColor ? HtmlColor(color) : st.Font.Color;
        const int top = ln.LineRect.Top;
        if (hasType) {
            const TRect mark{ln.X, top + Px(2), ln.X + Px(8), top + Px(10)};
            if (Paints(ln) && type == u"SQUARE") S.FillRect(mark, c);
            else if (Paints(ln) && type == u"CIRCLE") S.FillEllipse(mark, c);
        } else {
            TFont symbol = st.Font;
            symbol.Name = u"Symbol";
            symbol.Color = c;
            S.SetFont(symbol);
            std::u16string bullet;
            if (st.Ordered) bullet = IntToStr(st.ItemNumber++) + u". ";
            else bullet = (st.ListLevel % 2) ? u"\u00B7" : u"o";
            const TRect rr{ln.X, top, ln.LineRect.Right, ln.LineRect.Bottom - PicOffset};
            if (Paints(ln)) S.DrawText(bullet, rr, (Opt & ~uint32_t(dtExternalLeading)) | dtNoPrefix);
            if (st.Ordered) ln.X += S.MeasureText(bullet, MeasureOpt() | dtNoPrefix).Cx;
            S.SetFont(st.Font);
        }
    }
    ln.X += markWidth;
}

TPicturePtr TEngine::FindPicture(const std::u16string& src) {
    const std::u16string up = Upper(src);
    if (StartsWith(up, u"IDX:")) {
        const int n = ReadInt(std::u16string_view(src).substr(4));
        if (In.Images && n >= 0 && n < In.Images->Count()) return In.Images->Item(n);
        return nullptr;
    }
    if (StartsWith(up, u"SSYS:") || StartsWith(up, u"LSYS:"))
        return In.Loader ? In.Loader->ShellIcon(src.substr(5), up[0] == u'L') : nullptr;
    if (src.find(u"://") != npos) {
        if (In.PictureCache && In.PictureCache->Contains(src)) return In.PictureCache->Find(src);
        TPicturePtr p = In.Loader ? In.Loader->LoadFromAddress(src) : nullptr;
        if (In.PictureCache) In.PictureCache->Add(src, p);
        return p;
    }
    if (src.find(u':') == npos && In.PictureContainer) return In.PictureContainer->Find(src);
    return nullptr;
}

void TEngine::Picture(std::u16string_view tag, const std::u16string& up, TPassState& st, TLine& ln) {
    std::u16string v;
    if (!Attr(tag, up, u"SRC", v)) return;
    const TPicturePtr pic = FindPicture(v);
    if (!pic || pic->Width() <= 0 || pic->Height() <= 0) return;
    long long dw = pic->Width(), dh = pic->Height();
    std::u16string ws, hs;
    const bool hasW = AttrUp(up, u"WIDTH", ws) && ReadInt(ws) > 0;
    const bool hasH = AttrUp(up, u"HEIGHT", hs) && ReadInt(hs) > 0;
    if (hasW && hasH) {
        dw = ReadInt(ws);
        dh = ReadInt(hs);
    } else if (hasW) {
        dw = ReadInt(ws);
        dh = dw * pic->Height() / pic->Width();
    } else if (hasH) {
        dh = ReadInt(hs);
        dw = dh * pic->Width() / pic->Height();
    }
    long long lw = Px(dw), lh = Px(dh);
    if (In.Print) {
        lw = static_cast<long long>(lw * In.ResFactor);
        lh = static_cast<long long>(lh * In.ResFactor);
    }
    lw = std::clamp(lw, 0LL, 100000LL);
    lh = std::clamp(lh, 0LL, 100000LL);
    const int w = static_cast<int>(lw), h = static_cast<int>(lh);

    if (!ln.Drawing) {
        const int avail = ln.LineRect.Width() - st.CarriedX;
        if (ln.Width + w > avail && w < avail) {
            ln.Stop = true;
            return;
        }
        ln.Width += w;
    }
    std::u16string align;
    const bool hasAlign = AttrUp(up, u"ALIGN", align);
    if (Paints(ln)) {
        int top = ln.LineRect.Top;
        if (h < Gh) {
            if (StartsWith(align, u"MIDDLE")) top = ln.LineRect.Top + (Gh - h) / 2;
            else if (!StartsWith(align, u"TOP")) top = ln.LineRect.Bottom - h;
        }
        S.DrawPicture(*pic, {ln.X, top, ln.X + w, top + h});
    }
    ln.X += w;
    ln.Height = std::max(ln.Height, h);
    ln.HasContent = true;
    const int lineHeight = ln.Drawing ? ln.LineRect.Height() : ln.Height;
    if (hasAlign) {
        if (StartsWith(align, u"TOP")) PicOffset = std::max(0, lineHeight - Gh);
        else if (StartsWith(align, u"MIDDLE")) PicOffset = std::max(0, (lineHeight - Gh) / 2);
    }
    if (up.find(u"WRAP") != npos) {
        ln.Height = Gh;
        PicOffset = 0;
    }
}

// Each tag of the markup whose name starts with `name` (upper case), in order, with its
// upper-cased form; only those tags are copied.
template <class F>
void ForEachTag(std::u16string_view markup, std::u16string_view name, F visit) {
    for (size_t lt = markup.find(u'<'); lt != npos; lt = markup.find(u'<', lt + 1)) {
        const size_t gt = markup.find(u'>', lt);
        if (gt == npos) return;
        const std::u16string_view tag = markup.substr(lt, gt + 1 - lt);
        bool named = tag.size() > name.size() + 1;
        for (size_t i = 0; named && i < name.size(); ++i) named = AsciiUpper(tag[i + 1]) == name[i];
        if (named) visit(tag, Upper(tag));
        lt = gt;
    }
}

void TEngine::BodyBackgrounds(std::u16string_view markup) {
    TLine first;
    first.Drawing = true;
    first.LineRect = {R.Left, R.Top, R.Right, R.Bottom};
    first.X = R.Left;
    ForEachTag(markup, u"BO", [&](std::u16string_view tag, const std::u16string& up) { AreaBackground(tag, up, first); });
}

// The paragraphs that start on the line, up to where the line ends (the measuring pass put no
// more in its source).
void TEngine::ParagraphBackgrounds(std::u16string_view line, TLine& ln) {
    ForEachTag(line, u"P", [&](std::u16string_view, const std::u16string& up) { ParagraphFill(up, ln); });
}

void TEngine::ParagraphFill(const std::u16string& up, const TLine& ln) {
    std::u16string v, to;
    if (!AttrUp(up, u"BGCOLOR", v)) return;
    const TColor c = HtmlColor(v);
    if (c == clNone) return;
    TRect box{R.Left, ln.LineRect.Top, R.Right, BoxBottom(ln)};
    if (AttrUp(up, u"BGCOLORTO", to) && HtmlColor(to) != clNone) {
        box.Bottom += 2;
        FillGradient(S, box, c, HtmlColor(to), 64, true);
    } else {
        S.FillRect(box, c);
    }
}

void TEngine::AreaBackground(std::u16string_view tag, const std::u16string& up, TLine& ln) {
    std::u16string v, to, dir;
    if (AttrUp(up, u"BGCOLOR", v) && HtmlColor(v) != clNone) {
        const TRect area{R.Left - 2, R.Top, R.Right, R.Bottom};
        if (AttrUp(up, u"BGCOLORTO", to) && HtmlColor(to) != clNone) {
            const bool horizontal = !AttrUp(up, u"DIR", dir) || dir == u"H";
            FillGradient(S, area, HtmlColor(v), HtmlColor(to), 64, horizontal);
        } else {
            S.FillRect(area, HtmlColor(v));
        }
    }
    auto picture = [&](std::u16string_view name, int mode) {
        if (!Attr(tag, up, name, v) || v.empty()) return;
        const TPicturePtr pic = FindPicture(v);
        if (!pic || pic->Width() <= 0 || pic->Height() <= 0) return;
        const std::u16string uv = Upper(v);
        const int w = pic->Width();
        if (StartsWith(uv, u"IDX:") || StartsWith(uv, u"SSYS:") || StartsWith(uv, u"LSYS:")) {
            // At the size the same picture takes in <IMG>.
            const int top = ln.LineRect.Top;
            S.DrawPicture(*pic, {ln.X, top, ln.X + Px(pic->Width()), top + Px(pic->Height())});
            return;
        }
        // A picture wider than the rectangle down its right edge still shows only inside it.
        S.PushClip(R);
        if (mode == 0) S.TilePicture(*pic, R);
        else S.TilePicture(*pic, {R.Right - w, R.Top, R.Right, R.Bottom});
        S.PopClip();
    };
    picture(u"BACKGROUND", 0);
    picture(u"BGTOPLEFT", 0);
    picture(u"BGTOPRIGHT", 1);
}

bool DrawHtmlText(ISurface& surface, std::u16string_view markup, const TRect& rect,
                  const THtmlDrawInput& input, THtmlDrawOutput& output) {
    output = THtmlDrawOutput{};
    TEngine engine(surface, rect, input, output);
    return engine.Run(markup);
}

}  // namespace zo
