#include "report/core/rptpropeditors.h"

#include <algorithm>
#include <cstdio>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/menus.h"
#include "platform/win/wingdi.h"
#include "report/core/rptclass.h"
#include "report/core/rptregistry.h"
#include "report/core/rptres.h"

ORV_CLASS_IMPL(TrptPropertyEditor, TObject)
ORV_CLASS_IMPL(TrptIntegerProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptFloatProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptCharProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptStringProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptEnumProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptSetProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptSetElementProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptClassProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptComponentProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptNameProperty, TrptStringProperty)
ORV_CLASS_IMPL(TrptColorProperty, TrptIntegerProperty)
ORV_CLASS_IMPL(TrptFontProperty, TrptClassProperty)
ORV_CLASS_IMPL(TrptFontNameProperty, TrptStringProperty)
ORV_CLASS_IMPL(TrptFontCharsetProperty, TrptIntegerProperty)
ORV_CLASS_IMPL(TrptModalResultProperty, TrptIntegerProperty)
ORV_CLASS_IMPL(TrptShortCutProperty, TrptPropertyEditor)
ORV_CLASS_IMPL(TrptCursorProperty, TrptIntegerProperty)
ORV_CLASS_IMPL(TrptDateProperty, TrptPropertyEditor)

namespace {

constexpr int kGreyPen = 8421504;

struct TIdent {
  int Value;
  const char* Name;
};

const TIdent kCharsets[] = {
    {ANSI_CHARSET, "ANSI_CHARSET"},         {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"},     {MAC_CHARSET, "MAC_CHARSET"},
    {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET"}, {HANGEUL_CHARSET, "HANGEUL_CHARSET"},
    {JOHAB_CHARSET, "JOHAB_CHARSET"},       {GB2312_CHARSET, "GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET"}, {GREEK_CHARSET, "GREEK_CHARSET"},
    {TURKISH_CHARSET, "TURKISH_CHARSET"},   {VIETNAMESE_CHARSET, "VIETNAMESE_CHARSET"},
    {HEBREW_CHARSET, "HEBREW_CHARSET"},     {ARABIC_CHARSET, "ARABIC_CHARSET"},
    {BALTIC_CHARSET, "BALTIC_CHARSET"},     {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"},
    {THAI_CHARSET, "THAI_CHARSET"},         {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"},
    {OEM_CHARSET, "OEM_CHARSET"},
};

const TIdent kCursors[] = {
    {crDefault, "crDefault"},   {crArrow, "crArrow"},         {crCross, "crCross"},
    {crIBeam, "crIBeam"},       {crSize, "crSize"},           {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},     {crSizeNWSE, "crSizeNWSE"},   {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},   {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},     {crHSplit, "crHSplit"},       {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},   {crNo, "crNo"},
    {crAppStart, "crAppStart"}, {crHelp, "crHelp"},           {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},   {crNone, "crNone"},
};

const char* const kModalResults[] = {"mrNone", "mrOk",  "mrCancel", "mrAbort",   "mrRetry",   "mrIgnore",
                                     "mrYes",  "mrNo",  "mrAll",    "mrNoToAll", "mrYesToAll"};

template <size_t N>
bool IdentToInt(const TIdent (&Table)[N], const std::string& S, int& Value) {
  for (const TIdent& i : Table)
    if (SameText(i.Name, S)) {
      Value = i.Value;
      return true;
    }
  return false;
}

template <size_t N>
const char* IntToIdent(const TIdent (&Table)[N], int Value) {
  for (const TIdent& i : Table)
    if (i.Value == Value) return i.Name;
  return nullptr;
}

// Text to integer as the class library reads it: decimal, or hexadecimal after "$".
int64_t TextToInt(const std::string& S) { return StrToInt64(Trim(S)); }

// The value after the current text in the list: the first after the last, or when the current
// text is not in the list.
bool CycleValue(TrptPropertyEditor* E) {
  E->GetValues();
  TStringList* v = E->Values();
  if (v->Count() == 0) return false;
  int i = v->IndexOf(E->GetValue());
  i = (i < 0 || i + 1 >= v->Count()) ? 0 : i + 1;
  E->SetValue(v->Strings(i));
  return true;
}

}  // namespace

// ---- The base editor ----

TrptPropertyEditor::TrptPropertyEditor() : FValues(std::make_unique<TStringList>()) {}
TrptPropertyEditor::~TrptPropertyEditor() = default;

void TrptPropertyEditor::InvalidValue() { throw Exception(rptGet("prInvProp")); }

bool TrptPropertyEditor::Edit() { return CycleValue(this); }
int TrptPropertyEditor::GetAttributes() { return rptpaMultiSelect; }
std::string TrptPropertyEditor::GetName() {
  PPropInfo p = GetPropInfo();
  return p ? p->Name : std::string();
}
int TrptPropertyEditor::ExtraListWidth() { return ItemHeight + 2; }
std::string TrptPropertyEditor::GetValue() { return "(Unknown)"; }
void TrptPropertyEditor::GetValues() {
  FValues->SetSorted(false);
  FValues->Clear();
  FValues->SetSorted((GetAttributes() & rptpaSortList) != 0);
}
void TrptPropertyEditor::SetValue(const std::string&) {}

void TrptPropertyEditor::DrawListItem(TCanvas* Canvas, int Index, const RECT& R) {
  if (!Canvas) return;
  Canvas->FillRect(R);
  if (Index >= 0 && Index < FValues->Count()) Canvas->TextOut(R.left + ItemHeight + 4, R.top + 1, FValues->Strings(Index));
  Canvas->Pen()->SetColor(static_cast<TColor>(kGreyPen));
}

void TrptPropertyEditor::DrawValue(TCanvas* Canvas, const RECT& R) {
  if (!Canvas) return;
  Canvas->TextOut(R.left + ItemHeight - 2, R.top, GetValue());
  Canvas->Pen()->SetColor(static_cast<TColor>(kGreyPen));
}

TObject* TrptPropertyEditor::GetComponent() const { return Objects.empty() ? nullptr : Objects.front(); }
TrptComponent* TrptPropertyEditor::GetRptComponent() const { return dynamic_cast<TrptComponent*>(GetComponent()); }
PPropInfo TrptPropertyEditor::GetPropInfo() const { return Props.empty() ? nullptr : Props.front(); }
int64_t TrptPropertyEditor::GetOrdValue() const { return GetOrdProp(GetComponent(), GetPropInfo()); }
double TrptPropertyEditor::GetFloatValue() const { return GetFloatProp(GetComponent(), GetPropInfo()); }
std::string TrptPropertyEditor::GetStrValue() const { return GetStrProp(GetComponent(), GetPropInfo()); }
void TrptPropertyEditor::SetOrdValue(int64_t Value) {
  for (size_t i = 0; i < Objects.size(); ++i) SetOrdProp(Objects[i], Props[i], Value);
}
void TrptPropertyEditor::SetFloatValue(double Value) {
  for (size_t i = 0; i < Objects.size(); ++i) SetFloatProp(Objects[i], Props[i], Value);
}
void TrptPropertyEditor::SetStrValue(const std::string& Value) {
  for (size_t i = 0; i < Objects.size(); ++i) SetStrProp(Objects[i], Props[i], Value);
}
void TrptPropertyEditor::AppendValue(const std::string& S) { FValues->Add(S); }
void TrptPropertyEditor::AddObject(TObject* Obj, PPropInfo Prop) {
  Objects.push_back(Obj);
  Props.push_back(Prop);
}

// ---- Ordinals, floats, characters, strings ----

int TrptIntegerProperty::GetAttributes() { return TrptPropertyEditor::GetAttributes(); }
std::string TrptIntegerProperty::GetValue() { return std::to_string(GetOrdValue()); }
void TrptIntegerProperty::SetValue(const std::string& Value) { SetOrdValue(TextToInt(Value)); }
void TrptIntegerProperty::GetValues() { TrptPropertyEditor::GetValues(); }

int TrptFloatProperty::GetAttributes() { return TrptPropertyEditor::GetAttributes(); }
std::string TrptFloatProperty::GetValue() { return FloatToStr(GetFloatValue()); }
void TrptFloatProperty::SetValue(const std::string& Value) {
  // Either separator is read as the decimal one.
  std::string s = Value;
  for (char& c : s)
    if (c == ',' || c == '.') c = DecimalSeparator;
  SetFloatValue(static_cast<double>(StrToFloat(Trim(s))));
}
void TrptFloatProperty::GetValues() { TrptPropertyEditor::GetValues(); }

int TrptCharProperty::GetAttributes() { return TrptPropertyEditor::GetAttributes(); }
std::string TrptCharProperty::GetValue() {
  int64_t c = GetOrdValue();
  if (c < 33) return "#" + std::to_string(c);
  return std::string(1, static_cast<char>(c));
}
void TrptCharProperty::SetValue(const std::string& Value) {
  if (Value.empty()) {
    SetOrdValue(0);
  } else if (Value.size() == 1) {
    SetOrdValue(static_cast<unsigned char>(Value[0]));
  } else {
    if (Value[0] != '#') InvalidValue();
    std::string digits = Value.substr(1, 255);
    SetOrdValue(StrToInt(digits));
  }
}
void TrptCharProperty::GetValues() { TrptPropertyEditor::GetValues(); }

int TrptStringProperty::GetAttributes() { return TrptPropertyEditor::GetAttributes(); }
std::string TrptStringProperty::GetValue() { return GetStrValue(); }
void TrptStringProperty::SetValue(const std::string& Value) { SetStrValue(Value); }
void TrptStringProperty::GetValues() { TrptPropertyEditor::GetValues(); }

// ---- Enumerations and sets ----

int TrptEnumProperty::GetAttributes() { return rptpaMultiSelect | rptpaValueList | rptpaSortList; }
std::string TrptEnumProperty::GetValue() { return GetEnumName(GetPropInfo()->PropType, GetOrdValue()); }
void TrptEnumProperty::SetValue(const std::string& Value) {
  PTypeInfo t = GetPropInfo()->PropType;
  for (int64_t v = t->MinValue; v <= t->MaxValue; ++v)
    if (SameText(GetEnumName(t, v), Value)) {
      SetOrdValue(v);
      return;
    }
  InvalidValue();
}
void TrptEnumProperty::GetValues() {
  TrptPropertyEditor::GetValues();
  PTypeInfo t = GetPropInfo()->PropType;
  for (int64_t v = t->MinValue; v <= t->MaxValue; ++v) AppendValue(GetEnumName(t, v));
}

int TrptSetProperty::GetAttributes() { return rptpaMultiSelect | rptpaSubProperties | rptpaReadOnly; }
std::string TrptSetProperty::GetValue() {
  PTypeInfo element = GetPropInfo()->PropType->CompType;
  const uint32_t bits = static_cast<uint32_t>(GetOrdValue());
  std::string s = "[";
  bool first = true;
  if (element)
    for (int64_t v = element->MinValue; v <= element->MaxValue && v < 32; ++v)
      if (v >= 0 && (bits & (1u << v))) {
        if (!first) s += ",";
        s += GetEnumName(element, v);
        first = false;
      }
  return s + "]";
}
void TrptSetProperty::SetValue(const std::string&) {}
void TrptSetProperty::GetValues() { TrptPropertyEditor::GetValues(); }

int TrptSetElementProperty::GetAttributes() { return rptpaMultiSelect | rptpaValueList | rptpaSortList; }
std::string TrptSetElementProperty::GetName() {
  PTypeInfo element = GetPropInfo() ? GetPropInfo()->PropType->CompType : nullptr;
  return element ? GetEnumName(element, Element) : std::string();
}
std::string TrptSetElementProperty::GetValue() {
  const uint32_t bits = static_cast<uint32_t>(GetOrdValue());
  return Element >= 0 && Element < 32 && (bits & (1u << Element)) ? "True" : "False";
}
void TrptSetElementProperty::SetValue(const std::string& Value) {
  if (Element < 0 || Element >= 32) InvalidValue();
  const uint32_t bit = 1u << Element;
  for (size_t i = 0; i < Objects.size(); ++i) {
    uint32_t bits = static_cast<uint32_t>(GetOrdProp(Objects[i], Props[i]));
    if (SameText(Value, "True")) bits |= bit;
    else if (SameText(Value, "False")) bits &= ~bit;
    else InvalidValue();
    SetOrdProp(Objects[i], Props[i], bits);
  }
}
void TrptSetElementProperty::GetValues() {
  TrptPropertyEditor::GetValues();
  AppendValue("False");
  AppendValue("True");
}

// ---- Objects ----

int TrptClassProperty::GetAttributes() { return rptpaMultiSelect | rptpaSubProperties | rptpaReadOnly; }
std::string TrptClassProperty::GetValue() {
  TClass c = GetObjectPropClass(GetPropInfo());
  return "(" + std::string(c ? c->Name : "TObject") + ")";
}
void TrptClassProperty::SetValue(const std::string&) {}
void TrptClassProperty::GetValues() { TrptPropertyEditor::GetValues(); }

int TrptComponentProperty::GetAttributes() { return rptpaMultiSelect | rptpaValueList | rptpaSortList; }
std::string TrptComponentProperty::GetValue() {
  auto* c = dynamic_cast<TComponent*>(GetObjectProp(GetComponent(), GetPropInfo()));
  return c ? c->Name() : std::string();
}
void TrptComponentProperty::SetValue(const std::string& Value) {
  if (Value.empty()) {
    for (size_t i = 0; i < Objects.size(); ++i) SetObjectProp(Objects[i], Props[i], nullptr);
    return;
  }
  TrptComponent* owner = GetRptComponent();
  TrptReport* report = owner ? owner->GetReport() : nullptr;
  TrptComponent* found = report ? report->FindObject(Value) : nullptr;
  TClass want = GetObjectPropClass(GetPropInfo());
  if (!found || (want && !found->InheritsFrom(want))) InvalidValue();
  for (size_t i = 0; i < Objects.size(); ++i) SetObjectProp(Objects[i], Props[i], found);
}
void TrptComponentProperty::GetValues() {
  TrptPropertyEditor::GetValues();
  TrptComponent* self = GetRptComponent();
  if (!self) return;
  // The objects of the edited object's page (or, off any page, of the object itself).
  TrptComponent* scope = self->GetPage() ? static_cast<TrptComponent*>(self->GetPage()) : self;
  TClass want = GetObjectPropClass(GetPropInfo());
  for (TrptComponent* c : std::vector<TrptComponent*>(scope->GetAllObjects()))
    if (c != self && !c->Name().empty() && (!want || c->InheritsFrom(want))) AppendValue(c->Name());
}

// ---- Special types ----

int TrptNameProperty::GetAttributes() { return 0; }
std::string TrptNameProperty::GetValue() { return TrptStringProperty::GetValue(); }
void TrptNameProperty::SetValue(const std::string& Value) { TrptStringProperty::SetValue(Value); }
void TrptNameProperty::GetValues() { TrptStringProperty::GetValues(); }

int TrptColorProperty::GetAttributes() {
  return rptpaMultiSelect | rptpaValueList | rptpaDialog | rptpaOwnerDraw;
}
std::string TrptColorProperty::GetValue() { return ColorToString(static_cast<TColor>(GetOrdValue())); }
void TrptColorProperty::SetValue(const std::string& Value) {
  TColor c;
  if (IdentToColor(Trim(Value), c)) SetOrdValue(c);
  else TrptIntegerProperty::SetValue(Value);
}
void TrptColorProperty::GetValues() {
  TrptPropertyEditor::GetValues();
  GetColorValues([this](const std::string& S) { AppendValue(S); });
}
bool TrptColorProperty::Edit() {
  TColorDialog d(nullptr);
  d.SetColor(static_cast<TColor>(GetOrdValue()));
  const bool ok = d.Execute();
  if (ok) SetOrdValue(d.Color());
  return ok;
}
void TrptColorProperty::DrawListItem(TCanvas* Canvas, int Index, const RECT& R) {
  TrptIntegerProperty::DrawListItem(Canvas, Index, R);
  if (!Canvas || Index < 0 || Index >= Values()->Count()) return;
  TColor c;
  if (!IdentToColor(Values()->Strings(Index), c)) return;
  const TColor brush = Canvas->Brush()->Color();
  Canvas->Brush()->SetColor(c);
  Canvas->Rectangle(R.left + 2, R.top + 2, R.left + (R.bottom - R.top) - 2, R.bottom - 2);
  Canvas->Brush()->SetColor(brush);
}
void TrptColorProperty::DrawValue(TCanvas* Canvas, const RECT& R) {
  TrptIntegerProperty::DrawValue(Canvas, R);
  if (!Canvas) return;
  const TColor brush = Canvas->Brush()->Color();
  Canvas->Brush()->SetColor(static_cast<TColor>(GetOrdValue()));
  Canvas->Rectangle(R.left, R.top + 1, R.left + (R.bottom - R.top) - 5, R.bottom - 4);
  Canvas->Brush()->SetColor(brush);
}

int TrptFontProperty::GetAttributes() { return rptpaMultiSelect | rptpaSubProperties | rptpaReadOnly | rptpaDialog; }
bool TrptFontProperty::Edit() {
  auto* font = dynamic_cast<TFont*>(GetObjectProp(GetComponent(), GetPropInfo()));
  TFontDialog d(nullptr);
  if (font) d.SetFont(font);
  d.Options() += fdForceFontExist;
  const bool ok = d.Execute();
  if (ok)
    for (size_t i = 0; i < Objects.size(); ++i) SetObjectProp(Objects[i], Props[i], d.Font());
  return ok;
}

int TrptFontNameProperty::GetAttributes() { return rptpaMultiSelect | rptpaValueList | rptpaSortList; }
std::string TrptFontNameProperty::GetValue() { return TrptStringProperty::GetValue(); }
void TrptFontNameProperty::SetValue(const std::string& Value) { TrptStringProperty::SetValue(Value); }
void TrptFontNameProperty::GetValues() {
  TrptPropertyEditor::GetValues();
  // The screen's font families.
  HDC dc = GetDC(nullptr);
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesEx(
      dc, &lf,
      [](const ENUMLOGFONTEXA* f, const NEWTEXTMETRICEXA*, DWORD, LPARAM data) -> int {
        auto* values = reinterpret_cast<TStringList*>(data);
        if (values->IndexOf(f->elfLogFont.lfFaceName) < 0) values->Add(f->elfLogFont.lfFaceName);
        return 1;
      },
      reinterpret_cast<LPARAM>(Values()), 0);
  ReleaseDC(nullptr, dc);
}

int TrptFontCharsetProperty::GetAttributes() { return rptpaMultiSelect | rptpaValueList | rptpaSortList; }
std::string TrptFontCharsetProperty::GetValue() {
  const int v = static_cast<int>(GetOrdValue());
  const char* n = IntToIdent(kCharsets, v);
  return n ? n : std::to_string(v);
}
void TrptFontCharsetProperty::SetValue(const std::string& Value) {
  int v = 0;
  if (IdentToInt(kCharsets, Trim(Value), v)) SetOrdValue(v);
  else TrptIntegerProperty::SetValue(Value);
}
void TrptFontCharsetProperty::GetValues() {
  TrptPropertyEditor::GetValues();
  for (const TIdent& i : kCharsets) AppendValue(i.Name);
}

int TrptModalResultProperty::GetAttributes() { return rptpaMultiSelect | rptpaValueList; }
std::string TrptModalResultProperty::GetValue() {
  const int64_t v = GetOrdValue();
  return v >= 0 && v <= 10 ? kModalResults[v] : std::to_string(v);
}
void TrptModalResultProperty::SetValue(const std::string& Value) {
  const std::string s = Value.empty() ? "0" : Value;
  for (int i = 0; i <= 10; ++i)
    if (SameText(s, kModalResults[i])) {
      SetOrdValue(i);
      return;
    }
  TrptIntegerProperty::SetValue(s);
}
void TrptModalResultProperty::GetValues() {
  TrptPropertyEditor::GetValues();
  for (const char* n : kModalResults) AppendValue(n);
}

int TrptShortCutProperty::GetAttributes() { return rptpaMultiSelect | rptpaValueList; }
std::string TrptShortCutProperty::GetValue() {
  const TShortCut s = static_cast<TShortCut>(GetOrdValue() & 0xFFFF);
  return s == 0 ? std::string("(None)") : ShortCutToText(s);
}
void TrptShortCutProperty::SetValue(const std::string& Value) {
  if (Value.empty() || SameText(Value, "(None)")) SetOrdValue(0);
  else SetOrdValue(TextToShortCut(Value));
}
void TrptShortCutProperty::GetValues() {
  TrptPropertyEditor::GetValues();
  AppendValue("(None)");
  auto add = [this](WORD Key, TShiftState Shift) { AppendValue(ShortCutToText(ShortCut(Key, Shift))); };
  for (WORD k = 'A'; k <= 'Z'; ++k) add(k, TShiftState{ssCtrl});
  for (WORD k = 'A'; k <= 'Z'; ++k) add(k, TShiftState{ssCtrl, ssAlt});
  for (TShiftState s : {TShiftState{}, TShiftState{ssCtrl}, TShiftState{ssShift}, TShiftState{ssShift, ssCtrl}})
    for (WORD k = VK_F1; k <= VK_F12; ++k) add(k, s);
  add(VK_INSERT, TShiftState{});
  add(VK_INSERT, TShiftState{ssShift});
  add(VK_INSERT, TShiftState{ssCtrl});
  add(VK_DELETE, TShiftState{});
  add(VK_DELETE, TShiftState{ssShift});
  add(VK_DELETE, TShiftState{ssCtrl});
  add(VK_BACK, TShiftState{ssAlt});
  add(VK_BACK, TShiftState{ssShift, ssAlt});
}

int TrptCursorProperty::GetAttributes() { return rptpaMultiSelect | rptpaValueList | rptpaSortList; }
std::string TrptCursorProperty::GetValue() {
  const int v = static_cast<int>(GetOrdValue());
  const char* n = IntToIdent(kCursors, v);
  return n ? n : std::to_string(v);
}
void TrptCursorProperty::SetValue(const std::string& Value) {
  int v = 0;
  if (IdentToInt(kCursors, Trim(Value), v)) SetOrdValue(v);
  else TrptIntegerProperty::SetValue(Value);
}
void TrptCursorProperty::GetValues() {
  TrptPropertyEditor::GetValues();
  for (const TIdent& i : kCursors) AppendValue(i.Name);
}

int TrptDateProperty::GetAttributes() { return TrptPropertyEditor::GetAttributes(); }
std::string TrptDateProperty::GetValue() {
  const double d = GetFloatValue();
  return d == 0 ? std::string() : DateToStr(d);
}
void TrptDateProperty::SetValue(const std::string& Value) {
  SetFloatValue(Trim(Value).empty() ? 0.0 : static_cast<double>(StrToDate(Trim(Value))));
}
void TrptDateProperty::GetValues() { TrptPropertyEditor::GetValues(); }

// ---- Rows ----

TrptPropertyItem::TrptPropertyItem() = default;
TrptPropertyItem::~TrptPropertyItem() = default;

TrptPropertyList::TrptPropertyList(TrptCustomDesigner* ADesigner) : Designer(ADesigner) {}
TrptPropertyList::~TrptPropertyList() = default;

TrptPropertyItem* TrptPropertyList::Find(const std::string& Name) const {
  for (const auto& i : FItems)
    if (i->Editor && i->Editor->GetName() == Name) return i.get();
  return nullptr;
}

void TrptPropertyList::Delete(int Index) { FItems.erase(FItems.begin() + Index); }

namespace {

TClass DefaultEditor(PPropInfo P) {
  switch (P->PropType->Kind) {
    case tkInteger: return TrptIntegerProperty::StaticClass();
    case tkChar:
    case tkWChar: return TrptCharProperty::StaticClass();
    case tkEnumeration: return TrptEnumProperty::StaticClass();
    case tkFloat: return TrptFloatProperty::StaticClass();
    case tkString:
    case tkLString:
    case tkWString: return TrptStringProperty::StaticClass();
    case tkSet: return TrptSetProperty::StaticClass();
    case tkClass: {
      TClass c = GetObjectPropClass(P);
      if (c && c->InheritsFrom(TComponent::StaticClass())) return TrptComponentProperty::StaticClass();
      if (c && c->InheritsFrom(TPersistent::StaticClass())) return TrptClassProperty::StaticClass();
      return nullptr;
    }
    default: return nullptr;
  }
}

TrptPropertyEditor* MakeEditor(TClass C, TrptCustomDesigner* Designer) {
  if (!C || !C->Factory) return nullptr;
  auto* e = dynamic_cast<TrptPropertyEditor*>(C->Factory(nullptr));
  if (e) e->Designer = Designer;
  return e;
}

}  // namespace

void TrptPropertyList::AssignObject(TObject* Obj) {
  Component = Obj;
  FItems.clear();
  if (!Obj) return;
  TPropList props = GetPropList(Obj, tkProperties, false);
  std::stable_sort(props.begin(), props.end(), [](PPropInfo a, PPropInfo b) { return a->Name < b->Name; });
  for (PPropInfo p : props) {
    TClass editor = DefaultEditor(p);
    const int entry = rptPropertyEditorRegistry().FindEditor(p->PropType, Obj, p->Name);
    if (entry >= 0) editor = rptPropertyEditorRegistry().GetItems(entry).EditorClass;  // none: hidden
    std::unique_ptr<TrptPropertyEditor> e(MakeEditor(editor, Designer));
    if (!e) continue;
    e->AddObject(Obj, p);
    auto item = std::make_unique<TrptPropertyItem>();
    if (p->PropType->Kind == tkSet && p->PropType->CompType) {
      // One sub-row per element of the set.
      auto sub = std::make_unique<TrptPropertyList>(Designer);
      sub->Parent = this;
      sub->Component = Obj;
      PTypeInfo element = p->PropType->CompType;
      for (int64_t v = element->MinValue; v <= element->MaxValue; ++v) {
        auto se = std::make_unique<TrptSetElementProperty>();
        se->Designer = Designer;
        se->AddObject(Obj, p);
        se->Element = static_cast<int>(v);
        auto si = std::make_unique<TrptPropertyItem>();
        si->Editor = std::move(se);
        sub->FItems.push_back(std::move(si));
      }
      item->SubProperty = std::move(sub);
    } else if (p->PropType->Kind == tkClass) {
      TClass c = GetObjectPropClass(p);
      if (c && c->InheritsFrom(TPersistent::StaticClass()) && !c->InheritsFrom(TComponent::StaticClass()))
        if (TObject* held = GetObjectProp(Obj, p)) {
          auto sub = std::make_unique<TrptPropertyList>(Designer);
          sub->Parent = this;
          sub->AssignObject(held);
          if (sub->Count() > 0) item->SubProperty = std::move(sub);
        }
    }
    item->Editor = std::move(e);
    FItems.push_back(std::move(item));
  }
}

namespace {

// Keeps the rows of A that may show for several objects and that B has too (same kind, same
// name).
void Filter(TrptPropertyList* A, const TrptPropertyList* B) {
  for (int i = A->Count() - 1; i >= 0; --i) {
    TrptPropertyEditor* e = A->Items(i)->Editor.get();
    bool keep = (e->GetAttributes() & rptpaMultiSelect) != 0;
    if (keep) {
      keep = false;
      for (int j = 0; j < B->Count() && !keep; ++j) {
        PPropInfo q = B->Items(j)->Editor->GetPropInfo();
        keep = q && q->Name == e->GetPropInfo()->Name && q->PropType->Kind == e->GetPropInfo()->PropType->Kind;
      }
    }
    if (!keep) A->Delete(i);
  }
}

void Merge(TrptPropertyList* Into, const TrptPropertyList* From) {
  for (int i = 0; i < Into->Count() && i < From->Count(); ++i) {
    TrptPropertyEditor* to = Into->Items(i)->Editor.get();
    const TrptPropertyEditor* from = From->Items(i)->Editor.get();
    to->AddObject(from->GetComponent(), from->GetPropInfo());
    if (Into->Items(i)->SubProperty && From->Items(i)->SubProperty)
      Merge(Into->Items(i)->SubProperty.get(), From->Items(i)->SubProperty.get());
  }
}

}  // namespace

TrptPropertyList* rptBuildPropertyList(const std::vector<TObject*>& Objects, TrptCustomDesigner* Designer) {
  if (Objects.empty()) return nullptr;
  std::vector<std::unique_ptr<TrptPropertyList>> lists;
  for (TObject* o : Objects) {
    lists.push_back(std::make_unique<TrptPropertyList>(Designer));
    lists.back()->AssignObject(o);
  }
  TrptPropertyList* first = lists.front().get();
  for (size_t i = 1; i < lists.size(); ++i) Filter(first, lists[i].get());
  for (size_t i = 1; i < lists.size(); ++i) {
    Filter(lists[i].get(), first);
    Merge(first, lists[i].get());
  }
  return lists.front().release();
}

void rptRegisterStandardPropertyEditors(TrptPropertyEditorCollection& r) {
  PTypeInfo str = BuiltinTypeInfo("String"), integer = BuiltinTypeInfo("Integer");
  r.AddEditor(AliasTypeInfo("TComponentName", str), nullptr, "Name", TrptNameProperty::StaticClass());
  r.AddEditor(AliasTypeInfo("TColor", integer), nullptr, "", TrptColorProperty::StaticClass());
  r.AddEditor(ClassTypeInfo(TFont::StaticClass()), nullptr, "", TrptFontProperty::StaticClass());
  r.AddEditor(str, TFont::StaticClass(), "Name", TrptFontNameProperty::StaticClass());
  r.AddEditor(integer, TFont::StaticClass(), "Charset", TrptFontCharsetProperty::StaticClass());
  r.AddEditor(AliasTypeInfo("TModalResult", integer), nullptr, "", TrptModalResultProperty::StaticClass());
  r.AddEditor(AliasTypeInfo("TShortCut", integer), nullptr, "", TrptShortCutProperty::StaticClass());
  r.AddEditor(AliasTypeInfo("TCursor", integer), nullptr, "", TrptCursorProperty::StaticClass());
  r.AddEditor(AliasTypeInfo("TDateTime", BuiltinTypeInfo("Double")), nullptr, "", TrptDateProperty::StaticClass());
}
