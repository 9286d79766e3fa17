// The report library's keyed table of user-interface texts and its toolbar and palette image
// lists: one process-wide TrptResources object. A key that no table provides yields the key
// itself, so an untranslated key shows as itself.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/object.h"

class TStringList;
class TImageList;
class TBitmap;

class TrptResources : public TObject {
  ORV_CLASS(TrptResources, TObject)
public:
  TrptResources();
  ~TrptResources() override;

  // Stores Text under Key (case-insensitive); an existing key keeps its place and takes Text.
  void Add(const std::string& Key, const std::string& Text);
  // Adds every line "key=text" of Lines (CR LF, CR or LF separated); lines without a key or a
  // text (blank lines, "=== section ===" lines) add nothing.
  void AddStrings(const std::string& Lines);
  // The text under Key, or Key itself when no table provides it.
  std::string Get(const std::string& Key) const;

  // The 16 x 16 button images and their lightened variants, and the 22 x 22 object images.
  TImageList* ButtonImageList();
  TImageList* DisabledButtonImageList() const { return FDisabledButtonImages.get(); }
  TImageList* ObjectImageList();
  // Cuts a strip of image pairs (image, then the picture of its grey variant) into the button
  // lists; with Clear the lists are emptied first.
  void LoadButtonImages(TBitmap* Strip, bool Clear);
  void LoadObjectImages(TBitmap* Strip, bool Clear);

private:
  std::unique_ptr<TImageList> FDisabledButtonImages;
  std::unique_ptr<TImageList> FButtonImages;
  std::unique_ptr<TStringList> FKeys;  // sorted; each key's object is the index of its text
  std::unique_ptr<TImageList> FObjectImages;
  std::unique_ptr<TStringList> FTexts;
};

// The one TrptResources of the process, created on first use.
TrptResources* rptGlobalResources();
// Frees the resources object; a later rptGlobalResources makes a new, empty one.
void rptFreeGlobalResources();
// rptGlobalResources()->Get of the number written in decimal.
std::string rptTextById(int Id);
// Shorthand for rptGlobalResources()->Get(Key).
std::string rptGet(const std::string& Key);
