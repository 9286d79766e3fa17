// Painting of the single-image view: the window paint, the back buffer, the rendering of the
// background and every layer with its decorations, the version line and the interaction hint.
#include <algorithm>
#include <cmath>

#include "imaging/core/iegeom.h"
#include "imaging/core/ierotate.h"
#include "imaging/views/iebackground.h"
#include "imaging/views/iegdiplus.h"
#include "imaging/views/imageryview.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"

namespace {

bool Designing(const TComponent* c) { return c->ComponentState().Contains(csDesigning); }

}  // namespace

void TImageryView::DrawBackground(bool Designing, TCanvas* Canvas, TIEBitmap* Bitmap, TIEBackgroundStyle Style,
                                  TColor Color, int x, int y, int Width, int Height, int ImageLeft, int ImageTop,
                                  int ImageRight, int ImageBottom, int SquareSize, TBrushStyle SquareBrush,
                                  TColor GradientColor, TPicture* WallPaper, TIEWallPaperStyle WallPaperStyle) {
  IEDrawBackground(Designing, Canvas, Bitmap, Style, Color, x, y, Width, Height, ImageLeft, ImageTop, ImageRight,
                   ImageBottom, SquareSize, SquareBrush, GradientColor, WallPaper, WallPaperStyle);
}

void TImageryView::PaintBackgroundOn(TCanvas* Canvas) {
  DrawBackground(Designing(this), Canvas, nullptr, FBackgroundStyle, Background(), 0, 0, Width(), Height(), 0, 0, 0,
                 0, FChessboardSize, FChessboardBrush, GradientEndColor, FWallPaper.get(), FWallPaperStyle);
}

TBitmap* TImageryView::GetBackBuffer() { return FBackBuffer ? FBackBuffer->GetTBitmap() : nullptr; }

void TImageryView::InvalidateRect(const RECT& R) {
  FBackBufferStale = true;
  if (HandleAllocated()) ::InvalidateRect(FHandle, &R, FALSE);
}

void TImageryView::Paint() {
  if (!HandleAllocated() || !HasParentWindow()) return;
  const int ew = GetExtentX(), eh = GetExtentY();
  if (ew <= 0 || eh <= 0) return;
  TCanvas* canvas = Canvas();
  if (Designing(this)) {
    DrawBackground(true, canvas, nullptr, FBackgroundStyle, Background(), 0, 0, Width(), Height(), 0, 0, 0, 0,
                   FChessboardSize, FChessboardBrush, GradientEndColor, FWallPaper.get(), FWallPaperStyle);
    return;
  }
  try {
    if (FLockPaint == 0) {
      RECT r{0, 0, ew, eh};
      if (!FFullRepaint) {
        r = canvas->ClipRect();
        if (r.right == 0 || r.bottom == 0) {
          r.right = ew;
          r.bottom = eh;
        }
      }
      PaintBackBuffer(r);
      if (OnDrawCanvas) OnDrawCanvas(this, canvas, RECT{0, 0, ew, eh});
    }
    FFullRepaint = false;
    if (!FMovingRect) {
      FInPaint = true;
      DrawSelection(nullptr, false);
      FInPaint = false;
    }
    if (OnPaint) OnPaint(this);
  } catch (...) {
    FInPaint = false;
    // A failing handler or renderer never breaks the message loop.
  }
  if (FDrawVersion) {
    canvas->Font()->SetName("Arial");
    canvas->Font()->SetHeight(13);
    canvas->Font()->SetColor(0);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(0xFFFFFF);
    const std::string text = std::string("Imagery Version ") + IEImageryVersion + " - 21/3/2009";
    canvas->TextOut(ew - canvas->TextWidth(text), eh - canvas->TextHeight(text), text);
  }
  if (!FHintText.empty() && EnableInteractionHints) {
    // A light box sized by the sizing text, with the text inside, at the mouse.
    canvas->Font()->SetName("Arial");
    canvas->Font()->SetHeight(13);
    const int w = canvas->TextWidth(FHintSizing.empty() ? FHintText : FHintSizing) + 12;
    const int h = canvas->TextHeight(FHintText) + 12;
    const int x = std::clamp(FHintX, 0, std::max(ew - w, 0)), y = std::clamp(FHintY, 0, std::max(eh - h, 0));
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(0xE1FFFF);
    canvas->Pen()->SetColor(0x808080);
    canvas->Rectangle(x, y, x + w, y + h);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->SetColor(0);
    canvas->TextOut(x + 6, y + 6, FHintText);
  }
  if (Owner() != nullptr && !FCursorApplied) {
    FCursorApplied = true;
    SetCursor(FIdleCursor);
  }
}

void TImageryView::PaintBackBuffer(const RECT& R) {
  if (!HasParentWindow() || !FBackBuffer) return;
  const int ew = GetExtentX(), eh = GetExtentY();
  if (FBackBuffer->Width() != ew || FBackBuffer->Height() != eh || FBackBuffer->Location() != ieTBitmap) {
    FBackBuffer->SetLocation(ieTBitmap);
    FBackBuffer->FullReallocate = true;
    FBackBuffer->Allocate(ew, eh, ie24RGB);
    FBackRows.Rows.clear();
    FBackBufferStale = true;
  }
  if (FBackBufferStale) {
    FBackRows.X.clear();
    FBackRows.Y.clear();
    if (FBackRows.Rows.size() != static_cast<size_t>(eh)) {
      FBackRows.Rows.resize(static_cast<size_t>(eh));
      for (int y = 0; y < eh; ++y) FBackRows.Rows[static_cast<size_t>(y)] = FBackBuffer->Scanline(y);
    }
    PaintToBitmap(FBackBuffer.get(), &FBackRows, nullptr, true, true);
    if (OnDrawBackBuffer) OnDrawBackBuffer(this);
    FBackBufferStale = false;
  }
  const int x = std::max<int>(R.left, 0), y = std::max<int>(R.top, 0);
  const int w = std::min<int>(R.right - R.left, ew), h = std::min<int>(R.bottom - R.top, eh);
  if (w <= 0 || h <= 0) return;
  TBitmap* back = FBackBuffer->GetTBitmap();
  if (back == nullptr) return;
  HDC dc = Canvas()->Handle();
  HDC src = back->Canvas()->Handle();
  if (ScreenBitsPerPixel < 24 && !RemoteSession) {
    const int old = SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, x, y, w, h, src, x, y, w, h, SRCCOPY);
    SetStretchBltMode(dc, old);
  } else {
    BitBlt(dc, x, y, w, h, src, x, y, SRCCOPY);
  }
  if (FPolyOpen && !FLasso) DrawRubberLine();
}

void TImageryView::DrawRubberLine() {
  if (!FInPaint && !HandleAllocated()) return;
  if (FSel.Points.empty()) return;
  TIELayer* cur = GetCurrentLayer();
  const TIEPoint& p = FSel.Points.back();
  if (p.X == IESelBreak) return;
  TCanvas* c = Canvas();
  c->Pen()->SetMode(pmNot);
  c->MoveTo(LayerToScreenX(cur, p.X), LayerToScreenY(cur, p.Y));
  c->LineTo(FCurX, FCurY);
  c->Pen()->SetMode(pmCopy);
}

void TImageryView::DrawLayer(TIEBitmap* Dest, TIERenderTables* Rows, const TIERect* Clip, int Index, bool First,
                             bool SolidBelow, TResampleFilter Filter) {
  TIELayer* l = GetLayer(Index);
  TIEBitmap* bmp = l->Bitmap;
  const bool only = GetLayersCount() == 1 && l->Left == 0 && l->Top == 0 && l->Width == 0 && l->Height == 0;
  if (only && l->RotateAngle == 0) {
    // Fast path: the view's zoom tables are the renderer's column and row maps.
    const int dw = FVisible.DstW, dh = FVisible.DstH;
    TIERenderTables t;
    if (Rows) t.Rows = Rows->Rows;
    const int sx = SnapOrigin(FViewX, false), sy = SnapOrigin(FViewY, true);
    if (FTables && Filter == rfNone) {
      t.X.resize(static_cast<size_t>(dw));
      t.Y.resize(static_cast<size_t>(dh));
      for (int i = 0; i < dw; ++i)
        t.X[static_cast<size_t>(i)] =
            sx + i < static_cast<int>(FS2IX.size()) ? FS2IX[static_cast<size_t>(sx + i)] : bmp->Width();
      for (int i = 0; i < dh; ++i)
        t.Y[static_cast<size_t>(i)] =
            sy + i < static_cast<int>(FS2IY.size()) ? FS2IY[static_cast<size_t>(sy + i)] : bmp->Height();
    }
    bmp->DrawToBitmapEx(Dest, &t, Clip, FOffsetX, FOffsetY, dw, dh, FVisible.SrcX, FVisible.SrcY, FVisible.SrcW,
                        FVisible.SrcH, FEnableAlphaChannel, false, l->Opacity, Filter, l->BlendMode);
    l->ClientRect = RECT{FOffsetX, FOffsetY, FOffsetX + dw - 1, FOffsetY + dh - 1};
    l->DrawDest[0] = FOffsetX;
    l->DrawDest[1] = FOffsetY;
    l->DrawDest[2] = dw;
    l->DrawDest[3] = dh;
    l->DrawSource[0] = FVisible.SrcX;
    l->DrawSource[1] = FVisible.SrcY;
    l->DrawSource[2] = FVisible.SrcW;
    l->DrawSource[3] = FVisible.SrcH;
    return;
  }
  // General path: position and size in layer-0 image pixels converted to client coordinates.
  std::unique_ptr<TIEBitmap> rotated;
  TIEBitmap* src = bmp;
  int left = l->Left, top = l->Top, w = l->GetWidth(), h = l->GetHeight();
  if (l->RotateAngle != 0) {
    TIEBitmap sized;
    sized.Allocate(std::max(w, 1), std::max(h, 1), bmp->PixelFormat() == ie1g ? ie24RGB : bmp->PixelFormat());
    bmp->StretchRectTo(&sized, 0, 0, sized.Width(), sized.Height(), 0, 0, bmp->Width(), bmp->Height(), rfNone, 255);
    if (bmp->HasAlphaChannel()) {
      TIEBitmap* a = sized.GetAlphaChannel();
      bmp->GetAlphaChannel()->StretchRectTo(a, 0, 0, a->Width(), a->Height(), 0, 0, bmp->Width(), bmp->Height(),
                                            rfNone, 255);
    } else {
      sized.GetAlphaChannel()->Fill(255);
    }
    rotated = std::make_unique<TIEBitmap>();
    IERotateInto(&sized, rotated.get(), Background(), nullptr, nullptr, l->RotateAngle);
    TIEPoint pts[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    const int cx = static_cast<int>(w * l->RotateCenterX), cy = static_cast<int>(h * l->RotateCenterY);
    IERotatePoints(pts, 3, cx, cy, l->RotateAngle);
    int mx = pts[0].X, my = pts[0].Y;
    for (const TIEPoint& p : pts) {
      mx = std::min(mx, p.X);
      my = std::min(my, p.Y);
    }
    for (int i = 0; i < 4; ++i)
      l->RotatedCorners[i] = TIEPoint{BitmapToScreenX(pts[i].X + left), BitmapToScreenY(pts[i].Y + top)};
    left += mx;
    top += my;
    w = rotated->Width();
    h = rotated->Height();
    src = rotated.get();
  }
  if (Index > 0 && l->MagnifyEnabled && l->MagnifyRate >= 1) {
    TIEBitmap* l0 = GetLayer(0)->Bitmap;
    if (l->Width != 0 && l->Height != 0 && FLayerGrip == 0 &&
        (bmp->Width() != l->Width || bmp->Height() != l->Height))
      bmp->Allocate(l->Width, l->Height, ie24RGB);
    if (bmp->PixelFormat() != ie24RGB) bmp->Allocate(bmp->Width(), bmp->Height(), ie24RGB);
    const double mw = l->GetWidth() / l->MagnifyRate, mh = l->GetHeight() / l->MagnifyRate;
    const int ax = static_cast<int>(l->Left + l->GetWidth() / 2.0 - mw / 2);
    const int ay = static_cast<int>(l->Top + l->GetHeight() / 2.0 - mh / 2);
    if (l->MagnifySource == 0) {
      if (ax >= 0 && ay >= 0 && ax + mw <= l0->Width() && ay + mh <= l0->Height()) {
        bmp->Fill(0);
        l0->StretchRectTo(bmp, 0, 0, bmp->Width(), bmp->Height(), ax, ay, std::max(1, int(mw)), std::max(1, int(mh)),
                          rfNone, 255);
      }
    } else {
      const int sx = BitmapToScreenX(ax), sy = BitmapToScreenY(ay);
      const int sw = std::max(1, static_cast<int>(mw * FZoomDX)), sh = std::max(1, static_cast<int>(mh * FZoomDY));
      Dest->StretchRectTo(bmp, 0, 0, bmp->Width(), bmp->Height(), sx, sy, sw, sh, rfNone, 255);
    }
    TIEBitmap* a = bmp->GetAlphaChannel();
    if (l->MagnifyShape == 0) {
      a->Fill(255);
    } else {
      a->Fill(0);
      const double rx = a->Width() / 2.0, ry = a->Height() / 2.0;
      for (int y = 0; y < a->Height(); ++y) {
        uint8_t* row = a->Scanline(y);
        for (int x = 0; x < a->Width(); ++x) {
          const double dx = (x + 0.5 - rx) / rx, dy = (y + 0.5 - ry) / ry;
          if (dx * dx + dy * dy <= 1) row[x] = 255;
        }
      }
      a->Full = false;
    }
  }
  int dx1 = BitmapToScreenX(left), dy1 = BitmapToScreenY(top);
  int dx2 = BitmapToScreenX(left + w), dy2 = BitmapToScreenY(top + h);
  int sx = 0, sy = 0, sw = src->Width(), sh = src->Height();
  if (l->ClipToImage) {
    const int W0 = FImageWidth, H0 = FImageHeight;
    const double fx = double(sw) / std::max(w, 1), fy = double(sh) / std::max(h, 1);
    if (left < 0) {
      sx = static_cast<int>(-left * fx);
      dx1 = BitmapToScreenX(0);
    }
    if (top < 0) {
      sy = static_cast<int>(-top * fy);
      dy1 = BitmapToScreenY(0);
    }
    if (left + w > W0) dx2 = BitmapToScreenX(W0);
    if (top + h > H0) dy2 = BitmapToScreenY(H0);
    sw = std::min(sw - sx, static_cast<int>((std::min(left + w, W0) - std::max(left, 0)) * fx));
    sh = std::min(sh - sy, static_cast<int>((std::min(top + h, H0) - std::max(top, 0)) * fy));
  }
  const int dw = dx2 - dx1, dh = dy2 - dy1;
  if (dw > 0 && dh > 0 && sw > 0 && sh > 0) {
    TIERenderTables t;
    if (Rows) t.Rows = Rows->Rows;
    src->DrawToBitmapEx(Dest, &t, Clip, dx1, dy1, dw, dh, sx, sy, sw, sh, FEnableAlphaChannel, false, l->Opacity,
                        Filter, l->BlendMode);
  }
  (void)First;
  (void)SolidBelow;
  l->ClientRect = RECT{dx1, dy1, dx2 - 1, dy2 - 1};
  l->DrawDest[0] = dx1;
  l->DrawDest[1] = dy1;
  l->DrawDest[2] = dw;
  l->DrawDest[3] = dh;
  l->DrawSource[0] = sx;
  l->DrawSource[1] = sy;
  l->DrawSource[2] = sw;
  l->DrawSource[3] = sh;
}

void TImageryView::DrawLayerDecorations(TIEBitmap* Dest, int Index) {
  TIELayer* l = GetLayer(Index);
  if (!l->ShowBox || Index != FLayersCurrent) return;
  TBitmap* tb = Dest->Location() == ieTBitmap ? Dest->GetTBitmap() : nullptr;
  if (tb == nullptr) return;
  TCanvas* c = tb->Canvas();
  if (FMouseInteract.Contains(miMoveLayers) || FMouseInteract.Contains(miResizeLayers)) {
    if (OnDrawLayerBox) {
      OnDrawLayerBox(this, tb, Index);
    } else {
      c->Pen()->SetStyle(psDot);
      c->Pen()->SetMode(pmNot);
      c->Brush()->SetStyle(bsClear);
      if (l->RotateAngle != 0) {
        std::vector<POINT> pts;
        for (const TIEPoint& p : l->RotatedCorners) pts.push_back(POINT{p.X, p.Y});
        c->Polygon(pts);
      } else {
        c->Rectangle(l->ClientRect.left, l->ClientRect.top, l->ClientRect.right + 1, l->ClientRect.bottom + 1);
      }
      c->Pen()->SetStyle(psSolid);
      c->Pen()->SetMode(pmCopy);
    }
  }
  if (FMouseInteract.Contains(miResizeLayers) && !l->Locked) {
    TIECanvas ic(c);
    ic.Pen()->SetColor(LayersGripColor);
    ic.Brush()->SetColor(LayersGripBrushColor);
    ic.Brush()->SetStyle(LayersGripBrushStyle);
    for (int g = 1; g <= 9; ++g) {
      const RECT r = LayerGripRect(l, g);
      if (OnDrawLayerGrip) {
        OnDrawLayerGrip(this, tb, Index, g, r);
      } else if (g <= 8) {
        if (LayersGripShape == 1)
          ic.Ellipse(r);
        else
          ic.Rectangle(r);
      }
    }
  }
  if (FMouseInteract.Contains(miRotateLayers)) {
    TIECanvas ic(c);
    ic.Pen()->SetColor(LayersGripColor);
    ic.Brush()->SetColor(LayersGripBrushColor);
    ic.Ellipse(LayerGripRect(l, 9));
  }
}

void TImageryView::PaintToBitmap(TIEBitmap* Dest, TIERenderTables* Rows, const TIERect* Clip, bool Background,
                                 bool Decorations) {
  SyncLayers();
  UpdateVisibleRect();
  UpdateZoomTables();
  if (Designing(this) || FIEBitmap->Width() == 0 || FIEBitmap->Height() == 0) return;
  if (FIEBitmap->HasAlphaChannel()) {
    TIEBitmap* a = FIEBitmap->GetAlphaChannel();
    if (a->Width() != FIEBitmap->Width() || a->Height() != FIEBitmap->Height()) return;
  }
  TBitmap* tb = Dest->Location() == ieTBitmap ? Dest->GetTBitmap() : nullptr;
  auto drawBackground = [&]() {
    if (tb == nullptr) {
      Dest->Fill(this->TIEView::Background());
      return;
    }
    TCanvas* c = tb->Canvas();
    const RECT whole{0, 0, Dest->Width(), Dest->Height()};
    if (Clip != nullptr) {
      HRGN rgn = CreateRectRgn(Clip->Left, Clip->Top, Clip->Right + 1, Clip->Bottom + 1);
      SelectClipRgn(c->Handle(), rgn);
      DeleteObject(rgn);
    }
    bool handled = false;
    if (OnDrawBackground) OnDrawBackground(this, c, whole, handled);
    if (!handled)
      DrawBackground(false, c, Dest, FBackgroundStyle, this->TIEView::Background(), 0, 0, Dest->Width(),
                     Dest->Height(), FOffsetX, FOffsetY, FOffsetX + FVisible.DstW, FOffsetY + FVisible.DstH,
                     FChessboardSize, FChessboardBrush, GradientEndColor, FWallPaper.get(), FWallPaperStyle);
    if (Clip != nullptr) SelectClipRgn(c->Handle(), nullptr);
  };
  bool drawn = false;
  for (int i = 0; i < GetLayersCount(); ++i) {
    TIELayer* l = GetLayer(i);
    if (!l->Visible || FVisible.DstW <= 0 || FVisible.DstH <= 0) continue;
    if (l->Bitmap->Width() < 2 && l->Bitmap->Height() < 2) continue;
    if (l->IsMask && i > 0) continue;  // drawn as the alpha of the layer below
    // a. a mask layer above masks this one
    TIEBitmap* savedAlpha = nullptr;
    std::unique_ptr<TIEBitmap> combined;
    if (i + 1 < GetLayersCount() && GetLayer(i + 1)->IsMask && !l->IsMask && l->RotateAngle == 0) {
      TIELayer* m = GetLayer(i + 1);
      if (m->Bitmap->PixelFormat() != ie8g) {
        m->Bitmap->RemoveAlphaChannel(false);
        m->Bitmap->SetPixelFormat(ie8g);
      }
      if (l->RenderCache == nullptr) {
        auto* cache = new TIEBitmap();
        cache->Allocate(l->Bitmap->Width(), l->Bitmap->Height(), ie8g);
        const bool had = l->Bitmap->HasAlphaChannel();
        const double fx = double(l->GetWidth()) / std::max(l->Bitmap->Width(), 1);
        const double fy = double(l->GetHeight()) / std::max(l->Bitmap->Height(), 1);
        for (int y = 0; y < cache->Height(); ++y) {
          uint8_t* row = cache->Scanline(y);
          const int iy = l->Top + static_cast<int>(y * fy) - m->Top;
          for (int x = 0; x < cache->Width(); ++x) {
            const int ix = l->Left + static_cast<int>(x * fx) - m->Left;
            uint8_t mv = 0;
            if (ix >= 0 && iy >= 0 && ix < m->Bitmap->Width() && iy < m->Bitmap->Height())
              mv = m->Bitmap->Scanline(iy)[ix];
            const uint8_t av = had ? l->Bitmap->GetAlpha(x, y) : 255;
            row[x] = std::min(av, mv);
          }
        }
        l->RenderCache = cache;
      }
      if (l->Bitmap->HasAlphaChannel()) {
        savedAlpha = new TIEBitmap();
        savedAlpha->Assign(l->Bitmap->GetAlphaChannel());
      }
      l->Bitmap->GetAlphaChannel()->Assign(l->RenderCache);
      l->Bitmap->GetAlphaChannel()->Full = false;
    }
    // b. background before the first drawn layer, unless this layer hides it all
    if (!drawn && Background) {
      const bool opaque = !l->Bitmap->HasAlphaChannel() || l->Bitmap->GetAlphaChannel()->Full || !FEnableAlphaChannel;
      const bool covers = i == 0 && FOffsetX == 0 && FOffsetY == 0 && FVisible.DstW >= Dest->Width() &&
                          FVisible.DstH >= Dest->Height() && opaque && l->Opacity > 254 && l->RotateAngle == 0 &&
                          GetLayersCount() == 1;
      if (!covers) drawBackground();
    }
    // c. filter
    TResampleFilter filter = rfNone;
    if (FFilterDelay == 0 && (l->Width != 0 || l->Height != 0 || FZoomX != 100 || FZoomY != 100))
      filter = l->UseResampleFilter ? l->ResampleFilter : FZoomFilter;
    DrawLayer(Dest, Rows, Clip, i, !drawn, Background && FBackgroundStyle == iebsSolid, filter);
    drawn = true;
    if (Decorations) DrawLayerDecorations(Dest, i);
    if (Decorations && i == FLayersCurrent && l->DimOutside) {
      const RECT r = l->ClientRect;
      for (int y = 0; y < Dest->Height(); ++y) {
        TIERGBPixel* row = reinterpret_cast<TIERGBPixel*>(Dest->Scanline(y));
        for (int x = 0; x < Dest->Width(); ++x) {
          if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) continue;
          if ((x & 1) == (y & 1)) row[x] = TIERGBPixel{97, 97, 97};
        }
      }
    }
    // h. restore the layer's own alpha
    if (l->RenderCache != nullptr && i + 1 < GetLayersCount() && GetLayer(i + 1)->IsMask) {
      if (savedAlpha != nullptr) {
        l->Bitmap->GetAlphaChannel()->Assign(savedAlpha);
        delete savedAlpha;
      } else {
        l->Bitmap->RemoveAlphaChannel(false);
      }
    }
  }
  if (!drawn && Background) drawBackground();
  // The selection's fill and outer marking.
  if (Decorations && FVisibleSelection && FSel.Shown && FSelected && tb != nullptr) {
    TIELayer* cur = GetCurrentLayer();
    if (FSelectionOptions.Contains(iesoFilled))
      FMask->DrawInverted(tb->Canvas(), cur->DrawDest[0], cur->DrawDest[1], cur->DrawDest[2], cur->DrawDest[3],
                          cur->DrawSource[0], cur->DrawSource[1], cur->DrawSource[2], cur->DrawSource[3]);
    if (FSelectionOptions.Contains(iesoMarkOuter))
      FMask->MarkOuterArea(Dest, cur->DrawDest[0], cur->DrawDest[1], cur->DrawDest[2], cur->DrawDest[3],
                           cur->DrawSource[0], cur->DrawSource[1], cur->DrawSource[2], cur->DrawSource[3]);
  }
}
