// The process-wide registries of the report library that the designer reads: the palette's
// object classes and categories, component editors, property-editor entries (with hidden
// properties and the event editor) and report wizards. (The export-filter registry is in
// rptservices.)
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/rtl/typinfo.h"

class TBitmap;
class TComponent;
class TPopupMenu;
class TMenuItem;
class TrptComponent;
class TrptCustomDesigner;

struct TrptObjectItem {
  TClass ClassRef = nullptr;  // null for a category entry
  TBitmap* ButtonBitmap = nullptr;  // owned by the registering unit
  int ButtonImageIndex = -1;
  std::string ButtonHint;
  std::string CategoryName;
  int Flags = 0;
};

class TrptObjectCollection {
public:
  // Ignored when the class is registered with the same flags already; registers the class for
  // streaming too.
  void AddObjectClass(TClass ClassRef, TBitmap* ButtonBitmap, const std::string& ButtonHint,
                      const std::string& CategoryName = "", int Flags = 0, int ImageIndex = -1);
  void AddCategory(const std::string& Name, TBitmap* ButtonBitmap, const std::string& ButtonHint, int ImageIndex = -1);
  int Count() const { return static_cast<int>(FItems.size()); }
  const TrptObjectItem& GetItems(int Index) const { return FItems.at(static_cast<size_t>(Index)); }

private:
  std::vector<TrptObjectItem> FItems;
};

// The designer's editor of an object (double click, context-menu items).
class TrptComponentEditor : public TObject {
  ORV_CLASS(TrptComponentEditor, TObject)
public:
  TrptComponentEditor(TrptComponent* Component, TrptCustomDesigner* Designer, TPopupMenu* Menu)
      : Component(Component), Designer(Designer), Menu(Menu) {}
  virtual bool Edit() { return false; }
  virtual bool HasEditDialog() { return false; }
  virtual void AddMenuItems() {}
  virtual bool RunMenuItem(TMenuItem*) { return false; }
  TrptComponent* Component;
  TrptCustomDesigner* Designer;
  TPopupMenu* Menu;
};
using TrptComponentEditorMaker =
    std::function<TrptComponentEditor*(TrptComponent*, TrptCustomDesigner*, TPopupMenu*)>;

class TrptComponentEditorCollection {
public:
  void AddEditor(TClass ComponentClass, TrptComponentEditorMaker Maker);
  // The editor registered for exactly the component's class, else for its nearest registered
  // ancestor (the latest such entry); null when none applies.
  TrptComponentEditor* CreateEditorFor(TrptComponent* Component, TrptCustomDesigner* Designer, TPopupMenu* Menu);

private:
  std::vector<std::pair<TClass, TrptComponentEditorMaker>> FItems;
};

struct TrptPropertyEditorItem {
  PTypeInfo PropertyType = nullptr;
  TClass ComponentClass = nullptr;
  std::string PropertyName;
  TClass EditorClass = nullptr;  // null marks a hidden property
};

class TrptPropertyEditorCollection {
public:
  void AddEditor(PTypeInfo PropertyType, TClass ComponentClass, const std::string& PropertyName, TClass EditorClass);
  void SetEventEditor(TClass EditorClass);
  // The entry that applies to property Name of type T on Obj, or -1.
  int FindEditor(PTypeInfo T, TObject* Obj, const std::string& Name) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  const TrptPropertyEditorItem& GetItems(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  int EventEditorIndex() const { return FEventEditorIndex; }

private:
  std::vector<TrptPropertyEditorItem> FItems;
  int FEventEditorIndex = -1;
};

struct TrptWizardItem {
  TClass ClassRef = nullptr;
  TBitmap* ButtonBitmap = nullptr;
  int ButtonImageIndex = -1;
  bool IsToolbarWizard = false;
};

class TrptWizardCollection {
public:
  void AddWizard(TClass ClassRef, TBitmap* ButtonBitmap, bool IsToolbarWizard = false);
  void RemoveWizard(TClass ClassRef);
  int Count() const { return static_cast<int>(FItems.size()); }
  TrptWizardItem& GetItems(int Index) { return FItems.at(static_cast<size_t>(Index)); }

private:
  std::vector<TrptWizardItem> FItems;
};

TrptObjectCollection& rptObjectRegistry();
TrptComponentEditorCollection& rptComponentEditorRegistry();
TrptPropertyEditorCollection& rptPropertyEditorRegistry();
TrptWizardCollection& rptWizardRegistry();
// Hides the properties named in Names (separated by ";") of AClass from the object inspector.
void rptRegisterHiddenProperties(TClass AClass, const std::string& Names);
