// XMP packets in JPEG APP1 markers: the 29-byte identifier (a 28-character namespace and a zero
// byte) followed by the packet.
#pragma once

#include <cstdint>
#include <vector>

class TIOParamsVals;

// The packet start when the data (at least 30 bytes) begin with the identifier, else nil.
const uint8_t* IECheckXMPMarker(const void* Data, int Length);
// XMP_Info takes the packet; true when one was found.
bool IELoadXMPFromMarker(const void* Data, int Length, TIOParamsVals* Params);
// The identifier followed by XMP_Info.
void IESaveXMPToMarker(TIOParamsVals* Params, std::vector<uint8_t>& Buffer);
