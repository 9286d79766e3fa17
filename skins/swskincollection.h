// Further stored skins of the form skin engine (its AdditionalBuiltInSkins): a collection whose
// items each keep a skin archive in the form ("SkinData") and load it into a reader of their
// own. The engine's current skin stays what it is; the items' readers are there to be used.
#pragma once

#include <string>

#include "platform/rtl/collection.h"
#include "skins/swskinres.h"

class TStream;
class TswSkinEngine;

class TswSkinCollectionItem : public TCollectionItem {
  ORV_CLASS(TswSkinCollectionItem, TCollectionItem)
public:
  explicit TswSkinCollectionItem(TCollection* Collection = nullptr);
  ~TswSkinCollectionItem() override;
  static void Publish(TPublisher<TswSkinCollectionItem>& P);
  void Assign(TPersistent* Source) override;

  const std::string& SkinFile() const { return FSkinFile; }
  void SetSkinFile(const std::string& Value) { FSkinFile = Value; }
  const std::string& Password() const { return FPassword; }
  void SetPassword(const std::string& Value) { FPassword = Value; }
  // The item's own reader (empty until a stored skin was read).
  TswSkinReader* Reader() { return &FReader; }
  // Reads a stored skin archive: it is copied to a temporary file "SWSKNT.ssk" (a number
  // before ".ssk" when taken), loaded into the reader with Password and deleted again, also
  // when loading fails (the reader's error reaches the caller). SkinFile stays as it was.
  // EInOutError when no temporary file can be written after a bounded number of tries.
  void ReadSkinData(TStream* Stream);
  // Writes the archive named by SkinFile, byte for byte.
  void WriteSkinData(TStream* Stream);

protected:
  // "SkinData", stored when the file named by SkinFile exists.
  void DefineProperties(TFiler* Filer) override;

private:
  std::string FSkinFile, FPassword;
  TswSkinReader FReader;
};

class TswSkinCollection : public TCollection {
  ORV_CLASS(TswSkinCollection, TCollection)
public:
  explicit TswSkinCollection(TswSkinEngine* Engine = nullptr);
  TswSkinCollectionItem* Add() { return static_cast<TswSkinCollectionItem*>(TCollection::Add()); }
  TswSkinCollectionItem* Items(int Index) const {
    return static_cast<TswSkinCollectionItem*>(TCollection::Items(Index));
  }
  // The engine (the collection's owner).
  TPersistent* GetOwner() const override;

protected:
  void Update(TCollectionItem* Item) override;
};
