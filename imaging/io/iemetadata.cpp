// DICOM tag list, maker-note tag table, annotations and ICC profile holders.
#include "imaging/io/iemetadata.h"

#include <lcms2.h>

#include <cstring>

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
  uint32_t count = d[0] | (d[1] << 8);
  for (uint32_t i = 0; i < count; ++i) {
    int64_t p = 2 + int64_t(i) * 12;
    if (p + 12 > n) break;
    TIETagEntry e;
    e.Tag = uint16_t(d[p] | (d[p + 1] << 8));
    e.Type = uint16_t(d[p + 2] | (d[p + 3] << 8));
    e.Count = uint32_t(d[p + 4]) | (uint32_t(d[p + 5]) << 8) | (uint32_t(d[p + 6]) << 16) | (uint32_t(d[p + 7]) << 24);
    e.ValueOrOffset =
        uint32_t(d[p + 8]) | (uint32_t(d[p + 9]) << 8) | (uint32_t(d[p + 10]) << 16) | (uint32_t(d[p + 11]) << 24);
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

bool TIEImagingAnnot::LoadFromStandardBuffer(const void* Data, int Length) {
  Buffer.clear();
  if (Data == nullptr || Length <= 0) return false;
  const auto* p = static_cast<const uint8_t*>(Data);
  Buffer.assign(p, p + Length);
  return true;
}

void TIEICC::LoadFromBuffer(const void* Data, int Length) {
  Raw.clear();
  if (Data == nullptr || Length <= 0) return;
  const auto* p = static_cast<const uint8_t*>(Data);
  Raw.assign(p, p + Length);
}

void TIEICC::LoadSRGB() {
  Raw.clear();
  cmsHPROFILE h = cmsCreate_sRGBProfile();
  if (h == nullptr) return;
  cmsUInt32Number size = 0;
  if (cmsSaveProfileToMem(h, nullptr, &size) && size > 0) {
    Raw.resize(size);
    if (!cmsSaveProfileToMem(h, Raw.data(), &size)) Raw.clear();
  }
  cmsCloseProfile(h);
}
