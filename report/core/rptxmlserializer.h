// The report file format: objects as XML elements named by their class, stored published
// properties as attributes, children as nested elements, references by name resolved at the end
// of a read, and defined-property data (collections, pictures) in a hexadecimal PropData
// attribute. Used by report load and save, the prepared-page store, collections inside report
// files and the designer's clipboard.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/object.h"

class TStream;
class TMemoryStream;
class TStringList;
class TPersistent;
class TCollection;
class TComponent;
class TReader;
struct TPropInfo;
class TrptXMLItem;
class TrptComponent;

struct TrptFixupItem {
  TObject* Instance;
  const TPropInfo* PropertyInfo;
  std::string RefName;
};

class TrptXMLSerializer : public TObject {
  ORV_CLASS(TrptXMLSerializer, TObject)
public:
  explicit TrptXMLSerializer(TStream* AStream = nullptr);
  ~TrptXMLSerializer() override;

  // Writes Component (with its children when SaveChildren) into Item, or as a whole indented
  // document with its header into the stream when Item is null.
  void WriteRoot(TrptComponent* Component, bool SaveChildren, TrptXMLItem* Item = nullptr);
  // Reads Component (and creates its children) from Item, or from a document read from the
  // stream when Item is null. Malformed XML raises "Invalid file format"; everything else that
  // fails goes to ErrorList and reading goes on.
  void ReadRoot(TrptComponent* Component, TrptXMLItem* Item = nullptr);
  // The attribute text of an object's stored properties, each preceded by a blank.
  std::string BuildAttrText(TPersistent* Obj, const std::string& Prefix = std::string());
  // Writes every item of Items as an "item" child of Parent, its properties as the child's
  // attributes (the style and variable lists are stored so).
  void SaveCollectionItems(TrptXMLItem* Parent, TCollection* Items);
  void ApplyAttrText(const std::string& Text, TPersistent* Obj);
  std::string ObjectToText(TPersistent* Obj);
  // Creates an object from its one-line text (class name and attributes) as a child of Owner;
  // an unknown class raises EClassNotFound.
  TrptComponent* ObjectFromText(TrptComponent* Owner, const std::string& Text);
  void WriteComponent(TrptComponent* Component);
  // The next element of the stream as a new child of Owner; null at the end.
  TrptComponent* ReadComponent(TrptComponent* Owner);
  // Applies Text to a collection item with references resolved at once.
  void ApplyToItem(TComponent* Owner, TPersistent* Obj, const std::string& Text);
  void ResolveRefs();

  TStringList* ErrorList() const { return FErrorList.get(); }
  TComponent* RefRoot = nullptr;
  bool SaveDefaultValues = false;
  TStream* XMLStream;

private:
  void WriteObjectTree(TrptComponent* Obj, TrptXMLItem* Item, bool SaveChildren);
  void ReadObjectTree(TrptXMLItem* Item, TrptComponent* Parent, TrptComponent* Top, int Depth);
  void ApplyAttr(TPersistent* Obj, const std::string& Name, const std::string& Value);
  void ReadPropData(TPersistent* Obj, const std::string& Hex);
  void AddError(const std::string& Text);
  std::unique_ptr<TStringList> FErrorList;
  std::vector<TrptFixupItem> FPendingRefs;
  std::vector<TrptComponent*> FObjectsRead;
};

// Sets the memo text of a text object (the "x" attribute); the text object's unit installs it.
extern void (*rptSetMemoText)(TrptComponent* Obj, const std::string& Text);
