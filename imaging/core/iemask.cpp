// TIEMask (see iemask.h).
#include "imaging/core/iemask.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/ieutils.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"

ORV_CLASS_IMPL(TIEMask, TObject)

namespace {
constexpr int kSeparator = 0xFFFFF;
uint8_t* ZeroBlock(int64_t size) {
  if (size <= 0) return nullptr;
  auto* p = static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(size)));
  if (!p) throw EOutOfMemory("Out of memory");
  return p;
}
}  // namespace

TIEMask::TIEMask() {
  DrawHeader[0] = 40;
  DrawHeader[12] = 1;
  DrawHeader[14] = 1;
  DrawHeader[44] = DrawHeader[45] = DrawHeader[46] = 255;
}

TIEMask::~TIEMask() { FreeBits(); }

void TIEMask::FreeBits() {
  DisplayBuffer.clear();
  DisplayWidth = DisplayHeight = DisplayRowLength = 0;
  std::free(Bits);
  Bits = nullptr;
  Width = Height = BitsPerPixel = RowLength = 0;
}

void TIEMask::AllocateBits(int AWidth, int AHeight, int ABitsPerPixel) {
  if (!IERowLengthFits(AWidth, ABitsPerPixel)) throw EOutOfMemory("Out of memory");
  FreeBits();
  Width = std::max(AWidth, 0);
  Height = std::max(AHeight, 0);
  BitsPerPixel = ABitsPerPixel;
  RowLength = IERowLength(Width, ABitsPerPixel, 32);
  Bits = ZeroBlock(static_cast<int64_t>(RowLength) * Height);
  EmptyBounds();
  Full = false;
}

void TIEMask::Resize(int AWidth, int AHeight) {
  if (!IERowLengthFits(AWidth, BitsPerPixel)) throw EOutOfMemory("Out of memory");
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  const int newRowLength = IERowLength(AWidth, BitsPerPixel, 32);
  uint8_t* block = ZeroBlock(static_cast<int64_t>(newRowLength) * AHeight);
  const int rows = std::min(Height, AHeight), len = std::min(RowLength, newRowLength);
  for (int r = 0; r < rows; ++r)
    std::memcpy(block + static_cast<intptr_t>(AHeight - 1 - r) * newRowLength, GetScanline(r), len);
  std::free(Bits);
  Bits = block;
  Width = AWidth;
  Height = AHeight;
  RowLength = newRowLength;
  DisplayBuffer.clear();
  DisplayWidth = DisplayHeight = 0;
  if (X1 < X2) {
    X1 = std::min(X1, Width - 1);
    X2 = std::min(X2, Width - 1);
    Y1 = std::min(Y1, Height - 1);
    Y2 = std::min(Y2, Height - 1);
  }
}

int TIEMask::GetPixel(int x, int y) const {
  if (!Bits || x < 0 || y < 0 || x >= Width || y >= Height) return 0;
  const uint8_t* row = GetScanline(y);
  if (BitsPerPixel == 1) return IEGetBit(row, x) ? 1 : 0;
  return row[x];
}

void TIEMask::ClampBounds() {
  X1 = std::clamp(X1, 0, std::max(Width - 1, 0));
  X2 = std::clamp(X2, 0, std::max(Width - 1, 0));
  Y1 = std::clamp(Y1, 0, std::max(Height - 1, 0));
  Y2 = std::clamp(Y2, 0, std::max(Height - 1, 0));
}

void TIEMask::SetPixel(int x, int y, int Value) {
  if (!Bits || x < 0 || y < 0 || x >= Width || y >= Height) return;
  if (Value != 0) {
    X1 = std::min(X1, x);
    Y1 = std::min(Y1, y);
    X2 = std::max(X2, x);
    Y2 = std::max(Y2, y);
  }
  if (Full) Full = BitsPerPixel == 1 ? Value != 0 : Value == 255;
  uint8_t* row = GetScanline(y);
  if (BitsPerPixel == 1)
    IESetBit(row, x, Value != 0);
  else
    row[x] = static_cast<uint8_t>(Value);
}

int TIEMask::FillSpan(int Value, int x1, int y, int x2) {
  if (!Bits || Height == 0) return 0;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, Width - 1);
  y = std::clamp(y, 0, Height - 1);
  if (x2 < x1) return 0;
  uint8_t* row = GetScanline(y);
  if (BitsPerPixel == 1) {
    const bool on = Value == 1;
    for (int x = x1; x <= x2;) {
      if ((x & 7) == 0 && x + 7 <= x2) {
        const int n = (x2 - x + 1) >> 3;
        std::memset(row + (x >> 3), on ? 0xFF : 0, n);
        x += 8 * n;
      } else {
        IESetBit(row, x++, on);
      }
    }
    if (Full) Full = on;
  } else {
    std::memset(row + x1, Value, x2 - x1 + 1);
    if (Full) Full = Value == 255;
  }
  return x2 - x1 + 1;
}

void TIEMask::Fill(int Value) {
  if (Bits) std::memset(Bits, Value, static_cast<size_t>(RowLength) * Height);
  Full = Value == 255;
}

void TIEMask::Clear() {
  Fill(0);
  EmptyBounds();
}

void TIEMask::RecalcBounds() {
  EmptyBounds();
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = GetScanline(y);
    for (int x = 0; x < Width; ++x) {
      const bool set = BitsPerPixel == 1 ? IEGetBit(row, x) : row[x] != 0;
      if (!set) continue;
      X1 = std::min(X1, x);
      Y1 = std::min(Y1, y);
      X2 = std::max(X2, x);
      Y2 = std::max(Y2, y);
    }
  }
}

void TIEMask::UpdateAllSetFlag() {
  Full = false;
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = GetScanline(y);
    if (BitsPerPixel == 1) {
      const int whole = Width / 8;
      for (int i = 0; i < whole; ++i)
        if (row[i] != 255) return;
      for (int x = whole * 8; x < Width; ++x)
        if (!IEGetBit(row, x)) return;
    } else {
      for (int x = 0; x < Width; ++x)
        if (row[x] != 255) return;
    }
  }
  Full = true;
}

void TIEMask::FillPolygons(int Value, const TIEPoint* Points, int Count) {
  int start = 0;
  for (int i = 0; i <= Count; ++i) {
    if (i == Count || Points[i].X == kSeparator) {
      if (i - start > 0) FillPolygon(Value, Points + start, i - start);
      start = i + 1;
    }
  }
  UpdateAllSetFlag();
}

void TIEMask::FillPolygon(int Value, const TIEPoint* Points, int Count) {
  if (!Points || Count <= 0 || !Bits) return;
  int minY = Points[0].Y, maxY = Points[0].Y;
  for (int i = 1; i < Count; ++i) {
    minY = std::min(minY, Points[i].Y);
    maxY = std::max(maxY, Points[i].Y);
  }
  // Outlines far larger than any image (corrupt or hostile coordinates) are not scanned.
  if (int64_t(maxY) - minY > (int64_t(1) << 24)) return;
  if (Value != 0) {
    for (int i = 0; i < Count; ++i) {
      X1 = std::min(X1, Points[i].X);
      Y1 = std::min(Y1, Points[i].Y);
      X2 = static_cast<int>(std::max<int64_t>(X2, int64_t(Points[i].X) - 1));
      Y2 = static_cast<int>(std::max<int64_t>(Y2, int64_t(Points[i].Y) - 1));
    }
    ClampBounds();
  }
  struct TEdge {
    int64_t X, YLow, DX, DY, Err;  // 64-bit: coordinates may span the whole integer range
  };
  // Edge table by the upper y of each edge (horizontal edges skipped).
  std::vector<std::vector<TEdge>> table(static_cast<size_t>(maxY - minY) + 1);
  for (int i = 0; i < Count; ++i) {
    TIEPoint a = Points[i], b = Points[(i + 1) % Count];
    if (a.Y == b.Y) continue;
    if (b.Y < a.Y) std::swap(a, b);
    table[a.Y - minY].push_back(TEdge{a.X, b.Y, int64_t(b.X) - a.X, int64_t(b.Y) - a.Y, 0});
  }
  std::vector<TEdge> active;
  int written = 0;
  for (int64_t y = minY; y <= maxY; ++y) {
    active.erase(std::remove_if(active.begin(), active.end(), [&](const TEdge& e) { return e.YLow == y; }),
                 active.end());
    for (auto& e : active) {
      e.X += e.DX / e.DY;
      e.Err += 2 * (e.DX % e.DY);
      if (e.Err > e.DY) {
        ++e.X;
        e.Err -= 2 * e.DY;
      } else if (e.Err < -e.DY) {
        --e.X;
        e.Err += 2 * e.DY;
      }
    }
    // Edges of a self-crossing outline may swap places while advancing.
    std::stable_sort(active.begin(), active.end(), [](const TEdge& a, const TEdge& b) { return a.X < b.X; });
    for (const TEdge& n : table[y - minY]) {
      auto it = active.begin();
      while (it != active.end() &&
             (it->X < n.X || (it->X == n.X && int64_t(n.DY) * it->DX >= int64_t(n.DX) * it->DY)))
        ++it;
      active.insert(it, n);
    }
    for (size_t k = 0; k + 1 < active.size(); k += 2) {
      const int64_t left = active[k].X, right = active[k + 1].X - 1;
      if (right < left || y < 0 || y >= Height || right < 0 || left >= Width) continue;
      written += FillSpan(Value, static_cast<int>(std::max<int64_t>(left, 0)), static_cast<int>(y),
                          static_cast<int>(std::min<int64_t>(right, Width - 1)));
    }
  }
  // Nothing written: the bounds must not claim an area this polygon never touched.
  if (written == 0 && Value != 0) RecalcBounds();
}

void TIEMask::Translate(int& dx, int& dy, bool Clip) {
  if (IsEmpty()) RecalcBounds();
  if (IsEmpty() || !Bits) return;
  if (Clip) {
    if (X1 + dx < 0) X1 = -dx;
    if (Y1 + dy < 0) Y1 = -dy;
    if (X2 + dx >= Width) X2 = Width - 1 - dx;
    if (Y2 + dy >= Height) Y2 = Height - 1 - dy;
  } else {
    if (X1 + dx < 0) dx = -X1;
    if (X2 + dx >= Width) dx = Width - 1 - X2;
    if (Y1 + dy < 0) dy = -Y1;
    if (Y2 + dy >= Height) dy = Height - 1 - Y2;
  }
  if (dx == 0 && dy == 0) return;
  if (X2 < X1 || Y2 < Y1) {
    Clear();
    return;
  }
  if (BitsPerPixel == 1) {
    const int w = X2 - X1 + 1, h = Y2 - Y1 + 1, bw = (w + 7) / 8;
    std::vector<uint8_t> area(static_cast<size_t>(bw) * h);
    for (int r = 0; r < h; ++r) IECopyBits(&area[static_cast<size_t>(r) * bw], GetScanline(Y1 + r), 0, RowLength, w, X1);
    std::memset(Bits, 0, static_cast<size_t>(RowLength) * Height);
    for (int r = 0; r < h; ++r) {
      const int ty = Y1 + r + dy;
      int tx = X1 + dx, sx = 0, n = w;
      if (ty < 0 || ty >= Height) continue;
      if (tx < 0) {
        sx = -tx;
        n += tx;
        tx = 0;
      }
      n = std::min(n, Width - tx);
      if (n > 0) IECopyBits(GetScanline(ty), &area[static_cast<size_t>(r) * bw], tx, bw, n, sx);
    }
  } else {
    std::vector<uint8_t> copy(Bits, Bits + static_cast<size_t>(RowLength) * Height);
    std::memset(Bits, 0, copy.size());
    for (int y = Y1; y <= Y2; ++y) {
      const int ty = y + dy;
      if (ty < 0 || ty >= Height) continue;
      const uint8_t* src = copy.data() + static_cast<intptr_t>(Height - 1 - y) * RowLength;
      uint8_t* dst = GetScanline(ty);
      for (int x = X1; x <= X2; ++x) {
        const int tx = x + dx;
        if (tx >= 0 && tx < Width) dst[tx] = src[x];
      }
    }
  }
  X1 += dx;
  X2 += dx;
  Y1 += dy;
  Y2 += dy;
  ClampBounds();
}

void TIEMask::CopyBitmap(TIEBitmap* Destination, TIEBitmap* Source, bool WithAlpha, bool SourceAtBox,
                         bool DestinationAtBox) {
  if (!Destination || !Source || !Bits) return;
  int bx2 = X2, by2 = Y2;
  if (SourceAtBox) {
    bx2 = X1 + std::min({X2 - X1, Source->Width() - 1, Destination->Width() - 1});
    by2 = Y1 + std::min({Y2 - Y1, Source->Height() - 1, Destination->Height() - 1});
  }
  if (bx2 < X1 && by2 < Y1) return;
  const TIEPixelFormat pf = Source->PixelFormat();
  if (pf != Destination->PixelFormat() || pf == ieNone) return;
  const int sox = SourceAtBox ? X1 : 0, soy = SourceAtBox ? Y1 : 0;
  const int dox = DestinationAtBox ? X1 : 0, doy = DestinationAtBox ? Y1 : 0;
  const int bpp = IEBytesPerPixel(pf);
  std::vector<uint8_t> srcRow(Source->RowLen());
  for (int y = Y1; y <= by2; ++y) {
    const int sy = y - soy, dy = y - doy;
    if (sy < 0 || sy >= Source->Height() || dy < 0 || dy >= Destination->Height() || y >= Height) continue;
    std::memcpy(srcRow.data(), Source->Scanline(sy), srcRow.size());  // the two rows may share a file window
    uint8_t* d = Destination->Scanline(dy);
    const uint8_t* mrow = GetScanline(y);
    for (int x = X1; x <= bx2 && x < Width; ++x) {
      const int sx = x - sox, dx = x - dox;
      if (sx < 0 || sx >= Source->Width() || dx < 0 || dx >= Destination->Width()) continue;
      const int m = BitsPerPixel == 1 ? (IEGetBit(mrow, x) ? 255 : 0) : mrow[x];
      if (m == 0) continue;
      if (pf == ie1g) {
        IESetBit(d, dx, IEGetBit(srcRow.data(), sx));
      } else if (BitsPerPixel == 1 || m == 255) {
        std::memcpy(d + static_cast<size_t>(dx) * bpp, srcRow.data() + static_cast<size_t>(sx) * bpp, bpp);
      } else if (pf == ie24RGB) {
        uint8_t* dp = d + dx * 3;
        const uint8_t* sp = srcRow.data() + sx * 3;
        for (int c = 0; c < 3; ++c) dp[c] = static_cast<uint8_t>(dp[c] + (((sp[c] - dp[c]) * m * 1024) >> 18));
      } else if (pf == ie8g || pf == ie8p) {
        d[dx] = static_cast<uint8_t>(d[dx] + (((srcRow[sx] - d[dx]) * m) >> 8));
      }
    }
  }
  if (WithAlpha) CopyAlpha(Destination, Source, SourceAtBox, DestinationAtBox);
}

void TIEMask::CopyAlpha(TIEBitmap* Destination, TIEBitmap* Source, bool SourceAtBox, bool DestinationAtBox) {
  if (!Destination || !Source || !Bits) return;
  TIEBitmap* da = Destination->GetAlphaChannel();
  if (!da) return;
  TIEBitmap* sa = Source->HasAlphaChannel() ? Source->GetAlphaChannel() : nullptr;
  int bx2 = X2, by2 = Y2;
  if (SourceAtBox) {
    bx2 = X1 + std::min({X2 - X1, Source->Width() - 1, Destination->Width() - 1});
    by2 = Y1 + std::min({Y2 - Y1, Source->Height() - 1, Destination->Height() - 1});
  }
  const int sox = SourceAtBox ? X1 : 0, soy = SourceAtBox ? Y1 : 0;
  const int dox = DestinationAtBox ? X1 : 0, doy = DestinationAtBox ? Y1 : 0;
  for (int y = Y1; y <= by2 && y < Height; ++y) {
    const int sy = y - soy, dy = y - doy;
    if (dy < 0 || dy >= da->Height()) continue;
    const bool srcRowOk = sa && sy >= 0 && sy < sa->Height();
    std::vector<uint8_t> srow;
    if (srcRowOk) srow.assign(sa->Scanline(sy), sa->Scanline(sy) + sa->Width());
    uint8_t* d = da->Scanline(dy);
    const uint8_t* mrow = GetScanline(y);
    for (int x = X1; x <= bx2 && x < Width; ++x) {
      const int sx = x - sox, dx = x - dox;
      if (dx < 0 || dx >= da->Width()) continue;
      const int m = BitsPerPixel == 1 ? (IEGetBit(mrow, x) ? 255 : 0) : mrow[x];
      const int s = (srcRowOk && sx >= 0 && sx < static_cast<int>(srow.size())) ? srow[sx] : 255;
      d[dx] = m == 0 ? 0 : static_cast<uint8_t>(std::min(s, m));
    }
  }
  da->Full = false;
}

// ---- display ----

void TIEMask::StretchToDisplay(int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc) {
  if (WDst <= 0 || HDst <= 0 || WSrc <= 0 || HSrc <= 0) return;
  const int bits = BitsPerPixel == 1 ? 1 : 8;
  if (WDst != DisplayWidth || HDst != DisplayHeight || DisplayBuffer.empty()) {
    DisplayWidth = WDst;
    DisplayHeight = HDst;
    DisplayRowLength = IERowLength(WDst, bits, 32);
    DisplayBuffer.assign(static_cast<size_t>(DisplayRowLength) * HDst, 0);
  } else {
    std::fill(DisplayBuffer.begin(), DisplayBuffer.end(), 0);
  }
  if (IsEmpty()) return;
  const int64_t stepY = static_cast<int64_t>(double(HSrc) / HDst * 16384);
  const int64_t stepX = static_cast<int64_t>(double(WSrc) / WDst * 16384);
  const int firstRow = std::max(static_cast<int>(int64_t(Y1 - YSrc) * HDst / HSrc), 0);
  const int lastRow = std::min(static_cast<int>(int64_t(Y2 - YSrc + 1) * HDst / HSrc), HDst - 1);
  const int firstCol = std::max(static_cast<int>(int64_t(X1 - XSrc) * WDst / WSrc), 0);
  const int lastCol = std::min(static_cast<int>(int64_t(X2 - XSrc + 1) * WDst / WSrc), WDst - 1);
  if (lastCol < firstCol) return;
  std::vector<int> cols(lastCol - firstCol + 1);
  for (int c = firstCol; c <= lastCol; ++c) cols[c - firstCol] = XSrc + static_cast<int>((stepX * c) >> 14);
  for (int r = firstRow; r <= lastRow; ++r) {
    const int sy = std::min<int64_t>(Height - 1, YSrc + ((stepY * r) >> 14));
    if (sy < 0) continue;
    const uint8_t* src = GetScanline(sy);
    uint8_t* dst = DisplayBuffer.data() + static_cast<intptr_t>(HDst - 1 - r) * DisplayRowLength;
    for (int c = firstCol; c <= lastCol; ++c) {
      const int sx = cols[c - firstCol];
      if (sx < 0 || sx >= Width) continue;
      if (bits == 1) {
        if (IEGetBit(src, sx)) IESetBit(dst, c, true);
      } else {
        dst[c] = src[sx];
      }
    }
  }
}

bool TIEMask::DisplayValue(int c, int r) const {
  if (c < 0 || r < 0 || c >= DisplayWidth || r >= DisplayHeight) return false;
  const uint8_t* row = DisplayBuffer.data() + static_cast<intptr_t>(DisplayHeight - 1 - r) * DisplayRowLength;
  return BitsPerPixel == 1 ? IEGetBit(row, c) : row[c] != 0;
}

void TIEMask::DrawOutline(const TIEPlotPixel& Plot, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc,
                          int WSrc, int HSrc, int Phase, TColor Color1, TColor Color2, TIERect* CoveredRect) {
  if (WDst < 1 || HDst < 1 || IsEmpty() || WSrc < 1 || HSrc < 1) return;
  StretchToDisplay(WDst, HDst, XSrc, YSrc, WSrc, HSrc);
  const int64_t scaleX = std::max<int64_t>(1, static_cast<int64_t>(double(WSrc) / WDst * 16384));
  const int64_t scaleY = std::max<int64_t>(1, static_cast<int64_t>(double(HSrc) / HDst * 16384));
  const int firstRow = std::max(static_cast<int>((int64_t(Y1 - YSrc) * 16384) / scaleY), 0);
  const int lastRow = std::min(static_cast<int>((int64_t(Y2 - YSrc + 1) * 16384) / scaleY + 1), HDst - 1);
  const int firstCol = std::max(static_cast<int>((int64_t(X1 - XSrc) * 16384) / scaleX), 0);
  const int lastCol = std::min(static_cast<int>((int64_t(X2 - XSrc + 1) * 16384) / scaleX + 1), WDst - 1);
  if (CoveredRect) *CoveredRect = TIERect{XDst + firstCol + 1, YDst + firstRow + 1, XDst + lastCol - 1, YDst + lastRow - 1};
  for (int r = firstRow; r <= lastRow; ++r) {
    for (int c = firstCol; c <= lastCol; ++c) {
      if (!DisplayValue(c, r)) continue;
      bool border;
      if (c == 0)
        border = XSrc + ((c * scaleX) >> 14) <= X1;
      else if (c == lastCol)
        border = XSrc + ((c * scaleX) >> 14) >= X2 || WSrc == Width;
      else if (r == 0)
        border = YSrc + ((r * scaleY) >> 14) <= Y1;
      else if (r == lastRow)
        border = YSrc + ((r * scaleY) >> 14) >= Y2 || HSrc == Height;
      else {
        border = false;
        for (int rr = std::max(r - 1, 0); rr <= std::min(r + 1, HDst - 1) && !border; ++rr)
          for (int cc = c - 1; cc <= c + 1 && !border; ++cc)
            if (!DisplayValue(cc, rr)) border = true;
      }
      if (!border) continue;
      const int x = XDst + c, y = YDst + r;
      Plot(x, y, (((x + y + Phase) % 8) + 8) % 8 < 4 ? Color2 : Color1);
    }
  }
}

void TIEMask::DrawInverted(HDC Canvas, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc,
                           int HSrc) {
  if (!Canvas || BitsPerPixel != 1 || IsEmpty() || !Bits) return;
  auto put32 = [&](int at, int32_t v) { std::memcpy(DrawHeader + at, &v, 4); };
  put32(4, Width);
  put32(8, Height);
  // Source rows are counted from the bottom of the bottom-up mask.
  StretchDIBits(Canvas, XDst, YDst, WDst, HDst, XSrc, Height - HSrc - YSrc, WSrc, HSrc, Bits,
                reinterpret_cast<const BITMAPINFO*>(DrawHeader), DIB_RGB_COLORS, SRCINVERT);
}

void TIEMask::DrawOutline(HDC Canvas, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc,
                          int Phase, TColor Color1, TColor Color2, TIERect* CoveredRect) {
  if (!Canvas) return;
  DrawOutline([&](int x, int y, TColor c) { SetPixelV(Canvas, x, y, static_cast<COLORREF>(IEColorToRGBValue(c))); },
              XDst, YDst, WDst, HDst, XSrc, YSrc, WSrc, HSrc, Phase, Color1, Color2, CoveredRect);
}

void TIEMask::MarkOuterArea(TIEBitmap* Bitmap, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc,
                            int HSrc) {
  if (!Bitmap || Bitmap->PixelFormat() != ie24RGB) return;
  MarkRows([&](int y) { return reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y)); }, Bitmap->Width(),
           Bitmap->Height(), XDst, YDst, WDst, HDst, XSrc, YSrc, WSrc, HSrc);
}

void TIEMask::MarkOuterArea(TBitmap* Bitmap, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc,
                            int HSrc) {
  if (!Bitmap || Bitmap->PixelFormat() != pf24bit) return;
  MarkRows([&](int y) { return static_cast<TIERGBPixel*>(Bitmap->ScanLine(y)); }, Bitmap->Width(), Bitmap->Height(),
           XDst, YDst, WDst, HDst, XSrc, YSrc, WSrc, HSrc);
}

void TIEMask::MarkRows(const std::function<TIERGBPixel*(int)>& Row, int BitmapWidth, int BitmapHeight, int XDst,
                       int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc) {
  if (WDst < 1 || HDst < 1 || IsEmpty() || WSrc < 1 || HSrc < 1) return;
  if (YDst < 0) {
    YSrc += static_cast<int>(std::nearbyint(double(-YDst) * HSrc / HDst));
    YDst = 0;
  }
  if (XDst < 0) {
    XSrc += static_cast<int>(std::nearbyint(double(-XDst) * WSrc / WDst));
    XDst = 0;
  }
  StretchToDisplay(WDst, HDst, XSrc, YSrc, WSrc, HSrc);
  const int64_t stepX = std::max<int64_t>(1, static_cast<int64_t>(double(WSrc) / WDst * 16384));
  const int64_t stepY = std::max<int64_t>(1, static_cast<int64_t>(double(HSrc) / HDst * 16384));
  const int firstRow = std::max(static_cast<int>((int64_t(-YSrc) * 16384) / stepY), 0);
  const int lastRow = std::min({static_cast<int>((int64_t(Height - YSrc) * 16384) / stepY + 1), HDst - 1, BitmapHeight - 1});
  const int firstCol = std::max(static_cast<int>((int64_t(-XSrc) * 16384) / stepX), 0);
  const int lastCol = std::min({static_cast<int>((int64_t(Width - XSrc) * 16384) / stepX + 1), WDst - 1, BitmapWidth - 1});
  for (int i = firstRow; i <= lastRow && YDst + i < BitmapHeight; ++i) {
    TIERGBPixel* row = Row(YDst + i);
    for (int j = firstCol; j <= lastCol && XDst + j < BitmapWidth; ++j)
      if (!DisplayValue(j, i) && ((i & 1) == (j & 1))) row[XDst + j] = TIERGBPixel{97, 97, 97};
  }
}

void TIEMask::DrawInverted(TCanvas* Canvas, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc,
                           int HSrc) {
  if (Canvas) DrawInverted(Canvas->Handle(), XDst, YDst, WDst, HDst, XSrc, YSrc, WSrc, HSrc);
}

void TIEMask::DrawOutline(TCanvas* Canvas, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc,
                          int HSrc, int Phase, TColor Color1, TColor Color2, TIERect* CoveredRect) {
  if (!Canvas) return;
  Canvas->Pen()->SetStyle(psSolid);
  Canvas->Pen()->SetMode(pmCopy);
  DrawOutline(Canvas->Handle(), XDst, YDst, WDst, HDst, XSrc, YSrc, WSrc, HSrc, Phase, Color1, Color2, CoveredRect);
}
