// Layers of the single-image view: TIELayer, the layer list, layer coordinates, rendering all
// layers into one bitmap, flattening, baking sizes and rotations, the layer record.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "imaging/core/iegeom.h"
#include "imaging/core/ietransform.h"
#include "imaging/core/imageryproc.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TIELayer, TObject)

namespace {

void NewGuid(uint8_t* g) {
  static std::random_device rd;
  static std::mt19937_64 gen(rd());
  for (int i = 0; i < 16; i += 8) {
    const uint64_t v = gen();
    std::memcpy(g + i, &v, 8);
  }
  g[6] = static_cast<uint8_t>((g[6] & 0x0F) | 0x40);
  g[8] = static_cast<uint8_t>((g[8] & 0x3F) | 0x80);
}

template <typename T>
void Put(TStream* s, const T& v) {
  s->WriteBuffer(&v, sizeof(T));
}
template <typename T>
void Get(TStream* s, T& v) {
  s->ReadBuffer(&v, sizeof(T));
}
void PutBool(TStream* s, bool v) { Put<uint8_t>(s, v ? 1 : 0); }
bool GetBool(TStream* s) {
  uint8_t b = 0;
  Get(s, b);
  return b != 0;
}

}  // namespace

// ---------------------------------------------------------------- TIELayer

TIELayer::TIELayer(TImageryView* AOwner, bool Share, TIEBitmap* ABitmap) : Owner(AOwner) {
  NewGuid(GUID);
  if (Share) {
    Bitmap = ABitmap;
  } else {
    Bitmap = new TIEBitmap();
    if (ABitmap != nullptr) {
      if (ABitmap->Location() == ieTBitmap) {
        auto* b = new TBitmap();
        b->SetPixelFormat(ABitmap->PixelFormat() == ie1g ? pf1bit : pf24bit);
        b->SetWidth(ABitmap->Width());
        b->SetHeight(ABitmap->Height());
        Bitmap->EncapsulateTBitmap(b, true);
        Bitmap->EncapsulatedBitmap = false;  // the layer's own: freed with the image
      } else {
        Bitmap->SetLocation(ABitmap->Location());
        Bitmap->Allocate(ABitmap->Width(), ABitmap->Height(), ABitmap->PixelFormat());
      }
    }
  }
  OwnsBitmap = true;
  Reset();
}

TIELayer::~TIELayer() {
  if (OwnsBitmap) delete Bitmap;
  Bitmap = nullptr;
  if (UserDataSize > 0) std::free(UserData);
  delete RenderCache;
}

void TIELayer::Reset() {
  Width = Height = 0;
  Visible = true;
  ShowBox = true;
  Opacity = 255;
  Left = Top = 0;
  ClientRect = RECT{0, 0, 0, 0};
  ClipToImage = false;
  Locked = false;
  Selectable = true;
  MagnifyEnabled = false;
  MagnifyRate = 2.0;
  MagnifyShape = 0;
  MagnifySource = 1;
  BlendMode = 0;
  UserData = nullptr;
  UserDataSize = 0;
  IsMask = false;
  std::memset(DrawDest, 0, sizeof DrawDest);
  std::memset(DrawSource, 0, sizeof DrawSource);
  std::memset(RotatedCorners, 0, sizeof RotatedCorners);
  DimOutside = false;
  RotateCenterX = RotateCenterY = 0.5;
  SetRotate(0);
}

void TIELayer::SetRotate(double Angle) {
  if (Angle == std::trunc(Angle) && std::fmod(Angle, 360.0) == 0)
    RotateAngle = 0;
  else
    RotateAngle = Angle;
}

int TIELayer::GetWidth() const { return Width != 0 ? Width : Bitmap->Width(); }
int TIELayer::GetHeight() const { return Height != 0 ? Height : Bitmap->Height(); }

void TIELayer::Assign(TIELayer* Other) {
  Width = Other->Width;
  Height = Other->Height;
  Bitmap->Assign(Other->Bitmap);
  Visible = Other->Visible;
  ShowBox = Other->ShowBox;
  Selectable = Other->Selectable;
  Opacity = Other->Opacity;
  Left = Other->Left;
  Top = Other->Top;
  ClientRect = Other->ClientRect;
  ClipToImage = Other->ClipToImage;
  Locked = Other->Locked;
  MagnifyEnabled = Other->MagnifyEnabled;
  MagnifyRate = Other->MagnifyRate;
  MagnifyShape = Other->MagnifyShape;
  MagnifySource = Other->MagnifySource;
  BlendMode = Other->BlendMode;
  UserData = Other->UserData;
  UserDataSize = 0;  // a reference: only the original frees the block
  ResampleFilter = Other->ResampleFilter;
  UseResampleFilter = Other->UseResampleFilter;
  Name = Other->Name;
  IsMask = Other->IsMask;
  DimOutside = Other->DimOutside;
}

void TIELayer::SaveToStream(TStream* s, bool WithBitmap) {
  const int64_t start = s->Position();
  Put<int32_t>(s, 0);
  s->WriteBuffer(GUID, 16);
  Put<int32_t>(s, Width);
  Put<int32_t>(s, Height);
  PutBool(s, Visible);
  PutBool(s, ShowBox);
  PutBool(s, Selectable);
  Put<int32_t>(s, Opacity);
  Put<int32_t>(s, Left);
  Put<int32_t>(s, Top);
  Put<int32_t>(s, ClientRect.left);
  Put<int32_t>(s, ClientRect.top);
  Put<int32_t>(s, ClientRect.right);
  Put<int32_t>(s, ClientRect.bottom);
  PutBool(s, ClipToImage);
  PutBool(s, Locked);
  uint8_t magnifier[24] = {};
  magnifier[0] = MagnifyEnabled ? 1 : 0;
  std::memcpy(magnifier + 8, &MagnifyRate, 8);
  magnifier[16] = MagnifyShape;
  magnifier[17] = MagnifySource;
  s->WriteBuffer(magnifier, 24);
  Put<uint8_t>(s, BlendMode);
  Put<uint32_t>(s, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(UserData)));
  Put<uint8_t>(s, static_cast<uint8_t>(ResampleFilter));
  PutBool(s, UseResampleFilter);
  Put<int32_t>(s, static_cast<int32_t>(Name.size()));
  if (!Name.empty()) s->WriteBuffer(Name.data(), static_cast<int32_t>(Name.size()));
  PutBool(s, IsMask);
  PutBool(s, DimOutside);
  Put<double>(s, RotateAngle);
  Put<double>(s, RotateCenterX);
  Put<double>(s, RotateCenterY);
  PutBool(s, WithBitmap);
  if (WithBitmap) Bitmap->SaveRaw(s);
  const int64_t end = s->Position();
  s->SetPosition(start);
  Put<int32_t>(s, static_cast<int32_t>(end - start));
  s->SetPosition(end);
}

void TIELayer::LoadFromStream(TStream* s) {
  int32_t size = 0;
  Get(s, size);
  s->ReadBuffer(GUID, 16);
  Get(s, Width);
  Get(s, Height);
  Visible = GetBool(s);
  ShowBox = GetBool(s);
  Selectable = GetBool(s);
  Get(s, Opacity);
  Get(s, Left);
  Get(s, Top);
  int32_t r[4];
  for (int32_t& v : r) Get(s, v);
  ClientRect = RECT{r[0], r[1], r[2], r[3]};
  ClipToImage = GetBool(s);
  Locked = GetBool(s);
  uint8_t magnifier[24];
  s->ReadBuffer(magnifier, 24);
  MagnifyEnabled = magnifier[0] != 0;
  std::memcpy(&MagnifyRate, magnifier + 8, 8);
  MagnifyShape = magnifier[16];
  MagnifySource = magnifier[17];
  Get(s, BlendMode);
  uint32_t ref = 0;
  Get(s, ref);  // the user block is kept by reference in memory, never restored from a number
  uint8_t filter = 0;
  Get(s, filter);
  ResampleFilter = static_cast<TResampleFilter>(filter);
  UseResampleFilter = GetBool(s);
  int32_t n = 0;
  Get(s, n);
  if (n < 0 || n > s->Size() - s->Position()) throw EReadError("Invalid layer record");
  Name.assign(static_cast<size_t>(n), '\0');
  if (n > 0) s->ReadBuffer(Name.data(), n);
  IsMask = GetBool(s);
  DimOutside = GetBool(s);
  Get(s, RotateAngle);
  Get(s, RotateCenterX);
  Get(s, RotateCenterY);
  if (GetBool(s)) Bitmap->LoadRaw(s);
}

// ---------------------------------------------------------------- the view's layer list

void TImageryView::SyncLayers() {
  if (FLegacyBitmap && FBitmap != nullptr && FIEBitmap->Location() == ieTBitmap) FIEBitmap->UpdateFromTBitmap();
  if (FLayersCurrent >= 0 && FLayersCurrent < GetLayersCount()) GetLayer(FLayersCurrent)->Bitmap = FIEBitmap;
  FImageWidth = GetLayer(0)->Bitmap->Width();
  FImageHeight = GetLayer(0)->Bitmap->Height();
}

void TImageryView::SetLayersCurrent(int Index) {
  if (Index < 0 || Index >= GetLayersCount() || Index == FLayersCurrent) return;
  GetLayer(FLayersCurrent)->Bitmap = FIEBitmap;
  const bool sel = FSelected;
  if (sel) PushSelection();
  while (HonourSelectable && Index > 0 && !GetLayer(Index)->Selectable) --Index;
  FLayersCurrent = Index;
  FIEBitmap = GetLayer(Index)->Bitmap;
  FBitmap = FIEBitmap->Location() == ieTBitmap ? FIEBitmap->GetTBitmap() : nullptr;
  if (sel) PopSelection(true, 2);
  CallListeners();
  Update();
}

int TImageryView::AddLayer() {
  auto* l = new TIELayer(this, false, FIEBitmap);
  FLayers.push_back(l);
  const int idx = GetLayersCount() - 1;
  SetLayersCurrent(idx);
  ClearImage();
  return idx;
}

void TImageryView::RemoveLayer(int Index) {
  if (GetLayersCount() < 2 || Index < 0 || Index >= GetLayersCount()) return;
  GetLayer(FLayersCurrent)->Bitmap = FIEBitmap;
  const int current = FLayersCurrent;
  if (Index + 1 < GetLayersCount() && GetLayer(Index + 1)->IsMask && GetLayersCount() > 2) {
    delete GetLayer(Index + 1);
    FLayers.erase(FLayers.begin() + Index + 1);
  }
  delete GetLayer(Index);
  FLayers.erase(FLayers.begin() + Index);
  int target = current;
  if (Index == current)
    target = std::min(current, GetLayersCount() - 1);
  else if (Index < current)
    target = current - 1;
  target = std::clamp(target, 0, GetLayersCount() - 1);
  FLayersCurrent = target;
  FIEBitmap = GetLayer(target)->Bitmap;
  FBitmap = FIEBitmap->Location() == ieTBitmap ? FIEBitmap->GetTBitmap() : nullptr;
  CallListeners();
  Update();
}

void TImageryView::ClearLayers() {
  GetLayer(FLayersCurrent)->Bitmap = FIEBitmap;
  while (GetLayersCount() > 1) {
    delete FLayers.back();
    FLayers.pop_back();
  }
  FLayersCurrent = 0;
  TIELayer* l0 = GetLayer(0);
  FIEBitmap = l0->Bitmap;
  FBitmap = FIEBitmap->Location() == ieTBitmap ? FIEBitmap->GetTBitmap() : nullptr;
  l0->Reset();
  l0->ShowBox = false;
  l0->Locked = true;
  ClearImage();
}

int TImageryView::ScreenToLayerX(TIELayer* L, int x) {
  const int dw = L->GetWidth();
  if (dw == 0) return 0;
  // Multiplied before dividing, so that a layer shown at its own size converts exactly.
  return static_cast<int>(
      std::trunc(double(ScreenToBitmapX(x - static_cast<int>(std::trunc(L->Left * FZoomX / 100)))) * L->Bitmap->Width() / dw));
}

int TImageryView::ScreenToLayerY(TIELayer* L, int y) {
  const int dh = L->GetHeight();
  if (dh == 0) return 0;
  return static_cast<int>(
      std::trunc(double(ScreenToBitmapY(y - static_cast<int>(std::trunc(L->Top * FZoomY / 100)))) * L->Bitmap->Height() / dh));
}

int TImageryView::LayerToScreenX(TIELayer* L, int x) {
  const int bw = std::max(L->Bitmap->Width(), 1);
  return BitmapToScreenX(static_cast<int>(std::trunc(double(x) * L->GetWidth() / bw))) +
         static_cast<int>(std::trunc(L->Left * FZoomX / 100));
}

int TImageryView::LayerToScreenY(TIELayer* L, int y) {
  const int bh = std::max(L->Bitmap->Height(), 1);
  return BitmapToScreenY(static_cast<int>(std::trunc(double(y) * L->GetHeight() / bh))) +
         static_cast<int>(std::trunc(L->Top * FZoomY / 100));
}

int TImageryView::FindLayerAt(int x, int y, bool Honour) {
  for (int i = GetLayersCount() - 1; i >= 0; --i) {
    TIELayer* l = GetLayer(i);
    if (!l->Visible) continue;
    const RECT& r = l->ClientRect;
    if (x < r.left || x > r.right || y < r.top || y > r.bottom) continue;
    if (Honour && HonourSelectable && !l->Selectable) continue;
    if (!l->Bitmap->HasAlphaChannel() || FSelectionOptions.Contains(iesoSelectTranspLayers)) return i;
    const int lx = std::clamp(ScreenToLayerX(l, x), 0, std::max(l->Bitmap->Width() - 1, 0));
    const int ly = std::clamp(ScreenToLayerY(l, y), 0, std::max(l->Bitmap->Height() - 1, 0));
    if (l->Bitmap->GetAlpha(lx, ly) != 0) return i;
  }
  return -1;
}

bool TImageryView::PointInLayer(int x, int y, int Index) {
  if (Index < 0 || Index >= GetLayersCount()) return false;
  TIELayer* l = GetLayer(Index);
  if (!l->Visible) return false;
  if (l->RotateAngle != 0) return IEPointInPolygon(x, y, l->RotatedCorners, 3);
  const RECT& r = l->ClientRect;
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

RECT TImageryView::LayerGripRect(TIELayer* L, int Grip) {
  const int g = LayersGripSize;
  int x = 0, y = 0;
  if (Grip == 9) {
    x = static_cast<int>(L->ClientRect.left + (L->ClientRect.right - L->ClientRect.left) * L->RotateCenterX);
    y = static_cast<int>(L->ClientRect.top + (L->ClientRect.bottom - L->ClientRect.top) * L->RotateCenterY);
  } else if (L->RotateAngle != 0) {
    const TIEPoint* c = L->RotatedCorners;
    auto mid = [&](int a, int b) { return TIEPoint{(c[a].X + c[b].X) / 2, (c[a].Y + c[b].Y) / 2}; };
    TIEPoint p{};
    switch (Grip) {
      case 1: p = c[0]; break;
      case 2: p = c[1]; break;
      case 3: p = c[2]; break;
      case 4: p = c[3]; break;
      case 5: p = mid(3, 0); break;
      case 6: p = mid(1, 2); break;
      case 7: p = mid(0, 1); break;
      default: p = mid(2, 3); break;
    }
    x = p.X;
    y = p.Y;
  } else {
    const RECT& r = L->ClientRect;
    const int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    switch (Grip) {
      case 1: x = r.left; y = r.top; break;
      case 2: x = r.right; y = r.top; break;
      case 3: x = r.right; y = r.bottom; break;
      case 4: x = r.left; y = r.bottom; break;
      case 5: x = r.left; y = my; break;
      case 6: x = r.right; y = my; break;
      case 7: x = mx; y = r.top; break;
      default: x = mx; y = r.bottom; break;
    }
  }
  return RECT{x - g, y - g, x + g, y + g};
}

void TImageryView::RenderLayersTo(TIEBitmap* Bitmap) {
  SyncLayers();
  TIELayer* l0 = GetLayer(0);
  int right = l0->GetWidth(), bottom = l0->GetHeight(), mx = 0, my = 0;
  for (TIELayer* l : FLayers) {
    if (l->ClipToImage && l != l0) continue;
    right = std::max(right, l->Left + l->GetWidth());
    bottom = std::max(bottom, l->Top + l->GetHeight());
    if (l->Left < 0) mx = std::max(mx, -l->Left);
    if (l->Top < 0) my = std::max(my, -l->Top);
  }
  Bitmap->Allocate(right + mx, bottom + my, ie24RGB);
  Bitmap->Fill(Background());
  if (Bitmap->HasAlphaChannel()) Bitmap->GetAlphaChannel()->Fill(255);
  // Save the view state, render at 100 % with the image offset by the margins, restore.
  const double zx = FZoomX, zy = FZoomY;
  const int vx = FViewX, vy = FViewY, ox = FOffsetX, oy = FOffsetY;
  const int ex = FExtentX, ey = FExtentY, vex = FVisibleExtentX, vey = FVisibleExtentY;
  const TVisibleRect vis = FVisible;
  const bool center = FCenter;
  FZoomX = FZoomY = 100;
  RefreshFactors();
  FViewX = FViewY = 0;
  FOffsetX = mx;
  FOffsetY = my;
  FExtentX = FVisibleExtentX = l0->Bitmap->Width();
  FExtentY = FVisibleExtentY = l0->Bitmap->Height();
  FVisible = TVisibleRect{0, 0, FExtentX, FExtentY, FExtentX, FExtentY};
  FTables = false;
  FS2IX.clear();
  FS2IY.clear();
  FI2SX.clear();
  FI2SY.clear();
  FCenter = false;
  LockUpdate();
  try {
    PaintToBitmap(Bitmap, nullptr, nullptr, false, false);
  } catch (...) {
  }
  FLockUpdate--;
  FCenter = center;
  FZoomX = zx;
  FZoomY = zy;
  RefreshFactors();
  FViewX = vx;
  FViewY = vy;
  FOffsetX = ox;
  FOffsetY = oy;
  FExtentX = ex;
  FExtentY = ey;
  FVisibleExtentX = vex;
  FVisibleExtentY = vey;
  FVisible = vis;
  FTabW = -1;
  FSuppressInvalidate = true;
  Update();
  FSuppressInvalidate = false;
}

void TImageryView::FlattenLayers() {
  TIEBitmap result;
  result.Allocate(FIEBitmap->Width(), FIEBitmap->Height(), ie24RGB);
  result.Fill(Background());
  RenderLayersTo(&result);
  ClearLayers();
  FIEBitmap->Assign(&result);
  Update();
}

void TImageryView::DoLayerNotify(int Layer, int Event) {
  if (!OnLayerNotify) return;
  RestoreSelectionBase();
  OnLayerNotify(this, Layer, Event);
  SetSelectionBaseTemp();
}

void TImageryView::LayersFixSizes(int Index) {
  const int current = FLayersCurrent;
  const bool honour = HonourSelectable;
  HonourSelectable = false;
  for (int i = 0; i < GetLayersCount(); ++i) {
    if (Index >= 0 && i != Index) continue;
    TIELayer* l = GetLayer(i);
    if (l->Width == 0 && l->Height == 0) continue;
    SetLayersCurrent(i);
    const int w = l->GetWidth(), h = l->GetHeight();
    if (w != l->Bitmap->Width() || h != l->Bitmap->Height())
      GetProc()->Resample(w, h, l->UseResampleFilter ? l->ResampleFilter : FZoomFilter);
    l->Width = l->Height = 0;
  }
  SetLayersCurrent(current);
  HonourSelectable = honour;
}

void TImageryView::LayersFixRotations(int Index) {
  const int current = FLayersCurrent;
  const bool honour = HonourSelectable;
  HonourSelectable = false;
  for (int i = 0; i < GetLayersCount(); ++i) {
    if (Index >= 0 && i != Index) continue;
    TIELayer* l = GetLayer(i);
    if (l->RotateAngle == 0) continue;
    LayersFixSizes(i);
    SetLayersCurrent(i);
    const int w = l->Bitmap->Width(), h = l->Bitmap->Height();
    TIEPoint pts[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    IERotatePoints(pts, 3, static_cast<int>(w * l->RotateCenterX), static_cast<int>(h * l->RotateCenterY),
                   l->RotateAngle);
    int minX = pts[0].X, minY = pts[0].Y;
    for (const TIEPoint& p : pts) {
      minX = std::min(minX, p.X);
      minY = std::min(minY, p.Y);
    }
    l->Bitmap->GetAlphaChannel();  // the uncovered corners become transparent
    GetProc()->Rotate(l->RotateAngle, 0, 0, Background());
    l->Left += minX;
    l->Top += minY;
    l->Width = l->Height = 0;
    l->SetRotate(0);
    TIERectangle r{};
    IEAlphaBoundingRect(l->Bitmap, r);
    if (r.Right >= r.Left && r.Bottom >= r.Top && (r.Left > 0 || r.Top > 0 || r.Right < l->Bitmap->Width() - 1 ||
                                                   r.Bottom < l->Bitmap->Height() - 1)) {
      GetProc()->Crop(r.Left, r.Top, r.Right, r.Bottom);
      l->Left += r.Left;
      l->Top += r.Top;
    }
  }
  SetLayersCurrent(current);
  HonourSelectable = honour;
}

void TImageryView::LayersCropBorders(int Index) {
  const int current = FLayersCurrent;
  const bool honour = HonourSelectable;
  HonourSelectable = false;
  for (int i = 0; i < GetLayersCount(); ++i) {
    if (Index >= 0 && i != Index) continue;
    if (!GetLayer(i)->Bitmap->HasAlphaChannel()) continue;
    SetLayersCurrent(i);
    GetProc()->CropTransparentBorder();
  }
  SetLayersCurrent(current);
  HonourSelectable = honour;
}

void TImageryView::LayerSaveToStream(int Index, TStream* Stream, bool WithImage) {
  SyncLayers();
  GetLayer(Index)->SaveToStream(Stream, WithImage);
}

void TImageryView::LayerLoadFromStream(int Index, TStream* Stream) {
  GetLayer(Index)->LoadFromStream(Stream);
  SyncLayers();
}

void TImageryView::LayerGUID(int Index, uint8_t* Guid16) { std::memcpy(Guid16, GetLayer(Index)->GUID, 16); }
