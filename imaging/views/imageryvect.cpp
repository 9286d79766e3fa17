// The vector-object view: construction, the plain object store, the bitmap table and the
// settings that drawing and measurement read (see imageryvect.h).
#include "imaging/views/imageryvect.h"

#include "platform/vcl/extctrls.h"

ORV_CLASS_IMPL(TIEVExtendedObject, TObject)
ORV_CLASS_IMPL(TImageryVect, TImageryView)

TImageryVect::TImageryVect(TComponent* AOwner) : TImageryView(AOwner) {
  FGripImage = std::make_unique<TPicture>();
  FGripPen = std::make_unique<TPen>();
  FGripBrush = std::make_unique<TBrush>();
  FGripBrush->SetColor(0xBAFFFF);
  FHintFont = std::make_unique<TFont>();
  FHintFont->SetStyle(TFontStyles{fsBold});
  FHintFont->SetColor(0);
  FHintBrush = std::make_unique<TBrush>();
  FHintBrush->SetColor(0x60FFFF);
  FHintBitmap = std::make_unique<TBitmap>();
  FFastTimer = new TTimer(this);
  FFastTimer->SetEnabled(false);
  FFastTimer->SetInterval(50);
  FFastTimer->OnTimer = [this](TObject*) { FastPaintTimerTick(); };
  FTemplate.X2 = FTemplate.Y2 = 63;
  FTemplate.Font = std::make_unique<LOGFONTA>();
  std::strcpy(FTemplate.Font->lfFaceName, "Arial");
  FTemplate.Font->lfHeight = -11;
  UpdateUnitFactors();
}

TImageryVect::~TImageryVect() = default;

int TImageryVect::AddObject(TIEVObject&& Object) {
  FObjects.push_back(std::move(Object));
  const int h = static_cast<int>(FObjects.size()) - 1;
  FOrder.push_back(h);
  return h;
}

TIEVObject* TImageryVect::GetObjectRecord(int hobj) {
  if (hobj == -1) return &FTemplate;
  if (hobj == -2) hobj = static_cast<int>(FObjects.size()) - 1;
  if (hobj < 0 || hobj >= static_cast<int>(FObjects.size())) return nullptr;
  return &FObjects[static_cast<size_t>(hobj)];
}

void TImageryVect::ClearObjects() {
  FObjects.clear();
  FOrder.clear();
  FSelection.clear();
  FSlots.clear();
}

void TImageryVect::SelectObject(int hobj) {
  TIEVObject* o = GetObjectRecord(hobj);
  if (o == nullptr || !(o->Style & 1)) return;
  FSelection.push_back(hobj == -2 ? GetObjectsCount() - 1 : hobj);
}

void TImageryVect::SetObjectBitmap(int hobj, TIEBitmap* Bitmap) {
  TIEVObject* o = GetObjectRecord(hobj);
  if (o == nullptr) return;
  if (o->BitmapSlot >= 0 && o->BitmapSlot < static_cast<int>(FSlots.size())) {
    TSlot& s = FSlots[static_cast<size_t>(o->BitmapSlot)];
    if (--s.Count <= 0) s.Bitmap.reset();
  }
  o->BitmapSlot = -1;
  if (Bitmap == nullptr) return;
  TSlot s;
  s.Bitmap = std::make_unique<TIEBitmap>();
  s.Bitmap->Assign(Bitmap);
  s.Count = 1;
  FSlots.push_back(std::move(s));
  o->BitmapSlot = static_cast<int>(FSlots.size()) - 1;
}

TIEBitmap* TImageryVect::GetSlotBitmap(int Slot) {
  if (Slot < 0 || Slot >= static_cast<int>(FSlots.size())) return nullptr;
  return FSlots[static_cast<size_t>(Slot)].Bitmap.get();
}

void TImageryVect::SetMUnit(TIEUnits Value) {
  FMUnit = Value;
  FTemplate.RulerUnit = static_cast<uint8_t>(Value);
  UpdateUnitFactors();
}

void TImageryVect::SetScaleFactor(double Value) {
  FScaleFactor = Value;
  UpdateUnitFactors();
  Update();
}

void TImageryVect::SetDpiX(int Value) {
  TImageryView::SetDpiX(Value);
  UpdateUnitFactors();
}

void TImageryVect::SetDpiY(int Value) {
  TImageryView::SetDpiY(Value);
  UpdateUnitFactors();
}

void TImageryVect::StartFastPaintTimer() {
  FFastTimerRunning = true;
  FFastTimer->SetEnabled(true);
}

void TImageryVect::StopFastPaintTimer() {
  FFastTimerRunning = false;
  FFastTimer->SetEnabled(false);
}
