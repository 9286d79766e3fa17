// TImageryVect: the object store (see imageryvect.h).
#include "imaging/views/imageryvect.h"

#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/extctrls.h"

#include <cstring>

ORV_CLASS_IMPL(TImageryVect, TImageryView)
ORV_CLASS_IMPL(TIEVExtendedObject, TObject)

UINT IEVectClipboardFormat = 0;
int IEMemoShortCuts[12] = {};

TIEVObject::TIEVObject(TIEVObject&&) noexcept = default;
TIEVObject& TIEVObject::operator=(TIEVObject&&) noexcept = default;
TIEVObject::~TIEVObject() = default;

uint8_t IEVFontOutputQuality(uint8_t) { return 0; }
TIEVExtendedObject* TIEVExtendedObject::Clone() { return nullptr; }

// Until the object store lands in full, the store operations the drawing and measurement need
// have plain bodies here: construction with the template defaults and the drawing companions,
// adding and looking up records, selecting, and one bitmap slot per object.
TImageryVect::TImageryVect(TComponent* AOwner) : TImageryView(AOwner) {
  FGripPen = std::make_unique<TPen>();
  FGripBrush = std::make_unique<TBrush>();
  FGripBrush->SetColor(0xBAFFFF);
  FObjGripImage = std::make_unique<TPicture>();
  FMeasureHintFont = std::make_unique<TFont>();
  FMeasureHintFont->SetStyle(TFontStyles{fsBold});
  FMeasureHintFont->SetColor(0);
  FMeasureHintBrush = std::make_unique<TBrush>();
  FMeasureHintBrush->SetColor(0x60FFFF);
  FFastPaintTimer = new TTimer(this);
  FFastPaintTimer->SetEnabled(false);
  FFastPaintTimer->SetInterval(50);
  FFastPaintTimer->OnTimer = [this](TObject* Sender) { FastPaintTimerTick(Sender); };
  FTemplate.X2 = FTemplate.Y2 = 63;
  FTemplate.Transparency = 255;
  FTemplate.PenWidth = 1;
  FTemplate.BrushColor = 0xFFFFFF;
  FTemplate.BrushStyle = bsClear;
  FTemplate.ShapeWidth = 10;
  FTemplate.ShapeLength = 20;
  FTemplate.LabelBrushColor = 0xFFFFFF;
  FTemplate.LabelPosition = 1;
  FTemplate.LabelBorder = 1;
  FTemplate.ArcEnd = 6.283185307179586;
  FTemplate.Font = std::make_unique<LOGFONT>();
  std::strcpy(FTemplate.Font->lfFaceName, "Arial");
  FTemplate.Font->lfHeight = -11;
  FTemplate.MemoFixedFont = true;
  FTemplate.CharAngle = -10;
  FTemplate.TextEditable = true;
  FTemplate.MemoBorderColor = 0xFFFFFF;
  FTemplate.Style = 15;
  FTemplate.RulerType = 2;
  FTemplate.AnglePoints[1] = TIEPoint{50, 0};
  FTemplate.AnglePoints[2] = TIEPoint{50, 50};
  UpdateUnitFactors();
}
TImageryVect::~TImageryVect() = default;
void TImageryVect::Publish(TPublisher<TImageryVect>&) {}
int TImageryVect::AddObjectRecord(const TIEVObject& Source) {
  TIEVObject o;
  o.X1 = Source.X1, o.Y1 = Source.Y1, o.X2 = Source.X2, o.Y2 = Source.Y2;
  o.Kind = Source.Kind;
  o.Transparency = Source.Transparency;
  o.BeginShape = Source.BeginShape, o.EndShape = Source.EndShape;
  o.ShapeWidth = Source.ShapeWidth, o.ShapeLength = Source.ShapeLength;
  o.LabelBrushColor = Source.LabelBrushColor, o.LabelBrushStyle = Source.LabelBrushStyle;
  o.LabelPosition = Source.LabelPosition, o.LabelBorder = Source.LabelBorder;
  o.PenColor = Source.PenColor, o.PenStyle = Source.PenStyle, o.PenWidth = Source.PenWidth;
  o.BrushColor = Source.BrushColor, o.BrushStyle = Source.BrushStyle, o.Highlight = Source.Highlight;
  o.ArcStart = Source.ArcStart, o.ArcEnd = Source.ArcEnd;
  o.Text = Source.Text;
  if (Source.Font) o.Font = std::make_unique<LOGFONT>(*Source.Font);
  o.FontQuality = Source.FontQuality, o.TextAlign = Source.TextAlign, o.MemoFixedFont = Source.MemoFixedFont;
  o.CurvePoints = Source.CurvePoints, o.CharAngle = Source.CharAngle;
  o.MemoCharFormat = Source.MemoCharFormat, o.MemoFormats = Source.MemoFormats;
  o.MemoLineSpacing = Source.MemoLineSpacing, o.MemoBorderColor = Source.MemoBorderColor;
  o.MemoBorderStyle = Source.MemoBorderStyle, o.MemoLineHeight = Source.MemoLineHeight;
  o.MemoTextBrushStyle = Source.MemoTextBrushStyle;
  for (int i = 0; i < 4; ++i) o.MemoMargins[i] = Source.MemoMargins[i];
  o.Style = Source.Style, o.RulerUnit = Source.RulerUnit, o.RulerType = Source.RulerType;
  o.Points = Source.Points, o.PointsBounds = Source.PointsBounds, o.Closed = Source.Closed;
  for (int i = 0; i < 3; ++i) o.AnglePoints[i] = Source.AnglePoints[i];
  o.SoftShadow = Source.SoftShadow;
  FObjects.push_back(std::move(o));
  FLastAdded = static_cast<int>(FObjects.size()) - 1;
  FDrawingOrder.push_back(FLastAdded);
  return FLastAdded;
}
TIEVObject* TImageryVect::GetObjectRecord(int hobj) {
  if (hobj == IEV_TEMPLATE) return &FTemplate;
  if (hobj == IEV_LAST_ADDED) hobj = FLastAdded;
  if (hobj < 0 || hobj >= static_cast<int>(FObjects.size())) return nullptr;
  return &FObjects[static_cast<size_t>(hobj)];
}
void TImageryVect::ClearObjects() {
  FObjects.clear();
  FDrawingOrder.clear();
  FSelection.clear();
  FBitmapSlots.clear();
  FLastAdded = -1;
}
void TImageryVect::FreeObjectData(TIEVObject&) {}
void TImageryVect::SetObjectUserData(int, void*) {}
void TImageryVect::SetObjectUserDataLength(int, int32_t) {}
void TImageryVect::SetObjectFont(int, TFont*) {}
TFontStyles TImageryVect::GetObjectFontStyle(int) { return {}; }
void TImageryVect::AddPolylinePoint(int, int, int) {}
void TImageryVect::RefitPolyline(TIEVObject&) {}
void TImageryVect::MoveObject(int, int, int) {}
void TImageryVect::SetObjectBitmap(int hobj, TIEBitmap* Bitmap) {
  TIEVObject* o = GetObjectRecord(hobj);
  if (o == nullptr) return;
  if (o->BitmapSlot >= 0 && o->BitmapSlot < static_cast<int>(FBitmapSlots.size())) {
    TBitmapSlot& s = FBitmapSlots[static_cast<size_t>(o->BitmapSlot)];
    if (--s.RefCount <= 0) s.Bitmap.reset();
  }
  o->BitmapSlot = -1;
  if (Bitmap == nullptr) return;
  TBitmapSlot s;
  s.Bitmap = std::make_unique<TIEBitmap>();
  s.Bitmap->Assign(Bitmap);
  s.RefCount = 1;
  FBitmapSlots.push_back(std::move(s));
  o->BitmapSlot = static_cast<int>(FBitmapSlots.size()) - 1;
}
void TImageryVect::SetObjectBitmapSlot(int, int) {}
void TImageryVect::SetObjectBitmapFromIcon(int, const char*, int, int) {}
void TImageryVect::CompactBitmapSlots() {}
TIEBitmap* TImageryVect::GetSlotBitmap(int Slot) const {
  if (Slot < 0 || Slot >= static_cast<int>(FBitmapSlots.size())) return nullptr;
  return FBitmapSlots[static_cast<size_t>(Slot)].Bitmap.get();
}
int TImageryVect::GetSlotRefCount(int) const { return 0; }
TIEBitmap* TImageryVect::GetObjectBitmap(int) { return nullptr; }
void TImageryVect::SelectObject(int hobj) {
  TIEVObject* o = GetObjectRecord(hobj);
  if (o == nullptr || hobj == IEV_TEMPLATE || !(o->Style & ievsSelectable)) return;
  FSelection.push_back(hobj == IEV_LAST_ADDED ? FLastAdded : hobj);
}
void TImageryVect::AddToSelection(int) {}
bool TImageryVect::IsObjectSelected(int) { return false; }
void TImageryVect::DeselectObject(int) {}
void TImageryVect::ClearSelection() {}
void TImageryVect::ClearSelectionAndUpdate() {}
void TImageryVect::SelectObjectsInRect(int, int, int, int, int) {}
RECT TImageryVect::GetSelectionBounds() { return {}; }
RECT TImageryVect::GetObjectsExtent() { return {}; }
int TImageryVect::CopyObjectTo(int, TImageryVect*) { return -4; }
void TImageryVect::CopyAllObjectsTo(TImageryVect*) {}
void TImageryVect::Assign(TPersistent* Source) { TImageryView::Assign(Source); }
TIEVExtendedObject* TImageryVect::CreateExtendedObject(const std::string&) { return nullptr; }
std::string TImageryVect::GetExtendedObjectName(const TIEVExtendedObject*) { return {}; }
void TImageryVect::SaveObjUndo() {}
void TImageryVect::ClearObjUndo() {}
void TImageryVect::DropLastObjUndo() {}
void TImageryVect::AutoUndoSnapshot() {}
void TImageryVect::DropAutoUndoSnapshot() {}
void TImageryVect::CancelInteraction() {}
void TImageryVect::SetMouseInteractVt(TIEMouseInteractVt Value) { FMouseInteractVt = Value; }
void TImageryVect::SetMouseInteract(TIEMouseInteract Value) { TImageryView::SetMouseInteract(Value); }
void TImageryVect::SetMUnit(TIEUnits Value) {
  FMUnit = Value;
  FTemplate.RulerUnit = Value;
  UpdateUnitFactors();
}
void TImageryVect::SetFloatDigits(int Value) { FFloatDigits = Value; }
void TImageryVect::SetFloatPrecision(int Value) { FFloatPrecision = Value; }
void TImageryVect::SetZoomObjectsWidth(bool Value) {
  FZoomObjectsWidth = Value;
  Update();
}
void TImageryVect::SetBitmapResampleFilter(TResampleFilter Value) { FBitmapResampleFilter = Value; }
void TImageryVect::SetObjAntialias(bool Value) {
  FObjAntialias = Value;
  Update();
}
void TImageryVect::SetObjGripImage(TPicture*) {}
void TImageryVect::SetScaleFactor(double Value) {
  FScaleFactor = Value;
  UpdateUnitFactors();
  Update();
}
void TImageryVect::DoVectorialChanged() {}
void TImageryVect::UpdateTextEditor() {}
void TImageryVect::DoObjectMoveResize(int, int, int&, int&) {}
void TImageryVect::DoObjectClick(int) {}
void TImageryVect::DoObjectDblClick(int) {}
void TImageryVect::DoObjectOver(int) {}
void TImageryVect::DoVectorialChangedOnce() {}
void TImageryVect::DoNewObject(int) {}
void TImageryVect::DoUserSelectObject(int) {}
void TImageryVect::DoUserDeselectObject(int) {}
void TImageryVect::Update() { TImageryView::Update(); }
void TImageryVect::DoViewChange(int Change) { TImageryView::DoViewChange(Change); }
void TImageryVect::SetDpiX(int Value) {
  TImageryView::SetDpiX(Value);
  UpdateUnitFactors();
}
void TImageryVect::SetDpiY(int Value) {
  TImageryView::SetDpiY(Value);
  UpdateUnitFactors();
}
void TImageryVect::ShiftMouseCoords(int dx, int dy) { TImageryView::ShiftMouseCoords(dx, dy); }
void TImageryVect::SelectRect(int x1, int y1, int x2, int y2, int Op) { TImageryView::SelectRect(x1, y1, x2, y2, Op); }
void TImageryVect::AddSelectionPoint(int x, int y) { TImageryView::AddSelectionPoint(x, y); }
void TImageryVect::WndProc(TMessage& Message) { TImageryView::WndProc(Message); }
void IEVectInit() {}
void IEVectFree() {}
void IEVRegisterExtendedClass(const std::string&, TClass) {}
int IEVExtendedClassCount() { return 0; }
