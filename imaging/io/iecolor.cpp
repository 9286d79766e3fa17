// Colour-conversion routine of the codecs.
#include "imaging/io/iecolor.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/iedefs.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"

TIEConvertColorFunction IEConvertColorFunction = &IEDefaultConvertColor;
bool IECMYKThroughICC = true;

namespace {

// The ICC route: true when the row was converted.
bool ConvertThroughICC(const void* Src, int SK, void* Dst, TIOParamsVals* P, int Count, int DK) {
  if (!IEColorManagement || P == nullptr) return false;
  TIEICC* in = P->InputICCProfileOrNil();
  TIEICC* def = P->DefaultICCProfileOrNil();
  TIEICC* chosen = (def == nullptr || (in != nullptr && in->IsValid())) ? in : def;
  if (chosen == nullptr || chosen->Applied || chosen->Raw.empty()) return false;
  TIEICC* out = P->GetOutputICCProfile();
  if (out->Raw.empty()) return false;
  return chosen->Transform(Src, SK, Dst, DK, Count, out);
}

uint8_t Clamp(double v) { return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); }

}  // namespace

void IEDefaultConvertColor(const void* Source, int SK, void* Dest, TIOParamsVals* P, int Count, int DK) {
  if (Source == nullptr || Dest == nullptr || Count <= 0) return;
  if (ConvertThroughICC(Source, SK, Dest, P, Count, DK)) return;
  const auto* s = static_cast<const uint8_t*>(Source);
  auto* d = static_cast<uint8_t*>(Dest);
  auto* px = reinterpret_cast<TIERGBPixel*>(d);
  const auto* spx = reinterpret_cast<const TIERGBPixel*>(s);
  if (DK == 1) {
    switch (SK) {
      case 0:
        for (int i = 0; i < Count; ++i) px[i] = {s[i * 3 + 2], s[i * 3 + 1], s[i * 3]};
        return;
      case 1: std::memmove(d, s, size_t(Count) * 3); return;
      case 2:
        for (int i = 0; i < Count; ++i) px[i] = IECMYK2RGB({s[i * 4], s[i * 4 + 1], s[i * 4 + 2], s[i * 4 + 3]});
        return;
      case 4:
        for (int i = 0; i < Count; ++i)
          px[i] = IECIELabToRGB({s[i * 3], int8_t(s[i * 3 + 1]), int8_t(s[i * 3 + 2])});
        return;
      case 6:  // high byte of each little-endian word
        for (int i = 0; i < Count; ++i) px[i] = {s[i * 6 + 5], s[i * 6 + 3], s[i * 6 + 1]};
        return;
      case 7:  // first byte of each big-endian word
        for (int i = 0; i < Count; ++i) px[i] = {s[i * 6 + 4], s[i * 6 + 2], s[i * 6]};
        return;
      case 8:
        for (int i = 0; i < Count; ++i) {
          const double y = s[i * 3], cb = s[i * 3 + 1] - 128.0, cr = s[i * 3 + 2] - 128.0;
          px[i] = {Clamp(y + 1.772 * cb), Clamp(y - 0.344136 * cb - 0.714136 * cr), Clamp(y + 1.402 * cr)};
        }
        return;
      default: return;
    }
  }
  if (SK != 1) return;
  switch (DK) {
    case 2:
      for (int i = 0; i < Count; ++i) {
        TIECMYK c = IERGB2CMYK(spx[i]);
        std::memcpy(d + i * 4, &c, 4);
      }
      return;
    case 4:
      for (int i = 0; i < Count; ++i) {
        TIECIELabPixel l = IERGBToCIELab(spx[i]);
        std::memcpy(d + i * 3, &l, 3);
      }
      return;
    case 5:
      for (int i = 0; i < Count; ++i)
        d[i] = static_cast<uint8_t>((spx[i].r * IEGrayWeightRed + spx[i].g * IEGrayWeightGreen + spx[i].b * IEGrayWeightBlue) / 100);
      return;
    default: return;
  }
}
