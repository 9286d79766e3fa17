// TImageryVect: the object store (see imageryvect.h).
#include "imaging/views/imageryvect.h"

#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/extctrls.h"

ORV_CLASS_IMPL(TImageryVect, TImageryView)
ORV_CLASS_IMPL(TIEVExtendedObject, TObject)

UINT IEVectClipboardFormat = 0;
int IEMemoShortCuts[12] = {};

TIEVObject::TIEVObject(TIEVObject&&) noexcept = default;
TIEVObject& TIEVObject::operator=(TIEVObject&&) noexcept = default;
TIEVObject::~TIEVObject() = default;

uint8_t IEVFontOutputQuality(uint8_t) { return 0; }
TIEVExtendedObject* TIEVExtendedObject::Clone() { return nullptr; }

TImageryVect::TImageryVect(TComponent* AOwner) : TImageryView(AOwner) {}
TImageryVect::~TImageryVect() = default;
void TImageryVect::Publish(TPublisher<TImageryVect>&) {}
int TImageryVect::AddObjectRecord(const TIEVObject&) { return -4; }
TIEVObject* TImageryVect::GetObjectRecord(int) { return nullptr; }
void TImageryVect::ClearObjects() {}
void TImageryVect::FreeObjectData(TIEVObject&) {}
void TImageryVect::SetObjectUserData(int, void*) {}
void TImageryVect::SetObjectUserDataLength(int, int32_t) {}
void TImageryVect::SetObjectFont(int, TFont*) {}
TFontStyles TImageryVect::GetObjectFontStyle(int) { return {}; }
void TImageryVect::AddPolylinePoint(int, int, int) {}
void TImageryVect::RefitPolyline(TIEVObject&) {}
void TImageryVect::MoveObject(int, int, int) {}
void TImageryVect::SetObjectBitmap(int, TIEBitmap*) {}
void TImageryVect::SetObjectBitmapSlot(int, int) {}
void TImageryVect::SetObjectBitmapFromIcon(int, const char*, int, int) {}
void TImageryVect::CompactBitmapSlots() {}
TIEBitmap* TImageryVect::GetSlotBitmap(int) const { return nullptr; }
int TImageryVect::GetSlotRefCount(int) const { return 0; }
TIEBitmap* TImageryVect::GetObjectBitmap(int) { return nullptr; }
void TImageryVect::SelectObject(int) {}
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
void TImageryVect::SetMUnit(TIEUnits Value) { FMUnit = Value; }
void TImageryVect::SetFloatDigits(int Value) { FFloatDigits = Value; }
void TImageryVect::SetFloatPrecision(int Value) { FFloatPrecision = Value; }
void TImageryVect::SetZoomObjectsWidth(bool Value) { FZoomObjectsWidth = Value; }
void TImageryVect::SetBitmapResampleFilter(TResampleFilter Value) { FBitmapResampleFilter = Value; }
void TImageryVect::SetObjAntialias(bool Value) { FObjAntialias = Value; }
void TImageryVect::SetObjGripImage(TPicture*) {}
void TImageryVect::SetScaleFactor(double Value) { FScaleFactor = Value; }
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
void TImageryVect::SetDpiX(int Value) { TImageryView::SetDpiX(Value); }
void TImageryVect::SetDpiY(int Value) { TImageryView::SetDpiY(Value); }
void TImageryVect::ShiftMouseCoords(int dx, int dy) { TImageryView::ShiftMouseCoords(dx, dy); }
void TImageryVect::SelectRect(int x1, int y1, int x2, int y2, int Op) { TImageryView::SelectRect(x1, y1, x2, y2, Op); }
void TImageryVect::AddSelectionPoint(int x, int y) { TImageryView::AddSelectionPoint(x, y); }
void TImageryVect::WndProc(TMessage& Message) { TImageryView::WndProc(Message); }
void IEVectInit() {}
void IEVectFree() {}
void IEVRegisterExtendedClass(const std::string&, TClass) {}
int IEVExtendedClassCount() { return 0; }
