// XMP packets in JPEG APP1 markers.
#include "imaging/io/iexmp.h"

#include <cstring>

#include "imaging/io/ieparams.h"

static const char XMPIdentifier[] = "http://ns.adobe.com/xap/1.0/";  // 28 characters and the zero

const uint8_t* IECheckXMPMarker(const void* Data, int Length) {
  if (Data == nullptr || Length < 30) return nullptr;
  const auto* d = static_cast<const uint8_t*>(Data);
  if (std::memcmp(d, XMPIdentifier, 24) != 0) return nullptr;
  const void* z = std::memchr(d, 0, static_cast<size_t>(Length));
  if (z == nullptr) return nullptr;  // no terminator: no packet start inside the data
  return static_cast<const uint8_t*>(z) + 1;
}

bool IELoadXMPFromMarker(const void* Data, int Length, TIOParamsVals* P) {
  const uint8_t* start = IECheckXMPMarker(Data, Length);
  if (start == nullptr || P == nullptr) return false;
  const auto* end = static_cast<const uint8_t*>(Data) + Length;
  P->XMP_Info.assign(reinterpret_cast<const char*>(start), static_cast<size_t>(end - start));
  return true;
}

void IESaveXMPToMarker(TIOParamsVals* P, std::vector<uint8_t>& Buffer) {
  Buffer.assign(XMPIdentifier, XMPIdentifier + sizeof XMPIdentifier);
  Buffer.insert(Buffer.end(), P->XMP_Info.begin(), P->XMP_Info.end());
}
