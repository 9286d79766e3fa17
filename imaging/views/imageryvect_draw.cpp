// Drawing of the vector-object view: every object kind over the view's back buffer (client mode)
// or into an image (image mode), the compositing that gives objects transparency, soft shadows
// and highlight, the grips of the selection, the rubber bands and previews of objects being
// created, the paint overrides and the burning of objects into an image.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "imaging/core/ieblur.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/iehint.h"
#include "imaging/views/iegdiplus.h"
#include "imaging/views/imageryvect.h"
#include "platform/vcl/extctrls.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"

namespace {

constexpr int kVectDrawNoPoint = -1000000;

int VectDrawTrunc(double v) { return static_cast<int>(v); }

// FontQuality 0..6 to the font's output quality.
uint8_t VectDrawQuality(uint8_t q) {
  static constexpr uint8_t map[7] = {4, 5, 6, 0, 1, 3, 2};
  return q < 7 ? map[q] : 0;
}

// The object's font on the canvas: its LOGFONT with the output quality, the height times the
// vertical zoom (or Height when the LOGFONT has none and Height is given), the colour.
void VectDrawSelectFont(TCanvas* C, const LOGFONT* Font, uint8_t Quality, double ZoomY, TColor Color,
                        int BoxHeight = 0) {
  LOGFONTA lf{};
  if (Font != nullptr) lf = *Font;
  if (lf.lfFaceName[0] == 0) std::strcpy(lf.lfFaceName, "Arial");
  lf.lfQuality = VectDrawQuality(Quality);
  if (lf.lfHeight == 0 && BoxHeight > 0)
    lf.lfHeight = BoxHeight;
  else
    lf.lfHeight = VectDrawTrunc(lf.lfHeight * ZoomY);
  if (lf.lfHeight == 0) lf.lfHeight = -1;
  C->Font()->SetLogFont(lf);
  C->Font()->SetColor(Color);
}

void VectDrawGrow(TIERect& B, int x, int y) {
  B.Left = std::min(B.Left, x);
  B.Top = std::min(B.Top, y);
  B.Right = std::max(B.Right, x);
  B.Bottom = std::max(B.Bottom, y);
}

// ---- memo text --------------------------------------------------------------------------------

struct TVectMemoInput {
  const char* Text = nullptr;
  int Length = 0;
  const int32_t* CharFormat = nullptr;
  const TIEFormatList* Formats = nullptr;
  TIECharFormat Default;  // the object's font, character brush and alignment
  TColor BackColor = 0xFFFFFF;
  TBrushStyle BackStyle = bsClear;
  TColor BorderColor = 0;
  TPenStyle BorderStyle = psSolid;
  bool SingleFont = true;
  int LineSpacing = 0, FixedCharHeight = 0;
  double Zoom = 1;
  double Margins[4] = {0, 0, 0, 0};
};

struct TVectMemoMetrics {
  int W = 0, H = 0, Leading = 0, Descent = 0;
};

// The layout of formatted memo text: each paragraph is word-wrapped into the usable width (the
// box less its margins), each line is aligned by the format of its last character (left, right,
// centre, or justified by stretching every character position of the line by one factor, the
// paragraph's last line excepted), lines follow each other by their tallest character plus the
// line spacing, and a line that does not fit in the box ends the text. Layout happens in image
// pixels; glyphs are placed and sized by the zoom.
void VectDrawMemo(TIECanvas* IC, const TVectMemoInput& In, int X, int Y, int W, int H) {
  if (W <= 1 || H <= 1) return;
  TCanvas* C = IC->Canvas();
  const double Z = In.Zoom;
  IC->Pen()->SetWidth(1);
  IC->Pen()->SetMode(pmCopy);
  IC->Pen()->SetStyle(In.BorderStyle);
  IC->Pen()->SetColor(In.BorderColor);
  IC->Brush()->SetColor(In.BackColor);
  IC->Brush()->SetStyle(In.BackStyle);
  IC->Rectangle(X, Y, X + static_cast<int>(std::nearbyint(W * Z)), Y + static_cast<int>(std::nearbyint(H * Z)));
  IC->Pen()->SetStyle(psSolid);
  if (In.Text == nullptr || In.Length <= 0) return;
  const int Wp = VectDrawTrunc(W - W * In.Margins[2] / 100 - W * In.Margins[0] / 100) - 2;
  const int Hp = VectDrawTrunc(H - H * In.Margins[3] / 100 - H * In.Margins[1] / 100) - 2;
  const int L = VectDrawTrunc(W * In.Margins[0] / 100) + 1;
  const int T = VectDrawTrunc(H * In.Margins[1] / 100) + 1;
  const int n = In.Length;
  auto fmtOf = [&](int i) -> const TIECharFormat& {
    if (In.SingleFont || In.Formats == nullptr || In.Formats->empty() || i < 0 || i >= n) return In.Default;
    const int idx = In.CharFormat != nullptr ? In.CharFormat[i] : 0;
    // An index outside the format list (a damaged record) falls back to the object's font.
    if (idx < 0 || idx >= static_cast<int>(In.Formats->size())) return In.Default;
    return (*In.Formats)[static_cast<size_t>(idx)];
  };
  auto applyFont = [&](const TIECharFormat& f, double scale) {
    TFont* font = C->Font();
    font->SetName(f.Name.empty() ? "Arial" : f.Name);
    int h = VectDrawTrunc(f.Height * scale);
    if (h == 0) h = f.Height < 0 ? -1 : 1;
    font->SetHeight(h);
    font->SetStyle(f.FontStyle());
    font->SetColor(f.Color);
  };
  // Character metrics in image pixels.
  std::vector<TVectMemoMetrics> m(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const TIECharFormat& f = fmtOf(i);
    applyFont(f, 1.0);
    const unsigned char ch = static_cast<unsigned char>(In.Text[i]);
    const std::string s(1, ch < 31 || ch == 127 ? ' ' : static_cast<char>(ch));
    TVectMemoMetrics& mm = m[static_cast<size_t>(i)];
    mm.W = C->TextWidth(s);
    if (In.FixedCharHeight != 0) {
      mm.H = In.FixedCharHeight;
    } else {
      TEXTMETRICA tm{};
      GetTextMetrics(C->Handle(), &tm);
      mm.H = tm.tmHeight;
      mm.Leading = std::abs(static_cast<int>(tm.tmInternalLeading));
      mm.Descent = std::abs(static_cast<int>(tm.tmDescent));
    }
  }
  const UINT oldAlign = GetTextAlign(C->Handle());
  SetTextAlign(C->Handle(), TA_BASELINE);
  int start = 0, t = 0;
  while (start < n) {
    // Find the line's end: a line feed, the end of the text, or a wrap.
    int x = 0, end = start, next = start;
    bool paragraphEnd = false, stop = false;
    for (int i = start;; ++i) {
      if (i >= n) {
        end = next = n;
        paragraphEnd = true;
        break;
      }
      if (In.Text[i] == '\n') {
        end = i;
        next = i + 1;
        paragraphEnd = true;
        break;
      }
      const int w = m[static_cast<size_t>(i)].W;
      if (x + w + 2 >= Wp) {
        int brk = i;
        for (int j = i - 1; j > start; --j)
          if (In.Text[j] == ' ') {
            brk = j + 1;
            break;
          }
        if (brk == start) stop = true;  // the line's first character alone does not fit
        end = next = brk;
        break;
      }
      x += w;
    }
    if (stop) break;
    int h = 0, l = 0, d = 0;
    for (int i = start; i < std::max(end, std::min(start + 1, n)); ++i) {
      h = std::max(h, m[static_cast<size_t>(i)].H);
      l = std::max(l, m[static_cast<size_t>(i)].Leading);
      d = std::max(d, m[static_cast<size_t>(i)].Descent);
    }
    // Alignment from the line's last character.
    int offset = 0;
    double f = 1.0;
    const int last = std::max(0, next - 1);
    const int align = In.SingleFont ? In.Default.Align : fmtOf(last).Align;
    int j = end - 1;
    if (j >= start && In.Text[j] == ' ') --j;
    int natural = 0;
    for (int i = start; i <= j; ++i) natural += m[static_cast<size_t>(i)].W;
    if (align == 1)
      offset = Wp - natural - 1;
    else if (align == 2)
      offset = (Wp - natural) / 2;
    else if (align == 3 && !paragraphEnd && natural + 1 > 0)
      f = static_cast<double>(Wp) / (natural + 1);
    const int gyText = T + t + h - l;
    if (Y + gyText + d >= Y + T + Hp) break;  // the line does not fit: the text ends here
    double acc = offset;
    for (int i = start; i < end; ++i) {
      const int xi = VectDrawTrunc(acc * f);
      const int w = m[static_cast<size_t>(i)].W;
      const TIECharFormat& cf = fmtOf(i);
      const unsigned char ch = static_cast<unsigned char>(In.Text[i]);
      if (ch >= 32 && ch != 127 && L + xi + w < L + Wp + 1) {
        applyFont(cf, Z);
        C->Brush()->SetColor(cf.BackColor);
        C->Brush()->SetStyle(static_cast<TBrushStyle>(std::min<int>(cf.BrushStyle, bsDiagCross)));
        const int gx = X + VectDrawTrunc((L + xi) * Z), gy = Y + VectDrawTrunc(gyText * Z);
        C->TextOut(gx, gy, std::string(1, static_cast<char>(ch)));
        // In a stretched line the gap up to the next character takes the character's background.
        const int nextX = VectDrawTrunc((acc + w) * f);
        if (f != 1.0 && nextX > xi + w && cf.BrushStyle == bsSolid) {
          const int gx2 = X + VectDrawTrunc((L + nextX) * Z);
          const int top = Y + VectDrawTrunc((T + t) * Z), bottom = Y + VectDrawTrunc((T + t + h) * Z);
          C->FillRect(RECT{X + VectDrawTrunc((L + xi + w) * Z), top, gx2, bottom});
        }
      }
      acc += w;
    }
    t += h + In.LineSpacing;
    start = next;
  }
  SetTextAlign(C->Handle(), oldAlign);
}

}  // namespace

// ---------------------------------------------------------------- geometry

void TImageryVect::ObjectZoom(bool ClientMode, double K, double& ZX, double& ZY) {
  ZX = (ClientMode ? ZoomX() / 100.0 : 1.0) * K;
  ZY = (ClientMode ? ZoomY() / 100.0 : 1.0) * K;
}

int TImageryVect::MapX(int x, bool ClientMode, double K) {
  return VectDrawTrunc(K * (ClientMode ? BitmapToScreenX(x) : x));
}

int TImageryVect::MapY(int y, bool ClientMode, double K) {
  return VectDrawTrunc(K * (ClientMode ? BitmapToScreenY(y) : y));
}

int TImageryVect::DrawnPenWidth(int PenWidth, double ZX, double ZY) {
  if (!ZoomObjectsWidth()) return PenWidth;
  return static_cast<int>(std::ceil(std::max(std::min(ZX, ZY) * PenWidth, 1.0)));
}

// ---------------------------------------------------------------- arrow heads

void TImageryVect::DrawArrowHead(TIECanvas* C, TIEVObject* O, int Style, int TipX, int TipY, int FromX, int FromY,
                                 double ZX, double ZY) {
  if (Style != 1 && Style != 2) return;
  const double w = O->ShapeWidth * ZX, l = O->ShapeLength * ZY;
  const double len = std::hypot(double(FromX) - TipX, double(FromY) - TipY);
  double ex = 0, ey = 0;  // unit vector from the tip towards the other end
  if (len > 0) {
    ex = (FromX - TipX) / len;
    ey = (FromY - TipY) / len;
  } else {
    ey = 1;
  }
  const double nx = -ey, ny = ex;  // unit normal
  const double bx = TipX + ex * l, by = TipY + ey * l;
  POINT p[3];
  if (Style == 1) {
    p[0] = POINT{VectDrawTrunc(TipX + nx * w / 2), VectDrawTrunc(TipY + ny * w / 2)};
    p[1] = POINT{VectDrawTrunc(TipX - nx * w / 2), VectDrawTrunc(TipY - ny * w / 2)};
    p[2] = POINT{VectDrawTrunc(bx), VectDrawTrunc(by)};
  } else {
    p[0] = POINT{VectDrawTrunc(bx + nx * w / 2), VectDrawTrunc(by + ny * w / 2)};
    p[1] = POINT{VectDrawTrunc(bx - nx * w / 2), VectDrawTrunc(by - ny * w / 2)};
    p[2] = POINT{TipX, TipY};
  }
  C->Polygon(p, 2);
  for (const POINT& q : p) VectDrawGrow(O->DrawnBounds, q.x, q.y);
}

// ---------------------------------------------------------------- labels and texts

void TImageryVect::DrawLineLabel(TIECanvas* IC, TIEVObject* O, int x1, int y1, int x2, int y2, double ZX, double ZY,
                                 bool ClientMode, double K) {
  (void)ZX;
  if (O->Text.empty()) return;
  TCanvas* C = IC->Canvas();
  const std::string& text = O->Text;
  const bool atEnd = O->LabelPosition == 1;
  const int ax = atEnd ? x2 : x1, ay = atEnd ? y2 : y1, fx = atEnd ? x1 : x2, fy = atEnd ? y1 : y2;
  VectDrawSelectFont(C, O->Font.get(), O->FontQuality, ZY, O->PenColor);
  const int W = C->TextWidth(text), H = C->TextHeight(text);
  const double r = (O->Font != nullptr ? O->Font->lfEscapement : 0) / 10.0 * std::numbers::pi / 180;
  RECT box{ax, ay, ax + W, ay + H};
  if (ax < fx) box.left = ax - W, box.right = ax;
  if (ay < fy) box.top = ay - H, box.bottom = ay;
  int xo = 0;
  switch (O->TextAlign) {
    case 0: xo = std::abs(VectDrawTrunc(H * std::sin(r))); break;
    case 1: xo = VectDrawTrunc(W - W * std::cos(r)); break;
    default: xo = VectDrawTrunc((W - W * std::cos(r)) - H * std::sin(r)) / 2; break;
  }
  const int yo = VectDrawTrunc((H - H * std::cos(r)) + W * std::sin(r)) / 2;
  IC->Brush()->SetColor(O->LabelBrushColor);
  IC->Brush()->SetStyle(static_cast<TBrushStyle>(O->LabelBrushStyle));
  IC->Pen()->SetStyle(O->LabelBorder == 0 ? psClear : psSolid);
  IC->Pen()->SetColor(O->PenColor);
  if (O->LabelBorder == 2)
    IC->RoundRect(box.left, box.top, box.right, box.bottom, 10, 10);
  else if (O->LabelBorder == 3)
    IC->Ellipse(box.left, box.top - H, box.right, box.bottom + H);
  else
    IC->Rectangle(box.left, box.top, box.right, box.bottom);
  C->Brush()->SetStyle(bsClear);
  C->TextRect(box, box.left + xo, box.top + yo, text);
  VectDrawGrow(O->DrawnBounds, box.left, box.top - (O->LabelBorder == 3 ? H : 0));
  VectDrawGrow(O->DrawnBounds, box.right, box.bottom + (O->LabelBorder == 3 ? H : 0));
  // The label's box back in image coordinates, for hit testing.
  auto back = [&](int v, bool vertical) {
    const double u = v / K;
    if (!ClientMode) return static_cast<int32_t>(u);
    return static_cast<int32_t>(vertical ? ScreenToBitmapY(static_cast<int>(u)) : ScreenToBitmapX(static_cast<int>(u)));
  };
  O->LabelRect = TIERect{back(box.left, false), back(box.top, true), back(box.right, false), back(box.bottom, true)};
}

void TImageryVect::DrawTextObject(TIECanvas* IC, TIEVObject* O, int x1, int y1, int x2, int y2, double ZX, double ZY) {
  if (O->Text.empty()) return;
  TCanvas* C = IC->Canvas();
  const std::string& text = O->Text;
  VectDrawSelectFont(C, O->Font.get(), O->FontQuality, ZY, O->PenColor, y2 - y1);
  if (O->CurvePoints.empty()) {
    const double r = (O->Font != nullptr ? O->Font->lfEscapement : 0) / 10.0 * std::numbers::pi / 180;
    const int W = C->TextWidth(text), H = C->TextHeight(text);
    const int bw = x2 - x1, bh = y2 - y1;
    const int inset = O->PenStyle == psClear ? 0 : static_cast<int>(std::nearbyint(ZX * (O->PenWidth + 1)));
    int xo = 0;
    switch (O->TextAlign) {
      case 0: xo = std::abs(VectDrawTrunc(H * std::sin(r))) + inset; break;
      case 1: xo = VectDrawTrunc(bw - W * std::cos(r)) - inset; break;
      default: xo = VectDrawTrunc(bw - W * std::cos(r) - H * std::sin(r)) / 2; break;
    }
    const int yo = VectDrawTrunc(bh - H * std::cos(r) + W * std::sin(r)) / 2;
    IC->Rectangle(x1, y1, x2 + 1, y2 + 1);
    C->Brush()->SetStyle(bsClear);
    C->TextRect(RECT{x1, y1, x2 + 1, y2 + 1}, x1 + xo, y1 + yo, text);
    return;
  }
  // Text along a curve: one character every L / count units of the curve's length.
  const int bw = x2 - x1, bh = y2 - y1;
  std::vector<double> px, py;
  for (const TIEDPoint& c : O->CurvePoints) {
    px.push_back(c.X * bw);
    py.push_back(c.Y * bh);
  }
  double total = 0;
  for (size_t i = 1; i < px.size(); ++i) total += std::hypot(px[i] - px[i - 1], py[i] - py[i - 1]);
  const int count = static_cast<int>(text.size());
  const int s = VectDrawTrunc(total / count);
  const UINT oldAlign = GetTextAlign(C->Handle());
  SetTextAlign(C->Handle(), TA_BASELINE | TA_CENTER);
  // The point at a distance along the curve, and the direction of its segment.
  auto at = [&](double dist, double& x, double& y, double& dx, double& dy) {
    for (size_t i = 1; i < px.size(); ++i) {
      const double sl = std::hypot(px[i] - px[i - 1], py[i] - py[i - 1]);
      if (dist <= sl || i + 1 == px.size()) {
        const double u = sl > 0 ? std::min(dist / sl, 1.0) : 0;
        x = px[i - 1] + (px[i] - px[i - 1]) * u;
        y = py[i - 1] + (py[i] - py[i - 1]) * u;
        dx = px[i] - px[i - 1];
        dy = py[i] - py[i - 1];
        return;
      }
      dist -= sl;
    }
    x = px.empty() ? 0 : px[0];
    y = py.empty() ? 0 : py[0];
    dx = 1;
    dy = 0;
  };
  int escapement = C->Font()->Orientation();
  for (int k = 0; k < count; ++k) {
    double x, y, dx, dy, nx, ny, ndx, ndy;
    at(static_cast<double>(k) * s, x, y, dx, dy);
    at(static_cast<double>(k) * s + s, nx, ny, ndx, ndy);
    int angle = O->CharAngle;
    if (angle == -10) {
      const double ddx = nx - x, ddy = ny - y;
      if (std::abs(ddx) < 0.01)
        angle = ddy < 0 ? 900 : 2700;
      else
        angle = static_cast<int>(std::nearbyint(std::atan2(-ddy, ddx) * 1800 / std::numbers::pi));
      if (angle < 0) angle += 3600;
    }
    if (angle != escapement) {
      LOGFONTA lf = C->Font()->LogFont();
      lf.lfEscapement = lf.lfOrientation = angle;
      const TColor col = C->Font()->Color();
      C->Font()->SetLogFont(lf);
      C->Font()->SetColor(col);
      escapement = angle;
    }
    const int gx = x1 + VectDrawTrunc(x), gy = y1 + VectDrawTrunc(y);
    C->TextOut(gx, gy, std::string(1, text[static_cast<size_t>(k)]));
    const int ext = std::max(C->TextHeight("X"), C->TextWidth(std::string(1, text[static_cast<size_t>(k)])));
    VectDrawGrow(O->DrawnBounds, gx - ext, gy - ext);
    VectDrawGrow(O->DrawnBounds, gx + ext, gy + ext);
  }
  SetTextAlign(C->Handle(), oldAlign);
}

void TImageryVect::DrawMemoObject(TIECanvas* IC, TIEVObject* O, int x1, int y1, int x2, int y2, double ZX, double ZY) {
  (void)x2;
  (void)y2;
  TVectMemoInput in;
  in.Text = O->Text.c_str();
  in.Length = static_cast<int>(O->Text.size());
  // Character formats only count when there is one per character.
  if (O->MemoCharFormat.size() >= O->Text.size()) in.CharFormat = O->MemoCharFormat.data();
  in.Formats = &O->MemoFormats;
  if (O->Font != nullptr) {
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, O->Font->lfFaceName, LF_FACESIZE);
    in.Default.Name = face;
    in.Default.Height = O->Font->lfHeight;
    in.Default.Style = static_cast<uint8_t>((O->Font->lfWeight >= 700 ? 1 : 0) | (O->Font->lfItalic ? 2 : 0) |
                                            (O->Font->lfUnderline ? 4 : 0) | (O->Font->lfStrikeOut ? 8 : 0));
  }
  in.Default.Color = O->PenColor;
  in.Default.BackColor = O->BrushColor;
  in.Default.BrushStyle = O->MemoTextBrushStyle;
  in.Default.Align = O->TextAlign;
  in.BackColor = O->BrushColor;
  in.BackStyle = static_cast<TBrushStyle>(O->BrushStyle);
  in.BorderColor = O->MemoBorderColor;
  in.BorderStyle = static_cast<TPenStyle>(O->MemoBorderStyle);
  in.SingleFont = O->MemoFixedFont;
  in.LineSpacing = O->MemoLineSpacing;
  in.FixedCharHeight = O->MemoLineHeight;
  in.Zoom = std::min(ZX, ZY);
  for (int i = 0; i < 4; ++i) in.Margins[i] = O->MemoMargins[i];
  VectDrawMemo(IC, in, x1, y1, std::abs(O->X2 - O->X1) + 1, std::abs(O->Y2 - O->Y1) + 1);
}

void TImageryVect::DrawBitmapObject(TIECanvas* IC, TIEVObject* O, TIEBitmap* Target, int x1, int y1, int x2, int y2,
                                    int PenW) {
  TIEBitmap* bmp = O->BitmapSlot >= 0 ? GetSlotBitmap(O->BitmapSlot) : nullptr;
  if (bmp == nullptr) {
    // No picture: the box crossed by its diagonals.
    IC->Line(x1, y1, x2, y2);
    IC->Line(x2, y1, x1, y2);
    IC->Rectangle(x1, y1, x2 + 1, y2 + 1);
    return;
  }
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (O->BitmapBorder && PenW > 0) {
    TCanvas* C = IC->Canvas();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(O->PenColor);
    C->FillRect(RECT{x1, y1, x2 + 1, y1 + PenW});
    C->FillRect(RECT{x1, y2 + 1 - PenW, x2 + 1, y2 + 1});
    C->FillRect(RECT{x1, y1, x1 + PenW, y2 + 1});
    C->FillRect(RECT{x2 + 1 - PenW, y1, x2 + 1, y2 + 1});
    x1 += PenW;
    y1 += PenW;
    x2 -= PenW;
    y2 -= PenW;
  }
  if (Target == nullptr || x2 < x1 || y2 < y1) return;
  const TResampleFilter filter = FDragging || FFastMode ? rfNone : BitmapResampleFilter();
  bmp->DrawToBitmapEx(Target, nullptr, nullptr, x1, y1, x2 - x1 + 1, y2 - y1 + 1, 0, 0, bmp->Width(), bmp->Height(),
                      true, false, O->Transparency, filter, 0);
}

// ---------------------------------------------------------------- one object

bool TImageryVect::DrawObject(TIEVObject& Obj, int hobj, bool AlphaPass, int Factor, TIEBitmap* Target, bool ClientMode,
                              bool Clip, TBitmap* Dest) {
  TIEVObject* O = &Obj;
  const double K = Factor;
  if (DrawingSuspended || Dest == nullptr) return false;
  double zx, zy;
  ObjectZoom(ClientMode, K, zx, zy);
  if (O->Highlight) O->PenWidth = 1;
  int x1 = MapX(O->X1, ClientMode, K), y1 = MapY(O->Y1, ClientMode, K);
  int x2 = MapX(O->X2, ClientMode, K), y2 = MapY(O->Y2, ClientMode, K);
  const int penW = DrawnPenWidth(O->PenWidth, zx, zy);
  if (O->Kind == iekBITMAP && (zx != 1 || zy != 1)) {
    x2 = MapX(O->X2 + 1, ClientMode, K) - 1;
    y2 = MapY(O->Y2 + 1, ClientMode, K) - 1;
  }
  TIECanvas ic(Dest->Canvas(), true, ObjAntialias() && !FFastMode);
  ic.Pen()->SetStyle(static_cast<TPenStyle>(O->PenStyle));
  ic.Pen()->SetWidth(static_cast<float>(penW));
  ic.Pen()->SetMode(pmCopy);
  ic.Pen()->SetColor(O->PenColor);
  ic.Pen()->SetTransparency(O->Transparency);
  ic.Brush()->SetTransparency(O->Transparency);
  O->DrawnBounds = TIERect{2000000000, 2000000000, -2000000000, -2000000000};
  O->DrawnMargin = penW;
  if (!(O->Style & 8)) return false;
  if (Clip && ClientMode) {
    const int vx1 = std::min(x1, x2), vx2 = std::max(x1, x2), vy1 = std::min(y1, y2), vy2 = std::max(y1, y2);
    const int cw = VectDrawTrunc(ClientWidth() * K), ch = VectDrawTrunc(ClientHeight() * K);
    const int m = penW + VectDrawTrunc((O->ShapeWidth + O->ShapeLength) * std::max(zx, zy));
    if (vx2 + m < 0 || vy2 + m < 0 || vx1 - m > cw || vy1 - m > ch) {
      if (O->Kind != iekANGLE && O->Kind != iekLINELABEL) return false;
    }
  }
  const RECT drect{x1, y1, x2, y2};
  bool handled = false;
  if (OnBeforeDrawObject) OnBeforeDrawObject(this, hobj, Dest, drect, AlphaPass, handled);
  VectDrawGrow(O->DrawnBounds, x1, y1);
  VectDrawGrow(O->DrawnBounds, x2, y2);
  if (!handled) {
    auto setBrush = [&]() {
      ic.Brush()->SetColor(O->BrushColor);
      ic.Brush()->SetStyle(static_cast<TBrushStyle>(O->BrushStyle));
    };
    switch (O->Kind) {
      case iekLINE:
      case iekLINELABEL: {
        setBrush();
        if (penW > 1 && !ic.UsesGdiPlus()) {
          LOGBRUSH lb{BS_SOLID, static_cast<COLORREF>(ColorToRGB(O->PenColor)), 0};
          HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_ROUND | PS_JOIN_ROUND, static_cast<DWORD>(penW), &lb, 0,
                                  nullptr);
          HGDIOBJ old = ::SelectObject(Dest->Canvas()->Handle(), pen);
          MoveToEx(Dest->Canvas()->Handle(), x1, y1, nullptr);
          LineTo(Dest->Canvas()->Handle(), x2, y2);
          ::SelectObject(Dest->Canvas()->Handle(), old);
          DeleteObject(pen);
        } else {
          ic.Line(x1, y1, x2, y2);
        }
        ic.Pen()->SetWidth(1);
        DrawArrowHead(&ic, O, O->BeginShape, x1, y1, x2, y2, zx, zy);
        DrawArrowHead(&ic, O, O->EndShape, x2, y2, x1, y1, zx, zy);
        ic.Pen()->SetWidth(static_cast<float>(penW));
        if (O->Kind == iekLINELABEL) DrawLineLabel(&ic, O, x1, y1, x2, y2, zx, zy, ClientMode, K);
        break;
      }
      case iekBOX: {
        setBrush();
        ic.Pen()->SetLineJoin(0);
        if (O->Highlight && AlphaPass) {
          // The alpha pass covers the whole box: the multiplied pixels replace the image's.
          ic.Canvas()->Brush()->SetStyle(bsSolid);
          ic.Canvas()->Brush()->SetColor(O->PenColor);
          ic.Canvas()->FillRect(RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1});
        } else if (O->Highlight) {
          TIEBitmap* t = Target;
          const COLORREF c = ColorToRGB(O->BrushColor);
          const uint8_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
          if (t != nullptr) {
            const int ax = std::max(std::min(x1, x2), 0), bx = std::min(std::max(x1, x2), t->Width() - 1);
            const int ay = std::max(std::min(y1, y2), 0), by = std::min(std::max(y1, y2), t->Height() - 1);
            for (int y = ay; y <= by; ++y) {
              uint8_t* row = t->Scanline(y);
              for (int x = ax; x <= bx; ++x) {
                if (t->PixelFormat() == ie24RGB) {
                  row[3 * x] &= b;
                  row[3 * x + 1] &= g;
                  row[3 * x + 2] &= r;
                } else if (t->PixelFormat() == ie8g || t->PixelFormat() == ie8p) {
                  row[x] = r;
                }
              }
            }
          }
        } else {
          ic.Rectangle(x1, y1, x2 + 1, y2 + 1);
        }
        break;
      }
      case iekELLIPSE:
        setBrush();
        ic.Ellipse(x1, y1, x2 + 1, y2 + 1);
        break;
      case iekARC: {
        setBrush();
        const double a = (x2 - x1) / 2.0, b = (y2 - y1) / 2.0;
        const int sx = x1 + VectDrawTrunc(a + a * std::cos(O->ArcStart)), sy = y1 + VectDrawTrunc(b + b * std::sin(O->ArcStart));
        const int ex = x1 + VectDrawTrunc(a + a * std::cos(O->ArcEnd)), ey = y1 + VectDrawTrunc(b + b * std::sin(O->ArcEnd));
        ic.Arc(x1, y1, x2 + 1, y2 + 1, sx, sy, ex, ey);
        break;
      }
      case iekBITMAP:
        setBrush();
        if (AlphaPass) {
          // The alpha pass fills the object's area with its grey level.
          ic.Canvas()->Brush()->SetStyle(bsSolid);
          ic.Canvas()->Brush()->SetColor(O->PenColor);
          ic.Canvas()->FillRect(RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1});
        } else {
          DrawBitmapObject(&ic, O, Target, x1, y1, x2, y2, penW);
        }
        break;
      case iekTEXT:
      case iekMEMO:
        ic.Pen()->SetLineJoin(0);
        setBrush();
        if (IsTextEditing() && TextEditIndex() == hobj) {
          // The in-place editor shows the text: only an outline one pixel outside the box.
          ic.Brush()->SetStyle(bsClear);
          ic.Rectangle(std::min(x1, x2) - 1, std::min(y1, y2) - 1, std::max(x1, x2) + 2, std::max(y1, y2) + 2);
          break;
        }
        if (O->Kind == iekTEXT) {
          DrawTextObject(&ic, O, x1, y1, x2, y2, zx, zy);
          break;
        }
        // A memo: its picture first when it has one (not in the alpha pass), then the text.
        if (O->MemoHasBitmap && !AlphaPass && Target != nullptr) {
          TIEBitmap* bmp = O->BitmapSlot >= 0 ? GetSlotBitmap(O->BitmapSlot) : nullptr;
          if (bmp != nullptr)
            bmp->DrawToBitmapEx(Target, nullptr, nullptr, std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) + 1,
                                std::abs(y2 - y1) + 1, 0, 0, bmp->Width(), bmp->Height(), true, false, 255, rfNone, 0);
        }
        DrawMemoObject(&ic, O, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), zx, zy);
        break;
      case iekRULER:
        DrawRuler(&ic, x1, y1, x2, y2, O->Font.get(), O->DrawnBounds, zx, zy, O->RulerType, O->PenWidth, O->PenColor,
                  O->RulerUnit, GetObjectLength(hobj));
        break;
      case iekANGLE:
        DrawAngle(&ic, O->AnglePoints, O->Font.get(), O->DrawnBounds, zx, zy, Factor, ClientMode, O->PenWidth, O->PenColor);
        break;
      case iekPOLYLINE: {
        setBrush();
        ic.Pen()->SetLineJoin(2);
        const TIERect pb = O->PointsBounds;
        if (!O->Points.empty() && pb.Right > pb.Left - 1 && pb.Bottom > pb.Top - 1) {
          const double sx = pb.Right != pb.Left ? double(O->X2 - O->X1) / (pb.Right - pb.Left) : 1.0;
          const double sy = pb.Bottom != pb.Top ? double(O->Y2 - O->Y1) / (pb.Bottom - pb.Top) : 1.0;
          std::vector<POINT> pts(O->Points.size());
          O->DrawnPoints.resize(O->Points.size());
          for (size_t i = 0; i < O->Points.size(); ++i) {
            const int ix = O->X1 + static_cast<int>(std::nearbyint((O->Points[i].X - pb.Left) * sx));
            const int iy = O->Y1 + static_cast<int>(std::nearbyint((O->Points[i].Y - pb.Top) * sy));
            pts[i] = POINT{MapX(ix, ClientMode, K), MapY(iy, ClientMode, K)};
            VectDrawGrow(O->DrawnBounds, pts[i].x, pts[i].y);
          }
          if (O->Closed)
            ic.Polygon(pts.data(), static_cast<int>(pts.size()) - 1);
          else
            ic.Polyline(pts.data(), static_cast<int>(pts.size()) - 1);
          for (size_t i = 0; i < pts.size(); ++i)
            O->DrawnPoints[i] = TIEPoint{VectDrawTrunc(pts[i].x / K), VectDrawTrunc(pts[i].y / K)};
        }
        break;
      }
      case iekEXTENDED:
        setBrush();
        if (O->Extended) O->Extended->Draw(Target, TIERect{drect.left, drect.top, drect.right, drect.bottom}, zx, zy, AlphaPass);
        break;
      default:
        break;
    }
    ++FDrawnCount;
  }
  if (OnAfterDrawObject) OnAfterDrawObject(this, hobj, Dest, drect, AlphaPass, handled);
  VectDrawGrow(O->DrawnBounds, x1, y1);
  VectDrawGrow(O->DrawnBounds, x2, y2);
  return true;
}

// ---------------------------------------------------------------- compositing

void TImageryVect::PrepareWorkBitmap(int W, int H) {
  if (!FWorkBitmap) FWorkBitmap = std::make_unique<TIEBitmap>();
  if (FWorkBitmap->Width() != W || FWorkBitmap->Height() != H || FWorkBitmap->Location() != ieTBitmap) {
    FWorkBitmap->SetLocation(ieTBitmap);
    FWorkBitmap->Allocate(W, H, ie24RGB);
  }
  if (!FWorkAlpha) FWorkAlpha = std::make_unique<TIEBitmap>();
  if (FWorkAlpha->Width() != W || FWorkAlpha->Height() != H || FWorkAlpha->Location() != ieTBitmap) {
    FWorkAlpha->SetLocation(ieTBitmap);
    FWorkAlpha->Allocate(W, H, ie8g);
    IESetGrayPalette(FWorkAlpha->GetTBitmap());
  }
}

void TImageryVect::CompositeObject(TIEVObject* O, int hobj, TIEBitmap* Image, bool ClientMode, double K, bool Antialias) {
  const int W = Image->Width(), H = Image->Height();
  const int WW = VectDrawTrunc(W * K), WH = VectDrawTrunc(H * K);
  PrepareWorkBitmap(WW, WH);
  TIEBitmap* work = FWorkBitmap.get();
  if (K == 1 || Antialias) work->Fill(O->PenColor);
  if (O->Highlight && K == 1) {
    int ax = std::min(O->X1, O->X2), ay = std::min(O->Y1, O->Y2), bx = std::max(O->X1, O->X2), by = std::max(O->Y1, O->Y2);
    ax = MapX(ax, ClientMode, 1);
    ay = MapY(ay, ClientMode, 1);
    bx = MapX(bx, ClientMode, 1);
    by = MapY(by, ClientMode, 1);
    ax = std::clamp(ax, 0, W - 1);
    bx = std::clamp(bx, 0, W - 1);
    ay = std::clamp(ay, 0, H - 1);
    by = std::clamp(by, 0, H - 1);
    if (bx >= ax && by >= ay) Image->CopyRectTo(work, ax, ay, ax, ay, bx - ax + 1, by - ay + 1);
  }
  if (!DrawObject(*O, hobj, false, static_cast<int>(K), work, ClientMode, ClientMode, work->GetTBitmap())) return;
  // The alpha pass: the object drawn again in the grey level of its transparency.
  TIEBitmap* alpha = FWorkAlpha.get();
  alpha->Fill(0);
  const TColor pc = O->PenColor, bc = O->BrushColor, lc = O->LabelBrushColor, mc = O->MemoBorderColor;
  const TColor grey = static_cast<TColor>(O->Transparency * 0x010101);
  O->PenColor = O->BrushColor = O->LabelBrushColor = O->MemoBorderColor = grey;
  const TIERect bounds = O->DrawnBounds;
  const int margin = O->DrawnMargin;
  const int savedTransparency = O->Transparency;
  O->Transparency = 255;
  DrawObject(*O, hobj, true, static_cast<int>(K), nullptr, ClientMode, ClientMode, alpha->GetTBitmap());
  O->Transparency = savedTransparency;
  O->PenColor = pc;
  O->BrushColor = bc;
  O->LabelBrushColor = lc;
  O->MemoBorderColor = mc;
  O->DrawnBounds = bounds;
  O->DrawnMargin = margin;
  if (O->Kind == iekBITMAP && O->BitmapSlot >= 0 && GetSlotBitmap(O->BitmapSlot) != nullptr) {
    // The picture's own alpha reaches the alpha channel: draw it once more, through its alpha,
    // into the alpha bitmap's grey levels (the frame keeps the level drawn above).
    TIEBitmap* bmp = GetSlotBitmap(O->BitmapSlot);
    if (bmp->HasAlphaChannel()) {
      int x1 = std::min(MapX(O->X1, ClientMode, K), MapX(O->X2, ClientMode, K));
      int y1 = std::min(MapY(O->Y1, ClientMode, K), MapY(O->Y2, ClientMode, K));
      int x2 = std::max(MapX(O->X1, ClientMode, K), MapX(O->X2, ClientMode, K));
      int y2 = std::max(MapY(O->Y1, ClientMode, K), MapY(O->Y2, ClientMode, K));
      if (O->BitmapBorder) {
        x1 += O->DrawnMargin;
        y1 += O->DrawnMargin;
        x2 -= O->DrawnMargin;
        y2 -= O->DrawnMargin;
      }
      TIEBitmap* src = bmp->GetAlphaChannel();
      const int dw = x2 - x1 + 1, dh = y2 - y1 + 1;
      for (int y = std::max(y1, 0); y <= std::min(y2, WH - 1) && dw > 0 && dh > 0; ++y) {
        uint8_t* row = alpha->Scanline(y);
        const int sy = std::min(bmp->Height() - 1, static_cast<int>((int64_t(y - y1) * bmp->Height()) / dh));
        const uint8_t* srow = src->Scanline(sy);
        for (int x = std::max(x1, 0); x <= std::min(x2, WW - 1); ++x) {
          const int sx = std::min(bmp->Width() - 1, static_cast<int>((int64_t(x - x1) * bmp->Width()) / dw));
          row[x] = static_cast<uint8_t>(row[x] * srow[sx] / 255);
        }
      }
    }
  }
  // The affected rectangle.
  int rx1 = bounds.Left - margin, ry1 = bounds.Top - margin, rx2 = bounds.Right + margin, ry2 = bounds.Bottom + margin;
  if (K != 1) {
    rx1 += 2;
    ry1 += 2;
    rx2 -= 2;
    ry2 -= 2;
  }
  rx1 = std::clamp(rx1, 0, WW - 1);
  ry1 = std::clamp(ry1, 0, WH - 1);
  rx2 = std::clamp(rx2, 0, WW - 1);
  ry2 = std::clamp(ry2, 0, WH - 1);
  if (rx2 < rx1 || ry2 < ry1) return;
  // The alpha bitmap becomes the work bitmap's alpha channel for the render.
  const bool fresh = !work->HasAlphaChannel();
  TIEBitmap* ch = work->GetAlphaChannel();
  if (fresh) ch->Fill(0);
  alpha->CopyRectTo(ch, rx1, ry1, rx1, ry1, rx2 - rx1 + 1, ry2 - ry1 + 1);
  ch->Full = false;
  if (O->SoftShadow.Enabled) {
    const TIEVSoftShadow* s = &O->SoftShadow;
    const int32_t colour = (s->ShadowColor.r << 16) | (s->ShadowColor.g << 8) | s->ShadowColor.b;
    const int reach = IEAddSoftShadowRect(work, rx1, ry1, rx2, ry2, s->Radius, s->OffsetX, s->OffsetY, s->Intensity, colour);
    rx2 = std::min(rx2 + 2 * reach, WW - 1);
    ry2 = std::min(ry2 + 2 * reach, WH - 1);
    rx1 = std::max(rx1 - reach, 0);
    ry1 = std::max(ry1 - reach, 0);
  }
  const int dx1 = VectDrawTrunc(rx1 / K), dy1 = VectDrawTrunc(ry1 / K);
  const int dx2 = VectDrawTrunc(rx2 / K), dy2 = VectDrawTrunc(ry2 / K);
  work->DrawToBitmapEx(Image, nullptr, nullptr, dx1, dy1, dx2 - dx1 + 1, dy2 - dy1 + 1, rx1, ry1, rx2 - rx1 + 1,
                       ry2 - ry1 + 1, true, false, 255, K != 1 ? rfFastLinear : rfNone, 0);
  // Clear the part of the alpha channel used, so that the next object starts transparent.
  ch->FillRect(rx1, ry1, rx2, ry2, 0);
}

void TImageryVect::DrawObjectsToBitmap(TIEBitmap* Image, bool ImageMode, int hobj, bool Antialias, TBitmap* Dest) {
  if (DrawingSuspended || Image == nullptr || Dest == nullptr) return;
  const bool clientMode = !ImageMode;
  const bool supersample = FDrawAntialiased && !IEGdiPlusUsable() && ObjectsCount() > 0 && !FFastMode;
  const double K = supersample && Antialias ? 2.0 : 1.0;
  auto one = [&](int h) {
    if (DrawingSuspended) return;
    TIEVObject* o = GetObjectRecord(h);
    if (o == nullptr) return;
    const bool shadow = o->SoftShadow.Enabled;
    const bool direct = FFastMode || (!supersample && !shadow && !o->Highlight &&
                                       (o->Transparency > 254 || (o->Kind != iekTEXT && o->Kind != iekMEMO)));
    if (direct)
      DrawObject(*o, h, false, 1, Image, clientMode, clientMode, Dest);
    else
      // A highlight multiplies the image's own pixels, which only exist at full size.
      CompositeObject(o, h, Image, clientMode, o->Highlight ? 1.0 : K, Antialias);
  };
  if (hobj != -3) {
    one(hobj == -2 ? ObjectsCount() - 1 : hobj);
    return;
  }
  for (int i = 0; i < ObjectsCount(); ++i) one(GetObjectAtDrawingOrder(i));
}

bool TImageryVect::CopyObjectsToBitmap(TIEBitmap* Bitmap, bool Antialias, int hobj) {
  if (Bitmap == nullptr || Bitmap->IsEmpty()) return false;
  const bool savedSuper = FDrawAntialiased, savedFast = FFastMode;
  if (Antialias) FDrawAntialiased = true;
  FFastMode = false;
  if (Bitmap->PixelFormat() == ie24RGB && Bitmap->Location() == ieTBitmap) {
    DrawObjectsToBitmap(Bitmap, true, hobj, Antialias, Bitmap->GetTBitmap());
  } else {
    TIEBitmap work;
    work.Assign(Bitmap);
    work.RemoveAlphaChannel(false);
    if (work.PixelFormat() != ie24RGB) work.SetPixelFormat(ie24RGB);
    work.SetLocation(ieTBitmap);
    DrawObjectsToBitmap(&work, true, hobj, Antialias, work.GetTBitmap());
    const TIEPixelFormat pf = Bitmap->PixelFormat();
    TIEBitmap* alpha = Bitmap->HasAlphaChannel() ? Bitmap->DetachAlphaChannel() : nullptr;
    if (pf != ie24RGB) work.SetPixelFormat(pf);
    work.SetLocation(ieMemory);
    Bitmap->CopyImageFrom(&work);
    if (alpha != nullptr) Bitmap->AttachAlphaChannel(alpha);
  }
  FDrawAntialiased = savedSuper;
  FFastMode = savedFast;
  return true;
}

void TImageryVect::CopyObjectsToImage(bool Antialias) {
  CopyObjectsToBitmap(GetIEBitmap(), Antialias, -3);
  Update();
  ImageChange();
}

void TImageryVect::SetDrawAntialiased(bool Value) {
  FDrawAntialiased = Value;
  Update();
}

// ---------------------------------------------------------------- grips

void TImageryVect::DrawGrip(int x, int y, int Type) {
  TCanvas* C = FGripCanvas != nullptr ? FGripCanvas : Canvas();
  TPicture* pic = ObjGripImage();
  if (pic != nullptr && pic->Graphic() != nullptr && !pic->Graphic()->Empty()) {
    C->Draw(x - pic->Width() / 2, y - pic->Height() / 2, pic->Graphic());
    return;
  }
  TIECanvas ic(C);
  ic.Pen()->SetColor(GripPen()->Color());
  ic.Pen()->SetStyle(GripPen()->Style());
  ic.Pen()->SetMode(GripPen()->Mode());
  ic.Pen()->SetWidth(static_cast<float>(Type == 1 ? 1 : GripPen()->Width()));
  ic.Pen()->SetTransparency(180);
  ic.Brush()->SetColor(GripBrush()->Color());
  ic.Brush()->SetStyle(GripBrush()->Style());
  ic.Brush()->SetTransparency(180);
  const int s = GripSize;
  if (Type == 1) {
    const POINT d[4] = {{x, y - s}, {x + s, y}, {x, y + s}, {x - s, y}};
    ic.Polygon(d, 3);
  } else if (GripShape == 0) {
    ic.Rectangle(x - s, y - s, x + s, y + s);
  } else {
    ic.Ellipse(x - s, y - s, x + s, y + s);
  }
}

void TImageryVect::DrawObjectGrips(TIEVObject& Obj) {
  TIEVObject* O = &Obj;
  if (!(O->Style & 1)) return;
  auto sx = [&](int x) { return BitmapToScreenX(x); };
  auto sy = [&](int y) { return BitmapToScreenY(y); };
  const int bx1 = std::min(sx(O->X1), sx(O->X2)), bx2 = std::max(sx(O->X1), sx(O->X2));
  const int by1 = std::min(sy(O->Y1), sy(O->Y2)), by2 = std::max(sy(O->Y1), sy(O->Y2));
  if (bx2 + GripSize < 0 || by2 + GripSize < 0 || bx1 - GripSize > ClientWidth() || by1 - GripSize > ClientHeight())
    return;
  if (O->Kind == iekANGLE) {
    for (const TIEPoint& p : O->AnglePoints)
      if (p.X != kVectDrawNoPoint) DrawGrip(sx(p.X), sy(p.Y), 0);
  } else {
    DrawGrip(sx(O->X1), sy(O->Y1), 0);
    DrawGrip(sx(O->X2), sy(O->Y2), 0);
    if (O->Kind != iekLINE && O->Kind != iekRULER && O->Kind != iekLINELABEL) {
      const int mx = (sx(O->X1) + sx(O->X2)) / 2, my = (sy(O->Y1) + sy(O->Y2)) / 2;
      DrawGrip(sx(O->X2), sy(O->Y1), 0);
      DrawGrip(sx(O->X1), sy(O->Y2), 0);
      DrawGrip(sx(O->X1), my, 0);
      DrawGrip(sx(O->X2), my, 0);
      DrawGrip(mx, sy(O->Y1), 0);
      DrawGrip(mx, sy(O->Y2), 0);
    }
  }
  if (CenterGripMove) DrawGrip((bx1 + bx2) / 2, (by1 + by2) / 2, 1);
}

void TImageryVect::DrawSelectionGrips() {
  for (int i = 0; i < SelectedObjectsCount(); ++i) {
    TIEVObject* o = GetObjectRecord(GetSelectedObject(i));
    if (o != nullptr) DrawObjectGrips(*o);
  }
}

void TImageryVect::DrawVertexMarks() {
  TCanvas* C = FGripCanvas != nullptr ? FGripCanvas : Canvas();
  if (SelectedObjectsCount() != 1) return;
  TIEVObject* o = GetObjectRecord(GetSelectedObject(0));
  if (o == nullptr || o->Kind != iekPOLYLINE) return;
  TIECanvas ic(C);
  ic.Pen()->SetColor(0);
  ic.Brush()->SetColor(0x0000FF);
  ic.Brush()->SetStyle(bsSolid);
  for (const TIEPoint& p : o->DrawnPoints) ic.Ellipse(p.X - 3, p.Y - 3, p.X + 4, p.Y + 4);
}

// ---------------------------------------------------------------- rubber bands and previews

void TImageryVect::DrawRubberLine() {
  if (!HandleAllocated()) return;
  TCanvas* c = Canvas();
  c->Pen()->SetMode(pmNot);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  c->MoveTo(FRubberX1, FRubberY1);
  c->LineTo(FRubberX2, FRubberY2);
  c->Pen()->SetMode(pmCopy);
}

void TImageryVect::DrawRubberBox() {
  if (!HandleAllocated()) return;
  TCanvas* c = Canvas();
  c->Pen()->SetMode(pmNot);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  const int x1 = std::min(FRubberX1, FRubberX2), x2 = std::max(FRubberX1, FRubberX2);
  const int y1 = std::min(FRubberY1, FRubberY2), y2 = std::max(FRubberY1, FRubberY2);
  c->Polyline({POINT{x1, y1}, POINT{x2, y1}, POINT{x2, y2}, POINT{x1, y2}, POINT{x1, y1}});
  c->Pen()->SetMode(pmCopy);
}

void TImageryVect::DrawRubberEllipse() {
  if (!HandleAllocated()) return;
  TCanvas* c = Canvas();
  c->Pen()->SetMode(pmNot);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  c->Brush()->SetStyle(bsClear);
  const int x1 = std::min(FRubberX1, FRubberX2), x2 = std::max(FRubberX1, FRubberX2);
  const int y1 = std::min(FRubberY1, FRubberY2), y2 = std::max(FRubberY1, FRubberY2);
  c->Ellipse(x1, y1, x2 + 1, y2 + 1);
  c->Pen()->SetMode(pmCopy);
}

void TImageryVect::DrawNewLineObject() {
  if (!HandleAllocated()) return;
  TIEVObject* t = GetObjectRecord(-1);
  TIECanvas ic(Canvas(), false, false);
  TIERect b{0, 0, 0, 0};
  DrawRuler(&ic, FRubberX1, FRubberY1, FRubberX2, FRubberY2, t->Font.get(), b, ZoomX() / 100.0, ZoomY() / 100.0, t->RulerType,
            t->PenWidth, t->PenColor, t->RulerUnit, -1);
}

void TImageryVect::DrawNewThreePointObject() {
  if (!HandleAllocated() || FNewAngle < 0) return;
  TIEVObject* o = GetObjectRecord(FNewAngle);
  TIEPoint pts[3] = {o->AnglePoints[0], o->AnglePoints[1], o->AnglePoints[2]};
  for (TIEPoint& p : pts)
    if (p.X == kVectDrawNoPoint) {
      p = TIEPoint{ScreenToBitmapX(FRubberX2), ScreenToBitmapY(FRubberY2)};
      break;
    }
  TIECanvas ic(Canvas(), false, false);
  TIERect b{0, 0, 0, 0};
  DrawAngle(&ic, pts, o->Font.get(), b, ZoomX() / 100.0, ZoomY() / 100.0, 1, true, o->PenWidth, o->PenColor);
}

// ---------------------------------------------------------------- paint

void TImageryVect::Paint() {
  if (IEIsPrimaryButtonDown() && AllowFastPaint && !FFastTimerRunning && !FFastMode) {
    FFastMode = true;
    FFastTimerRunning = true;
    if (FFastPaintTimer != nullptr) FFastPaintTimer->SetEnabled(true);
  }
  TImageryView::Paint();
  if (FMeasureHintOn) ShowMeasureHint(-1000000, -1000000);
}

void TImageryVect::FastPaintTimerTick(TObject*) {
  if (IEIsPrimaryButtonDown()) return;
  FFastTimerRunning = false;
  if (FFastPaintTimer != nullptr) FFastPaintTimer->SetEnabled(false);
  FFastMode = false;
  Update();
}

void TImageryVect::PaintToBitmap(TIEBitmap* Dest, TIERenderTables* Rows, const TIERect* Clip, bool Background,
                                 bool Decorations) {
  TImageryView::PaintToBitmap(Dest, Rows, Clip, Background, Decorations);
  if (HideObjectsInPaint || ObjectsCount() == 0) return;
  TBitmap* tb = Dest->Location() == ieTBitmap ? Dest->GetTBitmap() : nullptr;
  if (tb == nullptr) return;
  FDrawnCount = 0;
  DrawObjectsToBitmap(Dest, false, -3, ObjAntialias(), tb);
  FGripCanvas = tb->Canvas();
  DrawSelectionGrips();
  if (MouseInteractVt().Contains(mivEditVertices)) DrawVertexMarks();
  FGripCanvas = nullptr;
}
