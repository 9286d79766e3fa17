// Published properties: registration, list order, kinds and type names, enumerations and sets,
// defaults and stored rules, generic get/set of every kind, and the class registry.
#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/component.h"
#include "platform/rtl/handletable.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/variant.h"

namespace {

ORV_ENUM(TTiAlign, tiaLeft, tiaRight, tiaCenter)
enum TTiStyle { tisBold, tisItalic, tisUnderline, tisStrikeOut };
ORV_ENUM_TYPEINFO(TTiStyle, tisBold, tisItalic, tisUnderline, tisStrikeOut)
using TTiStyles = TSet<TTiStyle>;
using TColorValue = int;

// A persistent sub-object, as a view's pen or font.
class TTiPen : public TPersistent {
  ORV_CLASS(TTiPen, TPersistent)
public:
  static void Publish(TPublisher<TTiPen>& P);
  int Width = 1;
  TColorValue Color = 0;
  void Assign(TPersistent* Source) override {
    if (auto* p = dynamic_cast<TTiPen*>(Source)) {
      Width = p->Width;
      Color = p->Color;
      return;
    }
    TPersistent::Assign(Source);
  }
};

class TTiBase : public TComponent {
  ORV_CLASS(TTiBase, TComponent)
public:
  explicit TTiBase(TComponent* AOwner) : TComponent(AOwner), FPen(std::make_unique<TTiPen>()) {}
  static void Publish(TPublisher<TTiBase>& P);

  double Left() const { return FLeft; }
  void SetLeft(double V) { FLeft = V; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& V) { FCaption = V; }
  TTiPen* Pen() const { return FPen.get(); }
  void SetPen(TTiPen* V) { FPen->Assign(V); }
  TComponent* Link() const { return FLink; }
  void SetLink(TComponent* V) { FLink = V; }
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent V) {
    FOnChange = std::move(V);
    ++OnChangeSets;
  }
  int OnChangeSets = 0;
  int Count() const { return 42; }
  bool IsCaptionStored() const { return FCaption != "default"; }

  TNotifyEvent OnClick;
  std::string OnClickName;
  std::function<void(TObject*, int&)> OnKey;

  TTiAlign FAlign = tiaLeft;
  bool FVisible = true;
  TTiStyles FStyle;
  int64_t FBig = 0;
  char FLetter = 'a';
  char16_t FWide = u'a';
  Variant FData;
  std::string FEvent;  // a report-style event: the handler's name as text

private:
  double FLeft = 0;
  std::string FCaption;
  std::unique_ptr<TTiPen> FPen;
  TComponent* FLink = nullptr;
  TNotifyEvent FOnChange;

public:
  std::string FWideCaption;
};

class TTiDerived : public TTiBase {
  ORV_CLASS(TTiDerived, TTiBase)
public:
  using TTiBase::TTiBase;
  static void Publish(TPublisher<TTiDerived>& P);
  int FExtra = 7;
};

// Publishes nothing itself: inherits its parent's list unchanged.
class TTiPlain : public TTiDerived {
  ORV_CLASS(TTiPlain, TTiDerived)
public:
  using TTiDerived::TTiDerived;
};

ORV_CLASS_IMPL(TTiPen, TPersistent)
ORV_CLASS_IMPL(TTiBase, TComponent)
ORV_CLASS_IMPL(TTiDerived, TTiBase)
ORV_CLASS_IMPL(TTiPlain, TTiDerived)

void TTiPen::Publish(TPublisher<TTiPen>& P) {
  P.Prop("Width", &TTiPen::Width).Default(1);
  P.Prop("Color", &TTiPen::Color).Type("TColor");
}

void TTiBase::Publish(TPublisher<TTiBase>& P) {
  P.Prop("Left", &TTiBase::Left, &TTiBase::SetLeft);
  P.Prop("Caption", &TTiBase::Caption, &TTiBase::SetCaption).Stored(&TTiBase::IsCaptionStored);
  P.Prop("Align", &TTiBase::FAlign).Default(tiaLeft);
  P.Prop("Visible", &TTiBase::FVisible).Default(true);
  P.Prop("Style", &TTiBase::FStyle).Type("TTiStyles").Default(TTiStyles{});
  P.Prop("Pen", &TTiBase::Pen, &TTiBase::SetPen);
  P.Prop("Link", &TTiBase::Link, &TTiBase::SetLink);
  P.Prop("Count", &TTiBase::Count);
  P.Prop("Big", &TTiBase::FBig);
  P.Prop("Letter", &TTiBase::FLetter);
  P.Prop("Wide", &TTiBase::FWide);
  P.Prop("Data", &TTiBase::FData);
  P.Prop("OnPrint", &TTiBase::FEvent).Type("TTiNotifyEvent");
  P.Event("OnClick", &TTiBase::OnClick, &TTiBase::OnClickName).Type("TNotifyEvent");
  P.Event("OnKey", &TTiBase::OnKey);
  P.Prop("OnChange", &TTiBase::OnChange, &TTiBase::SetOnChange).Type("TNotifyEvent");
  P.Prop("WideCaption", &TTiBase::FWideCaption).Type(BuiltinTypeInfo("WideString"));
}

void TTiDerived::Publish(TPublisher<TTiDerived>& P) {
  P.Prop("Extra", &TTiDerived::FExtra).Default(7).Stored(false);
  P.Redeclare("Align").Default(tiaCenter);  // keeps its place, new default
  P.Prop("Tag", &TTiDerived::Tag, &TTiDerived::SetTag).Default(5);  // new accessors, same place
}

std::vector<std::string> Names(const TPropList& list) {
  std::vector<std::string> out;
  for (PPropInfo p : list) out.push_back(p->Name);
  return out;
}

}  // namespace

TEST(PropertyList, AncestorsFirstInDeclarationOrderRedeclaredKeepPlace) {
  const std::vector<std::string> base = {"Name",  "Tag",  "Left",   "Caption", "Align",
                                         "Visible", "Style", "Pen",  "Link",    "Count",
                                         "Big",   "Letter", "Wide", "Data",    "OnPrint",
                                         "OnClick", "OnKey", "OnChange", "WideCaption"};
  EXPECT_EQ(Names(GetPropList(TTiBase::StaticClass())), base);
  std::vector<std::string> derived = base;
  derived.push_back("Extra");
  EXPECT_EQ(Names(GetPropList(TTiDerived::StaticClass())), derived);
  EXPECT_EQ(Names(GetPropList(TTiPlain::StaticClass())), derived);
  EXPECT_EQ(GetPropCount(TTiDerived::StaticClass()), 20);
  EXPECT_EQ(GetPropInfo(TTiDerived::StaticClass(), "Extra")->NameIndex, 19);
  // The redeclared property is the descendant's in the descendant only.
  EXPECT_EQ(GetPropInfo(TTiDerived::StaticClass(), "Align")->Default, tiaCenter);
  EXPECT_EQ(GetPropInfo(TTiBase::StaticClass(), "Align")->Default, tiaLeft);
  EXPECT_EQ(GetPropInfo(TTiDerived::StaticClass(), "Align")->DeclaringClass, TTiDerived::StaticClass());
}

TEST(PropertyList, KindFilterSortingAndLookupWithoutCase) {
  EXPECT_EQ(Names(GetPropList(TTiBase::StaticClass(), tkMethods)),
            (std::vector<std::string>{"OnClick", "OnKey", "OnChange"}));
  TPropList props = GetPropList(TTiBase::StaticClass(), tkProperties, true);
  EXPECT_EQ(props.size(), 16u);
  std::vector<std::string> sorted = Names(props);
  EXPECT_EQ(sorted.front(), "Align");
  EXPECT_EQ(sorted.back(), "WideCaption");
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(),
                             [](auto& a, auto& b) { return CompareText(a, b) < 0; }));
  EXPECT_EQ(GetPropInfo(TTiBase::StaticClass(), "cAPTION")->Name, "Caption");
  EXPECT_EQ(GetPropInfo(TTiBase::StaticClass(), "Nope"), nullptr);
  EXPECT_EQ(GetPropInfo(TTiBase::StaticClass(), "Caption", TypeKindBit(tkInteger)), nullptr);
  TTiBase obj(nullptr);
  EXPECT_TRUE(IsPublishedProp(&obj, "left"));
  EXPECT_FALSE(IsPublishedProp(&obj, "FLeft"));
  EXPECT_TRUE(PropIsType(&obj, "Left", tkFloat));
  EXPECT_THROW(PropType(&obj, "Nope"), EPropertyError);
}

TEST(PropertyTypes, KindAndTypeNameFollowTheCppType) {
  struct Case {
    const char* Prop;
    TTypeKind Kind;
    const char* TypeName;
  };
  const Case cases[] = {
      {"Name", tkLString, "TComponentName"}, {"Tag", tkInteger, "Integer"},
      {"Left", tkFloat, "Double"},           {"Caption", tkLString, "String"},
      {"Align", tkEnumeration, "TTiAlign"},  {"Visible", tkEnumeration, "Boolean"},
      {"Style", tkSet, "TTiStyles"},         {"Pen", tkClass, "TTiPen"},
      {"Link", tkClass, "TComponent"},       {"Count", tkInteger, "Integer"},
      {"Big", tkInt64, "Int64"},             {"Letter", tkChar, "Char"},
      {"Wide", tkWChar, "WideChar"},         {"Data", tkVariant, "Variant"},
      {"OnPrint", tkLString, "TTiNotifyEvent"}, {"OnClick", tkMethod, "TNotifyEvent"},
      {"OnKey", tkMethod, "TMethod"},       {"WideCaption", tkWString, "WideString"},
  };
  for (const Case& c : cases) {
    PPropInfo p = GetPropInfo(TTiBase::StaticClass(), c.Prop);
    ASSERT_NE(p, nullptr) << c.Prop;
    EXPECT_EQ(p->PropType->Kind, c.Kind) << c.Prop;
    EXPECT_EQ(p->PropType->Name, c.TypeName) << c.Prop;
  }
  // One record per type name, whoever names it: registries keyed by type information work.
  PTypeInfo color = GetPropInfo(TTiPen::StaticClass(), "Color")->PropType;
  EXPECT_EQ(color, FindTypeInfo("tcolor"));
  EXPECT_EQ(color, AliasTypeInfo("TColor", TypeInfo<int>()));
  EXPECT_EQ(GetPropInfo(TTiBase::StaticClass(), "Style")->PropType->CompType, TypeInfo<TTiStyle>());
  EXPECT_EQ(GetObjectPropClass(GetPropInfo(TTiBase::StaticClass(), "Pen")), TTiPen::StaticClass());
  EXPECT_EQ(*GetPropInfo(TTiBase::StaticClass(), "OnClick")->PropType->MethodType,
            typeid(TNotifyEvent));
  EXPECT_FALSE(GetPropInfo(TTiBase::StaticClass(), "Count")->CanWrite);
}

TEST(Enumerations, NamesAndValuesBothWays) {
  PTypeInfo t = TypeInfo<TTiAlign>();
  EXPECT_EQ(t->MinValue, 0);
  EXPECT_EQ(t->MaxValue, 2);
  struct Case {
    int64_t Value;
    const char* Name;
  };
  for (Case c : {Case{0, "tiaLeft"}, Case{1, "tiaRight"}, Case{2, "tiaCenter"}}) {
    EXPECT_EQ(GetEnumName(t, c.Value), c.Name);
    EXPECT_EQ(GetEnumValue(t, c.Name), c.Value);
  }
  EXPECT_EQ(GetEnumValue(t, "TIACENTER"), 2);
  EXPECT_EQ(GetEnumValue(t, "tiaMiddle"), -1);
  EXPECT_EQ(GetEnumName(t, 3), "");
  EXPECT_EQ(GetEnumName(t, -1), "");
  PTypeInfo b = TypeInfo<bool>();
  EXPECT_EQ(GetEnumName(b, 1), "True");
  EXPECT_EQ(GetEnumValue(b, "false"), 0);
  EXPECT_EQ(FindTypeInfo("TTiAlign"), t);
}

TEST(Enumerations, PropertyByNameOrOrdinal) {
  TTiBase obj(nullptr);
  SetEnumProp(&obj, "Align", "TIARIGHT");
  EXPECT_EQ(obj.FAlign, tiaRight);
  EXPECT_EQ(GetEnumProp(&obj, "Align"), "tiaRight");
  SetEnumProp(&obj, "Align", "2");
  EXPECT_EQ(obj.FAlign, tiaCenter);
  for (const char* bad : {"tiaMiddle", "3", "-1", ""}) {
    EXPECT_THROW(SetEnumProp(&obj, "Align", bad), EPropertyConvertError) << bad;
    EXPECT_EQ(obj.FAlign, tiaCenter) << bad;
  }
  SetEnumProp(&obj, "Visible", "False");
  EXPECT_FALSE(obj.FVisible);
}

TEST(Sets, BitMaskAndTextBothWays) {
  TTiBase obj(nullptr);
  PPropInfo p = GetPropInfo(&obj, "Style");
  obj.FStyle = {tisBold, tisUnderline};
  EXPECT_EQ(GetOrdProp(&obj, p), 5);
  EXPECT_EQ(GetSetProp(&obj, p), "tisBold,tisUnderline");
  EXPECT_EQ(GetSetProp(&obj, p, true), "[tisBold,tisUnderline]");
  SetOrdProp(&obj, p, 3);  // bit n = element n
  EXPECT_EQ(obj.FStyle, (TTiStyles{tisBold, tisItalic}));
  SetSetProp(&obj, p, "[ tisStrikeOut , TISITALIC ]");
  EXPECT_EQ(obj.FStyle, (TTiStyles{tisItalic, tisStrikeOut}));
  SetSetProp(&obj, p, "[]");
  EXPECT_TRUE(obj.FStyle.Empty());
  EXPECT_THROW(SetSetProp(&obj, p, "tisBold,tisWavy"), EPropertyConvertError);
  EXPECT_TRUE(obj.FStyle.Empty());
}

TEST(DefaultsAndStored, DeclaredDefaultsAndStoredRules) {
  TTiDerived obj(nullptr);
  struct Case {
    const char* Prop;
    bool HasDefault;
    bool IsDefault;
    bool Stored;
  };
  const Case fresh[] = {
      {"Name", false, true, false},     // empty string counts as default; Name is never stored
      {"Tag", true, false, true},       // redeclared default 5, value 0
      {"Left", false, false, true},     // floats have no default
      {"Caption", false, true, true},   // empty string
      {"Align", true, false, true},     // redeclared default tiaCenter, value tiaLeft
      {"Visible", true, true, true},
      {"Style", true, true, true},
      {"Count", false, false, true},
      {"Extra", true, true, false},
  };
  for (const Case& c : fresh) {
    PPropInfo p = GetPropInfo(&obj, c.Prop);
    ASSERT_NE(p, nullptr) << c.Prop;
    EXPECT_EQ(p->HasDefault, c.HasDefault) << c.Prop;
    EXPECT_EQ(IsDefaultPropValue(&obj, p), c.IsDefault) << c.Prop;
    EXPECT_EQ(IsStoredProp(&obj, p), c.Stored) << c.Prop;
  }
  obj.SetTag(5);
  obj.FVisible = false;
  obj.SetCaption("default");  // the stored function says no for this text
  EXPECT_TRUE(IsDefaultPropValue(&obj, GetPropInfo(&obj, "Tag")));
  EXPECT_FALSE(IsDefaultPropValue(&obj, GetPropInfo(&obj, "Visible")));
  EXPECT_FALSE(IsStoredProp(&obj, "Caption"));
  obj.SetCaption("x");
  EXPECT_TRUE(IsStoredProp(&obj, "Caption"));
}

TEST(GenericAccess, EveryKindThroughTheTypedFunctions) {
  TComponent owner(nullptr);
  auto* obj = new TTiBase(&owner);
  SetFloatProp(obj, "Left", 12.5);
  EXPECT_EQ(obj->Left(), 12.5);
  EXPECT_EQ(GetFloatProp(obj, "left"), 12.5);
  SetStrProp(obj, "Caption", "Hello");
  EXPECT_EQ(GetStrProp(obj, "Caption"), "Hello");
  SetOrdProp(obj, "Tag", -3);
  EXPECT_EQ(obj->Tag(), -3);
  EXPECT_EQ(GetOrdProp(obj, "Count"), 42);
  SetInt64Prop(obj, GetPropInfo(obj, "Big"), int64_t(1) << 40);
  EXPECT_EQ(GetInt64Prop(obj, GetPropInfo(obj, "Big")), int64_t(1) << 40);
  SetStrProp(obj, "Letter", "Z");
  EXPECT_EQ(obj->FLetter, 'Z');
  EXPECT_EQ(GetOrdProp(obj, "Letter"), 'Z');
  SetStrProp(obj, "Wide", "\xE4\xB8\xAD");  // U+4E2D
  EXPECT_EQ(obj->FWide, u'\u4E2D');
  EXPECT_EQ(GetStrProp(obj, "Wide"), "\xE4\xB8\xAD");
  SetStrProp(obj, "WideCaption", "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(GetStrProp(obj, "WideCaption"), "\xC3\xA9t\xC3\xA9");
  SetStrProp(obj, "OnPrint", "PrintHandler");
  EXPECT_EQ(obj->FEvent, "PrintHandler");

  // Class properties: a sub-object is assigned into, a reference is replaced.
  TTiPen pen;
  pen.Width = 9;
  SetObjectProp(obj, "Pen", &pen);
  EXPECT_EQ(obj->Pen()->Width, 9);
  EXPECT_NE(GetObjectProp(obj, "Pen"), &pen);
  EXPECT_EQ(GetObjectProp(obj, "Pen", TComponent::StaticClass()), nullptr);  // not a component
  SetObjectProp(obj, "Link", &owner);
  EXPECT_EQ(obj->Link(), &owner);
  SetObjectProp(obj, "Link", &pen);  // not a TComponent: ignored
  EXPECT_EQ(obj->Link(), &owner);
  SetObjectProp(obj, "Link", nullptr);
  EXPECT_EQ(obj->Link(), nullptr);

  // Sub-object properties through a dotted walk, as the report reader does.
  TObject* sub = GetObjectProp(obj, "Pen");
  SetOrdProp(sub, "Width", 4);
  EXPECT_EQ(obj->Pen()->Width, 4);
}

TEST(GenericAccess, ObjectsTravelAsHandles) {
  TComponent owner(nullptr);
  TTiBase obj(nullptr);
  SetObjectProp(&obj, "Link", &owner);
  int64_t h = GetOrdProp(&obj, "Link");
  EXPECT_NE(h, 0);
  EXPECT_EQ(HandleObject(static_cast<uint32_t>(h)), &owner);
  SetOrdProp(&obj, "Link", 0);
  EXPECT_EQ(obj.Link(), nullptr);
  SetOrdProp(&obj, "Link", h);
  EXPECT_EQ(obj.Link(), &owner);
}

TEST(GenericAccess, EventsHoldHandlerAndName) {
  TTiBase obj(nullptr);
  TObject* seen = nullptr;
  TMethod m;
  m.Code = TNotifyEvent([&](TObject* s) { seen = s; });
  m.Name = "Button1Click";
  SetMethodProp(&obj, "OnClick", m);
  ASSERT_TRUE(obj.OnClick);
  obj.OnClick(&obj);
  EXPECT_EQ(seen, &obj);
  EXPECT_EQ(obj.OnClickName, "Button1Click");
  TMethod back = GetMethodProp(&obj, "OnClick");
  EXPECT_EQ(back.Name, "Button1Click");
  ASSERT_NE(std::any_cast<TNotifyEvent>(&back.Code), nullptr);

  // A handler of another event type is refused and leaves the old one in place.
  TMethod wrong;
  wrong.Code = std::function<void(TObject*, int&)>([](TObject*, int&) {});
  EXPECT_THROW(SetMethodProp(&obj, "OnClick", wrong), EPropertyConvertError);
  EXPECT_TRUE(obj.OnClick);
  SetMethodProp(&obj, "OnKey", wrong);
  EXPECT_TRUE(obj.OnKey);

  // An event behind a setter goes through the setter.
  SetMethodProp(&obj, "OnChange", m);
  EXPECT_EQ(obj.OnChangeSets, 1);
  ASSERT_TRUE(obj.OnChange());
  EXPECT_EQ(GetPropInfo(&obj, "OnChange")->PropType, GetPropInfo(&obj, "OnClick")->PropType);
  EXPECT_THROW(SetMethodProp(&obj, "OnChange", wrong), EPropertyConvertError);
  EXPECT_TRUE(GetMethodProp(&obj, "OnChange").Assigned());

  SetMethodProp(&obj, "OnClick", TMethod{});
  EXPECT_FALSE(obj.OnClick);
  EXPECT_FALSE(GetMethodProp(&obj, "OnClick").Assigned());
}

TEST(GenericAccess, ErrorsForUnknownReadOnlyAndWrongKind) {
  TTiBase obj(nullptr);
  try {
    GetOrdProp(&obj, "Missing");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Property Missing does not exist");
  }
  try {
    SetPropValue(&obj, "Count", Variant(1));
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Property Count is read-only");
  }
  EXPECT_THROW(SetOrdProp(&obj, "Count", 1), EPropertyError);
  EXPECT_THROW(GetStrProp(&obj, "Left"), EPropertyConvertError);
  EXPECT_THROW(SetFloatProp(&obj, "Caption", 1.0), EPropertyConvertError);
  EXPECT_THROW(GetOrdProp(&obj, "Left"), EPropertyConvertError);
  EXPECT_THROW(GetObjectProp(&obj, "Tag"), EPropertyConvertError);
  EXPECT_THROW(GetMethodProp(&obj, "Caption"), EPropertyConvertError);
  EXPECT_THROW(GetEnumProp(&obj, "Tag"), EPropertyConvertError);
}

TEST(GenericAccess, VariantValuesByName) {
  TTiBase obj(nullptr);
  SetPropValue(&obj, "Left", Variant(3.25));
  SetPropValue(&obj, "Caption", Variant("Text"));
  SetPropValue(&obj, "Tag", Variant("12"));
  SetPropValue(&obj, "Align", Variant("tiaRight"));
  SetPropValue(&obj, "Visible", Variant(false));
  SetPropValue(&obj, "Style", Variant("tisItalic"));
  SetPropValue(&obj, "Data", Variant(int32_t(99)));
  EXPECT_EQ(obj.Left(), 3.25);
  EXPECT_EQ(obj.Caption(), "Text");
  EXPECT_EQ(obj.Tag(), 12);
  EXPECT_EQ(obj.FAlign, tiaRight);
  EXPECT_FALSE(obj.FVisible);
  EXPECT_EQ(obj.FStyle, TTiStyles{tisItalic});
  EXPECT_EQ(obj.FData.AsInteger(), 99);

  EXPECT_EQ(GetPropValue(&obj, "Align").AsString(), "tiaRight");
  EXPECT_EQ(GetPropValue(&obj, "Align", false).AsInteger(), 1);
  EXPECT_EQ(VarType(GetPropValue(&obj, "Visible")), varBoolean);
  EXPECT_EQ(GetPropValue(&obj, "Style").AsString(), "tisItalic");
  EXPECT_EQ(GetPropValue(&obj, "Style", false).AsInteger(), 2);
  EXPECT_EQ(GetPropValue(&obj, "Data").AsInteger(), 99);
  EXPECT_EQ(GetPropValue(&obj, "Left").AsFloat(), 3.25);
  SetPropValue(&obj, "Align", Variant(int32_t(0)));
  EXPECT_EQ(obj.FAlign, tiaLeft);
  EXPECT_THROW(GetPropValue(&obj, "OnClick"), EPropertyConvertError);
  EXPECT_THROW(SetPropValue(&obj, "Nope", Variant(1)), EPropertyError);
}

namespace {
// A nested enumeration and a date property.
class TTiDated : public TPersistent {
  ORV_CLASS(TTiDated, TPersistent)
public:
  enum TKind { kNone, kDaily, kWeekly };
  ORV_MEMBER_ENUM_TYPEINFO(TKind, kNone, kDaily, kWeekly)
  static void Publish(TPublisher<TTiDated>& P) {
    P.Prop("Kind", &TTiDated::FKind).Default(kNone);
    P.Prop("When", &TTiDated::FWhen).Type("TDateTime");
  }
  TKind FKind = kNone;
  double FWhen = 0;
};
ORV_CLASS_IMPL(TTiDated, TPersistent)
}  // namespace

TEST(GenericAccess, NestedEnumerationsAndDates) {
  TTiDated d;
  EXPECT_EQ(GetPropInfo(&d, "Kind")->PropType->Name, "TKind");
  SetEnumProp(&d, "Kind", "kWeekly");
  EXPECT_EQ(d.FKind, TTiDated::kWeekly);
  SetFloatProp(&d, "When", 45000.5);
  Variant v = GetPropValue(&d, "When");
  EXPECT_EQ(VarType(v), varDate);
  EXPECT_EQ(v.AsFloat(), 45000.5);
  SetPropValue(&d, "When", Variant::FromDate(1.25));
  EXPECT_EQ(d.FWhen, 1.25);
}

TEST(ClassRegistry, ComponentBuiltThroughItsClassReferenceAndOwner) {
  RegisterClasses({TTiBase::StaticClass(), TTiDerived::StaticClass()});
  RegisterClass(TTiDerived::StaticClass());  // again: no effect
  TClass c = FindClass("ttiderived");
  ASSERT_EQ(c, TTiDerived::StaticClass());
  TComponent owner(nullptr);
  TObject* made = c->Factory(&owner);
  ASSERT_NE(made, nullptr);
  auto* comp = made->As<TTiDerived>();
  EXPECT_EQ(comp->Owner(), &owner);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), comp);
  EXPECT_EQ(comp->FExtra, 7);  // its own constructor ran
  EXPECT_EQ(made->ClassName(), "TTiDerived");
  SetPropValue(comp, "Name", Variant("Made1"));
  EXPECT_EQ(owner.FindComponent("MADE1"), comp);

  EXPECT_EQ(GetClass("TTiPen"), nullptr);
  try {
    FindClass("TTiPen");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TTiPen not found");
  }
  UnRegisterClass(TTiBase::StaticClass());
  EXPECT_EQ(GetClass("TTiBase"), nullptr);
  EXPECT_EQ(GetClass("TTiDerived"), TTiDerived::StaticClass());
  UnRegisterClass(TTiDerived::StaticClass());
}

TEST(ClassRegistry, PendingInstanceIsConstructedLater) {
  TComponent owner(nullptr);
  TPendingInstance pending(TTiDerived::StaticClass());
  EXPECT_EQ(owner.ComponentCount(), 0);
  TObject* made = pending.Construct(&owner);
  EXPECT_EQ(made->ClassType(), TTiDerived::StaticClass());
  EXPECT_EQ(owner.ComponentCount(), 1);
  TPendingInstance objectOne(TObject::StaticClass());
  std::unique_ptr<TObject> plain(objectOne.Construct());
  EXPECT_EQ(plain->ClassName(), "TObject");
  TPendingInstance none(TPendingInstance::StaticClass());  // no virtual constructor
  EXPECT_THROW(none.Construct(), EAbstractError);
}

TEST(ClassRegistry, SameNameTwoClassesIsAnError) {
  // A second class under a registered name would make files ambiguous.
  struct TOther : TObject {
    static TClass StaticClass() {
      static const TClassInfo info{"TTiPen", TObject::StaticClass(), nullptr};
      return &info;
    }
  };
  RegisterClass(TTiPen::StaticClass());
  EXPECT_THROW(RegisterClass(TOther::StaticClass()), EFilerError);
  EXPECT_EQ(GetClass("TTiPen"), TTiPen::StaticClass());
  UnRegisterClass(TOther::StaticClass());  // not the registered one: no effect
  EXPECT_EQ(GetClass("TTiPen"), TTiPen::StaticClass());
  UnRegisterClass(TTiPen::StaticClass());
}

TEST(ObjectCast, CheckedCastRaisesInvalidCast) {
  TTiPen pen;
  TObject* o = &pen;
  EXPECT_EQ(o->As<TPersistent>(), &pen);
  EXPECT_THROW(o->As<TComponent>(), EInvalidCast);
  EXPECT_EQ(ObjectAs<TComponent>(nullptr), nullptr);
  EXPECT_TRUE(o->ClassNameIs("ttipen"));
  EXPECT_EQ(o->ClassParent(), TPersistent::StaticClass());
}
