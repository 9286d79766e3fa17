// TObject's own class reference: the root of every class chain.
#include "platform/rtl/object.h"

TClass TObject::StaticClass() {
  static const TClassInfo info{"TObject", nullptr, orv_detail::FactoryFor<TObject>()};
  return &info;
}
