// Report variables: a named list of values, grouped into categories by headers (entries whose
// name starts with a blank), stored with the report and in "variables" XML documents.
#pragma once

#include <string>

#include "platform/rtl/collection.h"
#include "platform/rtl/variant.h"

class TStream;
class TStrings;
class TrptXMLItem;

class TrptVariable : public TCollectionItem {
  ORV_CLASS(TrptVariable, TCollectionItem)
public:
  explicit TrptVariable(TCollection* Collection = nullptr);
  static void Publish(TPublisher<TrptVariable>& P);
  void Assign(TPersistent* Source) override;

  std::string Name;
  Variant Value = Null();
  // The value is data (written by the report script's Set): text is never evaluated as an
  // expression. Not stored.
  bool IsData = false;
};

class TrptVariables : public TCollection {
  ORV_CLASS(TrptVariables, TCollection)
public:
  TrptVariables();
  TrptVariable* Add() { return static_cast<TrptVariable*>(TCollection::Add()); }
  TrptVariable* Insert(int Index) { return static_cast<TrptVariable*>(TCollection::Insert(Index)); }
  TrptVariable* Items(int Index) const { return static_cast<TrptVariable*>(TCollection::Items(Index)); }
  int IndexOf(const std::string& AName) const;
  // Null when absent.
  Variant GetVariables(const std::string& AName) const;
  // Appends an entry when absent.
  void SetVariables(const std::string& AName, const Variant& Value);
  void GetCategoriesList(TStrings* List, bool ClearList = true) const;
  void GetVariablesList(const std::string& Category, TStrings* List) const;
  void DeleteCategory(const std::string& AName);
  void DeleteVariable(const std::string& AName);
  void AddVariable(const std::string& Category, const std::string& AName, const Variant& Value);
  // The names other units know these operations by.
  void AddToCategory(const std::string& Category, const std::string& AName, const Variant& Value) {
    AddVariable(Category, AName, Value);
  }
  void ListCategories(TStrings* List, bool ClearList = true) const { GetCategoriesList(List, ClearList); }
  void ListCategoryVariables(const std::string& Category, TStrings* List) const {
    GetVariablesList(Category, List);
  }
  void RemoveCategory(const std::string& AName) { DeleteCategory(AName); }
  void RemoveVariable(const std::string& AName) { DeleteVariable(AName); }
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream* Stream);
  void LoadFromXMLItem(TrptXMLItem* Item);
  void SaveToFile(const std::string& FileName);
  void SaveToStream(TStream* Stream);
  void SaveToXMLItem(TrptXMLItem* Item);

private:
  int IndexOfHeader(const std::string& Category) const;
  int CategoryEnd(int Header) const;  // index after the last entry of the category
};
