// DICOM tag list, maker-note tag table, annotations and ICC profile holders.
#include "imaging/io/iemetadata.h"

#include <lcms2.h>

#include <cstring>

#include "imaging/core/iebitmap.h"
#include "imaging/io/iebytes.h"
#include "platform/rtl/streams.h"

int TIEDICOMTags::AddTag(uint16_t Group, uint16_t Element, int Length, const void* Data, const std::string& VR) {
  TIEDICOMTag t;
  t.Group = Group;
  t.Element = Element;
  if (VR.size() == 2) t.VR = VR;
  if (Data != nullptr && Length > 0) {
    const auto* p = static_cast<const uint8_t*>(Data);
    t.Data.assign(p, p + Length);
  }
  FTags.push_back(std::move(t));
  return Count() - 1;
}

int TIEDICOMTags::IndexOf(uint16_t Group, uint16_t Element) const {
  for (size_t i = 0; i < FTags.size(); ++i)
    if (FTags[i].Group == Group && FTags[i].Element == Element) return static_cast<int>(i);
  return -1;
}

void TIEDICOMTags::Assign(const TIEDICOMTags* Source) {
  if (Source != nullptr && Source != this) FTags = Source->FTags;
}

TIETagsHandler::TIETagsHandler() : FData(std::make_unique<TMemoryStream>()) {}
TIETagsHandler::~TIETagsHandler() = default;

void TIETagsHandler::Clear() {
  FData->Clear();
  FTags.clear();
}

void TIETagsHandler::Update() {
  FTags.clear();
  const auto* d = static_cast<const uint8_t*>(FData->Memory());
  int64_t n = FData->Size();
  if (d == nullptr || n < 2) return;
  uint32_t count = IELE16(d);
  for (uint32_t i = 0; i < count; ++i) {
    int64_t p = 2 + int64_t(i) * 12;
    if (p + 12 > n) break;
    TIETagEntry e;
    e.Tag = IELE16(d + p);
    e.Type = IELE16(d + p + 2);
    e.Count = IELE32(d + p + 4);
    e.ValueOrOffset = IELE32(d + p + 8);
    if (e.Type == 0 || e.Type > 13) break;  // not a directory entry: the note is not a tag table
    FTags.push_back(e);
  }
}

void TIETagsHandler::Assign(TIETagsHandler* Source) {
  if (Source == nullptr || Source == this) return;
  FData->Clear();
  if (Source->FData->Size() > 0) FData->WriteBuffer(Source->FData->Memory(), Source->FData->Size());
  FData->SetPosition(0);
  Update();
}

TIEICC::~TIEICC() { FreeTransform(); }

// A profile header (128 bytes, the signature "acsp" at 36) and a tag count: cheap enough for the
// per-row checks of the colour route; a profile the engine then cannot open fails its transform.
bool TIEICC::IsValid() const { return Raw.size() >= 132 && std::memcmp(Raw.data() + 36, "acsp", 4) == 0; }

void TIEICC::Clear() {
  FreeTransform();
  Raw.clear();
  Applied = false;
}

void TIEICC::Assign(const TIEICC* Source) {
  if (Source == this) return;
  Clear();
  if (Source != nullptr) {
    Raw = Source->Raw;
    Applied = Source->Applied;
  }
}

void TIEICC::LoadFromBuffer(const void* Data, int Length) {
  Clear();
  if (Data == nullptr || Length <= 0) return;
  const auto* p = static_cast<const uint8_t*>(Data);
  Raw.assign(p, p + Length);
}

void TIEICC::LoadSRGB() {
  Clear();
  cmsHPROFILE h = cmsCreate_sRGBProfile();
  if (h == nullptr) return;
  cmsUInt32Number size = 0;
  if (cmsSaveProfileToMem(h, nullptr, &size) && size > 0) {
    Raw.resize(size);
    if (!cmsSaveProfileToMem(h, Raw.data(), &size)) Raw.clear();
  }
  cmsCloseProfile(h);
}

void TIEICC::SaveToStream(TStream* Stream, bool RawOnly) {
  if (!RawOnly) {
    const int32_t n = static_cast<int32_t>(Raw.size());
    Stream->WriteBuffer(&n, 4);
  }
  if (!Raw.empty()) Stream->WriteBuffer(Raw.data(), static_cast<int64_t>(Raw.size()));
}

static uint32_t LcmsFormatOf(int Kind) {
  switch (Kind) {
    case 0: return TYPE_RGB_8;
    case 1: return TYPE_BGR_8;
    case 2: return TYPE_CMYK_8_REV;
    case 4: return TYPE_Lab_8;
    case 5: return TYPE_GRAY_8;
    case 6: return TYPE_RGB_16;
    case 7: return TYPE_RGB_16_SE;
    default: return 0;
  }
}

void TIEICC::FreeTransform() {
  if (FTransform != nullptr) {
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(FTransform));
    Applied = true;
  }
  FTransform = nullptr;
  FTransformDest = nullptr;
  FTransformKinds = -1;
}

bool TIEICC::Transform(const void* Source, int SourceKind, void* Target, int DestKind, int Count, TIEICC* Dest) {
  if (Dest == nullptr || Count <= 0) return false;
  const uint32_t fi = LcmsFormatOf(SourceKind), fo = LcmsFormatOf(DestKind);
  if (fi == 0 || fo == 0 || Raw.empty() || Dest->Raw.empty()) return false;
  const int kinds = SourceKind * 16 + DestKind;
  if (FTransform == nullptr || FTransformDest != Dest || FTransformKinds != kinds) {
    if (FTransform != nullptr) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(FTransform));
    FTransform = nullptr;
    cmsHPROFILE hi = cmsOpenProfileFromMem(Raw.data(), static_cast<cmsUInt32Number>(Raw.size()));
    cmsHPROFILE ho = cmsOpenProfileFromMem(Dest->Raw.data(), static_cast<cmsUInt32Number>(Dest->Raw.size()));
    if (hi != nullptr && ho != nullptr) FTransform = cmsCreateTransform(hi, fi, ho, fo, INTENT_PERCEPTUAL, 0);
    if (hi != nullptr) cmsCloseProfile(hi);
    if (ho != nullptr) cmsCloseProfile(ho);
    if (FTransform == nullptr) return false;
    FTransformDest = Dest;
    FTransformKinds = kinds;
  }
  cmsDoTransform(static_cast<cmsHTRANSFORM>(FTransform), Source, Target, static_cast<cmsUInt32Number>(Count));
  return true;
}

bool TIEICC::TransformBitmap(TIEBitmap* Bitmap, TIEICC* Dest) {
  if (Bitmap == nullptr || Bitmap->PixelFormat() != ie24RGB) return false;
  std::vector<uint8_t> row(static_cast<size_t>(Bitmap->Width()) * 3);
  for (int y = 0; y < Bitmap->Height(); ++y) {
    if (!Transform(Bitmap->Scanline(y), 1, row.data(), 1, Bitmap->Width(), Dest)) return false;
    std::memcpy(Bitmap->Scanline(y), row.data(), row.size());
  }
  FreeTransform();
  return true;
}
