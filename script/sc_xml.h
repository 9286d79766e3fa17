// The script engine's small XML tree: element names and the raw attribute text of each element.
//
// Grammars, the intermediate script and the function catalog are held in it; text between tags is
// dropped. Attribute values are read on demand by name (Prop) and decoded from the "&#N;" escapes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/object.h"

class TStream;

class TscXMLItem : public TObject {
  ORV_CLASS(TscXMLItem, TObject)
public:
  TscXMLItem() = default;
  ~TscXMLItem() override;

  intptr_t Data = 0;
  std::string Name;
  TscXMLItem* Parent = nullptr;
  std::string Text;

  int Count() const { return static_cast<int>(FItems.size()); }
  TscXMLItem* Items(int Index) const;
  TscXMLItem* operator[](int Index) const { return Items(Index); }

  TscXMLItem* Add();
  // Appends Item, first taking it out of its former parent's list.
  void AddItem(TscXMLItem* Item);
  void InsertItem(int Index, TscXMLItem* Item);
  void Clear();
  // Index of the first child named Name (case-insensitive), -1 when none.
  int Find(const std::string& AName) const;
  // That child; when missing, a new child of that name is appended and returned.
  TscXMLItem* FindItem(const std::string& AName);
  // Decoded value of attribute AName of Text; empty when absent.
  std::string Prop(const std::string& AName) const;
  TscXMLItem* Root();
  // Clear, then copies Name, Text, Data and copies of all children of Source.
  void Assign(const TscXMLItem* Source);
  // Removes Item from the child list without freeing it.
  void RemoveItem(TscXMLItem* Item);
  // Index of Item among the children, -1 when it is none of them.
  int IndexOf(const TscXMLItem* Item) const;

private:
  std::vector<TscXMLItem*> FItems;
};

class TscXMLDocument : public TObject {
  ORV_CLASS(TscXMLDocument, TObject)
public:
  TscXMLDocument();
  ~TscXMLDocument() override;

  bool AutoIndent = false;
  TscXMLItem* Root() const { return FRoot; }

  // Raise Exception "Invalid file format" on malformed input.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  // Convenience forms over memory, used by the parser and the tests.
  void LoadFromString(const std::string& S);
  std::string SaveToString();

private:
  TscXMLItem* FRoot;
};

// Escapes line feed, carriage return, double quote, "<", ">" and "&" as "&#N;".
std::string scStrToXML(const std::string& S);
// Replaces every "&#N;" (N decimal or "$" hexadecimal) by the character with code N.
std::string scXMLToStr(const std::string& S);
