// The object inspector's property editors: which editor a property gets, the rows of one object
// and of a selection, set sub-rows, and each standard editor's text in both directions.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/menus.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptpropeditors.h"
#include "report/core/rptregistry.h"
#include "report/core/rptstyles.h"
#include "report/core/rptview.h"

namespace {

// An object with one published property of each kind the editors handle.
class TEditTarget : public TPersistent {
  ORV_CLASS(TEditTarget, TPersistent)
public:
  static void Publish(TPublisher<TEditTarget>& P) {
    P.Prop("Ch", &TEditTarget::Ch);
    P.Prop("Count", &TEditTarget::Count);
    P.Prop("Ratio", &TEditTarget::Ratio);
    P.Prop("Shape", &TEditTarget::Shape);
    P.Prop("Sides", &TEditTarget::Sides).Type("TrptFrameTypes");
    P.Prop("Paint", &TEditTarget::Paint).Type("TColor");
    P.Prop("Result", &TEditTarget::Result).Type("TModalResult");
    P.Prop("Key", &TEditTarget::Key).Type("TShortCut");
    P.Prop("Pointer", &TEditTarget::Pointer).Type("TCursor");
    P.Prop("Day", &TEditTarget::Day).Type("TDateTime");
  }
  char Ch = 'A';
  int Count = 0;
  double Ratio = 0;
  TrptFrameStyle Shape = fsSolid;
  TrptFrameTypes Sides;
  int Paint = 0;
  int Result = 0;
  int Key = 0;
  int Pointer = 0;
  double Day = 0;
};
ORV_CLASS_IMPL(TEditTarget, TPersistent)

std::unique_ptr<TrptPropertyEditor> EditorFor(TObject* Obj, const std::string& Name, TrptPropertyList& List) {
  List.AssignObject(Obj);
  TrptPropertyItem* item = List.Find(Name);
  if (!item) return nullptr;
  return std::move(item->Editor);
}

// Sorted as the class library's string lists sort: letter case ignored.
bool SortedNoCase(const std::vector<std::string>& V) {
  return std::is_sorted(V.begin(), V.end(),
                        [](const std::string& a, const std::string& b) { return LowerCase(a) < LowerCase(b); });
}

std::vector<std::string> ValuesOf(TrptPropertyEditor* E) {
  E->GetValues();
  std::vector<std::string> v;
  for (int i = 0; i < E->Values()->Count(); ++i) v.push_back(E->Values()->Strings(i));
  return v;
}

TEST(RptPropertyEditors, LookupFollowsEventTypesClassesAndNames) {
  TrptPropertyEditorCollection c;
  PTypeInfo ext = BuiltinTypeInfo("Extended");
  c.AddEditor(ext, nullptr, "", TrptFloatProperty::StaticClass());                      // 0
  c.AddEditor(nullptr, TrptComponent::StaticClass(), "Left", TrptStringProperty::StaticClass());  // 1
  c.AddEditor(ext, nullptr, "", TrptIntegerProperty::StaticClass());                    // 2
  TrptMemoView memo(nullptr);
  // A class entry with the property's name wins over type entries, wherever it stands.
  EXPECT_EQ(c.FindEditor(ext, &memo, "Left"), 1);
  // Among type entries without a name, the earliest registered wins.
  EXPECT_EQ(c.FindEditor(ext, &memo, "Top"), 0);
  // A later entry for the same class and name wins over the earlier one.
  c.AddEditor(nullptr, TrptComponent::StaticClass(), "Left", TrptCharProperty::StaticClass());  // 3
  EXPECT_EQ(c.FindEditor(ext, &memo, "Left"), 3);
  // Report events get the event editor even though a class entry names the property.
  PTypeInfo ev = AliasTypeInfo("TrptNotifyEvent", BuiltinTypeInfo("String"));
  c.AddEditor(nullptr, TrptComponent::StaticClass(), "OnBeforePrint", TrptStringProperty::StaticClass());
  EXPECT_EQ(c.FindEditor(ev, &memo, "OnBeforePrint"), -1);  // no event editor set yet
  c.SetEventEditor(TrptStringProperty::StaticClass());
  EXPECT_EQ(c.FindEditor(ev, &memo, "OnBeforePrint"), c.EventEditorIndex());
  EXPECT_EQ(c.FindEditor(BuiltinTypeInfo("Integer"), &memo, "Nothing"), -1);
}

TEST(RptPropertyEditors, RowsOfOneObjectAndOfASelection) {
  TrptMemoView memo(nullptr);
  TrptPropertyList rows(nullptr);
  rows.AssignObject(&memo);
  ASSERT_GT(rows.Count(), 10);
  for (int i = 1; i < rows.Count(); ++i)  // sorted by name
    EXPECT_LT(rows.Items(i - 1)->Editor->GetName(), rows.Items(i)->Editor->GetName());
  ASSERT_NE(rows.Find("Name"), nullptr);
  EXPECT_EQ(rows.Find("Name")->Editor->ClassName(), "TrptNameProperty");
  ASSERT_NE(rows.Find("Color"), nullptr);
  EXPECT_EQ(rows.Find("Color")->Editor->ClassName(), "TrptColorProperty");
  // The frame's set of sides: four sub-rows.
  memo.Frame()->Typ = TrptFrameTypes{ftLeft, ftTop};
  TrptPropertyItem* frame = rows.Find("Frame");
  ASSERT_NE(frame, nullptr);
  ASSERT_NE(frame->SubProperty, nullptr);
  TrptPropertyItem* typ = frame->SubProperty->Find("Typ");
  ASSERT_NE(typ, nullptr);
  EXPECT_EQ(typ->Editor->GetValue(), "[ftLeft,ftTop]");
  ASSERT_NE(typ->SubProperty, nullptr);
  ASSERT_EQ(typ->SubProperty->Count(), 4);
  std::vector<std::string> names, values;
  for (int i = 0; i < 4; ++i) {
    names.push_back(typ->SubProperty->Items(i)->Editor->GetName());
    values.push_back(typ->SubProperty->Items(i)->Editor->GetValue());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"ftLeft", "ftRight", "ftTop", "ftBottom"}));
  EXPECT_EQ(values, (std::vector<std::string>{"True", "False", "True", "False"}));
  typ->SubProperty->Items(3)->Editor->SetValue("true");
  EXPECT_TRUE(memo.Frame()->Typ.Contains(ftBottom));
  EXPECT_THROW(typ->SubProperty->Items(3)->Editor->SetValue("maybe"), Exception);

  // A memo and a picture: only what both have under the same name and kind, without Name;
  // writing sets both.
  TrptPictureView picture(nullptr);
  std::unique_ptr<TrptPropertyList> common(rptBuildPropertyList({&memo, &picture}, nullptr));
  ASSERT_NE(common, nullptr);
  EXPECT_EQ(common->Find("Name"), nullptr);
  EXPECT_EQ(common->Find("Memo"), nullptr);
  ASSERT_NE(common->Find("Left"), nullptr);
  for (int i = 0; i < common->Count(); ++i) {
    const std::string n = common->Items(i)->Editor->GetName();
    EXPECT_NE(rows.Find(n), nullptr) << n;
  }
  common->Find("Left")->Editor->SetValue("12.5");
  EXPECT_DOUBLE_EQ(memo.Left(), 12.5);
  EXPECT_DOUBLE_EQ(picture.Left(), 12.5);
  EXPECT_EQ(rptBuildPropertyList({}, nullptr), nullptr);
}

TEST(RptPropertyEditors, StandardEditorsReadAndWriteText) {
  TEditTarget t;
  TrptPropertyList rows(nullptr);
  struct Case {
    const char* prop;
    const char* set;
    const char* shown;
  } cases[] = {
      {"Ch", " ", "#32"},          {"Ch", "A", "A"},          {"Ch", "#9", "#9"},
      {"Ch", "", "#0"},            {"Count", "$10", "16"},    {"Ratio", "1,5", "1.5"},
      {"Shape", "FSDOT", "fsDot"}, {"Paint", "clRed", "clRed"}, {"Paint", "255", "clRed"},
      {"Result", "mrCancel", "mrCancel"}, {"Result", "", "mrNone"}, {"Result", "12", "12"},
      {"Key", "Ctrl+A", "Ctrl+A"}, {"Key", "(none)", "(None)"}, {"Pointer", "crHandPoint", "crHandPoint"},
      {"Pointer", "5", "5"},       {"Day", "", ""},
  };
  for (const Case& c : cases) {
    auto e = EditorFor(&t, c.prop, rows);
    ASSERT_NE(e, nullptr) << c.prop;
    e->SetValue(c.set);
    EXPECT_EQ(e->GetValue(), c.shown) << c.prop << " " << c.set;
  }
  // Text the editor cannot take leaves the value and raises the invalid-value error.
  auto ch = EditorFor(&t, "Ch", rows);
  ch->SetValue("B");
  EXPECT_THROW(ch->SetValue("x9"), Exception);
  EXPECT_EQ(t.Ch, 'B');
  auto shape = EditorFor(&t, "Shape", rows);
  EXPECT_THROW(shape->SetValue("fsWavy"), Exception);
  // The set's row text and its read-only, sub-row attributes.
  auto sides = EditorFor(&t, "Sides", rows);
  t.Sides = TrptFrameTypes{ftRight, ftBottom};
  EXPECT_EQ(sides->GetValue(), "[ftRight,ftBottom]");
  EXPECT_EQ(sides->GetAttributes(), rptpaMultiSelect | rptpaSubProperties | rptpaReadOnly);
}

TEST(RptPropertyEditors, ValueListsAndCycling) {
  TEditTarget t;
  TrptPropertyList rows(nullptr);
  // Enumerations: sorted by name; Edit on the last name wraps to the first.
  auto shape = EditorFor(&t, "Shape", rows);
  std::vector<std::string> names = ValuesOf(shape.get());
  ASSERT_FALSE(names.empty());
  EXPECT_TRUE(SortedNoCase(names));
  shape->SetValue(names.back());
  EXPECT_TRUE(shape->Edit());
  EXPECT_EQ(shape->GetValue(), names.front());
  // Lists without the sorted attribute keep their own order.
  auto result = EditorFor(&t, "Result", rows);
  std::vector<std::string> results = ValuesOf(result.get());
  ASSERT_EQ(results.size(), 11u);
  EXPECT_EQ(results.front(), "mrNone");
  EXPECT_EQ(results.back(), "mrYesToAll");
  auto key = EditorFor(&t, "Key", rows);
  std::vector<std::string> keys = ValuesOf(key.get());
  ASSERT_EQ(keys.size(), 109u);
  EXPECT_EQ(keys[0], "(None)");
  EXPECT_EQ(keys[1], ShortCutToText(ShortCut('A', TShiftState{ssCtrl})));
  EXPECT_EQ(keys.back(), ShortCutToText(ShortCut(VK_BACK, TShiftState{ssShift, ssAlt})));
  auto paint = EditorFor(&t, "Paint", rows);
  std::vector<std::string> colours = ValuesOf(paint.get());
  ASSERT_GE(colours.size(), 16u);
  EXPECT_EQ(colours[0], "clBlack");
  EXPECT_FALSE(SortedNoCase(colours));
  EXPECT_EQ(paint->GetAttributes(), rptpaMultiSelect | rptpaValueList | rptpaDialog | rptpaOwnerDraw);
  auto pointer = EditorFor(&t, "Pointer", rows);
  std::vector<std::string> cursors = ValuesOf(pointer.get());
  EXPECT_TRUE(SortedNoCase(cursors));
  EXPECT_NE(std::find(cursors.begin(), cursors.end(), "crHandPoint"), cursors.end());
  // The base editor: unknown value, widths from the row height.
  TrptPropertyEditor base;
  base.ItemHeight = 16;
  EXPECT_EQ(base.GetValue(), "(Unknown)");
  EXPECT_EQ(base.ExtraListWidth(), 18);
  EXPECT_FALSE(base.Edit());
}

TEST(RptPropertyEditors, ComponentReferencesByName) {
  TrptReport report(nullptr);
  auto* page = new TrptReportPage(&report);
  page->SetName("Page1");
  page->SetParent(&report);
  auto* band = new TrptMasterData(&report);
  band->SetName("MasterData1");
  band->SetParent(page);
  auto* child = new TrptChild(&report);
  child->SetName("Child1");
  child->SetParent(page);
  TrptPropertyList rows(nullptr);
  auto e = EditorFor(band, "Child", rows);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->ClassName(), "TrptComponentProperty");
  EXPECT_EQ(ValuesOf(e.get()), std::vector<std::string>{"Child1"});
  e->SetValue("Child1");
  EXPECT_EQ(band->Child(), child);
  EXPECT_EQ(e->GetValue(), "Child1");
  EXPECT_THROW(e->SetValue("Nowhere"), Exception);
  EXPECT_EQ(band->Child(), child);
  e->SetValue("");
  EXPECT_EQ(band->Child(), nullptr);
}

}  // namespace
