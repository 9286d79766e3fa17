// Styles: named sets of colour, font and frame that text objects take by name; a report's style
// set, stand-alone sets in their own XML files, and style sheets (lists of sets).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/collection.h"
#include "platform/rtl/sets.h"

class TFont;
class TStream;
class TStrings;
class TrptFrame;
class TrptReport;
class TrptXMLItem;

class TrptStyleItem : public TCollectionItem {
  ORV_CLASS(TrptStyleItem, TCollectionItem)
public:
  explicit TrptStyleItem(TCollection* Collection = nullptr);
  ~TrptStyleItem() override;
  static void Publish(TPublisher<TrptStyleItem>& P);
  void Assign(TPersistent* Source) override;

  const std::string& Name() const { return FName; }
  // Raises "Duplicate name" when another item of the set has the name (case ignored).
  void SetName(const std::string& Value);
  // "Style" + the smallest free number.
  void MakeUniqueName();
  int32_t Color;
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value);
  TrptFrame* Frame() const { return FFrame.get(); }
  void SetFrame(TrptFrame* Value);

private:
  std::string FName;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TrptFrame> FFrame;
};

class TrptStyles : public TCollection {
  ORV_CLASS(TrptStyles, TCollection)
public:
  explicit TrptStyles(TrptReport* AReport = nullptr);
  TrptStyleItem* Add() { return static_cast<TrptStyleItem*>(TCollection::Add()); }
  TrptStyleItem* Items(int Index) const { return static_cast<TrptStyleItem*>(TCollection::Items(Index)); }
  TrptStyleItem* Find(const std::string& AName) const;
  void GetList(TStrings* List) const;
  void ListNames(TStrings* List) const { GetList(List); }
  void LoadFromXMLItem(TrptXMLItem* Item);
  void SaveToXMLItem(TrptXMLItem* Item);
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream* Stream);
  void SaveToFile(const std::string& FileName);
  void SaveToStream(TStream* Stream);
  // Every text object of the report takes its style again.
  void Apply();

  std::string Name;
  TrptReport* Report() const { return FReport; }

private:
  TrptReport* FReport;
};

class TrptStyleSheet : public TObject {
  ORV_CLASS(TrptStyleSheet, TObject)
public:
  TrptStyleSheet() = default;
  ~TrptStyleSheet() override;
  void Clear();
  void Delete(int Index);
  TrptStyles* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TrptStyles* Items(int Index) const;
  TrptStyles* Find(const std::string& AName) const;
  void GetList(TStrings* List) const;
  void ListNames(TStrings* List) const { GetList(List); }
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream* Stream);

private:
  std::vector<std::unique_ptr<TrptStyles>> FItems;
};

// A style's or view's frame and drop shadow.
enum TrptFrameStyle { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble };
ORV_ENUM_TYPEINFO(TrptFrameStyle, fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble)
enum TrptFrameType { ftLeft, ftRight, ftTop, ftBottom };
ORV_ENUM_TYPEINFO(TrptFrameType, ftLeft, ftRight, ftTop, ftBottom)
using TrptFrameTypes = TSet<TrptFrameType>;

class TrptFrame : public TPersistent {
  ORV_CLASS(TrptFrame, TPersistent)
public:
  TrptFrame() = default;
  static void Publish(TPublisher<TrptFrame>& P);
  void Assign(TPersistent* Source) override;
  bool IsShadowWidthStored() const { return ShadowWidth != 4; }
  bool IsTypStored() const { return !Typ.Empty(); }
  bool IsWidthStored() const { return Width != 1; }

  int32_t Color = 0;
  bool DropShadow = false;
  int32_t ShadowColor = 0;
  double ShadowWidth = 4;
  TrptFrameStyle Style = fsSolid;
  TrptFrameTypes Typ;
  double Width = 1;
};

// Text objects re-apply their style name (the text object's unit installs it).
extern void (*rptApplyStyleToObject)(class TrptComponent* Obj);
