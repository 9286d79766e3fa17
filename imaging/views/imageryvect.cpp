// TImageryVect: the object store, the shared bitmap table, selection, copies, object undo, the
// extended-class registry, properties and events, and the vector unit's start-up (see
// imageryvect.h).
#include "imaging/views/imageryvect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imaging/core/iefontstyle.h"
#include "imaging/core/imageryproc.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TImageryVect, TImageryView)
ORV_CLASS_IMPL(TIEVExtendedObject, TObject)

UINT IEVectClipboardFormat = 0;
int IEMemoShortCuts[12] = {};

namespace {

struct TVectExtendedClass {
  std::string Name;
  TClass Class;
};
// The process-wide registry of extended-object classes (made by the unit's start-up).
std::vector<TVectExtendedClass>* VectExtendedClasses = nullptr;

// Kinds whose box is a start and an end point (never ordered).
bool VectIsPointPairKind(TIEVObjectKind k) { return k == iekLINE || k == iekRULER || k == iekLINELABEL; }

void VectOrderBox(TIEVObject& o) {
  if (o.X1 > o.X2) std::swap(o.X1, o.X2);
  if (o.Y1 > o.Y2) std::swap(o.Y1, o.Y2);
}

// Same size, both or neither with alpha, identical rows and alpha rows.
bool VectSameBitmap(TIEBitmap* a, TIEBitmap* b) {
  if (a == nullptr || b == nullptr) return false;
  if (a->Width() != b->Width() || a->Height() != b->Height() || a->PixelFormat() != b->PixelFormat()) return false;
  if (a->HasAlphaChannel() != b->HasAlphaChannel()) return false;
  const int bytes = (a->Width() * IEBitsPerPixel[a->PixelFormat()] + 7) / 8;
  for (int y = 0; y < a->Height(); ++y)
    if (std::memcmp(a->Scanline(y), b->Scanline(y), static_cast<size_t>(bytes)) != 0) return false;
  if (a->HasAlphaChannel()) {
    TIEBitmap* aa = a->GetAlphaChannel();
    TIEBitmap* ba = b->GetAlphaChannel();
    for (int y = 0; y < aa->Height(); ++y)
      if (std::memcmp(aa->Scanline(y), ba->Scanline(y), static_cast<size_t>(aa->Width())) != 0) return false;
  }
  if (a->PixelFormat() == ie8p) {
    for (int i = 0; i < std::min(a->PaletteLength(), b->PaletteLength()); ++i) {
      const TIERGBPixel pa = a->GetPaletteEntry(i), pb = b->GetPaletteEntry(i);
      if (pa.r != pb.r || pa.g != pb.g || pa.b != pb.b) return false;
    }
  }
  return true;
}

}  // namespace

TIEVObject::TIEVObject(TIEVObject&&) noexcept = default;
TIEVObject& TIEVObject::operator=(TIEVObject&&) noexcept = default;
TIEVObject::~TIEVObject() {
  if (UserDataLength > 0) std::free(UserData);
}

uint8_t IEVFontOutputQuality(uint8_t FontQuality) {
  static const uint8_t map[7] = {4, 5, 6, 0, 1, 3, 2};
  return FontQuality < 7 ? map[FontQuality] : 0;
}

TIEVExtendedObject* TIEVExtendedObject::Clone() {
  TObject* o = ClassType()->Factory != nullptr ? ClassType()->Factory(nullptr) : nullptr;
  auto* e = dynamic_cast<TIEVExtendedObject*>(o);
  if (e == nullptr) {
    delete o;
    return nullptr;
  }
  e->Value = Value;
  return e;
}

// ================================================================ construction

TImageryVect::TImageryVect(TComponent* AOwner) : TImageryView(AOwner) {
  LockUpdate();
  FObjGripImage = std::make_unique<TPicture>();
  // The template.
  FTemplate.X1 = 0;
  FTemplate.Y1 = 0;
  FTemplate.X2 = 63;
  FTemplate.Y2 = 63;
  FTemplate.Kind = iekNONE;
  FTemplate.Transparency = 255;
  FTemplate.PenColor = Canvas()->Font()->Color();
  FTemplate.PenStyle = psSolid;
  FTemplate.PenWidth = 1;
  FTemplate.BrushColor = clWhite;
  FTemplate.BrushStyle = bsClear;
  FTemplate.ShapeWidth = 10;
  FTemplate.ShapeLength = 20;
  FTemplate.LabelBrushColor = clWhite;
  FTemplate.LabelBrushStyle = bsSolid;
  FTemplate.LabelPosition = 1;
  FTemplate.LabelBorder = 1;
  FTemplate.ArcStart = 0;
  FTemplate.ArcEnd = 2 * M_PI;
  FTemplate.BitmapSlot = -1;
  {
    TFont f;
    f.Assign(Canvas()->Font());
    f.SetName("Arial");
    FTemplate.Font = std::make_unique<LOGFONT>(f.LogFont());
  }
  FTemplate.FontQuality = 0;
  FTemplate.TextAlign = 0;
  FTemplate.MemoFixedFont = true;
  FTemplate.CharAngle = -10;
  FTemplate.TextEditable = true;
  FTemplate.MemoBorderColor = clWhite;
  FTemplate.Style = ievsSelectable | ievsMoveable | ievsSizeable | ievsVisible;
  FTemplate.RulerUnit = FMUnit;
  FTemplate.RulerType = 2;
  FTemplate.AnglePoints[0] = {0, 0};
  FTemplate.AnglePoints[1] = {50, 0};
  FTemplate.AnglePoints[2] = {50, 50};
  FTemplate.SoftShadow = TIEVSoftShadow{};
  SetObjectBitmapFromIcon(IEV_TEMPLATE, "IDI_HAND", 64, 64);
  // The measure hint.
  FMeasureHintBitmap = std::make_unique<TIEBitmap>();
  FMeasureHintFont = std::make_unique<TFont>();
  FMeasureHintFont->SetStyle(TFontStyles{fsBold});
  FMeasureHintFont->SetColor(clBlack);
  FMeasureHintBrush = std::make_unique<TBrush>();
  FMeasureHintBrush->SetColor(0x60FFFF);
  FMeasureHintBrush->SetStyle(bsSolid);
  // The grips.
  FGripPen = std::make_unique<TPen>();
  FGripPen->SetColor(clBlack);
  FGripPen->SetStyle(psSolid);
  FGripPen->SetWidth(1);
  FGripBrush = std::make_unique<TBrush>();
  FGripBrush->SetStyle(bsSolid);
  FGripBrush->SetColor(0xBAFFFF);
  // The fast-paint timer (its tick belongs to the drawing code).
  FFastPaintTimer = new TTimer(nullptr);
  FFastPaintTimer->SetEnabled(false);
  FFastPaintTimer->SetInterval(50);
  FFastPaintTimer->SetOnTimer([this](TObject* Sender) { FastPaintTimerTick(Sender); });
  UpdateUnitFactors();
  UnlockUpdateNoRefresh();
}

TImageryVect::~TImageryVect() {
  FDestroying = true;
  FTextEditing = -1;
  delete FFastPaintTimer;
  FFastPaintTimer = nullptr;
  for (TIEVObject& o : FObjects) FreeObjectData(o);
  FObjects.clear();
  FDrawingOrder.clear();
  FreeObjectData(FTemplate);
  FSelection.clear();
  FBitmapSlots.clear();
  ClearObjUndo();
}

void TImageryVect::Publish(TPublisher<TImageryVect>& P) {
  using G = TImageryVect;
  P.Prop("MUnit", &G::MUnit, &G::SetMUnit).Default(ieuPIXELS);
  P.Prop("FloatDigits", &G::FloatDigits, &G::SetFloatDigits).Default(2);
  P.Prop("FloatPrecision", &G::FloatPrecision, &G::SetFloatPrecision).Default(15);
  P.Prop("ShareBitmaps", &G::GetShareBitmaps, &G::SetShareBitmaps).Default(true);
  P.Prop("ZoomObjectsWidth", &G::ZoomObjectsWidth, &G::SetZoomObjectsWidth).Default(true);
  P.Prop("ObjUndoLimit", &G::GetObjUndoLimit, &G::SetObjUndoLimit).Default(1);
  P.Prop("ObjAutoUndo", &G::GetObjAutoUndo, &G::SetObjAutoUndo).Default(false);
  P.Prop("ObjUndoMode", &G::GetObjUndoMode, &G::SetObjUndoMode).Default(ieumSeparated);
  P.Prop("ObjAntialias", &G::ObjAntialias, &G::SetObjAntialias).Default(true);
  P.Prop("SelectOnMouseDown", &G::GetSelectOnMouseDown, &G::SetSelectOnMouseDown).Default(true);
  P.Prop("ObjGripImage", &G::ObjGripImage, &G::SetObjGripImage);
  P.Event("OnSelectObject", &G::OnSelectObject).Type("TNotifyEvent");
  P.Event("OnUserSelectObject", &G::OnUserSelectObject).Type("TIEUserSelectObject");
  P.Event("OnUserDeselectObject", &G::OnUserDeselectObject).Type("TIEUserSelectObject");
  P.Event("OnNewObject", &G::OnNewObject).Type("TIEVNewObject");
  P.Event("OnObjectMoveResize", &G::OnObjectMoveResize).Type("TIEVObjectMoveResizeEvent");
  P.Event("OnObjectClick", &G::OnObjectClick).Type("TIEVObjectClickEvent");
  P.Event("OnObjectDblClick", &G::OnObjectDblClick).Type("TIEVObjectClickEvent");
  P.Event("OnObjectOver", &G::OnObjectOver).Type("TIEVObjectClickEvent");
  P.Event("OnVectorialChanged", &G::OnVectorialChanged).Type("TNotifyEvent");
  P.Event("OnBeforeVectorialChanged", &G::OnBeforeVectorialChanged).Type("TNotifyEvent");
  P.Event("OnMeasureHint", &G::OnMeasureHint).Type("TIEVMeasureHintEvent");
  P.Event("OnDragLenEnd", &G::OnDragLenEnd).Type("TIEVDragLenEndEvent");
}

// ================================================================ the object store

TIEVObject& TImageryVect::Rec(int hobj) {
  if (hobj == IEV_TEMPLATE) return FTemplate;
  if (hobj == IEV_LAST_ADDED) hobj = FLastAdded;
  return FObjects.at(static_cast<size_t>(hobj));
}

TIEVObject* TImageryVect::GetObjectRecord(int hobj) {
  if (hobj == IEV_ALL_OBJECTS || hobj == IEV_NO_OBJECT) return nullptr;
  if (hobj == IEV_LAST_ADDED && FLastAdded < 0) return nullptr;
  if (hobj >= static_cast<int>(FObjects.size())) return nullptr;
  if (hobj < IEV_NO_OBJECT) return nullptr;
  return &Rec(hobj);
}

void TImageryVect::ReserveForAddition() {
  if (FObjects.size() % IEV_GROWTH_STEP == 0) {
    FObjects.reserve(FObjects.capacity() + IEV_GROWTH_RECORDS);
    // The records moved: extended instances follow their records.
    for (TIEVObject& o : FObjects)
      if (o.Extended) o.Extended->Record = &o;
  }
  if (FDrawingOrder.size() % IEV_GROWTH_STEP == 0) FDrawingOrder.reserve(FDrawingOrder.capacity() + IEV_GROWTH_RECORDS);
}

int TImageryVect::AddObjectRecord(const TIEVObject& S) {
  // The copy is made in full before the array grows: Source may be one of the array's records.
  TIEVObject o;
  o.X1 = S.X1;
  o.Y1 = S.Y1;
  o.X2 = S.X2;
  o.Y2 = S.Y2;
  o.Kind = S.Kind;
  o.Transparency = S.Transparency;
  o.KeepAspect = S.KeepAspect;
  o.BeginShape = S.BeginShape;
  o.EndShape = S.EndShape;
  o.ShapeWidth = S.ShapeWidth;
  o.ShapeLength = S.ShapeLength;
  o.LabelBrushColor = S.LabelBrushColor;
  o.LabelBrushStyle = S.LabelBrushStyle;
  o.LabelPosition = S.LabelPosition;
  o.LabelBorder = S.LabelBorder;
  o.LabelRect = S.LabelRect;
  o.PenColor = S.PenColor;
  o.PenStyle = S.PenStyle;
  o.PenWidth = S.PenWidth;
  o.BrushColor = S.BrushColor;
  o.BrushStyle = S.BrushStyle;
  o.Highlight = S.Highlight;
  o.ArcStart = S.ArcStart;
  o.ArcEnd = S.ArcEnd;
  o.BitmapSlot = -1;
  o.BitmapBorder = S.BitmapBorder;
  o.FontQuality = S.FontQuality;
  o.TextAlign = S.TextAlign;
  o.AutoSize = S.AutoSize;
  o.MemoFixedFont = S.MemoFixedFont;
  o.CharAngle = S.CharAngle;
  o.TextEditable = S.TextEditable;
  o.MemoLineSpacing = S.MemoLineSpacing;
  o.MemoBorderColor = S.MemoBorderColor;
  o.MemoBorderStyle = S.MemoBorderStyle;
  o.MemoLineHeight = S.MemoLineHeight;
  o.MemoHasBitmap = S.MemoHasBitmap;
  std::memcpy(o.MemoMargins, S.MemoMargins, sizeof o.MemoMargins);
  o.MemoTextBrushStyle = S.MemoTextBrushStyle;
  o.Tag = S.Tag;
  o.Style = S.Style;
  o.RulerUnit = S.RulerUnit;
  o.RulerType = S.RulerType;
  o.Closed = S.Closed;
  o.DragStartBox = S.DragStartBox;
  o.DrawnBounds = S.DrawnBounds;
  o.DrawnMargin = S.DrawnMargin;
  o.SoftShadow = S.SoftShadow;
  o.Name = S.Name;
  switch (S.Kind) {
    case iekTEXT:
    case iekLINELABEL:
    case iekEXTENDED:
      o.Text = S.Text;
      if (S.Font) o.Font = std::make_unique<LOGFONT>(*S.Font);
      o.CurvePoints = S.CurvePoints;
      break;
    case iekMEMO:
      o.Text = S.Text;
      if (S.Font) o.Font = std::make_unique<LOGFONT>(*S.Font);
      if (!S.MemoCharFormat.empty()) {
        o.MemoCharFormat = S.MemoCharFormat;
        o.MemoFormats = S.MemoFormats;
      }
      break;
    case iekRULER:
    case iekANGLE:
      if (S.Font) o.Font = std::make_unique<LOGFONT>(*S.Font);
      break;
    default: break;
  }
  if (S.Kind == iekPOLYLINE) {
    o.Points = S.Points;
    o.PointsBounds = S.PointsBounds;
  } else {
    std::memcpy(o.AnglePoints, S.AnglePoints, sizeof o.AnglePoints);
    o.Points.clear();
    o.PointsBounds = TIERect{0, 0, 0, 0};
    o.Closed = false;
  }
  // Bitmap objects keep the kept text (not drawn).
  if (S.Kind == iekBITMAP) o.Text = S.Text;
  if (!VectIsPointPairKind(o.Kind) && o.Kind != iekPOLYLINE) VectOrderBox(o);
  std::unique_ptr<TIEVExtendedObject> ext;
  if (S.Extended) {
    ext.reset(S.Extended->Clone());
    if (ext) ext->Owner = this;
  }
  const int sourceSlot = S.BitmapSlot;
  const bool takesSlot = S.Kind == iekBITMAP || (S.Kind == iekMEMO && S.MemoHasBitmap);

  ReserveForAddition();
  const int h = static_cast<int>(FObjects.size());
  FObjects.push_back(std::move(o));
  FDrawingOrder.push_back(h);
  FLastAdded = h;
  TIEVObject& n = FObjects.back();
  if (takesSlot) SetObjectBitmapSlot(h, sourceSlot);
  if (ext) {
    n.Extended = std::move(ext);
    n.Extended->Record = &n;
    n.Extended->SetHandle(h);
  }
  return h;
}

void TImageryVect::FreeObjectData(TIEVObject& Obj) {
  if (Obj.BitmapSlot >= 0) ReleaseSlot(Obj.BitmapSlot);
  Obj.BitmapSlot = -1;
  Obj.Name.clear();
  Obj.Font.reset();
  Obj.Text.clear();
  Obj.MemoCharFormat.clear();
  Obj.MemoFormats.clear();
  Obj.CurvePoints.clear();
  Obj.Points.clear();
  Obj.DrawnPoints.clear();
  Obj.SoftShadow = TIEVSoftShadow{};
  Obj.Extended.reset();
  if (Obj.UserDataLength > 0) std::free(Obj.UserData);
  Obj.UserData = nullptr;
  Obj.UserDataLength = 0;
}

void TImageryVect::ClearObjects() {
  CancelInteraction();
  AutoUndoSnapshot();
  for (TIEVObject& o : FObjects) FreeObjectData(o);
  FSelection.clear();
  FObjects.clear();
  FObjects.shrink_to_fit();
  FDrawingOrder.clear();
  FDrawingOrder.shrink_to_fit();
  FLastAdded = -1;
  ClearBitmapSlots(true);
  DoVectorialChanged();
  Update();
}

void TImageryVect::SetObjectUserData(int hobj, void* Data) {
  Rec(hobj).UserData = Data;
  if (hobj != IEV_TEMPLATE) Update();
}

void TImageryVect::SetObjectUserDataLength(int hobj, int32_t Length) {
  Rec(hobj).UserDataLength = Length;
  if (hobj != IEV_TEMPLATE) Update();
}

void TImageryVect::SetObjectFont(int hobj, TFont* Font) {
  TIEVObject& o = Rec(hobj);
  o.Font = std::make_unique<LOGFONT>(Font->LogFont());
  o.PenColor = Font->Color();
  if (hobj != IEV_TEMPLATE) Update();
}

TFontStyles TImageryVect::GetObjectFontStyle(int hobj) { return IELogFontStyle(Rec(hobj).Font.get()); }

void TImageryVect::AddPolylinePoint(int hobj, int x, int y) {
  TIEVObject& o = Rec(hobj);
  if (!o.Points.empty() && o.Points.back().X == x && o.Points.back().Y == y) return;
  if (o.Points.empty()) {
    o.X1 = o.X2 = x;
    o.Y1 = o.Y2 = y;
  } else {
    o.X1 = std::min(o.X1, x);
    o.Y1 = std::min(o.Y1, y);
    o.X2 = std::max(o.X2, x);
    o.Y2 = std::max(o.Y2, y);
  }
  o.Points.push_back(TIEPoint{x, y});
  o.PointsBounds = TIERect{o.X1, o.Y1, o.X2, o.Y2};
}

void TImageryVect::RefitPolyline(TIEVObject& o) {
  if (o.Points.empty()) return;
  const TIERect pb = o.PointsBounds;
  const double sx = pb.Right != pb.Left ? static_cast<double>(o.X2 - o.X1) / (pb.Right - pb.Left) : 1.0;
  const double sy = pb.Bottom != pb.Top ? static_cast<double>(o.Y2 - o.Y1) / (pb.Bottom - pb.Top) : 1.0;
  int minX = 2147483647, minY = 2147483647, maxX = -2147483647, maxY = -2147483647;
  int rminX = 2147483647, rminY = 2147483647, rmaxX = -2147483647, rmaxY = -2147483647;
  for (const TIEPoint& p : o.Points) {
    const int mx = o.X1 + static_cast<int>(std::nearbyint((p.X - pb.Left) * sx));
    const int my = o.Y1 + static_cast<int>(std::nearbyint((p.Y - pb.Top) * sy));
    minX = std::min(minX, mx);
    minY = std::min(minY, my);
    maxX = std::max(maxX, mx);
    maxY = std::max(maxY, my);
    rminX = std::min(rminX, p.X);
    rminY = std::min(rminY, p.Y);
    rmaxX = std::max(rmaxX, p.X);
    rmaxY = std::max(rmaxY, p.Y);
  }
  o.X1 = minX;
  o.Y1 = minY;
  o.X2 = maxX;
  o.Y2 = maxY;
  o.PointsBounds = TIERect{rminX, rminY, rmaxX, rmaxY};
}

void TImageryVect::MoveObject(int hobj, int dx, int dy) {
  TIEVObject& o = Rec(hobj);
  o.X1 += dx;
  o.Y1 += dy;
  o.X2 += dx;
  o.Y2 += dy;
  if (o.Kind == iekANGLE)
    for (TIEPoint& p : o.AnglePoints)
      if (p.X != IEV_UNSET) {
        p.X += dx;
        p.Y += dy;
      }
}

// ================================================================ shared bitmaps

void TImageryVect::ReleaseSlot(int Slot) {
  if (Slot < 0 || Slot >= static_cast<int>(FBitmapSlots.size())) return;
  TBitmapSlot& s = FBitmapSlots[static_cast<size_t>(Slot)];
  if (s.RefCount <= 1) {
    s.Bitmap.reset();
    s.RefCount = 0;
  } else {
    --s.RefCount;
  }
}

int TImageryVect::NewSlotWithCopy(TIEBitmap* Bitmap) {
  auto copy = std::make_unique<TIEBitmap>();
  copy->Assign(Bitmap);
  for (size_t i = 0; i < FBitmapSlots.size(); ++i)
    if (!FBitmapSlots[i].Bitmap) {
      FBitmapSlots[i].Bitmap = std::move(copy);
      FBitmapSlots[i].RefCount = 1;
      return static_cast<int>(i);
    }
  FBitmapSlots.push_back(TBitmapSlot{std::move(copy), 1});
  return static_cast<int>(FBitmapSlots.size()) - 1;
}

void TImageryVect::SetObjectBitmap(int hobj, TIEBitmap* Bitmap) {
  TIEVObject& o = Rec(hobj);
  // The new slot is found before the old reference goes: Bitmap may be the old slot's own.
  int slot = -1;
  if (Bitmap != nullptr) {
    if (ShareBitmaps)
      for (int i = static_cast<int>(FBitmapSlots.size()) - 1; i >= 0; --i)
        if (VectSameBitmap(FBitmapSlots[static_cast<size_t>(i)].Bitmap.get(), Bitmap)) {
          slot = i;
          ++FBitmapSlots[static_cast<size_t>(i)].RefCount;
          break;
        }
    if (slot < 0) slot = NewSlotWithCopy(Bitmap);
  }
  const int old = o.BitmapSlot;
  o.BitmapSlot = slot;
  if (old >= 0) ReleaseSlot(old);
}

void TImageryVect::SetObjectBitmapSlot(int hobj, int Slot) {
  TIEVObject& o = Rec(hobj);
  if (Slot < 0 || Slot >= static_cast<int>(FBitmapSlots.size()) || !FBitmapSlots[static_cast<size_t>(Slot)].Bitmap) {
    // A negative slot is just stored; a slot that holds no bitmap names nothing.
    const int old = o.BitmapSlot;
    o.BitmapSlot = Slot < 0 ? Slot : -1;
    if (old >= 0 && old != Slot) ReleaseSlot(old);
    return;
  }
  int slot = Slot;
  if (ShareBitmaps)
    ++FBitmapSlots[static_cast<size_t>(Slot)].RefCount;
  else
    slot = NewSlotWithCopy(FBitmapSlots[static_cast<size_t>(Slot)].Bitmap.get());
  const int old = o.BitmapSlot;
  o.BitmapSlot = slot;
  if (old >= 0) ReleaseSlot(old);
}

void TImageryVect::SetObjectBitmapFromIcon(int hobj, const char* /*IconResource*/, int Width, int Height) {
  // System icons are not available on this platform: the bitmap stays as created (the rule for
  // an icon that cannot be loaded) and is still assigned.
  TIEBitmap b;
  b.Allocate(std::max(Width, 1), std::max(Height, 1), ie24RGB);
  b.Fill(0);
  SetObjectBitmap(hobj, &b);
  if (hobj != IEV_TEMPLATE) Update();
}

void TImageryVect::CompactBitmapSlots() {
  std::vector<int> map(FBitmapSlots.size(), -1);
  std::vector<TBitmapSlot> kept;
  for (size_t i = 0; i < FBitmapSlots.size(); ++i)
    if (FBitmapSlots[i].Bitmap) {
      map[i] = static_cast<int>(kept.size());
      kept.push_back(std::move(FBitmapSlots[i]));
    }
  FBitmapSlots = std::move(kept);
  auto renumber = [&](TIEVObject& o) {
    if (o.BitmapSlot >= 0) o.BitmapSlot = o.BitmapSlot < static_cast<int>(map.size()) ? map[static_cast<size_t>(o.BitmapSlot)] : -1;
  };
  renumber(FTemplate);
  for (TIEVObject& o : FObjects) renumber(o);
}

void TImageryVect::ClearBitmapSlots(bool KeepTemplateBitmap) {
  std::unique_ptr<TIEBitmap> keep;
  if (KeepTemplateBitmap && FTemplate.BitmapSlot >= 0 &&
      FTemplate.BitmapSlot < static_cast<int>(FBitmapSlots.size()))
    keep = std::move(FBitmapSlots[static_cast<size_t>(FTemplate.BitmapSlot)].Bitmap);
  FBitmapSlots.clear();
  FTemplate.BitmapSlot = -1;
  if (keep) {
    FBitmapSlots.push_back(TBitmapSlot{std::move(keep), 1});
    FTemplate.BitmapSlot = 0;
  }
}

void TImageryVect::ResetBitmapSlots(int Count) {
  FBitmapSlots.clear();
  FBitmapSlots.resize(static_cast<size_t>(std::max(Count, 0)));
}

void TImageryVect::PutSlotBitmap(int Slot, std::unique_ptr<TIEBitmap> Bitmap) {
  FBitmapSlots.at(static_cast<size_t>(Slot)).Bitmap = std::move(Bitmap);
  FBitmapSlots.at(static_cast<size_t>(Slot)).RefCount = 0;
}

TIEBitmap* TImageryVect::GetSlotBitmap(int Slot) const {
  if (Slot < 0 || Slot >= static_cast<int>(FBitmapSlots.size())) return nullptr;
  return FBitmapSlots[static_cast<size_t>(Slot)].Bitmap.get();
}

int TImageryVect::GetSlotRefCount(int Slot) const {
  if (Slot < 0 || Slot >= static_cast<int>(FBitmapSlots.size())) return 0;
  return FBitmapSlots[static_cast<size_t>(Slot)].RefCount;
}

TIEBitmap* TImageryVect::GetObjectBitmap(int hobj) {
  TIEVObject* o = GetObjectRecord(hobj);
  return o != nullptr ? GetSlotBitmap(o->BitmapSlot) : nullptr;
}

// ================================================================ selection

void TImageryVect::AddToSelection(int hobj) {
  if (hobj == IEV_LAST_ADDED) hobj = FLastAdded;
  TIEVObject* o = GetObjectRecord(hobj);
  if (o == nullptr || hobj < 0 || (o->Style & ievsSelectable) == 0) return;
  FSelection.push_back(hobj);
}

void TImageryVect::SelectObject(int hobj) {
  if (hobj == IEV_LAST_ADDED) hobj = FLastAdded;
  TIEVObject* o = GetObjectRecord(hobj);
  if (o == nullptr || hobj < 0 || (o->Style & ievsSelectable) == 0) return;
  FSelection.push_back(hobj);
  if (OnSelectObject) OnSelectObject(this);
}

bool TImageryVect::IsObjectSelected(int hobj) {
  if (hobj == IEV_LAST_ADDED) hobj = FLastAdded;
  return std::find(FSelection.begin(), FSelection.end(), hobj) != FSelection.end();
}

void TImageryVect::DeselectObject(int hobj) {
  if (hobj == IEV_LAST_ADDED) hobj = FLastAdded;
  auto it = std::find(FSelection.begin(), FSelection.end(), hobj);
  if (it == FSelection.end()) return;
  FSelection.erase(it);
  if (OnSelectObject) OnSelectObject(this);
}

void TImageryVect::ClearSelection() {
  FSelection.clear();
  if (OnSelectObject) OnSelectObject(this);
}

void TImageryVect::ClearSelectionAndUpdate() {
  ClearSelection();
  Update();
}

void TImageryVect::SelectObjectsInRect(int hobj, int Left, int Top, int Right, int Bottom) {
  auto test = [&](int h) {
    TIEVObject& o = FObjects[static_cast<size_t>(h)];
    const int x1 = std::min(o.X1, o.X2), x2 = std::max(o.X1, o.X2);
    const int y1 = std::min(o.Y1, o.Y2), y2 = std::max(o.Y1, o.Y2);
    if (x1 >= Left && x2 <= Right && y1 >= Top && y2 <= Bottom && !IsObjectSelected(h)) AddToSelection(h);
  };
  if (hobj == IEV_ALL_OBJECTS) {
    for (int h : FDrawingOrder) test(h);
  } else {
    if (hobj == IEV_LAST_ADDED) hobj = FLastAdded;
    if (hobj >= 0 && hobj < static_cast<int>(FObjects.size())) test(hobj);
  }
}

RECT TImageryVect::GetSelectionBounds() {
  RECT r{ImageWidth(), ImageHeight(), 0, 0};
  for (int h : FSelection) {
    const TIEVObject& o = FObjects[static_cast<size_t>(h)];
    r.left = std::min<LONG>(r.left, std::min(o.X1, o.X2));
    r.top = std::min<LONG>(r.top, std::min(o.Y1, o.Y2));
    r.right = std::max<LONG>(r.right, std::max(o.X1, o.X2));
    r.bottom = std::max<LONG>(r.bottom, std::max(o.Y1, o.Y2));
  }
  return r;
}

RECT TImageryVect::GetObjectsExtent() {
  if (FObjects.empty()) return RECT{0, 0, 0, 0};
  int64_t right = INT64_MIN, bottom = INT64_MIN;
  for (const TIEVObject& o : FObjects) {
    right = std::max<int64_t>(right, std::max(o.X1, o.X2));
    bottom = std::max<int64_t>(bottom, std::max(o.Y1, o.Y2));
  }
  return RECT{0, 0, static_cast<LONG>(std::clamp<int64_t>(right + 1, INT32_MIN, INT32_MAX)),
              static_cast<LONG>(std::clamp<int64_t>(bottom + 1, INT32_MIN, INT32_MAX))};
}

// ================================================================ copies

int TImageryVect::CopyObjectTo(int hobj, TImageryVect* Target) {
  if (Target == nullptr) return IEV_NO_OBJECT;
  TIEVObject& src = Rec(hobj);
  TIEBitmap* bmp = nullptr;
  if (src.Kind == iekBITMAP || (src.Kind == iekMEMO && src.MemoHasBitmap)) bmp = GetSlotBitmap(src.BitmapSlot);
  // The copy must not name a slot of this view in the target: the bitmap is given its own slot.
  const int slot = src.BitmapSlot;
  src.BitmapSlot = -1;
  int h;
  try {
    h = Target->AddObjectRecord(src);
  } catch (...) {
    src.BitmapSlot = slot;
    throw;
  }
  src.BitmapSlot = slot;
  if (bmp != nullptr) {
    TIEVObject& n = Target->FObjects[static_cast<size_t>(h)];
    n.BitmapSlot = Target->NewSlotWithCopy(bmp);
  }
  Target->Update();
  return h;
}

void TImageryVect::CopyAllObjectsTo(TImageryVect* Target) {
  if (Target == this) return;  // copying onto itself would grow the list it walks
  for (size_t i = 0; i < FDrawingOrder.size(); ++i) CopyObjectTo(FDrawingOrder[i], Target);
}

void TImageryVect::Assign(TPersistent* Source) {
  TImageryView::Assign(Source);
  if (Source == nullptr) {
    ClearObjects();
    return;
  }
  if (auto* v = dynamic_cast<TImageryVect*>(Source)) {
    if (v == this) return;
    ClearObjects();
    v->CopyAllObjectsTo(this);
    FScaleFactor = v->FScaleFactor;
    UpdateUnitFactors();
    DoVectorialChanged();
    Update();
  }
}

// ================================================================ extended objects

void IEVRegisterExtendedClass(const std::string& Name, TClass Class) {
  if (VectExtendedClasses == nullptr) VectExtendedClasses = new std::vector<TVectExtendedClass>();
  VectExtendedClasses->push_back(TVectExtendedClass{Name, Class});
}

int IEVExtendedClassCount() { return VectExtendedClasses != nullptr ? static_cast<int>(VectExtendedClasses->size()) : 0; }

TIEVExtendedObject* TImageryVect::CreateExtendedObject(const std::string& Name) {
  if (VectExtendedClasses == nullptr) return nullptr;
  for (const TVectExtendedClass& e : *VectExtendedClasses)
    if (e.Name == Name) {
      TObject* o = e.Class != nullptr && e.Class->Factory != nullptr ? e.Class->Factory(this) : nullptr;
      auto* x = dynamic_cast<TIEVExtendedObject*>(o);
      if (x == nullptr) {
        delete o;
        return nullptr;
      }
      x->Owner = this;
      x->Record = nullptr;
      x->SetHandle(-1);
      x->Value = 0;
      return x;
    }
  return nullptr;
}

std::string TImageryVect::GetExtendedObjectName(const TIEVExtendedObject* Instance) {
  if (Instance == nullptr || VectExtendedClasses == nullptr) return {};
  for (const TVectExtendedClass& e : *VectExtendedClasses)
    if (e.Class == Instance->ClassType()) return e.Name;
  return {};
}

// ================================================================ object undo

void TImageryVect::SaveObjUndo() {
  if (ObjUndoLimit <= 0) return;
  auto s = std::make_unique<TMemoryStream>();
  SaveToStreamIEV(s.get());
  while (!FObjUndo.empty() && static_cast<int>(FObjUndo.size()) >= ObjUndoLimit) FObjUndo.erase(FObjUndo.begin());
  FObjUndo.push_back(std::move(s));
  if (TIESaveUndoEvent e = GetOnSaveUndo()) e(this, ieuObject);
}

void TImageryVect::ClearObjUndo() { FObjUndo.clear(); }

void TImageryVect::DropLastObjUndo() {
  if (!FObjUndo.empty()) FObjUndo.pop_back();
}

void TImageryVect::AutoUndoSnapshot() {
  FUndoSnapshotTaken = false;
  if (!ObjAutoUndo) return;
  if (ObjUndoMode == ieumSeparated)
    SaveObjUndo();
  else
    GetProc()->SaveUndo(ieuObject);
  FUndoSnapshotTaken = true;
}

void TImageryVect::DropAutoUndoSnapshot() {
  if (!FUndoSnapshotTaken) return;
  FUndoSnapshotTaken = false;
  if (ObjUndoMode == ieumSeparated) {
    DropLastObjUndo();
    return;
  }
  TImageryProc* proc = GetProc();
  for (int i = 0; i < proc->GetUndoCount(); ++i)
    if (proc->GetUndoSource(i) == ieuObject) {
      proc->ClearUndoAt(i);
      return;
    }
}

// ================================================================ interaction state

void TImageryVect::CancelInteraction() {
  FExtendedUnderMouse = -1;
  FNewObjectKind = iekNONE;
  FDragGrip = 0;
  FDragging = false;
  if (FTextEditing >= 0) {
    FTextEditing = -1;
    Update();
  }
}

void TImageryVect::SetMouseInteractVt(TIEMouseInteractVt Value) {
  FMouseInteractVt = Value;
  CancelInteraction();
}

void TImageryVect::SetMouseInteract(TIEMouseInteract Value) {
  if (!Value.Empty()) {
    // The view's own modes replace the creation and editing modes of the objects.
    uint32_t bits = FMouseInteractVt.Bits();
    bits &= ~(0x7FFCu | (1u << mivNewExtended));
    FMouseInteractVt = TIEMouseInteractVt::FromBits(bits);
  }
  CancelInteraction();
  TImageryView::SetMouseInteract(Value);
}

// ================================================================ properties

void TImageryVect::SetMUnit(TIEUnits Value) {
  FMUnit = Value;
  FTemplate.RulerUnit = Value;
  UpdateUnitFactors();
  RefreshMeasureHint(IEV_UNSET, IEV_UNSET);
}

void TImageryVect::SetFloatDigits(int Value) {
  FFloatDigits = Value;
  RefreshMeasureHint(IEV_UNSET, IEV_UNSET);
}

void TImageryVect::SetFloatPrecision(int Value) {
  FFloatPrecision = Value;
  RefreshMeasureHint(IEV_UNSET, IEV_UNSET);
}

void TImageryVect::SetZoomObjectsWidth(bool Value) {
  FZoomObjectsWidth = Value;
  Update();
}

void TImageryVect::SetBitmapResampleFilter(TResampleFilter Value) {
  FBitmapResampleFilter = Value;
  Update();
}

void TImageryVect::SetObjAntialias(bool Value) {
  if (Value == FObjAntialias) return;
  FObjAntialias = Value;
  Update();
}

void TImageryVect::SetObjGripImage(TPicture* Value) {
  FObjGripImage->Assign(Value);
  if (FObjGripImage->Graphic() != nullptr && (FObjGripImage->Width() > 0 || FObjGripImage->Height() > 0))
    GripSize = std::max(FObjGripImage->Width(), FObjGripImage->Height()) / 2;
}

void TImageryVect::SetScaleFactor(double Value) {
  FScaleFactor = Value;
  UpdateUnitFactors();
  RefreshMeasureHint(IEV_UNSET, IEV_UNSET);
  Update();
}

// ================================================================ events

void TImageryVect::DoVectorialChanged() {
  FChangedMark = true;
  FChangedOnceRaised = false;
  if (OnVectorialChanged) OnVectorialChanged(this);
}

void TImageryVect::DoVectorialChangedOnce() {
  if (FChangedOnceRaised) return;
  FChangedOnceRaised = true;
  if (OnVectorialChanged) OnVectorialChanged(this);
}

void TImageryVect::UpdateTextEditor() {}

void TImageryVect::DoObjectMoveResize(int hobj, int Grip, int& OffsetX, int& OffsetY) {
  if (OnObjectMoveResize) OnObjectMoveResize(this, hobj, Grip & 0x7FFFFFFF, OffsetX, OffsetY);
}

void TImageryVect::DoObjectClick(int hobj) {
  if (OnObjectClick) OnObjectClick(this, hobj);
}

void TImageryVect::DoObjectDblClick(int hobj) {
  if (OnObjectDblClick) OnObjectDblClick(this, hobj);
}

void TImageryVect::DoObjectOver(int hobj) {
  if (OnObjectOver) OnObjectOver(this, hobj);
}

void TImageryVect::DoNewObject(int hobj) {
  if (OnNewObject) OnNewObject(this, hobj);
}

void TImageryVect::DoUserSelectObject(int hobj) {
  if (OnUserSelectObject) OnUserSelectObject(this, hobj);
}

void TImageryVect::DoUserDeselectObject(int hobj) {
  if (OnUserDeselectObject) OnUserDeselectObject(this, hobj);
}

// ================================================================ view operations

void TImageryVect::Update() {
  TImageryView::Update();
  UpdateTextEditor();
}

void TImageryVect::DoViewChange(int Change) {
  TImageryView::DoViewChange(Change);
  if (IsTextEditing()) UpdateTextEditor();
}

void TImageryVect::SetDpiX(int Value) {
  TImageryView::SetDpiX(Value);
  UpdateUnitFactors();
  RefreshMeasureHint(IEV_UNSET, IEV_UNSET);
  Update();
}

void TImageryVect::SetDpiY(int Value) {
  TImageryView::SetDpiY(Value);
  UpdateUnitFactors();
  RefreshMeasureHint(IEV_UNSET, IEV_UNSET);
  Update();
}

void TImageryVect::ShiftMouseCoords(int dx, int dy) {
  TImageryView::ShiftMouseCoords(dx, dy);
  FMouseX += dx;
  FMouseY += dy;
}

void TImageryVect::SelectRect(int x1, int y1, int x2, int y2, int Op) { TImageryView::SelectRect(x1, y1, x2, y2, Op); }

void TImageryVect::AddSelectionPoint(int x, int y) { TImageryView::AddSelectionPoint(x, y); }

void TImageryVect::WndProc(TMessage& Message) {
  if (Message.Msg == WM_SIZE) CancelInteraction();
  TImageryView::WndProc(Message);
}

// ================================================================ unit start-up

void IEVectInit() {
  IEVectClipboardFormat = RegisterClipboardFormat("IMAGERY VECT");
  const char keys[12] = {'L', 'E', 'R', 'J', 'C', 'X', 'V', 'F', 'B', 'I', 'U', 'G'};
  for (int i = 0; i < 12; ++i) IEMemoShortCuts[i] = ShortCut(static_cast<WORD>(keys[i]), TShiftState{ssCtrl});
  if (VectExtendedClasses == nullptr) VectExtendedClasses = new std::vector<TVectExtendedClass>();
  IEInstallVectorFileHooks(true);
}

void IEVectFree() {
  IEInstallVectorFileHooks(false);
  delete VectExtendedClasses;
  VectExtendedClasses = nullptr;
}
