// JPEG marker list and IPTC record list.
#include "imaging/io/iemarkers.h"

#include <cstring>

#include "imaging/core/iestreams.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/ieexif.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

// ---------------------------------------------------------------- TIEMarkerList

TIEMarkerList::TIEMarkerList() = default;
TIEMarkerList::~TIEMarkerList() = default;

static std::unique_ptr<TMemoryStream> CopyToStream(const void* Data, int Length) {
  auto s = std::make_unique<TMemoryStream>();
  if (Data != nullptr && Length > 0) s->WriteBuffer(Data, Length);
  s->SetPosition(0);
  return s;
}

static void CheckMarkerLength(int Length) {
  if (Length < 0 || Length > TIEMarkerList::MaxMarkerData)
    throw EIEException(Format("JPEG marker too long (%d bytes, at most %d)", {Length, TIEMarkerList::MaxMarkerData}));
}

const uint8_t* TIEMarkerList::GetMarkerData(int Index) const {
  return static_cast<const uint8_t*>(FData[Index]->Memory());
}

int TIEMarkerList::GetMarkerLength(int Index) const { return static_cast<int>(FData[Index]->Size()); }

int TIEMarkerList::IndexOf(uint8_t MarkerType) const {
  for (size_t i = 0; i < FTypes.size(); ++i)
    if (FTypes[i] == MarkerType) return static_cast<int>(i);
  return -1;
}

int TIEMarkerList::AddMarker(uint8_t MarkerType, const void* Data, int Length) {
  CheckMarkerLength(Length);
  FData.push_back(CopyToStream(Data, Length));
  FTypes.push_back(MarkerType);
  return GetCount() - 1;
}

void TIEMarkerList::SetMarker(int Index, uint8_t MarkerType, int Length, const void* Data) {
  CheckMarkerLength(Length);
  FData[Index] = CopyToStream(Data, Length);
  FTypes[Index] = MarkerType;
}

void TIEMarkerList::Clear() {
  FTypes.clear();
  FData.clear();
}

void TIEMarkerList::DeleteMarker(int Index) {
  FTypes.erase(FTypes.begin() + Index);
  FData.erase(FData.begin() + Index);
}

void TIEMarkerList::Assign(const TIEMarkerList* Source) {
  if (Source == nullptr || Source == this) return;
  Clear();
  for (int i = 0; i < Source->GetCount(); ++i)
    AddMarker(Source->GetMarkerType(i), Source->GetMarkerData(i), Source->GetMarkerLength(i));
}

static bool IsICCChunk(const uint8_t* d, int len) {
  return len > 13 && std::memcmp(d, "ICC_PROFILE", 12) == 0;
}

int TIEMarkerList::CompareMarkers(int I, int J) const {
  int r = static_cast<int>(FTypes[I]) - static_cast<int>(FTypes[J]);
  if (FTypes[I] == 0xE2 && FTypes[J] == 0xE2 && IsICCChunk(GetMarkerData(I), GetMarkerLength(I)) &&
      IsICCChunk(GetMarkerData(J), GetMarkerLength(J)))
    r = static_cast<int>(GetMarkerData(I)[12]) - static_cast<int>(GetMarkerData(J)[12]);
  return r;
}

void TIEMarkerList::ExchangeMarkers(int I, int J) {
  std::swap(FTypes[I], FTypes[J]);
  std::swap(FData[I], FData[J]);
}

void TIEMarkerList::SortMarkers() {
  // Insertion sort through CompareMarkers / ExchangeMarkers (lists hold a handful of markers).
  for (int i = 1; i < GetCount(); ++i)
    for (int j = i; j > 0 && CompareMarkers(j - 1, j) > 0; --j) ExchangeMarkers(j - 1, j);
  int first = IndexOf(0xE1);
  if (first < 0) return;
  for (int i = first + 1; i < GetCount(); ++i)
    if (FTypes[i] == 0xE1 && IEIsEXIFMarker(GetMarkerData(i), GetMarkerLength(i))) ExchangeMarkers(first, i);
}

// ---------------------------------------------------------------- TIEIPTCInfoList

int TIEIPTCInfoList::AddBufferItem(int32_t Record, int32_t DataSet, int32_t Length, const void* Data) {
  if (Length < 0) Length = 0;
  FItems.push_back({Record, DataSet, Length});
  const auto* p = static_cast<const uint8_t*>(Data);
  FData.emplace_back(p != nullptr ? std::vector<uint8_t>(p, p + Length) : std::vector<uint8_t>(Length, 0));
  ChangedByUser = true;
  return GetCount() - 1;
}

int TIEIPTCInfoList::IndexOf(int32_t Record, int32_t DataSet) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Record == Record && FItems[i].DataSet == DataSet) return static_cast<int>(i);
  return -1;
}

void TIEIPTCInfoList::Clear() {
  FItems.clear();
  FData.clear();
  ChangedByUser = true;
}

void TIEIPTCInfoList::Assign(const TIEIPTCInfoList* Source) {
  if (Source == nullptr || Source == this) return;
  FItems = Source->FItems;
  FData = Source->FData;
  ChangedByUser = true;
}

void TIEIPTCInfoList::SaveToStandardBuffer(std::vector<uint8_t>& Buffer, bool Wrap) const {
  Buffer.clear();
  if (FItems.empty()) return;
  if (Wrap) {
    static const uint8_t head[26] = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0,
                                     '8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 0};
    Buffer.assign(head, head + 26);
  } else {
    static const uint8_t ver[7] = {0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02};
    Buffer.assign(ver, ver + 7);
  }
  uint32_t resSize = 0;
  for (size_t i = 0; i < FItems.size(); ++i) {
    const TIEIPTCRecord& r = FItems[i];
    if ((r.Record == 2 && r.DataSet == 0) || r.Length == 0) continue;
    Buffer.push_back(0x1C);
    Buffer.push_back(static_cast<uint8_t>(r.Record));
    Buffer.push_back(static_cast<uint8_t>(r.DataSet));
    uint32_t len = static_cast<uint32_t>(r.Length);
    if (len < 0x8000) {
      Buffer.push_back(static_cast<uint8_t>(len >> 8));
      Buffer.push_back(static_cast<uint8_t>(len));
      resSize += 5;
    } else {
      const uint8_t ext[6] = {0x80, 0x04, uint8_t(len >> 24), uint8_t(len >> 16), uint8_t(len >> 8), uint8_t(len)};
      Buffer.insert(Buffer.end(), ext, ext + 6);
      resSize += 9;
    }
    Buffer.insert(Buffer.end(), FData[i].begin(), FData[i].end());
    resSize += len;
  }
  if (Buffer.size() % 2 != 0) Buffer.push_back(0);
  if (Wrap) {
    Buffer[22] = uint8_t(resSize >> 24);
    Buffer[23] = uint8_t(resSize >> 16);
    Buffer[24] = uint8_t(resSize >> 8);
    Buffer[25] = uint8_t(resSize);
  }
}

bool TIEIPTCInfoList::LoadFromStandardBuffer(const void* Data, int Length) {
  FItems.clear();
  FData.clear();
  ChangedByUser = false;
  if (Data == nullptr || Length <= 0) return false;
  const auto* b = static_cast<const uint8_t*>(Data);
  const int64_t n = Length;
  int64_t pos = 0;
  if (n >= 13 && std::memcmp(b, "Photoshop 3.0", 13) == 0) {
    pos = n;
    for (int64_t i = 13; i + 6 <= n; ++i)
      if (std::memcmp(b + i, "8BIM\x04\x04", 6) == 0) {
        pos = i + 6;
        break;
      }
    // Resources other than 0x0404 hold no IPTC records.
    if (pos >= n) return false;
  }
  while (pos < n && b[pos] != 0x1C) ++pos;
  while (pos + 1 < n && b[pos + 1] == 0x1C) ++pos;
  while (pos < n && b[pos] == 0x1C && pos + 5 < n) {
    int32_t rec = b[pos + 1], ds = b[pos + 2];
    int64_t len, dataStart;
    if (b[pos + 3] & 0x80) {
      if (pos + 9 > n) break;
      uint32_t v = IEBE32(b + pos + 5);
      len = static_cast<int32_t>(v);
      dataStart = pos + 9;
    } else {
      len = IEBE16(b + pos + 3);
      dataStart = pos + 5;
    }
    if (len < 0) len = -len;
    if (dataStart + len > n) break;
    FItems.push_back({rec, ds, static_cast<int32_t>(len)});
    FData.emplace_back(b + dataStart, b + dataStart + len);
    pos = dataStart + len;
  }
  ChangedByUser = false;
  return !FItems.empty();
}
