// The thumbnail grid: painting (see iemview.h).
//
// Everything is drawn into the back buffer (a 24-bit image in class-library storage, so it has a
// canvas), which Paint then copies to the window. The application depends on the order of the
// draw events of a cell: OnBeforeImageDraw (caption colours), OnBeforeImageDrawEx (its frame
// picture and the narrowed picture area), then the picture, captions and edges, OnImageDraw and
// OnImageDraw2, the border, and the selection mark (only without OnBeforeImageDrawEx).
#include <algorithm>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/iehint.h"
#include "imaging/core/ieresample.h"
#include "imaging/views/iebackground.h"
#include "imaging/views/iegdiplus.h"
#include "imaging/views/iemview.h"
#include "imaging/views/iemview_internal.h"
#include "imaging/views/ievirtualimagelist.h"

namespace {

constexpr int kChessboardSquare = 16;
constexpr TColor kGradientEnd = 0xFF0000;  // blue
constexpr TColor kGrey = 0x808080;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kBlack = 0x000000;
// Pictures farther than this many images from the visible ones are released on every paint.
constexpr int kKeepAround = 15;

// Code points of a UTF-8 text (so that captions are shortened by characters, not bytes).
std::vector<std::string> Characters(const std::string& Text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < Text.size();) {
    const unsigned char c = static_cast<unsigned char>(Text[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    n = std::min(n, Text.size() - i);
    out.push_back(Text.substr(i, n));
    i += n;
  }
  return out;
}

std::string Join(const std::vector<std::string>& Chars, size_t From, size_t To) {
  std::string s;
  for (size_t i = From; i < To && i < Chars.size(); ++i) s += Chars[i];
  return s;
}

// Wraps stored rows (and alpha rows) as a bitmap without copying them.
void WrapEntry(TIEVirtualImageList* List, TIEVirtualImageEntry* Entry, TIEBitmap& Wrap,
               TIEBitmap*& Alpha) {
  const int w = List->GetWidth(Entry), h = List->GetHeight(Entry);
  // Mapping an entry that is already mapped with the same access keeps its window, so both
  // addresses stay valid together.
  uint8_t* pixels = List->GetPixels(Entry);
  uint8_t* alpha = List->GetAlphaPixels(Entry);
  Wrap.EncapsulateMemory(pixels, w, h, List->GetPixelFormat(Entry));
  if (Wrap.PixelFormat() == ie8p)
    for (size_t i = 0; i < Entry->Palette.size(); ++i)
      Wrap.SetPaletteEntry(static_cast<int>(i), Entry->Palette[i]);
  Alpha = nullptr;
  if (alpha != nullptr && !Wrap.IsEmpty()) {
    Alpha = new TIEBitmap();
    Alpha->EncapsulateMemory(alpha, w, h, ie8g);
    Alpha->Full = false;
    Wrap.AttachAlphaChannel(Alpha);
  }
}

}  // namespace

std::string IEShortenCaption(TCanvas* Canvas, const std::string& Caption, int Width, uint8_t Side) {
  std::string s = Caption;
  const std::vector<std::string> chars = Characters(Caption);
  const size_t len = chars.size();
  for (size_t count = 1; Canvas->TextWidth(s) > Width && Characters(s).size() >= 2;) {
    ++count;
    const std::string piece = Side == 0
                                  ? (count < len ? Join(chars, 0, len - count) : std::string())
                                  : Join(chars, count - 1, len);
    if (piece.empty()) break;
    s = Side == 0 ? piece + "..." : "..." + piece;
  }
  return s;
}

void TImageryMView::UpdateScreenSnapshot() {
  TIELock lock(FThreadCS);
  FScreen.ViewX = FViewX;
  FScreen.ViewY = FViewY;
  FScreen.Width = Width();
  FScreen.Height = Height();
}

bool TImageryMView::IsCellOnScreen(int idx) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  if (info == nullptr) return false;
  const int x1 = info->X - FScreen.ViewX, y1 = info->Y - FScreen.ViewY;
  const int x2 = x1 + FThumbWidth - 1, y2 = y1 + FThumbHeight - 1;
  return x2 >= 0 && y2 >= 0 && x1 <= FScreen.Width - 1 && y1 <= FScreen.Height - 1;
}

void TImageryMView::Paint() {
  if (FLockPaint > 0 || !HandleAllocated()) return;
  const int cw = ClientWidth(), ch = ClientHeight();
  if (cw <= 0 || ch <= 0) return;
  if (FBackBuffer->Width() != cw || FBackBuffer->Height() != ch ||
      FBackBuffer->Location() != ieTBitmap) {
    FBackBuffer->SetLocation(ieTBitmap);
    FBackBuffer->FullReallocate = true;
    FBackBuffer->Allocate(cw, ch, ie24RGB);
  }
  TBitmap* back = FBackBuffer->GetTBitmap();
  if (back == nullptr) return;
  PaintBackground(back);
  HDC dc = Canvas()->Handle();
  HDC src = back->Canvas()->Handle();
  if (GetDeviceCaps(dc, BITSPIXEL) >= 24) {
    BitBlt(dc, 0, 0, cw, ch, src, 0, 0, SRCCOPY);
  } else {
    const int old = SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 0, 0, cw, ch, src, 0, 0, cw, ch, SRCCOPY);
    SetStretchBltMode(dc, old);
  }
}

void TImageryMView::ReleaseFarPictures(int FirstVisible, int LastVisible) {
  if (FirstVisible < 0) return;
  TIELock lock(FThreadCS);
  for (int i = 0; i < GetImageCount(); ++i) {
    if (i >= FirstVisible - kKeepAround && i <= LastVisible + kKeepAround) continue;
    TIEImageInfo* info = FImageInfo[static_cast<size_t>(i)].get();
    // A picture fetched for editing (the selected image's, GetImagePicture) stays: freeing it
    // would pull the bitmap from under its user.
    if (info->Image == nullptr || info->Image->Fetched || !CanReload(info)) continue;
    FImageList->Delete(info->Image);
    info->Image = nullptr;
  }
}

void TImageryMView::PaintBackground(TBitmap* Bitmap) {
  TCanvas* canvas = Bitmap->Canvas();
  const int cw = ClientWidth(), ch = ClientHeight();
  const bool designing = ComponentState().Contains(csDesigning);
  UpdateScreenSnapshot();
  IEDrawBackground(designing, canvas, FBackBuffer.get(), FBackgroundStyle, Background(), 0, 0, cw,
                   ch, 0, 0, 0, 0, kChessboardSquare, bsSolid, kGradientEnd, nullptr, iewoNormal);
  IEDrawWallPaper(canvas, FWallPaper.get(), FWallPaperStyle, cw, ch);

  for (;;) {
    const int count = GetImageCount();
    const int n = FDisplayMode == mdSingle && count >= 1 ? 1 : count;
    const int first =
        (FPlaying || FDisplayMode == mdSingle) && count > 0 ? std::clamp(FFrame, 0, count - 1) : 0;
    bool previous = FAllDisplayed;
    FAllDisplayed = true;
    int firstVisible = -1, lastVisible = count - 1;
    // The cells this walk will load synchronously are decoded ahead, in parallel.
    std::vector<int> toLoad;
    for (int k = 0, idx = first; k < n; ++k, idx = (idx + 1) % count)
      if (IsCellOnScreen(idx)) toLoad.push_back(idx);
    StartPrefetch(toLoad);
    bool restart = false;
    for (int k = 0, idx = first; k < n; ++k, idx = (idx + 1) % std::max(GetImageCount(), 1)) {
      if (OnDrawProgress && n > 1)
        OnDrawProgress(this, static_cast<int>(static_cast<double>(k) / n * 100), idx);
      if (!IsCellOnScreen(idx)) {
        if (firstVisible != -1 && lastVisible == count - 1) lastVisible = idx - 1;
        continue;
      }
      if (firstVisible == -1) firstVisible = idx;
      TIEImageInfo* info = ImageInfo(idx);
      if (info->Image == nullptr && info->CacheImage == nullptr) {
        previous = false;
        if (idx == FSelectedItem || FThreadPoolSize == 0 || !RequestLoad(idx)) {
          if (!LoadImageNow(idx) && FRemoveCorrupted) {
            // The other cells keep their places until the next layout.
            RemoveImage(idx);
            restart = true;
            break;
          }
        }
      }
      info = ImageInfo(idx);
      if (info == nullptr) continue;
      const bool selected = (idx == FSelectedItem || (FEnableMultiSelect && IsSelected(idx))) &&
                            FVisibleSelection && FDisplayMode == mdGrid;
      if (info->Image == nullptr && info->CacheImage == nullptr) FAllDisplayed = false;
      PaintCell(Bitmap, info, idx, selected);
    }
    EndPrefetch();
    if (restart) continue;
    ReleaseFarPictures(firstVisible, lastVisible);
    if (OnDrawProgress && n > 1) OnDrawProgress(this, 100, 0);
    if (OnAllDisplayed && FAllDisplayed && !previous) OnAllDisplayed(this);
    break;
  }
}

void TImageryMView::DrawCaption(TCanvas* Canvas, TIEMText* Text, const RECT& Cell, bool Selected,
                                int Kind, int& Height) {
  Canvas->Font()->Assign(Text->Font());
  Canvas->Brush()->SetStyle(Text->BackgroundStyle());
  const bool clear = Text->BackgroundStyle() == bsClear;
  if (Selected && FSelectionStyle == iessACD) {
    Canvas->Font()->SetColor(clHighlightText);
    if (!clear) Canvas->Brush()->SetColor(clHighlight);
  } else if (!clear) {
    Canvas->Brush()->SetColor(Text->Background());
  }
  const int cw = Cell.right - Cell.left;
  const std::string s = IEShortenCaption(Canvas, Text->Caption(), cw, Text->TruncSide());
  const int th = Canvas->TextHeight(s), tw = Canvas->TextWidth(s);
  const bool solid = Text->BackgroundStyle() == bsSolid;
  switch (Kind) {
    case 0:  // top
      if (FStyle == iemsFlat && solid)
        Canvas->FillRect(RECT{Cell.left, Cell.top, Cell.right, Cell.top + th});
      Canvas->TextOut(Cell.left + (cw - tw) / 2, Cell.top, s);
      break;
    case 2: {                              // info, above the bottom gap
      const int b = Cell.bottom - Height;  // Height brings the bottom gap in
      const int ih = Canvas->TextHeight(Text->Caption());
      if (FStyle == iemsFlat && solid) Canvas->FillRect(RECT{Cell.left, b - ih, Cell.right, b});
      Canvas->TextOut(Cell.left + (cw - tw) / 2, b - ih, s);
      break;
    }
    default: {  // bottom
      if (solid) Canvas->FillRect(RECT{Cell.left, Cell.bottom - th - 1, Cell.right, Cell.bottom});
      Canvas->TextOut(Cell.left + (cw - (tw + 2)) / 2 + 1, Cell.bottom - th - 1, s);
      Height = th + 3;
      break;
    }
  }
}

void TImageryMView::PaintCell(TBitmap* Bitmap, TIEImageInfo* Info, int idx, bool Selected) {
  TIELock lock(FThreadCS);
  TCanvas* canvas = Bitmap->Canvas();
  // 1. Gaps and the cell.
  const int upperGap = FShowText ? FUpperGap : FSetUpperGap;
  const int bottomGap = FShowText ? FBottomGap : FSetBottomGap;
  int cl = Info->X - FViewX, ct = Info->Y - FViewY, cw = FThumbWidth, ch = FThumbHeight;
  // 2.-3. The application's hooks; the second may move and narrow the cell.
  if (OnBeforeImageDraw) OnBeforeImageDraw(this, idx, cl, ct, canvas);
  if (OnBeforeImageDrawEx) {
    RECT r{0, 0, cw, ch};
    OnBeforeImageDrawEx(this, idx, cl, ct, Bitmap, r);
    cw = r.right - r.left;
    ch = r.bottom - r.top;
    cl += r.left;
    ct += r.top;
  }
  const int cr = cl + cw, cb = ct + ch;
  // 4.-5. Info caption height and the picture area.
  int infoHeight = 0;
  if (FShowText && !Info->InfoText->Caption().empty()) {
    canvas->Font()->Assign(Info->InfoText->Font());
    infoHeight = canvas->TextHeight(Info->InfoText->Caption());
  }
  const int areaHeight = ch - bottomGap - upperGap - infoHeight;
  // 6. The cell's background box.
  const TColor cellColor = Selected && FSelectionStyle == iessACD ? clHighlight
                           : FDrawImageBackground                 ? Info->Background
                                                                  : FThumbsBackground;
  if (FFillThumbnail)
    IEDrawBackground(false, canvas, FBackBuffer.get(), FThumbnailsBackgroundStyle, cellColor, cl,
                     ct, cw, ch, 0, 0, 0, 0, kChessboardSquare, bsSolid, kGradientEnd, nullptr,
                     iewoNormal);
  // 7. The picture: the display thumbnail when there is one, else the stored picture resampled
  // to the cell (and kept as display thumbnail while caching is on).
  int pl = 0, pt = 0, dw = 0, dh = 0;
  bool drawn = false;
  if (Info->CacheImage == nullptr && Info->Image != nullptr) {
    const int w = FImageList->GetWidth(Info->Image), h = FImageList->GetHeight(Info->Image);
    if (w >= 1 && h >= 1) {
      TIEBitmap wrap;
      TIEBitmap* alpha = nullptr;
      WrapEntry(FImageList.get(), Info->Image, wrap, alpha);
      dw = cw;
      dh = areaHeight;
      IEFitSize(w, h, cw, areaHeight, dw, dh);
      pl = cl + (cw - dw) / 2;
      pt = ct + upperGap + (areaHeight - dh) / 2;
      TIEBitmap shown;
      shown.SetLocation(ieMemory);
      const bool bwReduced = wrap.PixelFormat() == ie1g && (dw < w || dh < h);
      if (shown.Allocate(dw, dh, bwReduced ? ie24RGB : wrap.PixelFormat()) && !wrap.IsEmpty()) {
        if (wrap.PixelFormat() == ie8p) wrap.CopyPaletteTo(&shown);
        IEResample(&wrap, &shown, bwReduced ? rfFastLinear : rfNone, this, {});
        shown.DrawToBitmapEx(FBackBuffer.get(), nullptr, nullptr, pl, pt, dw, dh, 0, 0, dw, dh,
                             FEnableAlphaChannel, false, 255, rfNone, 0);
        Info->InternalRect = TIERect{0, 0, dw, dh};
        if (FEnableImageCaching) {
          Info->CacheImage = FCacheList->AddBitmap(&shown);
          FCacheList->SetOriginalWidth(Info->CacheImage, FImageList->GetOriginalWidth(Info->Image));
          FCacheList->SetOriginalHeight(Info->CacheImage,
                                        FImageList->GetOriginalHeight(Info->Image));
        }
        drawn = true;
      }
    }
  } else if (Info->CacheImage != nullptr) {
    TIEBitmap wrap;
    TIEBitmap* alpha = nullptr;
    WrapEntry(FCacheList.get(), Info->CacheImage, wrap, alpha);
    if (!wrap.IsEmpty()) {
      dw = wrap.Width();
      dh = wrap.Height();
      pl = cl + (cw - dw) / 2;
      pt = ct + upperGap + (areaHeight - dh) / 2;
      wrap.DrawToBitmapEx(FBackBuffer.get(), nullptr, nullptr, pl, pt, dw, dh, 0, 0, dw, dh, true,
                          false, 255, rfNone, 0);
      drawn = true;
    }
  }
  // 8. Internal border and the bands around the picture.
  if (drawn) {
    if (FThumbnailsInternalBorder) {
      canvas->Pen()->SetStyle(psSolid);
      canvas->Pen()->SetMode(pmCopy);
      canvas->Pen()->SetWidth(1);
      canvas->Pen()->SetColor(FThumbnailsInternalBorderColor);
      canvas->Brush()->SetStyle(bsClear);
      const TIERect& ir = Info->InternalRect;
      canvas->Rectangle(pl + ir.Left, pt + ir.Top, pl + ir.Right, pt + ir.Bottom);
    }
    if (FFillThumbnail) {
      canvas->Brush()->SetStyle(bsSolid);
      canvas->Brush()->SetColor(cellColor);
      canvas->FillRect(RECT{cl, ct, pl, cb});
      canvas->FillRect(RECT{pl + dw, ct, cr, cb});
      canvas->FillRect(RECT{pl, ct, pl + dw, pt});
      canvas->FillRect(RECT{pl, pt + dh, pl + dw, cb});
    }
  }
  // 9. Captions.
  int bottomTextHeight = 0;
  const RECT cell{cl, ct, cr, cb};
  if (FShowText) {
    int unused = 0;
    if (!Info->TopText->Caption().empty())
      DrawCaption(canvas, Info->TopText.get(), cell, Selected, 0, unused);
    if (!Info->InfoText->Caption().empty()) {
      int gap = bottomGap;
      DrawCaption(canvas, Info->InfoText.get(), cell, Selected, 2, gap);
    }
    if (!Info->BottomText->Caption().empty())
      DrawCaption(canvas, Info->BottomText.get(), cell, Selected, 1, bottomTextHeight);
  }
  // 10. Edges of the iemsACD style.
  if (FStyle == iemsACD) {
    if (drawn) IEDrawEdgeRect(canvas, pl, pt, kWhite, kGrey, pt + dh - 1, pl + dw - 1);
    if (upperGap + bottomGap > 0 || (FShowText && !Info->InfoText->Caption().empty()))
      IEDrawEdgeRect(canvas, cl, ct, kBlack, kWhite, cb - bottomTextHeight - 1, cr - 1);
    if (FShowText && !Info->BottomText->Caption().empty())
      IEDrawEdgeRect(canvas, cl, cb - bottomTextHeight + 2, kWhite, kGrey, cb - 1, cr - 1);
  }
  // 11. The application's drawing over the cell.
  if (OnImageDraw) OnImageDraw(this, idx, cl, ct, canvas);
  if (OnImageDraw2) OnImageDraw2(this, idx, cl, ct, RECT{pl, pt, pl + dw, pt + dh}, canvas);
  // 12. The border grows outward one pixel per step.
  if (FThumbnailsBorderWidth > 0) {
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetMode(pmCopy);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetColor(FThumbnailsBorderColor);
    canvas->Brush()->SetStyle(bsClear);
    for (int i = 1; i <= FThumbnailsBorderWidth; ++i)
      canvas->Rectangle(cl - i, ct - i, cr + i, cb + i);
  }
  // 13. The selection mark.
  if (Selected && FSelectionStyle != iessACD && !OnBeforeImageDrawEx) {
    TIECanvas c(canvas, true, true);
    c.Pen()->SetStyle(psSolid);
    c.Pen()->SetMode(pmCopy);
    c.Pen()->SetWidth(static_cast<float>(Focused() ? FSelectionWidth : 1));
    c.Pen()->SetColor(FSelectionColor);
    c.Brush()->SetStyle(bsClear);
    c.RoundRect(cl, ct, cr, cb, 4, 4);
  }
}
