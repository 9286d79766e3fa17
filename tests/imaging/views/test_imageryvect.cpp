// The vector-object view's store: storage growth, shared bitmaps, the template, extents,
// selection, copies, object undo and the extended-class registry.
#include <cstring>
#include <string>

#include "imaging/core/imageryproc.h"
#include "platform/rtl/streams.h"
#include "vecttest.h"

namespace {

using vecttest::AddFullObject;
using vecttest::VectFixture;

class VectStoreTest : public VectFixture {};

TEST_F(VectStoreTest, StorageGrowsBy522WhenTheCountIsAMultipleOf512) {
  EXPECT_EQ(View->ObjectsCapacity(), 0);
  TIEVObject& t = *View->GetObjectRecord(IEV_TEMPLATE);
  t.Kind = iekBOX;
  View->AddObjectRecord(t);
  EXPECT_EQ(View->ObjectsCapacity(), 522);
  while (View->ObjectsCount() < 512) View->AddObjectRecord(t);
  EXPECT_EQ(View->ObjectsCapacity(), 522);
  View->AddObjectRecord(t);
  EXPECT_EQ(View->ObjectsCapacity(), 1044);
  EXPECT_EQ(View->DrawingOrderCount(), 513);
  EXPECT_EQ(View->GetObjectAtDrawingOrder(512), 512);
}

TEST_F(VectStoreTest, TemplateDefaults) {
  const TIEVObject& t = *View->GetObjectRecord(IEV_TEMPLATE);
  EXPECT_EQ(t.X2, 63);
  EXPECT_EQ(t.Y2, 63);
  EXPECT_EQ(t.Transparency, 255);
  EXPECT_EQ(t.BrushStyle, bsClear);
  EXPECT_EQ(t.BrushColor, 0xFFFFFF);
  EXPECT_EQ(t.ShapeWidth, 10);
  EXPECT_EQ(t.ShapeLength, 20);
  EXPECT_EQ(t.LabelPosition, 1);
  EXPECT_EQ(t.Style, 15);
  EXPECT_EQ(t.RulerType, 2);
  EXPECT_EQ(t.CharAngle, -10);
  EXPECT_TRUE(t.MemoFixedFont);
  EXPECT_TRUE(t.TextEditable);
  EXPECT_EQ(t.AnglePoints[2].X, 50);
  ASSERT_TRUE(t.Font);
  EXPECT_STREQ(t.Font->lfFaceName, "Arial");
  EXPECT_FALSE(t.SoftShadow.Enabled);
  EXPECT_EQ(t.SoftShadow.Radius, 3.0);
  TIEBitmap* b = View->GetObjectBitmap(IEV_TEMPLATE);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Width(), 64);
  EXPECT_EQ(b->PixelFormat(), ie24RGB);
  View->SetMUnit(ieuMILLIMETERS);
  EXPECT_EQ(View->GetObjectRecord(IEV_TEMPLATE)->RulerUnit, ieuMILLIMETERS);
}

TEST_F(VectStoreTest, EqualPicturesShareOneSlot) {
  TIEBitmap a, b;
  vecttest::MakePicture(a, 8, 6, 1);
  vecttest::MakePicture(b, 8, 6, 2);
  const int h1 = AddFullObject(View, iekBITMAP, 1), h2 = AddFullObject(View, iekBITMAP, 2);
  View->SetObjectBitmap(h1, &a);
  View->SetObjectBitmap(h2, &a);
  const int slot = View->GetObjectRecord(h1)->BitmapSlot;
  EXPECT_EQ(View->GetObjectRecord(h2)->BitmapSlot, slot);
  EXPECT_EQ(View->GetSlotRefCount(slot), 2);
  View->SetObjectBitmap(h2, &b);
  EXPECT_EQ(View->GetSlotRefCount(slot), 1);
  EXPECT_NE(View->GetObjectRecord(h2)->BitmapSlot, slot);
  View->ClearObjects();
  // Only the template's bitmap is left, as slot 0.
  EXPECT_EQ(View->BitmapSlotCount(), 1);
  EXPECT_EQ(View->GetObjectRecord(IEV_TEMPLATE)->BitmapSlot, 0);
  EXPECT_NE(View->GetSlotBitmap(0), nullptr);
  // Without sharing each object gets its own copy.
  View->ShareBitmaps = false;
  const int h3 = AddFullObject(View, iekBITMAP, 3), h4 = AddFullObject(View, iekBITMAP, 4);
  View->SetObjectBitmap(h3, &a);
  View->SetObjectBitmap(h4, &a);
  EXPECT_NE(View->GetObjectRecord(h3)->BitmapSlot, View->GetObjectRecord(h4)->BitmapSlot);
}

TEST_F(VectStoreTest, ObjectsExtent) {
  RECT e = View->GetObjectsExtent();
  EXPECT_EQ(e.right, 0);
  EXPECT_EQ(e.bottom, 0);
  TIEVObject line;
  line.Kind = iekLINE;
  line.X1 = 10;
  line.Y1 = 20;
  line.X2 = 5;
  line.Y2 = 40;
  View->AddObjectRecord(line);
  e = View->GetObjectsExtent();
  EXPECT_EQ(e.left, 0);
  EXPECT_EQ(e.top, 0);
  EXPECT_EQ(e.right, 11);
  EXPECT_EQ(e.bottom, 41);
  // Lines keep their direction, boxes are ordered.
  EXPECT_EQ(View->GetObjectRecord(0)->X2, 5);
  line.Kind = iekBOX;
  const int h = View->AddObjectRecord(line);
  EXPECT_EQ(View->GetObjectRecord(h)->X1, 5);
  EXPECT_EQ(View->GetObjectRecord(h)->X2, 10);
}

TEST_F(VectStoreTest, SelectionFollowsTheSelectableBitAndRaisesItsEvent) {
  int events = 0;
  View->OnSelectObject = [&](TObject*) { ++events; };
  const int locked = AddFullObject(View, iekBOX, 1);
  View->GetObjectRecord(locked)->Style = ievsVisible;
  View->SelectObject(locked);
  EXPECT_EQ(View->SelectedObjectsCount(), 0);
  EXPECT_EQ(events, 0);
  const int free = AddFullObject(View, iekBOX, 2);
  View->DeselectObject(free);
  EXPECT_EQ(events, 0);
  View->SelectObject(IEV_LAST_ADDED);
  EXPECT_TRUE(View->IsObjectSelected(free));
  EXPECT_EQ(events, 1);
  View->DeselectObject(free);
  EXPECT_EQ(events, 2);
  View->SelectObjectsInRect(IEV_ALL_OBJECTS, 0, 0, 200, 200);
  EXPECT_EQ(View->SelectedObjectsCount(), 1);
  EXPECT_EQ(events, 2);
  // The bounds start from the image size.
  View->GetIEBitmap()->Allocate(300, 300, ie24RGB);
  View->Update();
  const RECT r = View->GetSelectionBounds();
  EXPECT_EQ(r.left, 12);
  EXPECT_EQ(r.bottom, 92);
}

TEST_F(VectStoreTest, CopiedBitmapObjectsGetTheirOwnSlot) {
  TIEBitmap a;
  vecttest::MakePicture(a, 8, 6, 5);
  const int h = AddFullObject(View, iekBITMAP, 1);
  View->SetObjectBitmap(h, &a);
  TImageryVect target(nullptr);
  const int existing = AddFullObject(&target, iekBITMAP, 2);
  target.SetObjectBitmap(existing, &a);
  const int slotBefore = target.GetObjectRecord(existing)->BitmapSlot;
  const int c = View->CopyObjectTo(h, &target);
  const int slot = target.GetObjectRecord(c)->BitmapSlot;
  EXPECT_NE(slot, slotBefore);
  EXPECT_EQ(target.GetSlotRefCount(slot), 1);
  EXPECT_EQ(target.GetSlotRefCount(slotBefore), 1);
  EXPECT_EQ(target.GetObjectBitmap(c)->GetPixelRGB(3, 2).r, a.GetPixelRGB(3, 2).r);
  // UserData stays with the source.
  EXPECT_EQ(target.GetObjectRecord(c)->UserData, nullptr);
  // Assign copies everything and the scale.
  View->SetScaleFactor(4);
  TImageryVect copy(nullptr);
  copy.Assign(View);
  EXPECT_EQ(copy.ObjectsCount(), 1);
  EXPECT_EQ(copy.ScaleFactor(), 4);
}

TEST_F(VectStoreTest, ObjUndoKeepsOnlyTheNewestWithLimitOne) {
  AddFullObject(View, iekBOX, 1);
  View->SaveObjUndo();
  AddFullObject(View, iekBOX, 2);
  View->SaveObjUndo();
  ASSERT_EQ(View->ObjUndoCount(), 1);
  TImageryVect check(nullptr);
  View->ObjUndoAt(0)->SetPosition(0);
  ASSERT_TRUE(check.LoadFromStreamIEV(View->ObjUndoAt(0)));
  EXPECT_EQ(check.ObjectsCount(), 2);
  View->ObjUndoLimit = 0;
  View->SaveObjUndo();
  EXPECT_EQ(View->ObjUndoCount(), 1);
  View->DropLastObjUndo();
  EXPECT_EQ(View->ObjUndoCount(), 0);
  // The automatic snapshot of ClearObjects.
  View->ObjUndoLimit = 3;
  View->ObjAutoUndo = true;
  View->ClearObjects();
  EXPECT_EQ(View->ObjUndoCount(), 1);
}

TEST_F(VectStoreTest, PolylineRefitMapsTheVerticesIntoTheBox) {
  TIEVObject p;
  p.Kind = iekPOLYLINE;
  const int h = View->AddObjectRecord(p);
  View->AddPolylinePoint(h, 0, 0);
  View->AddPolylinePoint(h, 10, 20);
  View->AddPolylinePoint(h, 10, 20);  // equal to the last: not added
  View->AddPolylinePoint(h, 4, 10);
  TIEVObject& o = *View->GetObjectRecord(h);
  EXPECT_EQ(o.Points.size(), 3u);
  EXPECT_EQ(o.X2, 10);
  EXPECT_EQ(o.Y2, 20);
  o.X1 = 100;
  o.Y1 = 100;
  o.X2 = 120;  // twice as wide
  o.Y2 = 120;
  View->RefitPolyline(o);
  EXPECT_EQ(o.X1, 100);
  EXPECT_EQ(o.X2, 120);
  EXPECT_EQ(o.PointsBounds.Right, 10);
  EXPECT_EQ(o.PointsBounds.Bottom, 20);
}

class VectStoreShape : public TIEVExtendedObject {
  ORV_CLASS(VectStoreShape, TIEVExtendedObject)
};
ORV_CLASS_IMPL(VectStoreShape, TIEVExtendedObject)

TEST_F(VectStoreTest, ExtendedClassesAreFoundByName) {
  IEVRegisterExtendedClass("star", VectStoreShape::StaticClass());
  EXPECT_EQ(View->CreateExtendedObject("nothing"), nullptr);
  std::unique_ptr<TIEVExtendedObject> x(View->CreateExtendedObject("star"));
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->Owner, View);
  EXPECT_EQ(x->Handle(), -1);
  EXPECT_EQ(TImageryVect::GetExtendedObjectName(x.get()), "star");
  TIEVObject o;
  o.Kind = iekEXTENDED;
  o.Extended = std::move(x);
  o.Extended->Value = 9;
  const int h = View->AddObjectRecord(o);
  TIEVObject& n = *View->GetObjectRecord(h);
  ASSERT_TRUE(n.Extended);
  EXPECT_EQ(n.Extended->Handle(), h);
  EXPECT_EQ(n.Extended->Record, &n);
  EXPECT_EQ(n.Extended->Value, 9);
  // It survives a file round trip.
  TMemoryStream s;
  View->SaveToStreamIEV(&s);
  TImageryVect other(nullptr);
  s.SetPosition(0);
  ASSERT_TRUE(other.LoadFromStreamIEV(&s));
  ASSERT_TRUE(other.GetObjectRecord(0)->Extended);
  EXPECT_EQ(TImageryVect::GetExtendedObjectName(other.GetObjectRecord(0)->Extended.get()), "star");
}

}  // namespace

namespace {

TEST_F(VectStoreTest, AutomaticSnapshotsGoWhereTheUndoModeSays) {
  AddFullObject(View, iekBOX, 1);
  View->ObjAutoUndo = true;
  View->ObjUndoLimit = 5;
  struct Case {
    TIEVUndoMode Mode;
    int Own, Shared;
  } cases[] = {{ieumSeparated, 1, 0}, {ieumShared, 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Mode);
    View->ObjUndoMode = c.Mode;
    View->AutoUndoSnapshot();
    EXPECT_EQ(View->ObjUndoCount(), c.Own);
    EXPECT_EQ(View->GetProc()->GetUndoCount(), c.Shared);
    if (c.Shared > 0) EXPECT_EQ(View->GetProc()->GetUndoSource(0), ieuObject);
    // Nothing changed: the snapshot is taken back.
    View->DropAutoUndoSnapshot();
    EXPECT_EQ(View->ObjUndoCount(), 0);
    EXPECT_EQ(View->GetProc()->GetUndoCount(), 0);
  }
}

}  // namespace
