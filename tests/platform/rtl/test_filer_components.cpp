// Component streaming through the filer: published properties of every kind, sub-objects,
// string lists, collections, component trees, references, events by name, errors.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/rtl/collection.h"
#include "platform/rtl/component.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/variant.h"

namespace {

ORV_ENUM(TFcAlign, fcaLeft, fcaRight, fcaCenter)
ORV_ENUM(TFcStyle, fcsBold, fcsItalic, fcsUnderline)
using TFcStyles = TSet<TFcStyle>;

class TFcFont : public TPersistent {
  ORV_CLASS(TFcFont, TPersistent)
public:
  static void Publish(TPublisher<TFcFont>& P);
  int Size = 8;
  std::string Name = "Tahoma";
  TFcStyles Style;
};

class TFcItem : public TCollectionItem {
  ORV_CLASS(TFcItem, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  static void Publish(TPublisher<TFcItem>& P);
  std::string Caption;
  int Width = 50;
};

class TFcView : public TComponent {
  ORV_CLASS(TFcView, TComponent)
public:
  explicit TFcView(TComponent* AOwner)
      : TComponent(AOwner), Items(TFcItem::StaticClass(), this) {}
  static void Publish(TPublisher<TFcView>& P);
  TFcFont* GetFont() const { return const_cast<TFcFont*>(&Font); }
  TStringList* GetLines() const { return const_cast<TStringList*>(&Lines); }
  TCollection* GetItems() const { return const_cast<TCollection*>(&Items); }
  void Loaded() override {
    LinkAtLoaded = Link;
    TComponent::Loaded();
  }

  double Left = 0;
  int Color = 0;
  std::string Caption;
  TFcAlign Align = fcaLeft;
  bool Visible = true;
  TFcStyles Style;
  int64_t Big = 0;
  char Letter = 'a';
  TDateTime Stamp = 0;
  float Ratio = 0;
  Variant Data;
  TComponent* Link = nullptr;
  TComponent* LinkAtLoaded = nullptr;
  TNotifyEvent OnClick;
  std::string OnClickName;
  TFcFont Font;
  TStringList Lines;
  TCollection Items;
};

// A root that streams the components it owns as its children.
class TFcForm : public TComponent {
  ORV_CLASS(TFcForm, TComponent)
public:
  using TComponent::TComponent;
  static void Publish(TPublisher<TFcForm>& P);
  void GetChildren(const TGetChildProc& Proc, TComponent*) override {
    for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
  }
  std::string Caption;
};

ORV_CLASS_IMPL(TFcFont, TPersistent)
ORV_CLASS_IMPL(TFcItem, TCollectionItem)
ORV_CLASS_IMPL(TFcView, TComponent)
ORV_CLASS_IMPL(TFcForm, TComponent)

void TFcFont::Publish(TPublisher<TFcFont>& P) {
  P.Prop("Size", &TFcFont::Size).Default(8);
  P.Prop("Name", &TFcFont::Name);
  P.Prop("Style", &TFcFont::Style).Type("TFcStyles").Default(TFcStyles{});
}

void TFcItem::Publish(TPublisher<TFcItem>& P) {
  P.Prop("Caption", &TFcItem::Caption);
  P.Prop("Width", &TFcItem::Width).Default(50);
}

void TFcView::Publish(TPublisher<TFcView>& P) {
  P.Prop("Left", &TFcView::Left);
  P.Prop("Color", &TFcView::Color).Type("TFcColor").Default(0);
  P.Prop("Caption", &TFcView::Caption);
  P.Prop("Align", &TFcView::Align).Default(fcaLeft);
  P.Prop("Visible", &TFcView::Visible).Default(true);
  P.Prop("Style", &TFcView::Style).Type("TFcStyles").Default(TFcStyles{});
  P.Prop("Big", &TFcView::Big);
  P.Prop("Letter", &TFcView::Letter);
  P.Prop("Stamp", &TFcView::Stamp).Type("TDateTime");
  P.Prop("Ratio", &TFcView::Ratio);
  P.Prop("Data", &TFcView::Data);
  P.Prop("Link", &TFcView::Link);
  P.Event("OnClick", &TFcView::OnClick, &TFcView::OnClickName).Type("TNotifyEvent");
  P.Prop("Font", &TFcView::GetFont);
  P.Prop("Lines", &TFcView::GetLines);
  P.Prop("Items", &TFcView::GetItems);
}

void TFcForm::Publish(TPublisher<TFcForm>& P) { P.Prop("Caption", &TFcForm::Caption); }

struct ComponentsRegistered {
  ComponentsRegistered() {
    RegisterClasses({TFcView::StaticClass(), TFcForm::StaticClass(), TFcItem::StaticClass()});
  }
};
const ComponentsRegistered componentsRegistered;

// Property record names of a stream of records (up to its end or a vaNull).
std::vector<std::string> RecordNames(TMemoryStream& m) {
  std::vector<std::string> names;
  m.SetPosition(0);
  TReader r(&m);
  while (r.Position() < m.Size() && !r.EndOfList()) {
    names.push_back(r.ReadStr());
    r.SkipValue();
  }
  return names;
}

TEST(FilerComponents, DefaultsAreNotWritten) {
  TFcView view(nullptr);
  TMemoryStream m;
  TWriter(&m).WriteProperties(&view);
  // Ordinals without a declared default (Big, Letter) are always written; strings only when
  // not empty; floats only when not zero.
  EXPECT_EQ(RecordNames(m), (std::vector<std::string>{"Big", "Letter", "Font.Name"}));

  view.Align = fcaCenter;
  view.Left = 1.5;
  view.Font.Size = 10;
  view.Visible = false;
  view.SetTag(3);
  TMemoryStream m2;
  TWriter(&m2).WriteProperties(&view);
  EXPECT_EQ(RecordNames(m2), (std::vector<std::string>{"Tag", "Left", "Align", "Visible", "Big",
                                                        "Letter", "Font.Size", "Font.Name"}));
}

TEST(FilerComponents, FormTreeRoundTripsEveryKind) {
  TMemoryStream m;
  {
    TFcForm form(nullptr);
    form.SetName("PreviewForm");
    form.Caption = "Preview";
    auto* a = new TFcView(&form);
    a->SetName("ViewA");
    a->Left = -2.25;
    a->Caption = "Grüße";
    a->Align = fcaRight;
    a->Visible = false;
    a->Style = TFcStyles{fcsBold, fcsUnderline};
    a->Big = int64_t(1) << 40;
    a->Letter = 'Z';
    a->Stamp = 45351.5;
    a->Ratio = 0.75f;
    a->Data = Variant("variant text");
    a->OnClickName = "ViewAClick";
    a->Font.Size = 12;
    a->Font.Style = TFcStyles{fcsItalic};
    a->Lines.Add("first");
    a->Lines.Add("");
    a->Lines.Add("third");
    auto* item = static_cast<TFcItem*>(a->Items.Add());
    item->Caption = "Column";
    item->Width = 80;
    a->Items.Add();
    auto* b = new TFcView(&form);
    b->SetName("ViewB");
    b->Data = Variant(int32_t(7));
    a->Link = b;     // a sibling read after it
    b->Link = &form;  // the root itself
    TWriter w(&m);
    w.WriteRootComponent(&form);
  }
  m.SetPosition(0);
  TReader r(&m);
  std::unique_ptr<TComponent> root(r.ReadRootComponent(nullptr));
  auto* form = dynamic_cast<TFcForm*>(root.get());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Name(), "PreviewForm");
  EXPECT_EQ(form->Caption, "Preview");
  ASSERT_EQ(form->ComponentCount(), 2);
  auto* a = dynamic_cast<TFcView*>(form->FindComponent("ViewA"));
  auto* b = dynamic_cast<TFcView*>(form->FindComponent("ViewB"));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->Left, -2.25);
  EXPECT_EQ(a->Caption, "Grüße");
  EXPECT_EQ(a->Align, fcaRight);
  EXPECT_FALSE(a->Visible);
  EXPECT_EQ(a->Style, (TFcStyles{fcsBold, fcsUnderline}));
  EXPECT_EQ(a->Big, int64_t(1) << 40);
  EXPECT_EQ(a->Letter, 'Z');
  EXPECT_EQ(a->Stamp, 45351.5);
  EXPECT_EQ(a->Ratio, 0.75f);
  EXPECT_EQ(a->Data.AsString(), "variant text");
  EXPECT_EQ(b->Data.VType(), varInteger);
  EXPECT_EQ(a->OnClickName, "ViewAClick");
  EXPECT_EQ(a->Font.Size, 12);
  EXPECT_EQ(a->Font.Style, TFcStyles{fcsItalic});
  EXPECT_EQ(a->Lines.Text(), "first\n\nthird\n");
  ASSERT_EQ(a->Items.Count(), 2);
  EXPECT_EQ(static_cast<TFcItem*>(a->Items[0])->Caption, "Column");
  EXPECT_EQ(static_cast<TFcItem*>(a->Items[0])->Width, 80);
  EXPECT_EQ(static_cast<TFcItem*>(a->Items[1])->Width, 50);
  EXPECT_EQ(a->Link, b);
  EXPECT_EQ(b->Link, form);
  EXPECT_EQ(a->LinkAtLoaded, b);  // references were resolved before Loaded
  EXPECT_FALSE(a->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form->ComponentState().Contains(csLoading));
  EXPECT_EQ(m.Position(), m.Size());
}

TEST(FilerComponents, StreamShortcutsWriteAndReadARoot) {
  TMemoryStream m;
  {
    TFcView v(nullptr);
    v.SetName("Single");
    v.Caption = "via stream";
    m.WriteComponent(&v);
  }
  m.SetPosition(0);
  TFcView into(nullptr);
  EXPECT_EQ(m.ReadComponent(&into), &into);
  EXPECT_EQ(into.Name(), "Single");
  EXPECT_EQ(into.Caption, "via stream");
}

TEST(FilerComponents, CollectionReadReplacesItems) {
  TFcView src(nullptr);
  static_cast<TFcItem*>(src.Items.Add())->Caption = "only";
  TMemoryStream m;
  TWriter(&m).WriteCollection(&src.Items);
  TFcView dst(nullptr);
  dst.Items.Add();
  dst.Items.Add();
  m.SetPosition(0);
  TReader(&m).ReadCollection(&dst.Items);
  ASSERT_EQ(dst.Items.Count(), 1);
  EXPECT_EQ(static_cast<TFcItem*>(dst.Items[0])->Caption, "only");
}

TEST(FilerComponents, ErrorsStopTheReadUnlessHandled) {
  TMemoryStream m;
  {
    TWriter w(&m);
    w.WriteSignature();
    w.WriteStr("TFcView");
    w.WriteStr("V");
    w.WritePropName("Nonsense");
    w.WriteInteger(1);
    w.WritePropName("Align");
    w.WriteIdent("fcaNowhere");
    w.WritePropName("Caption");
    w.WriteInteger(5);  // wrong kind for a string
    w.WritePropName("Left");
    w.WriteFloat(4);
    w.WriteListEnd();
    w.WriteListEnd();
  }
  {
    m.SetPosition(0);
    TReader r(&m);
    try {
      std::unique_ptr<TComponent> c(r.ReadRootComponent(nullptr));
      FAIL();
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "Property Nonsense does not exist");
    }
  }
  m.SetPosition(0);
  TReader r(&m);
  std::vector<std::string> messages;
  r.OnError = [&](TReader*, const std::string& msg, bool& handled) {
    messages.push_back(msg);
    handled = true;
  };
  std::unique_ptr<TComponent> c(r.ReadRootComponent(nullptr));
  EXPECT_EQ(static_cast<TFcView*>(c.get())->Left, 4);
  EXPECT_EQ(messages, (std::vector<std::string>{"Property Nonsense does not exist",
                                                "Invalid property value", "Invalid property value"}));

  TStringStream bad("TPF1");
  TReader br(&bad);
  try {
    br.ReadRootComponent(nullptr);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid stream format");
  }

  TMemoryStream unknown;
  {
    TWriter w(&unknown);
    w.WriteSignature();
    w.WriteStr("TNoSuchClass");
    w.WriteStr("X");
  }
  unknown.SetPosition(0);
  TReader ur(&unknown);
  EXPECT_THROW(ur.ReadRootComponent(nullptr), EClassNotFound);
}

TEST(FilerComponents, ReferencesToOtherFormsGoThroughTheGlobalFinder) {
  static TFcForm* other = nullptr;
  TFcForm main(nullptr);
  main.SetName("MainForm");
  auto* shared = new TFcView(&main);
  shared->SetName("Shared");
  other = &main;
  RegisterFindGlobalComponentProc([](const std::string& n) -> TComponent* {
    return other && SameText(other->Name(), n) ? other : nullptr;
  });

  TFcForm second(nullptr);
  second.SetName("Second");
  auto* v = new TFcView(&second);
  v->SetName("V");
  v->Link = shared;
  TMemoryStream m;
  TWriter(&m).WriteRootComponent(&second);

  TFcForm copy(nullptr);
  m.SetPosition(0);
  TReader(&m).ReadRootComponent(&copy);
  auto* cv = dynamic_cast<TFcView*>(copy.FindComponent("V"));
  ASSERT_NE(cv, nullptr);
  EXPECT_EQ(cv->Link, shared);
  other = nullptr;  // the finder answers nothing from here on

  m.SetPosition(0);
  TFcForm orphan(nullptr);
  TReader(&m).ReadRootComponent(&orphan);
  EXPECT_EQ(dynamic_cast<TFcView*>(orphan.FindComponent("V"))->Link, nullptr);  // left empty
}

std::string AsText(TMemoryStream& binary) {
  binary.SetPosition(0);
  TStringStream text;
  ObjectBinaryToText(&binary, &text);
  return text.DataString();
}

TEST(FilerText, BinaryAndTextFormsConvertBothWays) {
  TMemoryStream bin;
  {
    TFcForm form(nullptr);
    form.SetName("Dlg");
    form.Caption = "It's\r\nok";
    auto* v = new TFcView(&form);
    v->SetName("V1");
    v->Left = 2.5;
    v->Ratio = 0.75f;
    v->Style = TFcStyles{fcsBold, fcsItalic};
    v->OnClickName = "V1Click";
    v->Lines.Add("a");
    v->Lines.Add("b");
    static_cast<TFcItem*>(v->Items.Add())->Caption = "col";
    v->Link = &form;
    bin.WriteComponent(&form);
  }
  const std::string expected =
      "object Dlg: TFcForm\n"
      "  Caption = 'It''s'#13#10'ok'\n"
      "  object V1: TFcView\n"
      "    Left = 2.5\n"
      "    Style = [fcsBold, fcsItalic]\n"
      "    Big = 0\n"
      "    Letter = 'a'\n"
      "    Ratio = 0.75s\n"
      "    Link = Dlg\n"
      "    OnClick = V1Click\n"
      "    Font.Name = 'Tahoma'\n"
      "    Lines.Strings = (\n"
      "      'a'\n"
      "      'b')\n"
      "    Items = <\n"
      "      item\n"
      "        Caption = 'col'\n"
      "      end>\n"
      "  end\n"
      "end\n";
  EXPECT_EQ(AsText(bin), expected);

  // Back to binary: the same bytes, and a tree that reads.
  TStringStream text(expected);
  TMemoryStream again;
  ObjectTextToBinary(&text, &again);
  ASSERT_EQ(again.Size(), bin.Size());
  EXPECT_EQ(std::memcmp(again.Memory(), bin.Memory(), static_cast<size_t>(bin.Size())), 0);
}

TEST(FilerText, TextFormAcceptsTheWaysPeopleWriteIt) {
  TStringStream text(
      "\xEF\xBB\xBFobject TFcForm\n"
      "  Caption = 'multi' +\n    ' part'#33\n"
      "  object V: TFcView\n"
      "    Left = -1E2\n"
      "    Big = $FF\n"
      "    Stamp = 45351.5d\n"
      "    Data = {\n      0A 0b\n      FF}\n"
      "    Items = <item [3] Width = 7 end item end>\n"
      "    Visible = False\n"
      "  end\n"
      "end");
  TMemoryStream bin;
  ObjectTextToBinary(&text, &bin);
  // Data is not a published binary property of the view: skip it while reading.
  bin.SetPosition(0);
  TReader r(&bin);
  std::vector<std::string> errors;
  r.OnError = [&](TReader*, const std::string& m, bool& handled) {
    errors.push_back(m);
    handled = true;
  };
  TFcForm form(nullptr);
  r.ReadRootComponent(&form);
  EXPECT_EQ(form.Caption, "multi part!");
  auto* v = dynamic_cast<TFcView*>(form.FindComponent("V"));
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->Left, -100);
  EXPECT_EQ(v->Big, 255);
  EXPECT_EQ(v->Stamp, 45351.5);
  EXPECT_FALSE(v->Visible);
  ASSERT_EQ(v->Items.Count(), 2);
  EXPECT_EQ(static_cast<TFcItem*>(v->Items[0])->Width, 7);
  EXPECT_EQ(errors, std::vector<std::string>{"Invalid property value"});  // Data holds a variant
}

TEST(FilerComponents, IntegerConstantsTravelByName) {
  static const bool once = [] {
    RegisterIntegerConsts(
        GetPropInfo(TFcView::StaticClass(), "Color")->PropType,
        [](const std::string& id, int64_t& v) {
          if (!SameText(id, "fcRed")) return false;
          v = 0xFF;
          return true;
        },
        [](int64_t v, std::string& id) {
          if (v != 0xFF) return false;
          id = "fcRed";
          return true;
        });
    return true;
  }();
  (void)once;
  TFcView v(nullptr);
  v.Color = 0xFF;
  TMemoryStream m;
  m.WriteComponent(&v);
  EXPECT_NE(AsText(m).find("  Color = fcRed\n"), std::string::npos);
  v.Color = 0x10;
  TMemoryStream m2;
  m2.WriteComponent(&v);
  EXPECT_NE(AsText(m2).find("  Color = 16\n"), std::string::npos);

  TStringStream text("object TFcView\n  Color = FCRED\nend\n");
  TMemoryStream bin;
  ObjectTextToBinary(&text, &bin);
  bin.SetPosition(0);
  TFcView back(nullptr);
  bin.ReadComponent(&back);
  EXPECT_EQ(back.Color, 0xFF);

  TStringStream unknown("object TFcView\n  Color = fcPurple\nend\n");
  TMemoryStream bin2;
  ObjectTextToBinary(&unknown, &bin2);
  bin2.SetPosition(0);
  TFcView back2(nullptr);
  EXPECT_THROW(bin2.ReadComponent(&back2), EReadError);
}

TEST(FilerText, TextErrorsNameTheLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"objekt A: TFcForm\nend", "'object' expected on line 1"},
      {"object A: TFcForm\n  Caption 'x'\nend", "'=' expected on line 2"},
      {"object A: TFcForm\n  Caption = 'open\nend", "Invalid string constant on line 2"},
      {"object A: TFcForm\n  Data = {0A0}\nend", "Invalid binary value on line 2"},
      {"object A: TFcForm\n  Style = [a b]\nend", "']' expected on line 2"},
      {"object A: TFcForm\n  X =\n", "Property value expected on line 3"},
      {"object A: TFcForm\nend\nextra", "End of file expected on line 3"},
  };
  for (const Case& c : cases) {
    TStringStream text(c.text);
    TMemoryStream bin;
    try {
      ObjectTextToBinary(&text, &bin);
      ADD_FAILURE() << c.text;
    } catch (const EParserError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.text;
    }
  }
  // Nesting beyond any real form is refused instead of exhausting the stack.
  TStringStream deep("object A: TFcForm\n  X = " + std::string(100000, '(') + "\nend");
  TMemoryStream bin;
  EXPECT_THROW(ObjectTextToBinary(&deep, &bin), EParserError);
}

}  // namespace
