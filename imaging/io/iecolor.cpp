// Colour-conversion routine of the codecs.
#include "imaging/io/iecolor.h"

#include "imaging/core/iecmykprofile.h"
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

}  // namespace

void IEDefaultConvertColor(const void* Source, int SK, void* Dest, TIOParamsVals* P, int Count, int DK) {
  if (Source == nullptr || Dest == nullptr || Count <= 0) return;
  if (ConvertThroughICC(Source, SK, Dest, P, Count, DK)) return;
  IEConvertColorRow(Source, SK, Dest, Count, DK);
}
