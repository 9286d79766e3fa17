// TObject's own class reference, object destruction and the class registry.
#include "platform/rtl/object.h"

#include <map>
#include <mutex>

#include "platform/rtl/handletable.h"
#include "platform/rtl/sysutils.h"

TClass TObject::StaticClass() {
  static const TClassInfo info{"TObject", nullptr, orv_detail::FactoryFor<TObject>()};
  return &info;
}

TObject::~TObject() {
  if (FHandle) THandleTable::Release(this);
}

bool TObject::ClassNameIs(const std::string& Name) const { return SameText(ClassName(), Name); }

void TObject::ThrowInvalidCast() { throw EInvalidCast("Invalid class typecast"); }

ORV_CLASS_IMPL(TPendingInstance, TObject)

TObject* TPendingInstance::Construct(TComponent* Owner) const {
  if (!FClass || !FClass->Factory)
    throw EAbstractError(std::string("Cannot create an instance of the abstract class ") +
                         (FClass ? FClass->Name : "nil"));
  return FClass->Factory(Owner);
}

namespace {
struct TClassRegistry {
  std::mutex Lock;
  std::map<std::string, TClass> Classes;  // key: upper-case name
};
TClassRegistry& Registry() {
  static TClassRegistry* r = new TClassRegistry;  // kept alive for registrations in static destructors
  return *r;
}
}  // namespace

void RegisterClass(TClass AClass) {
  if (!AClass) return;
  TClassRegistry& r = Registry();
  std::lock_guard<std::mutex> g(r.Lock);
  auto [it, inserted] = r.Classes.emplace(UpperCase(AClass->Name), AClass);
  if (!inserted && it->second != AClass)
    throw EFilerError(std::string("A class named ") + AClass->Name + " already exists");
}

void RegisterClasses(std::initializer_list<TClass> Classes) {
  for (TClass c : Classes) RegisterClass(c);
}

void UnRegisterClass(TClass AClass) {
  if (!AClass) return;
  TClassRegistry& r = Registry();
  std::lock_guard<std::mutex> g(r.Lock);
  auto it = r.Classes.find(UpperCase(AClass->Name));
  if (it != r.Classes.end() && it->second == AClass) r.Classes.erase(it);
}

TClass GetClass(const std::string& ClassName) {
  TClassRegistry& r = Registry();
  std::lock_guard<std::mutex> g(r.Lock);
  auto it = r.Classes.find(UpperCase(ClassName));
  return it == r.Classes.end() ? nullptr : it->second;
}

TClass FindClass(const std::string& ClassName) {
  TClass c = GetClass(ClassName);
  if (!c) throw EClassNotFound("Class " + ClassName + " not found");
  return c;
}
