// Metadata containers that let a file's metadata survive a load and a save: the JPEG marker list
// (APPn and comment markers kept as raw data, re-emitted by the JPEG writer after SortMarkers) and
// the IPTC record list (read from and written to APP13 Photoshop blocks or raw IPTC blocks).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TMemoryStream;

class TIEMarkerList {
public:
  TIEMarkerList();
  ~TIEMarkerList();
  TIEMarkerList(const TIEMarkerList&) = delete;
  TIEMarkerList& operator=(const TIEMarkerList&) = delete;

  int GetCount() const { return static_cast<int>(FTypes.size()); }
  // The marker's data bytes (after the 2-byte length field); nil for an empty marker.
  const uint8_t* GetMarkerData(int Index) const;
  uint8_t GetMarkerType(int Index) const { return FTypes[Index]; }
  int GetMarkerLength(int Index) const;
  // First marker of that type, -1 when none.
  int IndexOf(uint8_t MarkerType) const;
  // Appends a copy. A marker's data must fit the 16-bit length field of a JPEG marker
  // (at most 65533 bytes): a longer one raises EIEException and the list is unchanged.
  int AddMarker(uint8_t MarkerType, const void* Data, int Length);
  void SetMarker(int Index, uint8_t MarkerType, int Length, const void* Data);
  void Clear();
  void DeleteMarker(int Index);
  void Assign(const TIEMarkerList* Source);
  int CompareMarkers(int I, int J) const;
  void ExchangeMarkers(int I, int J);
  // Sorts by marker type (ICC_PROFILE chunks by sequence number), then makes the EXIF APP1 the
  // first APP1.
  void SortMarkers();

  // Largest data a marker can carry: 65535 minus the 2 bytes of the length field itself.
  static constexpr int MaxMarkerData = 65533;

private:
  std::vector<uint8_t> FTypes;
  std::vector<std::unique_ptr<TMemoryStream>> FData;
};

struct TIEIPTCRecord {
  int32_t Record = 0, DataSet = 0, Length = 0;
};

class TIEIPTCInfoList {
public:
  TIEIPTCInfoList() = default;
  ~TIEIPTCInfoList() = default;
  TIEIPTCInfoList(const TIEIPTCInfoList&) = delete;
  TIEIPTCInfoList& operator=(const TIEIPTCInfoList&) = delete;

  int GetCount() const { return static_cast<int>(FItems.size()); }
  const TIEIPTCRecord& GetItem(int Index) const { return FItems[Index]; }
  const uint8_t* GetItemData(int Index) const { return FData[Index].data(); }
  // Appends a copy; sets the changed flag. Returns the index.
  int AddBufferItem(int32_t Record, int32_t DataSet, int32_t Length, const void* Data);
  // First record with that record and dataset number, -1 when none.
  int IndexOf(int32_t Record, int32_t DataSet) const;
  void Clear();
  void Assign(const TIEIPTCInfoList* Source);
  // Builds a block (with the 26-byte APP13 wrapper when Wrap). Buffer gets the block (empty when
  // there are no records).
  void SaveToStandardBuffer(std::vector<uint8_t>& Buffer, bool Wrap) const;
  // Parses an APP13 Photoshop block or a raw IPTC block; reads never pass Length.
  bool LoadFromStandardBuffer(const void* Buffer, int Length);

  bool ChangedByUser = false;

private:
  std::vector<TIEIPTCRecord> FItems;
  std::vector<std::vector<uint8_t>> FData;
};
