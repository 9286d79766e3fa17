#include "report/core/rptregistry.h"

#include "report/core/rptpropeditors.h"

#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptclass.h"
#include "report/core/rptutils.h"

ORV_CLASS_IMPL(TrptComponentEditor, TObject)

void TrptObjectCollection::AddObjectClass(TClass ClassRef, TBitmap* ButtonBitmap, const std::string& ButtonHint,
                                          const std::string& CategoryName, int Flags, int ImageIndex) {
  for (const TrptObjectItem& i : FItems)
    if (ClassRef && i.ClassRef == ClassRef && i.Flags == Flags) return;
  if (ClassRef) RegisterClass(ClassRef);
  FItems.push_back({ClassRef, ButtonBitmap, ImageIndex, ButtonHint, CategoryName, Flags});
  if (ButtonBitmap) ButtonBitmap->Dormant();
}

void TrptObjectCollection::AddCategory(const std::string& Name, TBitmap* ButtonBitmap, const std::string& ButtonHint,
                                       int ImageIndex) {
  FItems.push_back({nullptr, ButtonBitmap, ImageIndex, ButtonHint, Name, 0});
}

void TrptComponentEditorCollection::AddEditor(TClass ComponentClass, TrptComponentEditorMaker Maker) {
  FItems.emplace_back(ComponentClass, std::move(Maker));
}

TrptComponentEditor* TrptComponentEditorCollection::CreateEditorFor(TrptComponent* Component,
                                                                    TrptCustomDesigner* Designer, TPopupMenu* Menu) {
  if (!Component) return nullptr;
  int found = -1;
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i].first == Component->ClassType()) {
      found = static_cast<int>(i);
      break;
    }
    if (Component->InheritsFrom(FItems[i].first)) found = static_cast<int>(i);
  }
  if (found < 0 || !FItems[static_cast<size_t>(found)].second) return nullptr;
  return FItems[static_cast<size_t>(found)].second(Component, Designer, Menu);
}

void TrptPropertyEditorCollection::AddEditor(PTypeInfo PropertyType, TClass ComponentClass,
                                             const std::string& PropertyName, TClass EditorClass) {
  FItems.push_back({PropertyType, ComponentClass, PropertyName, EditorClass});
}

void TrptPropertyEditorCollection::SetEventEditor(TClass EditorClass) {
  FItems.push_back({nullptr, nullptr, std::string(), EditorClass});
  FEventEditorIndex = static_cast<int>(FItems.size()) - 1;
}

int TrptPropertyEditorCollection::FindEditor(PTypeInfo T, TObject* Obj, const std::string& Name) const {
  if (T) {
    // Report events are text properties of types named like TrptNotifyEvent.
    std::string n = LowerCase(T->Name);
    if (n.rfind("trpt", 0) == 0) {
      size_t ev = n.find("event");
      if (ev != std::string::npos && ev + 5 == n.size()) return FEventEditorIndex;
    }
  }
  int result = -1;
  for (int i = static_cast<int>(FItems.size()) - 1; i >= 0; --i) {
    const TrptPropertyEditorItem& e = FItems[static_cast<size_t>(i)];
    if (i == FEventEditorIndex) continue;
    if (!e.ComponentClass) {
      if (e.PropertyType != T) continue;
      if (e.PropertyName.empty()) result = i;  // keeps scanning: the earliest such entry wins
      else if (SameText(e.PropertyName, Name)) return i;
    } else if (Obj && Obj->InheritsFrom(e.ComponentClass) && SameText(e.PropertyName, Name)) {
      return i;
    }
  }
  return result;
}

void TrptWizardCollection::AddWizard(TClass ClassRef, TBitmap* ButtonBitmap, bool IsToolbarWizard) {
  for (const TrptWizardItem& w : FItems)
    if (w.ClassRef == ClassRef) return;
  FItems.push_back({ClassRef, ButtonBitmap, -1, IsToolbarWizard});
  if (ButtonBitmap) ButtonBitmap->Dormant();
}

void TrptWizardCollection::RemoveWizard(TClass ClassRef) {
  for (size_t i = FItems.size(); i-- > 0;)
    if (FItems[i].ClassRef == ClassRef) FItems.erase(FItems.begin() + static_cast<long>(i));
}

TrptObjectCollection& rptObjectRegistry() {
  static TrptObjectCollection r;
  return r;
}
TrptComponentEditorCollection& rptComponentEditorRegistry() {
  static TrptComponentEditorCollection r;
  return r;
}
TrptPropertyEditorCollection& rptPropertyEditorRegistry() {
  // The standard editors come first, so that entries registered later take precedence.
  static TrptPropertyEditorCollection* r = [] {
    static TrptPropertyEditorCollection c;
    rptRegisterStandardPropertyEditors(c);
    return &c;
  }();
  return *r;
}
TrptWizardCollection& rptWizardRegistry() {
  static TrptWizardCollection r;
  return r;
}

void rptRegisterHiddenProperties(TClass AClass, const std::string& Names) {
  TStringList list;
  rptSplitText(Names, &list, ';');
  for (int i = 0; i < list.Count(); ++i)
    rptPropertyEditorRegistry().AddEditor(nullptr, AClass, Trim(list.Strings(i)), nullptr);
}
