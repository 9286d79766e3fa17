#include "report/core/rptdrawtext.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/strings.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"

namespace {

// Held to +-(2^30 - 1) (NaN gives 0): the sizes come from templates and prepared pages.
int Rnd(Extended X) {
  const double r = std::nearbyint(static_cast<double>(X));
  if (!(r == r)) return 0;
  return static_cast<int>(std::clamp(r, -1073741823.0, 1073741823.0));
}

// Splits UTF-8 text into its characters (a malformed byte stands alone).
std::vector<std::string> Chars(const std::string& S) {
  std::vector<std::string> out;
  for (size_t i = 0; i < S.size();) {
    unsigned char c = static_cast<unsigned char>(S[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + n > S.size()) n = 1;
    // A sequence whose continuation bytes are wrong is one character per byte, as the text layer
    // decodes it: the per-character extents passed to and from it must count alike.
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(S[i + k]) >> 6) != 2) n = 1;
    out.push_back(S.substr(i, n));
    i += n;
  }
  return out;
}

std::string Join(const std::vector<std::string>& C, size_t From, size_t To) {
  std::string s;
  for (size_t i = From; i < To && i < C.size(); ++i) s += C[i];
  return s;
}

TFontStyles StyleOf(int Bits) {
  TFontStyles s;
  if (Bits & 1) s.Include(fsBold);
  if (Bits & 2) s.Include(fsItalic);
  if (Bits & 4) s.Include(fsUnderline);
  if (Bits & 8) s.Include(fsStrikeOut);
  return s;
}

int BitsOf(TFontStyles S) {
  return (S.Contains(fsBold) ? 1 : 0) | (S.Contains(fsItalic) ? 2 : 0) | (S.Contains(fsUnderline) ? 4 : 0) |
         (S.Contains(fsStrikeOut) ? 8 : 0);
}

bool StartsNoCase(const std::string& S, size_t At, const std::string& What) {
  return S.size() >= At + What.size() && SameText(S.substr(At, What.size()), What);
}

}  // namespace

TrptDrawText::TrptDrawText() : FBitmap(std::make_unique<TBitmap>()) { FBitmap->SetSize(1, 1); }
TrptDrawText::~TrptDrawText() = default;

TCanvas* TrptDrawText::MeasureCanvas() const { return FBitmap->Canvas(); }

void TrptDrawText::Acquire() {
  // Another user on this thread can only finish when its messages run; the wait is bounded so a
  // renderer left busy by a failure never stops the program.
  for (int i = 0; FBusy && i < 1000; ++i) Application()->ProcessMessages();
  FBusy = true;
}

void TrptDrawText::Release() { FBusy = false; }

void TrptDrawText::AssignFont(TFont* Font) {
  FFontSize = Font->Size();
  TFont* f = MeasureCanvas()->Font();
  if (f->Name() != Font->Name()) f->SetName(Font->Name());
  int h = -Rnd(FFontSize * 600.0 / 72.0);
  if (f->Height() != h) f->SetHeight(h);
  if (f->Style() != Font->Style()) f->SetStyle(Font->Style());
  if (f->Charset() != Font->Charset()) f->SetCharset(Font->Charset());
  if (f->Color() != Font->Color()) f->SetColor(Font->Color());
}

void TrptDrawText::SetOptions(bool WordWrap, bool HTMLTags, bool RTLReading, bool WordBreak, bool Clipped,
                              int Rotation) {
  FWordWrap = WordWrap;
  FTags = HTMLTags;
  FRTL = RTLReading;
  FWordBreak = WordBreak;
  FClipped = Clipped;
  FRotation = Rotation % 360;
}

void TrptDrawText::SetSpacing(Extended ParagraphGap, Extended CharSpacing, Extended LineSpacing) {
  FParagraphGap = ParagraphGap;
  FCharSpacing = CharSpacing;
  FLineSpacing = LineSpacing;
}

void TrptDrawText::SetDimensions(Extended ScaleX, Extended ScaleY, const RECT& UnscaledRect, const RECT& ScaledRect) {
  FScaleX = ScaleX;
  FScaleY = ScaleY;
  FUnscaled = UnscaledRect;
  FScaled = ScaledRect;
}

std::vector<TrptHTMLTag> TrptDrawText::ExpandTags(std::string& S) {
  std::vector<TrptHTMLTag> tags;
  std::string out;
  auto prevTag = [&]() -> const TrptHTMLTag* {
    if (!tags.empty()) return &tags.back();
    if (!FTagLines.empty())
      for (auto it = FTagLines.rbegin(); it != FTagLines.rend(); ++it)
        if (!it->empty()) return &it->back();
    return nullptr;
  };
  size_t i = 0;
  while (i < S.size()) {
    if (FTags && S[i] == '<') {
      size_t len = 0;
      if (S.size() >= i + 3 && S[i + 2] == '>' && strchr("biuBIU", S[i + 1])) {
        char c = static_cast<char>(tolower(S[i + 1]));
        FCurStyle |= c == 'b' ? 1 : c == 'i' ? 2 : 4;
        len = 3;
      } else if (StartsNoCase(S, i + 1, "SUB>") || StartsNoCase(S, i + 1, "SUP>")) {
        FCurSize = Rnd(FDefSize / 1.5);
        FCurLowered = StartsNoCase(S, i + 1, "SUB>") ? 1 : 0;
        len = 5;
      } else if (StartsNoCase(S, i + 1, "STRIKE>")) {
        FCurStyle |= 8;
        len = 8;
      } else if (S.size() >= i + 4 && S[i + 1] == '/' && S[i + 3] == '>' && strchr("biuBIU", S[i + 2])) {
        char c = static_cast<char>(tolower(S[i + 2]));
        FCurStyle &= ~(c == 'b' ? 1 : c == 'i' ? 2 : 4);
        len = 4;
      } else if (StartsNoCase(S, i + 1, "/STRIKE>")) {
        FCurStyle &= ~8;
        len = 9;
      } else if (StartsNoCase(S, i + 1, "/FONT>")) {
        FCurColor = FDefColor;
        len = 7;
      } else if (StartsNoCase(S, i + 1, "/SUB>") || StartsNoCase(S, i + 1, "/SUP>")) {
        FCurSize = FDefSize;
        FCurLowered = 0;
        len = 6;
      } else if (StartsNoCase(S, i + 1, "FONT COLOR")) {
        size_t eq = S.find('=', i);
        size_t close = S.find('>', i);
        if (eq != std::string::npos && close != std::string::npos && eq < close) {
          std::string v = Trim(S.substr(eq + 1, close - eq - 1));
          bool ok = false;
          int32_t color = 0;
          if (v.size() > 3 && v[0] == '"' && v[1] == '#' && v.back() == '"' && v.size() == 9) {
            try {
              int rgb = StrToInt("$" + v.substr(2, 6));
              color = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
              ok = true;
            } catch (const std::exception&) {
            }
          } else {
            int c;
            if (IdentToColor("cl" + v, c)) {
              color = c;
              ok = true;
            }
          }
          if (ok) {
            FCurColor = color;
            len = close - i + 1;
          }
        }
      }
      if (len > 0) {
        FCurPos += static_cast<int>(len);
        i += len;
        continue;
      }
    }
    unsigned char c = static_cast<unsigned char>(S[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + n > S.size()) n = 1;
    // A sequence whose continuation bytes are wrong is one character per byte, as the text layer
    // decodes it: the per-character extents passed to and from it must count alike.
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(S[i + k]) >> 6) != 2) n = 1;
    TrptHTMLTag t;
    t.Position = FCurPos;
    t.Size = FCurSize;
    t.Style = FCurStyle;
    t.Color = FCurColor;
    t.Lowered = FCurLowered;
    if (!FTags) {
      t.DontWrite = true;
    } else {
      const TrptHTMLTag* p = prevTag();
      t.DontWrite = p ? (p->Style == t.Style && p->Color == t.Color && p->Size == t.Size)
                      : (t.Style == FDefStyle && t.Color == FDefColor && t.Size == FDefSize);
    }
    t.Reduced = t.Size != FDefSize;
    tags.push_back(t);
    out += S.substr(i, n);
    i += n;
    FCurPos += static_cast<int>(n);
  }
  S = out;
  return tags;
}

std::vector<int> TrptDrawText::CharWidths(const std::string& S, const std::vector<TrptHTMLTag>& Tags, int C) {
  std::vector<std::string> ch = Chars(S);
  std::vector<int> w(ch.size(), 0);
  TCanvas* cv = MeasureCanvas();
  TFontStyles saved = cv->Font()->Style();
  // Per run of equal style: the cumulative extents of the run's characters.
  size_t i = 0;
  while (i < ch.size()) {
    size_t j = i + 1;
    int style = i < Tags.size() ? Tags[i].Style : FDefStyle;
    while (j < ch.size() && (j >= Tags.size() ? FDefStyle : Tags[j].Style) == style) ++j;
    cv->Font()->SetStyle(StyleOf(style));
    cv->TextWidth(" ");  // selects the font
    // Cumulative extents saturate at 32767: the rest of a long run is measured again from the
    // first saturated character, as often as needed.
    size_t k = i;
    while (k < j) {
      std::string part = Join(ch, k, j);
      std::vector<INT> dx(j - k + 1, 0);
      GetTextExtentExPoint(cv->Handle(), part.data(), static_cast<int>(part.size()), 0, nullptr, dx.data(), nullptr);
      int64_t prev = 0;
      size_t m = 0;
      for (; m < j - k; ++m) {
        if (dx[m] >= 32767 && m > 0) break;
        w[k + m] = static_cast<int>(dx[m] - prev);
        prev = dx[m];
      }
      k += m;
    }
    i = j;
  }
  cv->Font()->SetStyle(saved);
  for (size_t k = 0; k < w.size(); ++k) {
    w[k] += C;
    if (k < Tags.size() && Tags[k].Reduced) w[k] = Rnd(w[k] / 1.5);
  }
  return w;
}

void TrptDrawText::WrapLine(std::string S, int Full, int First, int C) {
  FTagLines.emplace_back();
  std::vector<TrptHTMLTag> tags = ExpandTags(S);
  FCurPos += 2;
  std::vector<std::string> ch = Chars(S);
  auto addLine = [&](size_t From, size_t To, bool Hyphen) {
    std::string text = Join(ch, From, To);
    std::vector<TrptHTMLTag> t(tags.begin() + static_cast<long>(std::min(From, tags.size())),
                               tags.begin() + static_cast<long>(std::min(To, tags.size())));
    if (Hyphen) {
      text += "-";
      if (!t.empty()) t.push_back(t.back());
    }
    FLines.push_back(text);
    FLineFlags.push_back(0);
    if (FTagLines.back().empty() && FLines.size() == FTagLines.size())
      FTagLines.back() = t;
    else
      FTagLines.push_back(t);
  };
  if (ch.size() < 2 || !FWordWrap) {
    addLine(0, ch.size(), false);
    return;
  }
  std::vector<int> w = CharWidths(S, tags, C);
  std::vector<int64_t> cum(w.size());
  int64_t total = 0;
  for (size_t i = 0; i < w.size(); ++i) cum[i] = total += w[i];
  if (First > total) {
    addLine(0, ch.size(), false);
    return;
  }
  size_t start = 0;
  int64_t prev = 0, limit = First;
  size_t lastSpace = std::string::npos;
  for (size_t i = 0; i < ch.size(); ++i) {
    if (ch[i] == " ") lastSpace = i;
    if (cum[i] - prev <= limit) continue;
    size_t next;
    if (lastSpace == std::string::npos || lastSpace < start) {
      std::vector<int> br;
      size_t cut = i > start ? i : start + 1;  // at least one character per line
      if (FWordBreak && i > start) {
        size_t end = start;
        while (end < ch.size() && ch[end] != " " && ch[end] != "." && ch[end] != "," && ch[end] != "-" &&
               ch[end] != ";")
          ++end;
        br = rptBreakWord(UpperCase(Join(ch, start, end)));
        int best = 0;
        for (int b : br)
          if (b < static_cast<int>(i - start)) best = std::max(best, b);
        if (best > 0) {
          addLine(start, start + static_cast<size_t>(best), true);
          next = start + static_cast<size_t>(best);
          prev = next > 0 ? cum[next - 1] : 0;
          start = next;
          limit = Full;
          i = start > 0 ? start - 1 : 0;
          if (start == 0) i = static_cast<size_t>(-1);
          continue;
        }
      }
      addLine(start, cut, false);
      next = cut;
    } else {
      addLine(start, lastSpace, false);
      next = lastSpace + 1;
    }
    prev = next > 0 ? cum[next - 1] : 0;
    start = next;
    limit = Full;
    if (start >= ch.size()) break;
    i = start - 1;  // the loop's increment moves to the new start
  }
  if (start < ch.size()) addLine(start, ch.size(), false);
}

void TrptDrawText::SetText(TStrings* Lines) { SetText(Lines ? Lines->ToVector() : std::vector<std::string>()); }

void TrptDrawText::SetText(const std::vector<std::string>& Lines) {
  FText.clear();
  FLines.clear();
  FLineFlags.clear();
  FTagLines.clear();
  if (Lines.empty()) return;
  TFont* f = MeasureCanvas()->Font();
  FDefColor = FCurColor = f->Color();
  FDefSize = FCurSize = FFontSize;
  FDefStyle = FCurStyle = BitsOf(f->Style());
  FCurLowered = 0;
  FCurPos = 1;
  TFontStyles savedStyle = f->Style();
  Extended W = FUnscaled.right - FUnscaled.left;
  if ((FRotation >= 90 && FRotation < 180) || (FRotation >= 270 && FRotation < 360))
    W = FUnscaled.bottom - FUnscaled.top;
  const Extended k = static_cast<Extended>(FDesignRes) / FScreenRes;
  for (std::string s : Lines) {
    if (s.empty()) s = " ";
    FText += s + "\r\n";
    size_t before = FLines.size();
    WrapLine(s, Rnd(W * k), Rnd((W - FParagraphGap) * k), Rnd(FDesignRes * FCharSpacing / FScreenRes));
    if (FLines.size() > before) {
      if (FLines.size() - before == 1) {
        FLineFlags[before] = 3;
      } else {
        FLineFlags[before] = 1;
        FLineFlags.back() = 2;
      }
    }
  }
  f->SetStyle(savedStyle);
}

Extended TrptDrawText::LineHeightUnits() const {
  return -static_cast<Extended>(MeasureCanvas()->Font()->Height()) / (static_cast<Extended>(FDesignRes) / FScreenRes);
}

Extended TrptDrawText::GetLineHeight() const { return LineHeightUnits() + FLineSpacing; }

Extended TrptDrawText::CalcHeight() const {
  if (FLines.empty()) return 0;
  return static_cast<Extended>(FLines.size()) * (LineHeightUnits() + FLineSpacing);
}

Extended TrptDrawText::TextWidth(const std::string& S) {
  return MeasureCanvas()->TextWidth(S) / (static_cast<Extended>(FDesignRes) / FScreenRes);
}

Extended TrptDrawText::CalcWidth() {
  if (FLines.empty()) return 0;
  const Extended k = static_cast<Extended>(FDesignRes) / FScreenRes;
  Extended best = 0;
  for (size_t i = 0; i < FLines.size(); ++i) {
    Extended w = MeasureCanvas()->TextWidth(FLines[i]) +
                 Rnd(static_cast<Extended>(Chars(FLines[i]).size()) * FCharSpacing * k);
    if (FLineFlags[i] & 1) w += Rnd(FParagraphGap * k);
    best = std::max(best, w);
  }
  return best / k;
}

Extended TrptDrawText::GetSpaceLeft() const {
  Extended H = FUnscaled.bottom - FUnscaled.top + 1;
  Extended L = LineHeightUnits() + FLineSpacing;
  if (L <= 0) return 0;
  auto n = static_cast<int64_t>(std::trunc(H / L));
  if (n == 0) return 0;
  Extended r = H - L * static_cast<Extended>(n);
  return r == 0 ? 0.0001 : r;
}

std::string TrptDrawText::GetOverflowText() {
  Extended H = FUnscaled.bottom - FUnscaled.top + 1;
  Extended L = LineHeightUnits() + FLineSpacing;
  size_t n = L > 0 ? static_cast<size_t>(std::max<Extended>(0, std::trunc(H / L))) : FLines.size();
  n = std::min(n, FLines.size());
  if (n >= FTagLines.size()) return std::string();
  // The first character of the first line that does not fit.
  size_t line = n;
  while (line < FTagLines.size() && FTagLines[line].empty()) ++line;
  if (line >= FTagLines.size()) return std::string();
  const TrptHTMLTag first = FTagLines[line].front();
  FLines.resize(n);
  FLineFlags.resize(n);
  FTagLines.resize(n);
  size_t p = static_cast<size_t>(std::max(1, first.Position)) - 1;
  std::string result = p < FText.size() ? FText.substr(p) : std::string();
  FText = FText.substr(0, std::min(p, FText.size()));
  if (FTags) {
    if (first.Style & 1) result = "<b>" + result;
    if (first.Style & 2) result = "<i>" + result;
    if (first.Style & 4) result = "<u>" + result;
    int32_t c = static_cast<int32_t>(ColorToRGB(first.Color));
    char buf[16];
    snprintf(buf, sizeof buf, "%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    result = std::string("<font color=\"#") + buf + "\">" + result;
  }
  return result;
}

std::string TrptDrawText::RemoveTags(const std::string& Text) {
  std::string s = Text;
  bool saved = FTags;
  FTags = true;
  FTagLines.clear();
  ExpandTags(s);
  FTags = saved;
  return s;
}

void TrptDrawText::ApplyStyle(TCanvas* Canvas, const TrptHTMLTag& Tag, int Height) {
  Canvas->Font()->SetStyle(StyleOf(Tag.Style));
  Canvas->Font()->SetColor(Tag.Color);
  Canvas->Font()->SetHeight(Height);
}

void TrptDrawText::DrawText(TCanvas* Canvas, int HAlign, int VAlign) {
  if (FLines.empty() || FTagLines.empty() || !Canvas) return;
  const Extended k = static_cast<Extended>(FDesignRes) / FScreenRes;
  Canvas->SetFont(MeasureCanvas()->Font());
  auto deviceHeight = [&](int Size) { return -Rnd(Size * FScaleY * 96.0 / 72.0); };
  Canvas->Font()->SetHeight(deviceHeight(FFontSize));
  // Angles below 0 are taken as the same direction counted the other way round.
  const int rot = ((FRotation % 360) + 360) % 360;
  const double rad = rot * 3.14159265358979323846 / 180.0;
  const double cr = std::cos(rad), sr = std::sin(rad);
  const Extended lineH = (LineHeightUnits() + FLineSpacing) * FScaleY;
  const int n = static_cast<int>(FLines.size());
  const int T = Rnd(n * lineH);  // the ideal block height
  const RECT& R = FScaled;
  // Origin, line width and free height by the angle.
  double X = R.left, Y = R.top;
  double Wl = R.right - R.left, freeH = R.bottom - R.top;
  const double c = std::fabs(cr), sn = std::fabs(sr);
  auto slanted = [&]() { return c > 1e-9 ? Rnd((R.right - R.left - T * sn) / c) : 0; };
  if (rot == 0) {
  } else if (rot < 90) {
    Wl = slanted();
    Y = R.top + Rnd(Wl * sn);
    freeH = R.bottom - Y - Rnd(T * c) + T;
  } else if (rot == 90) {
    Y = R.bottom;
    Wl = R.bottom - R.top;
    freeH = R.right - R.left;
  } else if (rot < 180) {
    Y = R.bottom;
    Wl = slanted();
    X = R.left + Rnd(Wl * c);
    freeH = R.bottom - R.top - Rnd(T * c + Wl * sn) + T;
  } else if (rot == 180) {
    X = R.right;
    Y = R.bottom;
  } else if (rot < 270) {
    X = R.right;
    Wl = slanted();
    Y = R.bottom - Rnd(Wl * sn);
    freeH = Y - R.top - Rnd(T * c) + T;
  } else if (rot == 270) {
    X = R.right;
    Y = R.top;
    Wl = R.bottom - R.top;
    freeH = R.right - R.left;
  } else {
    Y = R.top;
    Wl = slanted();
    X = R.left + Rnd(T * sn);
    freeH = R.bottom - R.top - Rnd(Wl * sn + T * c) + T;
  }
  {
    double vc = cr, vs = sr;
    if (rot % 90 != 0) {
      vc = (rot < 90 || rot > 270) ? 1 : -1;
      vs = 0;
    }
    if (VAlign == 1) {
      Y += Rnd((freeH - T) * vc);
      X += Rnd((freeH - T) * vs);
    } else if (VAlign == 2) {
      Y += Rnd((freeH - T) / 2 * vc);
      X += Rnd((freeH - T) / 2 * vs);
    }
  }
  const int C = Rnd(FDesignRes * FCharSpacing / FScreenRes);
  HDC dc = Canvas->Handle();
  SetBkMode(dc, TRANSPARENT);
  UINT options = (FRTL ? 0x80u : 0u) | (FClipped ? 4u : 0u);
  HFONT rotated = nullptr;
  auto selectFont = [&]() {
    Canvas->TextWidth(" ");  // selects the canvas's font
    if (rot == 0) return;
    if (rotated) {
      SelectObject(dc, Canvas->Font()->Handle());
      DeleteObject(rotated);
      rotated = nullptr;
    }
    LOGFONTA lf{};
    GetObject(Canvas->Font()->Handle(), sizeof lf, &lf);
    lf.lfEscapement = lf.lfOrientation = rot * 10;
    rotated = CreateFontIndirect(&lf);
    SelectObject(dc, rotated);
  };
  const double lineStartX = X, lineStartY = Y;
  for (int li = 0; li < n; ++li) {
    // Lines advance from the exact block position, so rounding never accumulates.
    double lx = lineStartX + li * lineH * sr, ly = lineStartY + li * lineH * cr;
    const std::vector<TrptHTMLTag>& tags =
        static_cast<size_t>(li) < FTagLines.size() ? FTagLines[static_cast<size_t>(li)] : std::vector<TrptHTMLTag>();
    std::vector<std::string> ch = Chars(FLines[static_cast<size_t>(li)]);
    if (ch.empty()) continue;
    std::vector<int> w = CharWidths(FLines[static_cast<size_t>(li)], tags, C);
    int64_t total600 = 0;
    for (int x : w) total600 += x;
    const int flags = FLineFlags[static_cast<size_t>(li)];
    Extended indent = (flags & 1) && (HAlign == 0 || HAlign == 3) ? FParagraphGap * k : 0;
    int align = HAlign;
    if (HAlign == 3) {
      int spaces = 0;
      for (auto& cc : ch) spaces += cc == " ";
      // The last line of a paragraph, and a line without spaces, are not stretched.
      if ((flags & 2) || spaces == 0) {
        align = FRTL ? 1 : 0;
      } else {
        Extended free600 = Wl / FScaleX * k - indent - static_cast<Extended>(total600);
        if (free600 > 0) {
          Extended add = free600 / spaces, acc = 0;
          for (size_t i = 0; i < ch.size(); ++i)
            if (ch[i] == " ") {
              acc += add;
              int a = Rnd(acc);
              w[i] += a;
              total600 += a;
              acc -= a;
            }
        }
      }
    }
    Extended width = static_cast<Extended>(total600) / k * FScaleX;
    Extended off = indent / k * FScaleX;
    if (align == 1) off = Wl - width;
    else if (align == 2) off = (Wl - width) / 2;
    // Draw run by run with the advances scaled from the 600-dpi layout.
    int64_t cum = 0;
    size_t i = 0;
    while (i < ch.size()) {
      size_t j = i + 1;
      auto same = [&](size_t A, size_t B) {
        if (A >= tags.size() || B >= tags.size()) return true;
        return tags[A].Style == tags[B].Style && tags[A].Color == tags[B].Color && tags[A].Size == tags[B].Size &&
               tags[A].Lowered == tags[B].Lowered;
      };
      while (j < ch.size() && same(i, j)) ++j;
      TrptHTMLTag t;
      if (i < tags.size()) {
        t = tags[i];
      } else {
        t.Style = FDefStyle;
        t.Color = FDefColor;
        t.Size = FFontSize;
      }
      ApplyStyle(Canvas, t, deviceHeight(t.Size));
      selectFont();
      std::string run = Join(ch, i, j);
      std::vector<INT> dx;
      Extended runStart = off + static_cast<Extended>(cum) / k * FScaleX;
      int prevPos = Rnd(static_cast<Extended>(cum) / k * FScaleX);
      for (size_t m = i; m < j; ++m) {
        cum += w[m];
        int pos = Rnd(static_cast<Extended>(cum) / k * FScaleX);
        dx.push_back(pos - prevPos);
        prevPos = pos;
      }
      double drop = (t.Reduced && t.Lowered) ? LineHeightUnits() * FScaleY / 3 : 0;
      int tx = Rnd(lx + runStart * cr + drop * sr);
      int ty = Rnd(ly - runStart * sr + drop * cr);
      ExtTextOut(dc, tx, ty, options, &FScaled, run.data(), static_cast<UINT>(run.size()), dx.data());
      i = j;
    }
  }
  if (rotated) {
    SelectObject(dc, Canvas->Font()->Handle());
    DeleteObject(rotated);
  }
}

std::vector<int> rptBreakWord(const std::string& W) {
  std::vector<int> result;
  const std::string vowels = "\xC0\xC5\xA8\xC8\xCE\xD3\xDB\xDD\xDE\xDF";
  const std::string consonants = "\xC1\xC2\xC3\xC4\xC6\xC7\xC9\xCA\xCB\xCC\xCD\xCF\xD0\xD1\xD2\xD4\xD5\xD6\xD7\xD8\xD9\xDC\xDA";
  auto isV = [&](char c) { return vowels.find(c) != std::string::npos; };
  auto isC = [&](char c) { return consonants.find(c) != std::string::npos; };
  const int n = static_cast<int>(W.size());
  if (n < 4) return result;
  auto hasVowel = [&](int a, int b) {
    for (int i = a; i < b; ++i)
      if (isV(W[static_cast<size_t>(i)])) return true;
    return false;
  };
  for (int k = 0; k + 1 < n; ++k) {
    char c = W[static_cast<size_t>(k)], nx = W[static_cast<size_t>(k + 1)];
    bool cand = false;
    if (isC(c) && !isV(nx) && nx != '\xDA' && nx != '\xDC') cand = true;
    if (isV(c) && nx != '\xC9') {
      bool doubled = k + 3 < n && isC(nx) && W[static_cast<size_t>(k + 2)] == nx && isV(W[static_cast<size_t>(k + 3)]);
      if (!doubled) cand = true;
    }
    int pos = k + 1;  // break after position k (1-based count of characters before it)
    if (cand && pos >= 2 && n - pos >= 2 && hasVowel(0, pos) && hasVowel(pos, n)) result.push_back(pos);
  }
  return result;
}

TrptDrawText* rptDrawText() {
  static TrptDrawText* renderer = new TrptDrawText();  // lives for the whole process
  return renderer;
}
