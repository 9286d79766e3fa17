// The smaller metadata holders a parameter set owns: DICOM tag list, tag table of a maker note,
// TIFF image annotations and ICC profiles. They keep their data and copy it; parsing and
// rendering of their contents belong to the codecs and views that use them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TMemoryStream;
class TIOParamsVals;

// One DICOM data element.
struct TIEDICOMTag {
  uint16_t Group = 0, Element = 0;
  std::string VR;  // value representation, two letters
  std::vector<uint8_t> Data;
};

class TIEDICOMTags {
public:
  // Appends a copy of Length bytes of Data (a negative length stores no data); VR is kept only
  // when it has exactly two characters. Returns the index.
  int AddTag(uint16_t Group, uint16_t Element, int Length, const void* Data, const std::string& VR);
  int Count() const { return static_cast<int>(FTags.size()); }
  const TIEDICOMTag& GetTag(int Index) const { return FTags[Index]; }
  // Index of the first tag with that group and element, -1 when none.
  int IndexOf(uint16_t Group, uint16_t Element) const;
  void Clear() { FTags.clear(); }
  void Assign(const TIEDICOMTags* Source);

private:
  std::vector<TIEDICOMTag> FTags;
};

// A maker note kept as its raw bytes (Data) plus the tag table rebuilt from them: when the bytes
// begin with a TIFF-style directory (a 16-bit count and 12-byte entries, Intel order), its
// entries are listed; otherwise the table stays empty.
struct TIETagEntry {
  uint16_t Tag = 0, Type = 0;
  uint32_t Count = 0, ValueOrOffset = 0;
};

class TIETagsHandler {
public:
  TIETagsHandler();
  ~TIETagsHandler();
  TMemoryStream* Data() { return FData.get(); }
  void Clear();
  // Rebuilds the tag table from Data; entries that do not fit the data are not listed.
  void Update();
  void Assign(TIETagsHandler* Source);
  int TagCount() const { return static_cast<int>(FTags.size()); }
  const TIETagEntry& GetTagEntry(int Index) const { return FTags[Index]; }

private:
  std::unique_ptr<TMemoryStream> FData;
  std::vector<TIETagEntry> FTags;
};

// TIFF image annotations (the marks a TIFF carries in its private annotation tag): the parsing
// and building of the tag's bytes are in ieannot.cpp.
class TIEBitmap;

// The 164-byte attribute record of one mark (little-endian in the data).
constexpr int IEAnnotAttributeSize = 164;

// One mark: its attribute record and, by kind, a point list, a text or an embedded image.
class TIEImagingObject {
public:
  TIEImagingObject();
  ~TIEImagingObject();
  TIEImagingObject(const TIEImagingObject&) = delete;
  TIEImagingObject& operator=(const TIEImagingObject&) = delete;
  // Mark type: the first int32 of the attributes (1 embedded image ... 13 recognition region).
  int32_t MarkType() const;
  uint8_t Attributes[IEAnnotAttributeSize] = {};
  std::vector<int32_t> Points;  // x, y pairs (line marks)
  std::string Text;             // text marks
  TIEBitmap* Image = nullptr;   // owned (embedded image marks)
};

class TIEImagingAnnot {
public:
  explicit TIEImagingAnnot(TIOParamsVals* Parent) : FParent(Parent) {}
  ~TIEImagingAnnot() { Clear(); }
  TIEImagingAnnot(const TIEImagingAnnot&) = delete;
  TIEImagingAnnot& operator=(const TIEImagingAnnot&) = delete;
  TIOParamsVals* Parent() const { return FParent; }
  void Clear();
  // Deep copy of every object.
  void Assign(const TIEImagingAnnot* Source);
  // Appends the objects found in the data; every item size and text is bounded by the data.
  // False when the data hold no annotation header.
  bool LoadFromStandardBuffer(const void* Data, int Length);
  // The data of the objects (empty when there are none).
  void SaveToStandardBuffer(std::vector<uint8_t>& Out) const;
  int Count() const { return static_cast<int>(FObjects.size()); }
  TIEImagingObject* Object(int Index) const { return FObjects[size_t(Index)].get(); }
  TIEImagingObject* Add();
  bool ChangedByUser = false;

private:
  TIOParamsVals* FParent;
  std::vector<std::unique_ptr<TIEImagingObject>> FObjects;
};

// Screen resolution the annotations scale their texts and images by (96 until a display says
// otherwise).
extern int32_t IEAnnotScreenDpiX, IEAnnotScreenDpiY;

// An ICC profile held as its bytes, with a cached colour transform towards a destination
// profile (lcms2 stays inside the .cpp).
class TIEBitmap;
class TStream;
class TIEICC {
public:
  TIEICC() = default;
  ~TIEICC();
  TIEICC(const TIEICC&) = delete;
  TIEICC& operator=(const TIEICC&) = delete;

  // A profile is held (its header carries the profile signature).
  bool IsValid() const;
  void Clear();
  void Assign(const TIEICC* Source);
  void LoadFromBuffer(const void* Data, int Length);
  // Loads the built-in sRGB profile.
  void LoadSRGB();
  // Writes the raw profile (RawOnly) or a 4-byte length followed by it.
  void SaveToStream(TStream* Stream, bool RawOnly);

  // Converts Count pixels of kind SourceKind (iecolor.h kinds) from this profile into Dest's
  // profile as DestKind; the transform is built once and reused. False when it cannot be made.
  bool Transform(const void* Source, int SourceKind, void* Target, int DestKind, int Count, TIEICC* Dest);
  bool HasTransform() const { return FTransform != nullptr; }
  // Deletes the transform and records that the profile has been applied to the pixels.
  void FreeTransform();
  // Converts a 24-bit bitmap in place from this profile to Dest's; records that it was applied.
  bool TransformBitmap(TIEBitmap* Bitmap, TIEICC* Dest);

  std::vector<uint8_t> Raw;
  bool Applied = false;

private:
  void* FTransform = nullptr;
  const TIEICC* FTransformDest = nullptr;
  int FTransformKinds = -1;
};
