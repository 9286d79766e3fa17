// TPersistent: assignment protocol and name paths.
#include "platform/rtl/persistent.h"

#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TPersistent, TObject)
ORV_CLASS_IMPL(TOwnedPersistent, TPersistent)

void TPersistent::Assign(TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  std::string from = Source ? Source->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + from + " to a " + ClassName());
}

void TPersistent::DefineProperties(TFiler* Filer) { (void)Filer; }

std::string TPersistent::GetNamePath() const {
  TPersistent* owner = GetOwner();
  std::string path = owner ? owner->GetNamePath() : std::string();
  if (!path.empty()) path += ".";
  return path + ClassName();
}
