// Skin image composition (see kseffects.h). Every copy is a whole-rectangle blit between the
// bitmaps' memory DCs; only the last tile of a run is cut.
#include "skins/kseffects.h"

#include <algorithm>
#include <cstring>

#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"

// ---- Rectangle helpers ----
bool IsEmptyRect(const RECT& R) { return RectWidth(R) < 1 || RectHeight(R) < 1; }
bool IsNullPoint(POINT P) { return P.x == 0 || P.y == 0; }
bool PointInRect(const RECT& R, POINT P) {
  return P.x >= R.left && P.x <= R.right && P.y >= R.top && P.y <= R.bottom;
}
bool RectInRect(const RECT& R, const RECT& Region) {
  return PtInRect(&Region, POINT{R.left, R.top}) && PtInRect(&Region, POINT{R.right, R.bottom});
}

void TksSkinGeometry::Fit(int W, int H) {
  const int dW = W - SW(), dH = H - SH();
  NLT = LT;
  NRT = POINT{RT.x + dW, RT.y};
  NLB = POINT{LB.x, LB.y + dH};
  NRB = POINT{RB.x + dW, RB.y + dH};
  NCR = RECT{CR.left, CR.top, CR.right + dW, CR.bottom + dH};
}

namespace {

// Copies a W x H block; nothing for an empty block.
void Blit(HDC D, int X, int Y, int W, int H, HDC S, int SX, int SY) {
  if (W > 0 && H > 0) BitBlt(D, X, Y, W, H, S, SX, SY, SRCCOPY);
}

// A rectangle-to-rectangle copy, stretched only when the sizes differ.
void CopyPart(HDC D, const RECT& Dst, HDC S, const RECT& Src) {
  const int dw = RectWidth(Dst), dh = RectHeight(Dst), sw = RectWidth(Src), sh = RectHeight(Src);
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  if (dw == sw && dh == sh)
    BitBlt(D, Dst.left, Dst.top, dw, dh, S, Src.left, Src.top, SRCCOPY);
  else
    StretchBlt(D, Dst.left, Dst.top, dw, dh, S, Src.left, Src.top, sw, sh, SRCCOPY);
}

// A horizontal tile run: tiles of P columns from source (SX, SY) over columns [A, B), rows
// Y to Y + H.
void RunH(HDC D, int A, int B, int Y, int H, HDC S, int SX, int SY, int P) {
  if (P <= 0 || H <= 0) return;
  for (int x = A; x < B; x += P) Blit(D, x, Y, std::min(P, B - x), H, S, SX, SY);
}

// A vertical tile run: tiles of P rows over rows [A, B), columns X to X + W.
void RunV(HDC D, int A, int B, int X, int W, HDC S, int SX, int SY, int P) {
  if (P <= 0 || W <= 0) return;
  for (int y = A; y < B; y += P) Blit(D, X, y, W, std::min(P, B - y), S, SX, SY);
}

// Tiles the source part Tile over Area from its top-left corner.
void TileArea(HDC D, const RECT& Area, HDC S, const RECT& Tile) {
  const int tw = RectWidth(Tile), th = RectHeight(Tile);
  if (tw <= 0 || th <= 0) return;
  for (int y = Area.top; y < Area.bottom; y += th)
    for (int x = Area.left; x < Area.right; x += tw)
      Blit(D, x, y, std::min(tw, Area.right - x), std::min(th, Area.bottom - y), S, Tile.left,
           Tile.top);
}

HDC DCOf(TBitmap* B) { return B->Canvas()->Handle(); }

RECT Offset(RECT R, int DX, int DY) {
  OffsetRect(&R, DX, DY);
  return R;
}

}  // namespace

// ---- TksFBitmap ----
TksFBitmap::TksFBitmap(HBITMAP Bitmap) {
  BITMAP bm{};
  if (Bitmap) GetObject(Bitmap, sizeof bm, &bm);
  Width = std::max(0, static_cast<int>(bm.bmWidth));
  Height = std::max(0, static_cast<int>(bm.bmHeight));
  Gap = Width % 4;
  RowInc = Width * 3 + Gap;
  Size = RowInc * Height;
  DC = CreateCompatibleDC(nullptr);
  if (Width == 0 || Height == 0) return;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = Width;
  bi.bmiHeader.biHeight = -Height;  // rows from the top
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Handle = CreateDIBSection(DC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!Handle) {
    Width = Height = Size = 0;
    return;
  }
  Bits = static_cast<uint8_t*>(bits);
  FOldBitmap = SelectObject(DC, Handle);
  // Read through GetDIBits: the picture may be selected into its own canvas' DC.
  GetDIBits(DC, Bitmap, 0, static_cast<UINT>(Height), Bits, &bi, DIB_RGB_COLORS);
  Pixels.resize(static_cast<size_t>(Height));
  for (int y = 0; y < Height; ++y)
    Pixels[static_cast<size_t>(y)] = Bits + static_cast<size_t>(y) * RowInc;
}

TksFBitmap::~TksFBitmap() {
  if (FOldBitmap) SelectObject(DC, FOldBitmap);
  if (DC) DeleteDC(DC);
  if (Handle) DeleteObject(Handle);
}

// ---- Three-part and nine-part images ----
void MakeThreePartH(int Left, int Right, TBitmap* Dest, bool Stretch, int Width, const RECT& SR,
                    TBitmap* Source) {
  const int h = RectHeight(SR);
  Dest->SetSize(std::max(0, Width), std::max(0, h));
  if (Width <= 0 || h <= 0 || !Source || Source->Empty()) return;
  HDC d = DCOf(Dest), s = DCOf(Source);
  if (Left != 0) Blit(d, 0, 0, Left, h, s, SR.left, SR.top);
  if (Right != 0) Blit(d, Width - Right, 0, Right, h, s, SR.right - Right, SR.top);
  int mw = RectWidth(SR) - Left - Right;
  if (mw <= 0) mw = 1;
  const int x0 = SR.left + Left;
  if (Stretch)
    CopyPart(d, RECT{Left, 0, Width - Right, h}, s, RECT{x0, SR.top, x0 + mw, SR.bottom});
  else
    RunH(d, Left, Width - Right, 0, h, s, x0, SR.top, mw);
}

void MakeThreePartV(int Top, int Bottom, TBitmap* Dest, bool Stretch, int Height, const RECT& SR,
                    TBitmap* Source) {
  const int w = RectWidth(SR);
  Dest->SetSize(std::max(0, w), std::max(0, Height));
  if (Height <= 0 || w <= 0 || !Source || Source->Empty()) return;
  HDC d = DCOf(Dest), s = DCOf(Source);
  if (Top != 0) Blit(d, 0, 0, w, Top, s, SR.left, SR.top);
  if (Bottom != 0) Blit(d, 0, Height - Bottom, w, Bottom, s, SR.left, SR.bottom - Bottom);
  const int mh = RectHeight(SR) - Top - Bottom;
  if (mh <= 0) return;
  const int y0 = SR.top + Top;
  if (Stretch)
    CopyPart(d, RECT{0, Top, w, Height - Bottom}, s, RECT{SR.left, y0, SR.right, y0 + mh});
  else
    RunV(d, Top, Height - Bottom, 0, w, s, SR.left, y0, mh);
}

void MakeNinePart(const TksSkinGeometry& G, bool TileClient, int W, int H, TBitmap* Source,
                  TBitmap* Dest) {
  Dest->SetSize(std::max(0, W), std::max(0, H));
  if (G.RB.x == G.LT.x || G.RB.y == G.LT.y || !Source || Source->Empty() || W <= 0 || H <= 0)
    return;
  HDC d = DCOf(Dest), s = DCOf(Source);
  const int ox = G.SR.left, oy = G.SR.top, SW = G.SW(), SH = G.SH();
  const RECT& CR = G.CR;
  const RECT& NCR = G.NCR;
  // The four edges.
  RunH(d, G.NLT.x, G.NRT.x, 0, std::min(NCR.top, CR.top), s, ox + G.LT.x, oy, G.RT.x - G.LT.x);
  RunH(d, G.NLB.x, G.NRB.x, NCR.bottom, std::min(H - NCR.bottom, SH - CR.bottom), s, ox + G.LB.x,
       oy + CR.bottom, G.RB.x - G.LB.x);
  RunV(d, G.NLT.y, G.NLB.y, 0, NCR.left, s, ox, oy + G.LT.y, G.LB.y - G.LT.y);
  RunV(d, G.NRT.y, G.NRB.y, NCR.right, std::min(W - NCR.right, SW - CR.right), s, ox + CR.right,
       oy + G.RT.y, G.RB.y - G.RT.y);
  // The eight corner pieces, each at its own size.
  const struct {
    RECT Src, Dst;
  } corners[] = {
      {{0, 0, G.LT.x, CR.top}, {0, 0, G.NLT.x, NCR.top}},
      {{0, CR.top, CR.left, G.LT.y}, {0, NCR.top, NCR.left, G.NLT.y}},
      {{G.RT.x, 0, SW, CR.top}, {G.NRT.x, 0, W, NCR.top}},
      {{CR.right, CR.top, SW, G.RT.y}, {NCR.right, NCR.top, W, G.NRT.y}},
      {{0, G.LB.y, CR.left, SH}, {0, G.NLB.y, NCR.left, H}},
      {{CR.left, CR.bottom, G.LB.x, SH}, {NCR.left, NCR.bottom, G.NLB.x, H}},
      {{G.RB.x, CR.bottom, SW, SH}, {G.NRB.x, NCR.bottom, W, H}},
      {{CR.right, G.RB.y, SW, CR.bottom}, {NCR.right, G.NRB.y, W, NCR.bottom}},
  };
  for (const auto& c : corners) CopyPart(d, c.Dst, s, Offset(c.Src, ox, oy));
  if (TileClient) TileArea(d, NCR, s, Offset(CR, ox, oy));
}

void MakeEdgeStrips(const TksSkinGeometry& G, TksStretchFlags Stretch, int W, int H,
                    TBitmap* Source, const TksEdgeStrips& Strips) {
  if (!Source || Source->Empty()) return;
  HDC s = DCOf(Source);
  const int ox = G.SR.left, oy = G.SR.top, SW = G.SW(), SH = G.SH();
  const RECT& CR = G.CR;
  const RECT& NCR = G.NCR;
  const int topH = NCR.top, bottomH = H - NCR.bottom, sideH = H - topH - bottomH;
  // Top strip: the part between the top corners tiled from x = 0, then the corners.
  if (Strips.Top && W > 0 && topH > 0 && G.RT.x - G.LT.x > 0) {
    Strips.Top->SetSize(W, topH);
    HDC d = DCOf(Strips.Top);
    const int p = G.RT.x - G.LT.x;
    if (Stretch.Top)
      CopyPart(d, RECT{G.NLT.x, 0, G.NRT.x, topH}, s,
               RECT{ox + G.LT.x, oy, ox + G.RT.x, oy + topH});
    else
      RunH(d, 0, W, 0, topH, s, ox + G.LT.x, oy, p);
    Blit(d, 0, 0, G.LT.x, topH, s, ox, oy);
    Blit(d, G.NRT.x, 0, SW - G.RT.x, topH, s, ox + G.RT.x, oy);
  }
  // Bottom strip: the last bottomH rows of the skin.
  if (Strips.Bottom && W > 0 && bottomH > 0 && G.RB.x - G.LB.x > 0) {
    Strips.Bottom->SetSize(W, bottomH);
    HDC d = DCOf(Strips.Bottom);
    const int p = G.RB.x - G.LB.x, sy = oy + SH - bottomH;
    if (Stretch.Bottom)
      CopyPart(d, RECT{G.NLB.x, 0, G.NRB.x, bottomH}, s,
               RECT{ox + G.LB.x, sy, ox + G.RB.x, sy + bottomH});
    else
      RunH(d, 0, W, 0, bottomH, s, ox + G.LB.x, sy, p);
    Blit(d, 0, 0, G.LB.x, bottomH, s, ox, sy);
    Blit(d, G.NRB.x, 0, SW - G.RB.x, bottomH, s, ox + G.RB.x, sy);
  }
  // Side strips: the part between the corner points tiled from y = 0, then the pieces between
  // the client rectangle's edge and the corner points at each end.
  auto side = [&](TBitmap* Strip, int W0, int SrcX, int TopY, int BottomY, bool Stretched) {
    const int p = BottomY - TopY;
    if (!Strip || W0 <= 0 || sideH <= 0 || p <= 0) return;
    Strip->SetSize(W0, sideH);
    HDC d = DCOf(Strip);
    if (Stretched)
      CopyPart(d, RECT{0, 0, W0, sideH}, s, RECT{SrcX, oy + TopY, SrcX + W0, oy + BottomY});
    else
      RunV(d, 0, sideH, 0, W0, s, SrcX, oy + TopY, p);
    if (TopY > CR.top) Blit(d, 0, 0, W0, TopY - CR.top, s, SrcX, oy + CR.top);
    if (CR.bottom > BottomY)
      Blit(d, 0, sideH - (CR.bottom - BottomY), W0, CR.bottom - BottomY, s, SrcX, oy + BottomY);
  };
  side(Strips.Left, NCR.left, ox, G.LT.y, G.LB.y, Stretch.Left);
  side(Strips.Right, W - NCR.right, ox + CR.right, G.RT.y, G.RB.y, Stretch.Right);
}

void TileBitmap(TBitmap* Dest, const RECT& Area, TBitmap* Source, const RECT& Tile) {
  if (!Source || Source->Empty() || Dest->Empty()) return;
  TileArea(DCOf(Dest), Area, DCOf(Source), Tile);
}

// ---- Fitting ----
RECT FitRectToSize(const RECT& R, int ResizeMode, const TksSkinGeometry& G, int W, int H) {
  const int dW = W - G.SW(), dH = H - G.SH();
  RECT r = R;
  auto move = [&](int DX, int DY) { OffsetRect(&r, DX, DY); };
  switch (ResizeMode) {
    case 1: {
      const RECT TL{0, 0, G.LT.x, G.LT.y}, TR{G.RT.x, 0, G.SW(), G.RT.y};
      const RECT BL{0, G.LB.y, G.LB.x, G.SH()}, BR{G.RB.x, G.RB.y, G.SW(), G.SH()};
      if (RectInRect(R, TL)) return r;
      if (RectInRect(R, TR)) {
        move(dW, 0);
        return r;
      }
      if (RectInRect(R, BL)) {
        move(0, dH);
        return r;
      }
      if (RectInRect(R, BR)) {
        move(dW, dH);
        return r;
      }
      const POINT A{R.left, R.top}, B{R.right, R.bottom};
      if (PointInRect(TL, A) && PointInRect(BR, B)) {
        r.right += dW;
        r.bottom += dH;
      } else if (PointInRect(TL, A) && PointInRect(TR, B)) {
        r.right += dW;
      } else if (PointInRect(BL, A) && PointInRect(BR, B)) {
        r.right += dW;
        move(0, dH);
      } else if (PointInRect(TL, A) && PointInRect(BL, B)) {
        r.bottom += dH;
      } else if (PointInRect(TR, A) && PointInRect(BR, B)) {
        move(dW, 0);
        r.bottom += dH;
      }
      return r;
    }
    case 2:
      if (R.left <= G.LT.x && R.right >= G.RT.x)
        r.right += dW;
      else if (R.left >= G.RT.x && R.right > G.RT.x)
        move(dW, 0);
      return r;
    case 3:
      if (R.top <= G.LT.y && R.bottom >= G.LB.y)
        r.bottom += dH;
      else if (R.top >= G.LB.y && R.bottom > G.LB.y)
        move(0, dH);
      return r;
    default:
      return r;
  }
}

// ---- Mask regions ----
std::vector<uint8_t> MaskRegionData(TBitmap* Mask, int OffsetX, int OffsetY) {
  std::vector<uint8_t> data;
  if (!Mask || Mask->Empty()) return data;
  TksFBitmap fb(Mask->Handle());
  // The run table grows as needed: a mask of any pattern fits.
  std::vector<RECT> runs;
  for (int y = 0; y < fb.Height; ++y) {
    const uint8_t* row = fb.Pixels[static_cast<size_t>(y)];
    int x = 0;
    while (x < fb.Width) {
      while (x < fb.Width && (row[x * 3] | row[x * 3 + 1] | row[x * 3 + 2]) != 0) ++x;
      if (x >= fb.Width) break;
      const int x0 = x;
      while (x < fb.Width && (row[x * 3] | row[x * 3 + 1] | row[x * 3 + 2]) == 0) ++x;
      runs.push_back(RECT{x0 + OffsetX, y + OffsetY, x + OffsetX, y + 1 + OffsetY});
    }
  }
  RGNDATAHEADER h{};
  h.dwSize = sizeof(RGNDATAHEADER);
  h.iType = RDH_RECTANGLES;
  h.nCount = static_cast<DWORD>(runs.size());
  h.nRgnSize = 0;
  h.rcBound = RECT{OffsetX, OffsetY, OffsetX + fb.Width, OffsetY + fb.Height};
  data.resize(sizeof h + runs.size() * sizeof(RECT));
  std::memcpy(data.data(), &h, sizeof h);
  if (!runs.empty()) std::memcpy(data.data() + sizeof h, runs.data(), runs.size() * sizeof(RECT));
  return data;
}

namespace {
HRGN RegionOfData(const std::vector<uint8_t>& Data) {
  if (Data.empty()) return nullptr;
  return ExtCreateRegion(nullptr, static_cast<DWORD>(Data.size()),
                         reinterpret_cast<const RGNDATA*>(Data.data()));
}
}  // namespace

HRGN MaskRegion(TBitmap* Mask) { return RegionOfData(MaskRegionData(Mask, 0, 0)); }

HRGN MakeNinePartRegion(const TksSkinGeometry& Geometry, int ResizeMode, int W, int H,
                        TBitmap* Mask) {
  if (!Mask || Mask->Empty()) return nullptr;
  TksSkinGeometry g = Geometry;
  // The three-part modes cut the strips with the corners they have.
  if (ResizeMode == 2) {
    g.RB = g.RT;
    g.LB = g.LT;
    g.NRB = g.NRT;
    g.NLB = g.LT;
  } else if (ResizeMode == 3) {
    g.RT = g.LT;
    g.RB = g.LB;
    g.NRT = g.LT;
    g.NRB = g.NLB;
  }
  if (g.NRT.x < g.NLT.x || g.NLB.y < g.NLT.y) return nullptr;
  HRGN result = IsEmptyRect(g.NCR)
                    ? CreateRectRgn(0, 0, 0, 0)
                    : CreateRectRgn(g.NCR.left, g.NCR.top, g.NCR.right, g.NCR.bottom);
  TBitmap top, left, right, bottom;
  MakeEdgeStrips(g, TksStretchFlags{}, W, H, Mask, TksEdgeStrips{&top, &left, &right, &bottom});
  auto add = [&](TBitmap* Strip, int X, int Y) {
    HRGN part = RegionOfData(MaskRegionData(Strip, X, Y));
    if (!part) return;
    CombineRgn(result, result, part, RGN_OR);
    DeleteObject(part);
  };
  add(&top, 0, 0);
  add(&bottom, 0, g.NCR.bottom);
  add(&left, 0, g.NCR.top);
  add(&right, g.NCR.right, g.NCR.top);
  return result;
}
