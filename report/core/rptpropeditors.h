// The object inspector's property editors: for an object, or the common properties of a
// selection, the rows of its published properties, each with an editor that turns the value into
// text, lists the allowed values, parses text back, opens a dialog or draws the value. The
// registries that pick an editor for a property are in rptregistry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/rtl/typinfo.h"

class TCanvas;
class TStringList;
class TrptComponent;
class TrptCustomDesigner;
struct RECT;

// Attribute bits of an editor's row.
enum : int {
  rptpaValueList = 1,      // a drop-down list of values
  rptpaSortList = 2,       // the value list is sorted
  rptpaDialog = 4,         // a dialog button (Edit)
  rptpaMultiSelect = 8,    // the row stays when several objects are selected
  rptpaSubProperties = 16, // sub-rows
  rptpaReadOnly = 32,      // the value text cannot be typed in
  rptpaOwnerDraw = 64,     // list items and value drawn by the editor
};

class TrptPropertyEditor : public TObject {
  ORV_CLASS(TrptPropertyEditor, TObject)
public:
  TrptPropertyEditor();
  ~TrptPropertyEditor() override;

  // Cycles to the value after the current one in the value list; true when it set one.
  virtual bool Edit();
  virtual int GetAttributes();
  virtual std::string GetName();
  virtual int ExtraListWidth();
  virtual std::string GetValue();
  // Fills Values().
  virtual void GetValues();
  virtual void SetValue(const std::string& Value);
  virtual void DrawListItem(TCanvas* Canvas, int Index, const RECT& R);
  virtual void DrawValue(TCanvas* Canvas, const RECT& R);

  TObject* GetComponent() const;
  TrptComponent* GetRptComponent() const;
  PPropInfo GetPropInfo() const;
  int64_t GetOrdValue() const;
  double GetFloatValue() const;
  std::string GetStrValue() const;
  // Setters write the property of every edited object.
  void SetOrdValue(int64_t Value);
  void SetFloatValue(double Value);
  void SetStrValue(const std::string& Value);
  void AppendValue(const std::string& S);
  void AddObject(TObject* Obj, PPropInfo Prop);
  TStringList* Values() const { return FValues.get(); }

  TrptCustomDesigner* Designer = nullptr;
  std::vector<TObject*> Objects;
  std::vector<PPropInfo> Props;  // one per object
  int ItemHeight = 0;            // the inspector's row height, set before drawing

protected:
  [[noreturn]] static void InvalidValue();

private:
  std::unique_ptr<TStringList> FValues;
};

#define ORV_RPT_PROPERTY_EDITOR(Name, Parent)                     \
  class Name : public Parent {                                    \
    ORV_CLASS(Name, Parent)                                       \
  public:                                                         \
    int GetAttributes() override;                                 \
    std::string GetValue() override;                              \
    void SetValue(const std::string& Value) override;             \
    void GetValues() override;                                    \
  };

ORV_RPT_PROPERTY_EDITOR(TrptIntegerProperty, TrptPropertyEditor)
ORV_RPT_PROPERTY_EDITOR(TrptFloatProperty, TrptPropertyEditor)
ORV_RPT_PROPERTY_EDITOR(TrptCharProperty, TrptPropertyEditor)
ORV_RPT_PROPERTY_EDITOR(TrptStringProperty, TrptPropertyEditor)
ORV_RPT_PROPERTY_EDITOR(TrptEnumProperty, TrptPropertyEditor)
ORV_RPT_PROPERTY_EDITOR(TrptSetProperty, TrptPropertyEditor)
ORV_RPT_PROPERTY_EDITOR(TrptClassProperty, TrptPropertyEditor)
ORV_RPT_PROPERTY_EDITOR(TrptComponentProperty, TrptPropertyEditor)
ORV_RPT_PROPERTY_EDITOR(TrptNameProperty, TrptStringProperty)
ORV_RPT_PROPERTY_EDITOR(TrptFontNameProperty, TrptStringProperty)
ORV_RPT_PROPERTY_EDITOR(TrptFontCharsetProperty, TrptIntegerProperty)
ORV_RPT_PROPERTY_EDITOR(TrptModalResultProperty, TrptIntegerProperty)
ORV_RPT_PROPERTY_EDITOR(TrptShortCutProperty, TrptPropertyEditor)
ORV_RPT_PROPERTY_EDITOR(TrptCursorProperty, TrptIntegerProperty)
ORV_RPT_PROPERTY_EDITOR(TrptDateProperty, TrptPropertyEditor)

class TrptSetElementProperty : public TrptPropertyEditor {
  ORV_CLASS(TrptSetElementProperty, TrptPropertyEditor)
public:
  int GetAttributes() override;
  std::string GetName() override;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
  void GetValues() override;
  int Element = 0;  // the element's ordinal in the set's element type
};

class TrptColorProperty : public TrptIntegerProperty {
  ORV_CLASS(TrptColorProperty, TrptIntegerProperty)
public:
  int GetAttributes() override;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
  void GetValues() override;
  bool Edit() override;
  void DrawListItem(TCanvas* Canvas, int Index, const RECT& R) override;
  void DrawValue(TCanvas* Canvas, const RECT& R) override;
};

class TrptFontProperty : public TrptClassProperty {
  ORV_CLASS(TrptFontProperty, TrptClassProperty)
public:
  int GetAttributes() override;
  bool Edit() override;
};

class TrptPropertyList;

class TrptPropertyItem {
public:
  TrptPropertyItem();
  ~TrptPropertyItem();
  std::unique_ptr<TrptPropertyEditor> Editor;
  bool Expanded = false;
  std::unique_ptr<TrptPropertyList> SubProperty;
};

class TrptPropertyList {
public:
  explicit TrptPropertyList(TrptCustomDesigner* ADesigner);
  ~TrptPropertyList();
  // Remembers the object and fills the list with the rows of its published properties.
  void AssignObject(TObject* Obj);
  int Count() const { return static_cast<int>(FItems.size()); }
  TrptPropertyItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
  // The row of the property named Name, or null.
  TrptPropertyItem* Find(const std::string& Name) const;
  void Delete(int Index);

  TObject* Component = nullptr;
  TrptCustomDesigner* Designer = nullptr;
  TrptPropertyList* Parent = nullptr;

private:
  friend TrptPropertyList* rptBuildPropertyList(const std::vector<TObject*>& Objects, TrptCustomDesigner* Designer);
  std::vector<std::unique_ptr<TrptPropertyItem>> FItems;
};

// The rows of the properties a selection has in common (null for no objects); the caller owns
// the list. Reading shows the first object's value, writing sets every selected object.
TrptPropertyList* rptBuildPropertyList(const std::vector<TObject*>& Objects, TrptCustomDesigner* Designer);

class TrptPropertyEditorCollection;
// Enters the standard editors (name, colours, fonts, modal results, shortcuts, cursors, dates)
// into a new property-editor registry.
void rptRegisterStandardPropertyEditors(TrptPropertyEditorCollection& R);
