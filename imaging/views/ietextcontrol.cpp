// The in-place memo editor and the single-line edit (see ietextcontrol.h).
#include "imaging/views/ietextcontrol.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/io/ieinit.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/ieclipboard.h"
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TIETextControl, TCustomControl)
ORV_CLASS_IMPL(TIEEdit, TEdit)

UINT TextMemoClipboardFormat = 0;

namespace {

const bool kTextControlStepInstalled =
    (IESetLibraryStep(lsTextControl, &IETextControlInit, &IETextControlFree), true);

TShortCut gTextShortcuts[IETextShortcutCount];
bool gTextShortcutsBuilt = false;

void PutInt32(uint8_t* P, int32_t V) {
  const uint32_t u = static_cast<uint32_t>(V);
  P[0] = static_cast<uint8_t>(u);
  P[1] = static_cast<uint8_t>(u >> 8);
  P[2] = static_cast<uint8_t>(u >> 16);
  P[3] = static_cast<uint8_t>(u >> 24);
}

int32_t GetInt32(const uint8_t* P) {
  return static_cast<int32_t>(static_cast<uint32_t>(P[0]) | (static_cast<uint32_t>(P[1]) << 8) |
                              (static_cast<uint32_t>(P[2]) << 16) |
                              (static_cast<uint32_t>(P[3]) << 24));
}

UINT MemoFormat() {
  if (TextMemoClipboardFormat == 0) IETextControlInit();
  return TextMemoClipboardFormat;
}

// Nearest with ties to even (the default rounding mode).
int NearestInt(double V) { return static_cast<int>(std::nearbyint(V)); }

int TruncInt(double V) { return static_cast<int>(V); }

TColor Invert24(TColor C) {
  return static_cast<TColor>(~static_cast<uint32_t>(ColorToRGB(C)) & 0xFFFFFF);
}

}  // namespace

// ---------------------------------------------------------------- character format

void TIECharFormat::WriteTo(uint8_t* Dest) const {
  std::memset(Dest, 0, IECharFormatSize);
  PutInt32(Dest, RefCount);
  const size_t len = std::min<size_t>(Name.size(), 255);
  Dest[4] = static_cast<uint8_t>(len);
  std::memcpy(Dest + 5, Name.data(), len);
  PutInt32(Dest + 260, Height);
  Dest[264] = static_cast<uint8_t>(Style & 0x0F);
  PutInt32(Dest + 268, Color);
  PutInt32(Dest + 272, BackColor);
  Dest[276] = BrushStyle;
  Dest[277] = Align;
}

std::vector<uint8_t> TIECharFormat::ToBytes() const {
  std::vector<uint8_t> b(IECharFormatSize);
  WriteTo(b.data());
  return b;
}

TIECharFormat TIECharFormat::ReadFrom(const uint8_t* Src) {
  TIECharFormat f;
  f.RefCount = GetInt32(Src);
  f.Name.assign(reinterpret_cast<const char*>(Src + 5), Src[4]);
  f.Height = GetInt32(Src + 260);
  // Only the four style bits are kept: other bits and non-zero padding are written back as zeros,
  // so a record read from elsewhere compares equal to the same format made here.
  f.Style = static_cast<uint8_t>(Src[264] & 0x0F);
  f.Color = GetInt32(Src + 268);
  f.BackColor = GetInt32(Src + 272);
  f.BrushStyle = Src[276];
  f.Align = Src[277];
  return f;
}

bool TIECharFormat::SameFormat(const TIECharFormat& Other) const {
  uint8_t a[IECharFormatSize], b[IECharFormatSize];
  WriteTo(a);
  Other.WriteTo(b);
  return std::memcmp(a + 4, b + 4, IECharFormatSize - 4) == 0;
}

// ---------------------------------------------------------------- start-up and shortcuts

void IETextControlInit() {
  (void)kTextControlStepInstalled;
  TextMemoClipboardFormat = RegisterClipboardFormat("IMAGERY TEXTMEMO");
}

void IETextControlFree() {}

void IEBuildTextControlShortcuts() {
  static const char keys[IETextShortcutCount] = {'L', 'E', 'R', 'J', 'C', 'X',
                                                 'V', 'F', 'B', 'I', 'U', 'G'};
  for (int k = 0; k < IETextShortcutCount; ++k)
    gTextShortcuts[k] = ShortCut(static_cast<WORD>(keys[k]), TShiftState{ssCtrl});
  gTextShortcutsBuilt = true;
}

TShortCut IETextControlShortcut(TIETextShortcut Which) {
  if (!gTextShortcutsBuilt) IEBuildTextControlShortcuts();
  return gTextShortcuts[Which];
}

// ---------------------------------------------------------------- construction

TIETextControl::TIETextControl(TComponent* AOwner) : TCustomControl(AOwner) {
  SetCursor(crIBeam);
  ControlStyle().Include(csOpaque);
  DefaultFont = new TFont();
  CharBrush = new TBrush();
  BorderPen = new TPen();
  BackgroundBrush = new TBrush();
  OffscreenBitmap = new TBitmap();
  OffscreenBitmap->SetPixelFormat(pf24bit);
  CharHeights.assign(1, 0);
  CharWidths.assign(1, 0);
  CharLeadings.assign(1, 0);
  CharDescents.assign(1, 0);
  CharX.assign(1, -1);
  CharY.assign(1, -1);
}

TIETextControl::~TIETextControl() {
  if (FHasCaret && HandleAllocated()) DestroyCaret();
  // The text, and format indexes and lists that a host lent, stay the host's; only what the
  // editor made itself goes (so a host that forgets to take its lists back loses nothing).
  delete OffscreenBitmap;
  delete DefaultFont;
  delete CharBrush;
  delete BorderPen;
  delete BackgroundBrush;
}

void TIETextControl::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
  Params.WindowClass.style |= CS_DBLCLKS;
}

// ---------------------------------------------------------------- storage

TIECharFormat TIETextControl::DefaultFormat() const {
  TIECharFormat f;
  f.Name = DefaultFont->Name();
  f.Height = DefaultFont->Height();
  f.SetFontStyle(DefaultFont->Style());
  f.Color = DefaultFont->Color();
  f.BackColor = CharBrush->Color();
  f.BrushStyle = static_cast<uint8_t>(CharBrush->Style());
  f.Align = DefaultAlignment;
  return f;
}

TIECharFormat TIETextControl::FormatOf(int32_t Index) const {
  if (FormatList && CharFormats && Index >= 0 && Index < TextLength &&
      Index < static_cast<int32_t>(CharFormats->size())) {
    const int32_t k = (*CharFormats)[static_cast<size_t>(Index)];
    if (k >= 0 && k < static_cast<int32_t>(FormatList->size()))
      return (*FormatList)[static_cast<size_t>(k)];
  }
  if (Index >= TextLength) return CurrentFormat;
  return DefaultFormat();
}

void TIETextControl::EnsureText() {
  if (TextBuffer == nullptr) {
    FOwnText = std::make_unique<std::string>();
    TextBuffer = FOwnText.get();
    TextLength = 0;
  }
}

// Brings the lists in step with the text: a buffer changed behind the editor's back, a short
// list of format indexes or indexes out of range would otherwise be read past their ends.
void TIETextControl::EnsureLists() {
  TextLength = TextBuffer ? static_cast<int32_t>(TextBuffer->size()) : 0;
  CaretPos = std::clamp(CaretPos, 0, TextLength);
  if (CharFormats == nullptr) {
    FOwnCharFormats = std::make_unique<std::vector<int32_t>>();
    CharFormats = FOwnCharFormats.get();
  }
  if (FormatList == nullptr) {
    FOwnFormatList = std::make_unique<TIEFormatList>();
    FormatList = FOwnFormatList.get();
  }
  const size_t n = static_cast<size_t>(TextLength);
  if (CharFormats->size() != n) CharFormats->resize(n, 0);
  if (n > 0 && FormatList->empty()) FormatList->push_back(DefaultFormat());
  for (int32_t& k : *CharFormats)
    if (k < 0 || k >= static_cast<int32_t>(FormatList->size())) k = 0;
  if (CharX.size() != n + 1) {
    CharHeights.resize(n + 1);
    CharWidths.resize(n + 1);
    CharLeadings.resize(n + 1);
    CharDescents.resize(n + 1);
    CharX.resize(n + 1);
    CharY.resize(n + 1);
    MarkStale(0);
  }
}

void TIETextControl::MarkStale(int32_t From) {
  for (size_t k = static_cast<size_t>(std::max(From, 0)); k < CharX.size(); ++k) {
    CharHeights[k] = 0;
    CharWidths[k] = 0;
    CharLeadings[k] = 0;
    CharDescents[k] = 0;
    CharX[k] = -1;
    CharY[k] = -1;
  }
}

void TIETextControl::GrowCaches() {
  const auto at = static_cast<std::ptrdiff_t>(CaretPos);
  CharHeights.insert(CharHeights.begin() + at, 0);
  CharWidths.insert(CharWidths.begin() + at, 0);
  CharLeadings.insert(CharLeadings.begin() + at, 0);
  CharDescents.insert(CharDescents.begin() + at, 0);
  CharX.insert(CharX.begin() + at, -1);
  CharY.insert(CharY.begin() + at, -1);
}

int32_t TIETextControl::FormatIndexFor(const TIECharFormat& F) {
  for (size_t k = 0; k < FormatList->size(); ++k)
    if ((*FormatList)[k].SameFormat(F)) return static_cast<int32_t>(k);
  TIECharFormat copy = F;
  copy.RefCount = 0;
  FormatList->push_back(copy);
  return static_cast<int32_t>(FormatList->size() - 1);
}

void TIETextControl::ReleaseUse(int32_t Index) {
  const int32_t k = (*CharFormats)[static_cast<size_t>(Index)];
  if (k >= 0 && k < static_cast<int32_t>(FormatList->size()) &&
      (*FormatList)[static_cast<size_t>(k)].RefCount > 0)
    --(*FormatList)[static_cast<size_t>(k)].RefCount;
}

void TIETextControl::Restyle(int32_t Index, const TIECharFormat& F) {
  if (Index < 0 || Index >= TextLength) return;
  const int32_t k = FormatIndexFor(F);
  ++(*FormatList)[static_cast<size_t>(k)].RefCount;
  ReleaseUse(Index);
  (*CharFormats)[static_cast<size_t>(Index)] = k;
}

void TIETextControl::InsertChar(char C) {
  EnsureText();
  EnsureLists();
  const auto at = static_cast<size_t>(CaretPos);
  TextBuffer->insert(at, 1, C);
  const int32_t k = FormatIndexFor(CurrentFormat);
  ++(*FormatList)[static_cast<size_t>(k)].RefCount;
  CharFormats->insert(CharFormats->begin() + static_cast<std::ptrdiff_t>(at), k);
  GrowCaches();
  MarkStale(CaretPos);
  ++CaretPos;
  ++TextLength;
}

void TIETextControl::DeleteChar(int32_t Index) {
  if (TextBuffer == nullptr) return;
  EnsureLists();
  if (Index < 0 || Index >= TextLength) return;
  ReleaseUse(Index);
  const auto at = static_cast<std::ptrdiff_t>(Index);
  TextBuffer->erase(static_cast<size_t>(Index), 1);
  CharFormats->erase(CharFormats->begin() + at);
  CharHeights.erase(CharHeights.begin() + at);
  CharWidths.erase(CharWidths.begin() + at);
  CharLeadings.erase(CharLeadings.begin() + at);
  CharDescents.erase(CharDescents.begin() + at);
  CharX.erase(CharX.begin() + at);
  CharY.erase(CharY.begin() + at);
  --TextLength;
  MarkStale(Index);
  CaretPos = std::min(CaretPos, TextLength);
}

void TIETextControl::DeleteSelection() {
  const int32_t s = std::max(SelStart, 0), e = std::min(SelEnd, TextLength);
  if (s < e) {
    for (int32_t k = e - 1; k >= s; --k) DeleteChar(k);
    CaretPos = s;
  }
  if (SelStart < SelEnd) SelStart = SelEnd = 0;
}

void TIETextControl::PurgeFormats() {
  if (FormatList == nullptr) return;
  std::vector<int32_t> newIndex(FormatList->size(), 0);
  TIEFormatList kept;
  for (size_t k = 0; k < FormatList->size(); ++k) {
    if ((*FormatList)[k].RefCount == 0) {
      newIndex[k] = kept.empty() ? 0 : static_cast<int32_t>(kept.size()) - 1;
      continue;
    }
    newIndex[k] = static_cast<int32_t>(kept.size());
    kept.push_back((*FormatList)[k]);
  }
  *FormatList = std::move(kept);
  if (CharFormats)
    for (int32_t& k : *CharFormats)
      if (k >= 0 && k < static_cast<int32_t>(newIndex.size())) k = newIndex[static_cast<size_t>(k)];
}

void TIETextControl::Prepare() {
  SelStart = SelEnd = 0;
  CaretPos = 0;
  TextLength = TextBuffer ? static_cast<int32_t>(TextBuffer->size()) : 0;
  if (CharFormats == nullptr) {
    FOwnCharFormats = std::make_unique<std::vector<int32_t>>(static_cast<size_t>(TextLength), 0);
    CharFormats = FOwnCharFormats.get();
  }
  if (FormatList == nullptr) {
    FOwnFormatList = std::make_unique<TIEFormatList>();
    FormatList = FOwnFormatList.get();
  }
  CharX.clear();  // the caches are sized anew
  EnsureLists();
  // The use counts are counted again, so that lists from files keep the invariant whatever they
  // held.
  for (TIECharFormat& f : *FormatList) f.RefCount = 0;
  for (int32_t k : *CharFormats) ++(*FormatList)[static_cast<size_t>(k)].RefCount;
  CurrentFormat = DefaultFormat();
  FAppliedIndex = -2;
  PaintBackground();
}

void TIETextControl::SetSingleFont(bool Value) {
  SingleFont = Value;
  Update();
}

void TIETextControl::Update() {
  MarkStale(0);
  Invalidate();
}

// ---------------------------------------------------------------- layout and drawing

void TIETextControl::ApplyFormat(TIECanvas* Canvas, int32_t Index, bool Force) {
  if (!Force && Index == FAppliedIndex) return;
  FAppliedIndex = Index;
  TCanvas* cv = Canvas->Canvas();
  TFont* font = cv->Font();
  if (SingleFont) {
    if (font->Name() != DefaultFont->Name()) font->SetName(DefaultFont->Name());
    if (font->Height() != DefaultFont->Height()) font->SetHeight(DefaultFont->Height());
    if (font->Style() != DefaultFont->Style()) font->SetStyle(DefaultFont->Style());
    font->SetColor(DefaultFont->Color());
    cv->Brush()->SetColor(Monochrome ? BackgroundBrush->Color() : CharBrush->Color());
    cv->Brush()->SetStyle(CharBrush->Style());
    return;
  }
  const TIECharFormat f = FormatOf(Index);
  if (font->Name() != f.Name) font->SetName(f.Name);
  if (font->Height() != f.Height) font->SetHeight(f.Height);
  if (font->Style() != f.FontStyle()) font->SetStyle(f.FontStyle());
  font->SetColor(Monochrome ? DefaultFont->Color() : f.Color);
  cv->Brush()->SetColor(Monochrome ? BackgroundBrush->Color() : f.BackColor);
  cv->Brush()->SetStyle(static_cast<TBrushStyle>(std::min<int>(f.BrushStyle, bsDiagCross)));
}

int TIETextControl::MeasureChar(TIECanvas* Canvas, int32_t Index, int& H, int& L, int& D) {
  ApplyFormat(Canvas, Index, false);
  const auto k = static_cast<size_t>(Index);
  const auto c = static_cast<unsigned char>(Index < TextLength ? (*TextBuffer)[k] : ' ');
  if (CharWidths[k] == 0) {
    const char m = (c < 31 || c == 127) ? ' ' : static_cast<char>(c);
    CharWidths[k] =
        static_cast<uint16_t>(std::clamp(Canvas->TextWidth(std::string(1, m)), 0, 65535));
  }
  if (CharHeights[k] == 0) {
    if (FixedCharHeight != 0) {
      CharHeights[k] = static_cast<uint16_t>(std::clamp(FixedCharHeight, 0, 65535));
      CharLeadings[k] = 0;
      CharDescents[k] = 0;
    } else {
      (void)Canvas->Canvas()->TextExtent(std::string());  // selects the font
      TEXTMETRICA tm{};
      GetTextMetrics(Canvas->GetHandle(), &tm);
      CharHeights[k] = static_cast<uint16_t>(std::clamp<long>(tm.tmHeight, 0, 65535));
      CharLeadings[k] = static_cast<uint8_t>(std::min<long>(std::labs(tm.tmInternalLeading), 255));
      CharDescents[k] = static_cast<uint8_t>(std::min<long>(std::labs(tm.tmDescent), 255));
    }
  }
  H = CharHeights[k];
  L = CharLeadings[k];
  D = CharDescents[k];
  return CharWidths[k];
}

// The offset of a line that ends at index K and, for justified lines, the stretch factor.
int TIETextControl::LineOffset(int32_t K, int Wp, double& F) const {
  F = 1.0;
  const std::string& s = *TextBuffer;
  auto at = [&](int32_t i) -> unsigned char {
    return (i >= 0 && i < TextLength) ? static_cast<unsigned char>(s[static_cast<size_t>(i)]) : 0;
  };
  const int32_t fi = std::max(0, K - 1);
  uint8_t align;
  if (SingleFont)
    align = DefaultAlignment;
  else if (fi >= TextLength)
    align = CurrentFormat.Align;
  else
    align = FormatOf(fi).Align;
  if (align == 0 || align > 3) return 0;
  int32_t j = K - 1;
  if (j >= 0 && j >= TextLength) j = K - 2;  // character K - 1 is the terminating zero
  if (j >= 0 && at(j) == '\n') --j;
  if (j >= 0 && at(j) == ' ') --j;
  if (j < 0) j = 0;
  j = std::min(j, TextLength);
  const int right = CharX[static_cast<size_t>(j)] + CharWidths[static_cast<size_t>(j)];
  switch (align) {
    case 1:
      return Wp - right - 1;
    case 2:
      return (Wp - right) / 2;
    default: {
      const bool last =
          at(j + 1) == 0 || at(j + 1) == '\n' || (j + 2 >= TextLength && at(j + 2) == 0);
      if (!last) F = (right + 1) != 0 ? static_cast<double>(Wp) / (right + 1) : 1.0;
      return 0;
    }
  }
}

void TIETextControl::DrawText(TIECanvas* Canvas, int X, int Y, int W, int H) {
  if (W <= 1 || H <= 1) return;
  CapturedText.clear();
  const double zoom = (ZoomFactor > 0 && std::isfinite(ZoomFactor)) ? ZoomFactor : 1.0;
  const bool zoomed = zoom != 1.0;
  std::vector<TGlyphRecord> glyphs;
  if (TextBuffer) EnsureLists();
  FAppliedIndex = -2;
  TCanvas* cv = Canvas->Canvas();

  // The box.
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetMode(pmCopy);
  cv->Font()->SetColor(DefaultFont->Color());
  Canvas->Pen()->SetColor(DefaultFont->Color());
  Canvas->Pen()->SetStyle(BorderPen->Style());
  if (!Monochrome) Canvas->Pen()->SetColor(BorderPen->Color());
  Canvas->Brush()->SetColor(BackgroundBrush->Color());
  Canvas->Brush()->SetStyle(BackgroundBrush->Style());
  Canvas->Rectangle(X, Y, X + NearestInt(W * zoom), Y + NearestInt(H * zoom));
  Canvas->Pen()->SetStyle(psSolid);

  const int Wp = TruncInt(W - W * MarginRight / 100 - W * MarginLeft / 100) - 2;
  const int Hp = TruncInt(H - H * MarginBottom / 100 - H * MarginTop / 100) - 2;
  const int L = TruncInt(W * MarginLeft / 100) + 1;
  const int T = TruncInt(H * MarginTop / 100) + 1;
  HDC dc = Canvas->GetHandle();
  const UINT oldAlign = SetTextAlign(dc, TA_BASELINE);

  bool walked = false;
  int d = 0;  // the descent of the line last drawn (for growing after the walk)
  if (TextBuffer) {
    const std::string& s = *TextBuffer;
    int32_t lineStart = 0, i = 0, brk = -1;
    int x = 0, n = 0, e = 0, t = 0, h = 0, l = 0;
    int lastH = 0, lastL = 0, lastD = 0;
    double f = 1.0;
    bool measuring = true;
    auto toDrawing = [&](int32_t k) {
      n = x = LineOffset(k, Wp, f);
      e = 0;
      i = lineStart;
      measuring = false;
    };
    auto toNextLine = [&]() {
      if (CaptureText) CapturedText.push_back('\n');
      t += h + LineSpacing;
      lineStart = i;
      h = lastH;
      l = lastL;
      d = lastD;
      brk = -1;
      n = x = e = 0;
      f = 1.0;
      measuring = true;
    };
    auto measure = [&](int32_t k) {
      int ch, cl, cd;
      const int w = MeasureChar(Canvas, k, ch, cl, cd);
      if (measuring) {
        h = std::max(h, ch);
        l = std::max(l, cl);
        d = std::max(d, cd);
        lastH = ch;
        lastL = cl;
        lastD = cd;
      }
      return w;
    };
    auto drawGlyph = [&](int gx, int gy, char c, int32_t k) {
      if (zoomed) {
        glyphs.push_back(TGlyphRecord{gx, gy, c, k});
        return;
      }
      cv->TextOut(gx, gy, std::string(1, c));
    };
    for (;;) {
      CharX[static_cast<size_t>(i)] = x + L;
      CharY[static_cast<size_t>(i)] = T + t;
      if (i >= TextLength) {
        if (measuring) {
          toDrawing(i);
          continue;
        }
        break;
      }
      const char c = s[static_cast<size_t>(i)];
      if (c == '\n') {
        walked = true;
        measure(i);
        ++i;
        if (i - 1 == 0 && CaretPos == 0) {
          CaretX = L;
          CaretY = T;
          CaretHeight = h;
        }
        if (CaretPos > i - 1) {
          CaretX = L;
          CaretY = T + t + h;
          CaretHeight = h;
        }
        if (measuring) {
          toDrawing(i);
        } else {
          if (i >= TextLength) break;
          toNextLine();
        }
        continue;
      }
      if (!measuring && i == brk) {
        toNextLine();
        continue;
      }
      const int w = measure(i);
      if (measuring) {
        if (x + w + 2 >= Wp) {
          // Wrap after the last space of the line, or before this character.
          int32_t b = i;
          for (int32_t k = i; k > lineStart; --k)
            if (s[static_cast<size_t>(k)] == ' ') {
              b = k + 1;
              break;
            }
          if (b == lineStart) break;  // the line's first character alone is too wide
          brk = b;
          toDrawing(brk);
          continue;
        }
      } else {
        walked = true;
        const int gx = X + L + x, gy = Y + T + t + h - l;
        if (gy + d < Y + T + Hp) {
          const bool selected = SelStart <= i && i < SelEnd;
          if (selected) {
            cv->Brush()->SetColor(Invert24(cv->Brush()->Color()));
            cv->Brush()->SetStyle(bsSolid);
            cv->Font()->SetColor(Invert24(cv->Font()->Color()));
            FAppliedIndex = -2;
          }
          if (n != x && !zoomed)
            for (int p = e; p < x; ++p) cv->TextOut(X + L + p, gy, " ");
          if (gx + w < X + L + Wp) drawGlyph(gx, gy, c, i);
          if (CaptureText) CapturedText.push_back(c);
        } else if (AutoGrow && Visible() && Parent() != nullptr) {
          SetHeight(TruncInt((gy + d + h) * zoom));
          SetTextAlign(dc, oldAlign);
          return;
        }
        if (CaretPos == i) {
          CaretX = L + x;
          CaretY = T + t;
          CaretHeight = h;
        } else if (CaretPos > i) {
          CaretX = L + x + w;
          CaretY = T + t;
          CaretHeight = h;
        }
      }
      n += w;
      e = x + w;
      x = TruncInt(n * f);
      ++i;
    }
  }
  if (!walked) {
    // An empty text: the caret has the height of what typing would give.
    ApplyFormat(Canvas, TextLength, true);
    (void)cv->TextExtent(std::string());
    TEXTMETRICA tm{};
    GetTextMetrics(dc, &tm);
    CaretX = L;
    CaretY = T;
    CaretHeight = FixedCharHeight != 0 ? FixedCharHeight : static_cast<int>(tm.tmHeight);
  }
  if (zoomed) {
    for (size_t r = 0; r < glyphs.size(); ++r) {
      const TGlyphRecord& g = glyphs[r];
      ApplyFormat(Canvas, g.Index, true);
      cv->Font()->SetHeight(TruncInt(cv->Font()->Height() * zoom));
      const int xs = TruncInt((g.X - X) * zoom), ys = TruncInt((g.Y - Y) * zoom);
      if (SelStart <= g.Index && g.Index < SelEnd) {
        cv->Brush()->SetColor(Invert24(cv->Brush()->Color()));
        cv->Brush()->SetStyle(bsSolid);
        cv->Font()->SetColor(Invert24(cv->Font()->Color()));
      }
      if (r + 1 < glyphs.size() && glyphs[r + 1].Y == g.Y) {
        const int to = X + TruncInt((glyphs[r + 1].X - X) * zoom);
        const int step = std::max(1, cv->TextWidth(" "));
        for (int p = X + xs; p < to; p += step) cv->TextOut(p, Y + ys, " ");
      }
      cv->TextOut(X + xs, Y + ys, std::string(1, g.C));
    }
    for (size_t k = 0; k < CharX.size(); ++k) {
      CharX[k] = TruncInt(CharX[k] * zoom);
      CharY[k] = TruncInt(CharY[k] * zoom);
    }
    CaretX = TruncInt(CaretX * zoom);
    CaretY = TruncInt(CaretY * zoom);
    CaretHeight = TruncInt(CaretHeight * zoom);
  }
  SetTextAlign(dc, oldAlign);
  FAppliedIndex = -2;
  if (AutoGrow && CaretY + CaretHeight > TruncInt(Hp * zoom) && Visible() && Parent() != nullptr)
    SetHeight(TruncInt(CaretY + CaretHeight + d));
  if (CaretPos >= 0 && static_cast<size_t>(CaretPos) < CharX.size()) {
    CharX[static_cast<size_t>(CaretPos)] = CaretX;
    CharY[static_cast<size_t>(CaretPos)] = CaretY;
  }
}

void TIETextControl::PaintBackground() {
  if (!HandleAllocated()) return;
  const RECT cr = ClientRect();
  const int w = cr.right - cr.left, h = cr.bottom - cr.top;
  if (w <= 0 || h <= 0) return;
  if (OffscreenBitmap->Width() != w || OffscreenBitmap->Height() != h)
    OffscreenBitmap->SetSize(w, h);
  TCanvas* bc = OffscreenBitmap->Canvas();
  if (BackgroundBrush->Style() != bsSolid && BackgroundPicture != nullptr)
    BitBlt(bc->Handle(), 0, 0, w, h, BackgroundPicture->Canvas()->Handle(), Left(), Top(), SRCCOPY);
  if (BackgroundBrush->Style() != bsClear) {
    bc->Brush()->Assign(BackgroundBrush);
    bc->FillRect(RECT{0, 0, w, h});
  }
}

void TIETextControl::Paint() {
  if (!Visible() || Parent() == nullptr) return;
  if (FHasCaret) {
    DestroyCaret();
    FHasCaret = false;
  }
  PaintBackground();
  const RECT cr = ClientRect();
  const int w = cr.right - cr.left, h = cr.bottom - cr.top;
  if (w <= 0 || h <= 0) return;
  const double zoom = (ZoomFactor > 0 && std::isfinite(ZoomFactor)) ? ZoomFactor : 1.0;
  {
    TIECanvas c(OffscreenBitmap->Canvas(), true, false);
    DrawText(&c, 0, 0, TruncInt(w / zoom), TruncInt(h / zoom));
  }
  BitBlt(Canvas()->Handle(), 0, 0, w, h, OffscreenBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  // The caret is the focused window's: an editor painted while another control has the focus
  // leaves that control's caret alone.
  if (Focused()) {
    CreateCaret(Handle(), nullptr, 0, CaretHeight);
    SetCaretPos(CaretX, CaretY);
    ShowCaret(Handle());
    FHasCaret = true;
  }
}

// ---------------------------------------------------------------- caret moves

int32_t TIETextControl::WordLeft(int32_t P) const {
  const std::string& s = *TextBuffer;
  auto ch = [&](int32_t i) { return static_cast<unsigned char>(s[static_cast<size_t>(i)]); };
  int32_t p = std::min(P, TextLength) - 1;
  if (p < 0) return 0;
  while (p > 0 && ch(p) <= 32) --p;
  while (p > 0 && ch(p - 1) > 32) --p;
  if (ch(p) <= 32) ++p;
  return std::clamp(p, 0, std::max(0, TextLength - 1));
}

int32_t TIETextControl::WordRight(int32_t P) const {
  const std::string& s = *TextBuffer;
  auto ch = [&](int32_t i) { return static_cast<unsigned char>(s[static_cast<size_t>(i)]); };
  int32_t p = P + 1;
  while (p < TextLength && ch(p) <= 32) ++p;
  while (p < TextLength && ch(p) > 32) ++p;
  return std::clamp(p, 0, std::max(0, TextLength - 1));
}

int32_t TIETextControl::LineStart() const {
  int32_t p = CaretPos;
  while (p > 0 && CharY[static_cast<size_t>(p - 1)] >= CaretY) --p;
  return p;
}

int32_t TIETextControl::LineEnd() const {
  int32_t p = CaretPos;
  while (p < TextLength && CharY[static_cast<size_t>(p)] == CaretY) ++p;
  if (p < TextLength) --p;
  return std::max(p, CaretPos);
}

int32_t TIETextControl::LineUp() const {
  int32_t p = CaretPos - 1;
  while (p >= 0 && CharY[static_cast<size_t>(p)] >= CaretY) --p;
  if (p < 0) return CaretPos;
  const int32_t last = p;
  const int y = CharY[static_cast<size_t>(last)];
  while (p > 0 && CharX[static_cast<size_t>(p)] > CaretX) --p;
  if (p + 1 <= TextLength && CharY[static_cast<size_t>(p + 1)] == CharY[static_cast<size_t>(p)] &&
      std::abs(CharX[static_cast<size_t>(p + 1)] - CaretX) <
          std::abs(CharX[static_cast<size_t>(p)] - CaretX))
    ++p;
  if (CharY[static_cast<size_t>(p)] != y) p = last;
  return p;
}

int32_t TIETextControl::LineDown() const {
  int32_t p = CaretPos;
  while (p <= TextLength && CharY[static_cast<size_t>(p)] == CaretY) ++p;
  if (p > TextLength) return CaretPos;
  const int y = CharY[static_cast<size_t>(p)];
  while (p < TextLength && CharX[static_cast<size_t>(p)] < CaretX &&
         CharY[static_cast<size_t>(p + 1)] == y)
    ++p;
  if (p > 0 && CharY[static_cast<size_t>(p - 1)] == y &&
      std::abs(CharX[static_cast<size_t>(p - 1)] - CaretX) <
          std::abs(CharX[static_cast<size_t>(p)] - CaretX))
    --p;
  return p;
}

int32_t TIETextControl::PositionAt(int X, int Y) const {
  int32_t p = 0;
  const auto count = static_cast<int32_t>(CharY.size());
  while (p < count && CharY[static_cast<size_t>(p)] < Y) ++p;
  --p;
  p = std::clamp(p, 0, std::max(0, count - 1));
  while (p > 0 && X < CharX[static_cast<size_t>(p)] - 1) --p;
  return std::clamp(p, 0, TextLength);
}

void TIETextControl::TakeFormatBeforeCaret() {
  if (TextLength <= 0 || TextBuffer == nullptr) return;
  CurrentFormat = FormatOf(CaretPos > 0 ? CaretPos - 1 : 0);
  CurrentFormat.RefCount = 0;
}

void TIETextControl::UpdateSelection(int32_t Old, TShiftState Shift) {
  if (Shift.Contains(ssShift)) {
    if (SelEnd != 0) {
      if (Old < CaretPos) {
        if (CaretPos > SelEnd)
          SelEnd = CaretPos;
        else
          SelStart = CaretPos;
      } else {
        if (CaretPos < SelStart)
          SelStart = CaretPos;
        else
          SelEnd = CaretPos;
      }
    } else {
      SelStart = Old;
      SelEnd = CaretPos;
    }
  } else {
    SelStart = SelEnd = 0;
  }
  if (SelEnd < SelStart) std::swap(SelStart, SelEnd);
}

// ---------------------------------------------------------------- formatting

void TIETextControl::ToggleStyle(int Bit) {
  const auto mask = static_cast<uint8_t>(1u << Bit);
  const int32_t s = std::max(SelStart, 0), e = std::min(SelEnd, TextLength);
  if (s < e) {
    const uint8_t style = static_cast<uint8_t>(FormatOf(s).Style ^ mask);
    for (int32_t k = s; k < e; ++k) {
      TIECharFormat f = FormatOf(k);
      f.Style = style;
      Restyle(k, f);
    }
    MarkStale(s);
  } else {
    CurrentFormat.Style ^= mask;
  }
}

void TIETextControl::ChangeHeight(bool Grow) {
  auto next = [Grow](int32_t h) {
    int32_t r = Grow ? (h < 0 ? h - 1 : h + 1) : (h < 0 ? h + 1 : h - 1);
    return r == 0 ? 1 : r;
  };
  const int32_t s = std::max(SelStart, 0), e = std::min(SelEnd, TextLength);
  for (int32_t k = s; k < e; ++k) {
    TIECharFormat f = FormatOf(k);
    f.Height = next(f.Height);
    Restyle(k, f);
  }
  CurrentFormat.Height = next(CurrentFormat.Height);
}

void TIETextControl::SetParagraphAlignment(uint8_t Align) {
  if (TextBuffer != nullptr && TextLength > 0) {
    const std::string& s = *TextBuffer;
    int32_t a = std::min(CaretPos, TextLength);
    while (a > 0 && s[static_cast<size_t>(a - 1)] != '\n') --a;
    int32_t b = std::min(CaretPos, TextLength);
    while (b < TextLength && s[static_cast<size_t>(b)] != '\n') ++b;
    // The closing line feed is restyled too: the last line of a paragraph takes its alignment
    // from the character before its end, which is that line feed.
    if (b < TextLength) ++b;
    for (int32_t k = a; k < b; ++k) {
      TIECharFormat f = FormatOf(k);
      f.Align = Align;
      Restyle(k, f);
    }
  }
  CurrentFormat.Align = Align;
}

bool TIETextControl::ExecuteFontDialog(TIECharFormat& Format) {
  TFontDialog dlg(nullptr);
  dlg.Font()->SetName(Format.Name);
  dlg.Font()->SetHeight(Format.Height);
  dlg.Font()->SetStyle(Format.FontStyle());
  dlg.Font()->SetColor(Format.Color);
  if (!dlg.Execute()) return false;
  Format.Name = dlg.Font()->Name();
  Format.Height = dlg.Font()->Height();
  Format.SetFontStyle(dlg.Font()->Style());
  Format.Color = dlg.Font()->Color();
  return true;
}

bool TIETextControl::ExecuteColorDialog(TColor& Color) {
  TColorDialog dlg(nullptr);
  dlg.SetColor(Color);
  if (!dlg.Execute()) return false;
  Color = dlg.Color();
  return true;
}

bool TIETextControl::HandleShortcut(WORD Key, TShiftState Shift) {
  const TShortCut sc = ShortCut(Key, Shift);
  int which = -1;
  for (int k = 0; k < IETextShortcutCount; ++k)
    if (IETextControlShortcut(static_cast<TIETextShortcut>(k)) == sc) {
      which = k;
      break;
    }
  const int32_t s = std::max(SelStart, 0), e = std::min(SelEnd, TextLength);
  switch (which) {
    case itsAlignLeft:
      SetParagraphAlignment(0);
      break;
    case itsAlignRight:
      SetParagraphAlignment(1);
      break;
    case itsAlignCenter:
      SetParagraphAlignment(2);
      break;
    case itsAlignJustify:
      SetParagraphAlignment(3);
      break;
    case itsCopy:
      Copy();
      return true;
    case itsCut:
      Cut();
      return true;
    case itsPaste:
      DeleteSelection();
      Paste();
      break;
    case itsFont: {
      if (SingleFont) return true;
      TIECharFormat chosen = CurrentFormat;
      if (!ExecuteFontDialog(chosen)) return true;
      for (int32_t k = s; k < e; ++k) {
        TIECharFormat f = FormatOf(k);
        f.Name = chosen.Name;
        f.Height = chosen.Height;
        f.Style = chosen.Style;
        f.Color = chosen.Color;
        Restyle(k, f);
      }
      CurrentFormat.Name = chosen.Name;
      CurrentFormat.Height = chosen.Height;
      CurrentFormat.Style = chosen.Style;
      CurrentFormat.Color = chosen.Color;
      break;
    }
    case itsBold:
      ToggleStyle(0);
      break;
    case itsItalic:
      ToggleStyle(1);
      break;
    case itsUnderline:
      ToggleStyle(2);
      break;
    case itsBackColor: {
      if (SingleFont) return true;
      TColor color = CurrentFormat.BackColor;
      if (!ExecuteColorDialog(color)) return true;
      for (int32_t k = s; k < e; ++k) {
        TIECharFormat f = FormatOf(k);
        f.BackColor = color;
        Restyle(k, f);
      }
      CurrentFormat.BackColor = color;
      break;
    }
    default:
      return false;
  }
  Update();
  return true;
}

// ---------------------------------------------------------------- clipboard

void TIETextControl::Copy() {
  if (TextBuffer == nullptr) return;
  EnsureLists();
  const int32_t s = std::max(SelStart, 0), e = std::min(SelEnd, TextLength);
  if (s >= e) return;
  const UINT memo = MemoFormat();
  if (!IEOpenClipboard()) return;
  EmptyClipboard();
  const std::string& t = *TextBuffer;
  std::string plain;
  for (int32_t k = s; k < e; ++k) {
    if (t[static_cast<size_t>(k)] == '\n') plain.push_back('\r');
    plain.push_back(t[static_cast<size_t>(k)]);
  }
  plain.push_back('\0');
  SetClipboardBytes(CF_TEXT, plain.data(), plain.size());
  const auto n = static_cast<size_t>(e - s);
  std::vector<uint8_t> block(n * 281 + 1, 0);
  std::memcpy(block.data(), t.data() + s, n);
  for (size_t k = 0; k < n; ++k)
    FormatOf(s + static_cast<int32_t>(k)).WriteTo(block.data() + n + 1 + 280 * k);
  SetClipboardBytes(memo, block.data(), block.size());
  CloseClipboard();
}

void TIETextControl::Cut() {
  Copy();
  DeleteSelection();
  Update();
}

void TIETextControl::Paste() {
  const UINT memo = MemoFormat();
  if (!IEOpenClipboard()) return;
  size_t size = 0;
  if (memo != 0 && IsClipboardFormatAvailable(memo) && GetClipboardBytes(memo, nullptr, &size)) {
    std::vector<uint8_t> block(size);
    GetClipboardBytes(memo, block.data(), &size);
    block.resize(size);
    const size_t n = static_cast<size_t>(std::find(block.begin(), block.end(), 0) - block.begin());
    // A block shorter than its characters need (placed by another program under the same name)
    // gives its characters that have a whole record their format, the others CurrentFormat.
    for (size_t k = 0; k < n; ++k) {
      const size_t at = n + 1 + 280 * k;
      if (at + IECharFormatSize <= block.size()) {
        CurrentFormat = TIECharFormat::ReadFrom(block.data() + at);
        CurrentFormat.RefCount = 0;
      }
      InsertChar(static_cast<char>(block[k]));
    }
  } else if (IsClipboardFormatAvailable(CF_TEXT) && GetClipboardBytes(CF_TEXT, nullptr, &size)) {
    std::string text(size, '\0');
    GetClipboardBytes(CF_TEXT, text.data(), &size);
    text.resize(std::min(size, text.size()));
    for (char c : text) {
      if (c == '\0') break;
      if (c != '\r') InsertChar(c);
    }
  }
  CloseClipboard();
}

// ---------------------------------------------------------------- keys and mouse

void TIETextControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (HandleAllocated() && Visible()) ::UpdateWindow(Handle());  // positions of the last edit
  if (TextBuffer != nullptr) EnsureLists();
  const int32_t old = CaretPos;
  const bool ctrl = Shift.Contains(ssCtrl);
  bool move = false;
  switch (Key) {
    case VK_BACK:
      if (SelStart < SelEnd) {
        DeleteSelection();
      } else if (CaretPos > 0) {
        --CaretPos;
        DeleteChar(CaretPos);
      }
      Update();
      break;
    case VK_RETURN:
      InsertChar('\n');
      Update();
      break;
    case VK_END:
      CaretPos = ctrl ? TextLength : LineEnd();
      move = true;
      break;
    case VK_HOME:
      CaretPos = ctrl ? 0 : LineStart();
      move = true;
      break;
    case VK_LEFT:
      if (TextBuffer != nullptr)
        CaretPos = ctrl ? WordLeft(CaretPos) : (CaretPos > 0 ? CaretPos - 1 : CaretPos);
      move = true;
      break;
    case VK_RIGHT:
      if (TextBuffer != nullptr)
        CaretPos = ctrl ? WordRight(CaretPos) : (CaretPos < TextLength ? CaretPos + 1 : CaretPos);
      move = true;
      break;
    case VK_UP:
      CaretPos = LineUp();
      move = true;
      break;
    case VK_DOWN:
      CaretPos = LineDown();
      move = true;
      break;
    case VK_INSERT:
      InsertMode = !InsertMode;
      break;
    case VK_DELETE:
      if (SelStart < SelEnd)
        DeleteSelection();
      else
        DeleteChar(CaretPos);
      Update();
      break;
    case VK_F1:
    case VK_F2:
      if (Shift.Contains(ssShift)) {
        ChangeHeight(Key == VK_F2);
        Update();
      }
      break;
    default:
      break;
  }
  if (move && CaretPos != old) {
    TakeFormatBeforeCaret();
    UpdateSelection(old, Shift);
    Update();
  }
  HandleShortcut(Key, Shift);
  TCustomControl::KeyDown(Key, Shift);
}

void TIETextControl::KeyUp(WORD& Key, TShiftState Shift) { TCustomControl::KeyUp(Key, Shift); }

void TIETextControl::KeyPress(char& Key) {
  TCustomControl::KeyPress(Key);
  const auto c = static_cast<unsigned char>(Key);
  if (c >= 32 && c != 127) {
    DeleteSelection();
    if (!InsertMode) DeleteChar(CaretPos);
    InsertChar(Key);
  }
  Invalidate();
  if (HandleAllocated()) ::UpdateWindow(Handle());
}

void TIETextControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (!Focused() && CanFocus()) SetFocus();
  if (HandleAllocated() && Visible()) ::UpdateWindow(Handle());
  if (TextBuffer != nullptr) EnsureLists();
  if (Shift.Contains(ssShift)) {
    const int32_t a = PositionAt(AnchorX, AnchorY), b = PositionAt(X, Y);
    if (a != b) {
      CaretPos = b;
      UpdateSelection(a, TShiftState{ssShift});
    }
  } else {
    SelStart = SelEnd = 0;
    CaretPos = PositionAt(X, Y);
  }
  AnchorX = X;
  AnchorY = Y;
  TakeFormatBeforeCaret();
  Update();
  if (OnCursorMoved) OnCursorMoved(this);
}

void TIETextControl::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (!Shift.Contains(ssLeft)) return;
  if (HandleAllocated() && Visible()) ::UpdateWindow(Handle());
  SelStart = SelEnd = 0;
  const int32_t a = PositionAt(AnchorX, AnchorY);
  CaretPos = a;
  const int32_t b = PositionAt(X, Y);
  if (a != b) {
    CaretPos = b;
    UpdateSelection(a, TShiftState{ssShift});
    Update();
  }
  if (OnCursorMoved) OnCursorMoved(this);
}

void TIETextControl::SelectWordAtCaret() {
  if (TextBuffer == nullptr) return;
  EnsureLists();
  if (TextLength == 0) return;
  const std::string& s = *TextBuffer;
  auto ch = [&](int32_t i) { return static_cast<unsigned char>(s[static_cast<size_t>(i)]); };
  SelStart = SelEnd = 0;
  // A caret at the first letter of a word (where a click on that letter puts it) selects that
  // word, not the one before it.
  const bool atWordStart =
      CaretPos < TextLength && ch(CaretPos) > 32 && (CaretPos == 0 || ch(CaretPos - 1) <= 32);
  const int32_t start = atWordStart ? CaretPos : WordLeft(CaretPos);
  int32_t end = WordRight(CaretPos);
  while (end > 0 && ch(end) <= 32) --end;
  CaretPos = std::min(end + 1, TextLength);
  CurrentFormat = FormatOf(end);
  CurrentFormat.RefCount = 0;
  SelStart = start;
  SelEnd = CaretPos;
  if (SelEnd < SelStart) std::swap(SelStart, SelEnd);
}

void TIETextControl::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_SIZE:
      TCustomControl::WndProc(M);
      Update();
      return;
    case WM_ERASEBKGND:
      M.Result = 1;  // the control paints everything
      return;
    case WM_LBUTTONDBLCLK:
      TCustomControl::WndProc(M);
      if (TextLength > 0) {
        SelectWordAtCaret();
        Update();
      }
      return;
    case WM_KILLFOCUS:
      TCustomControl::WndProc(M);
      if (FHasCaret) {
        HideCaret(Handle());
        DestroyCaret();
        FHasCaret = false;
      }
      return;
    case WM_CUT:
      Cut();
      return;
    case WM_COPY:
      Copy();
      return;
    case WM_PASTE:
      DeleteSelection();
      Paste();
      Update();
      return;
    case CM_WANTSPECIALKEY: {
      TCustomControl::WndProc(M);
      const auto key = static_cast<WORD>(M.WParam);
      if (key == VK_TAB || (key >= 33 && key <= 40)) {
        WORD k = key;
        KeyUp(k, KeyDataToShiftState(M.LParam));
        M.Result = 1;
      }
      return;
    }
    case CN_CHAR: {
      char c = static_cast<char>(M.WParam);
      KeyPress(c);
      M.Result = 1;
      return;
    }
    default:
      break;
  }
  TCustomControl::WndProc(M);
}

// ---------------------------------------------------------------- TIEEdit

void TIEEdit::KeyPress(char& Key) {
  if (Key == '\t') {
    Key = 0;
    return;
  }
  TEdit::KeyPress(Key);
}

void TIEEdit::WndProc(TMessage& M) {
  if (M.Msg == CM_WANTSPECIALKEY) {
    TEdit::WndProc(M);
    const auto key = static_cast<WORD>(M.WParam);
    if (key == VK_TAB || (key >= 33 && key <= 40)) {
      WORD k = key;
      KeyUp(k, KeyDataToShiftState(M.LParam));
      M.Result = 1;
    }
    return;
  }
  TEdit::WndProc(M);
}
