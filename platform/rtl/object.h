// TObject, class references and the class registry.
//
// Every class that scripts, the report format, the object inspector or form streaming can see is
// a TObject descendant declared with ORV_CLASS / ORV_CLASS_IMPL. The class reference (TClass) is a
// pointer to one static TClassInfo per class: it carries the class name, the parent class, a
// virtual constructor and the class's published properties (see typinfo.h).
#pragma once

#include <string>
#include <type_traits>

class TObject;
class TComponent;
struct TClassInfo;
using TClass = const TClassInfo*;

// Virtual constructor: builds an instance of the class; Owner is used by TComponent descendants
// and ignored by other classes. Null for abstract classes.
using TObjectFactory = TObject* (*)(TComponent* Owner);

struct TClassInfo {
  const char* Name;
  TClass Parent;
  TObjectFactory Factory;

  bool InheritsFrom(TClass other) const {
    for (TClass c = this; c; c = c->Parent)
      if (c == other) return true;
    return false;
  }
};

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  std::string ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(TClass c) const { return ClassType()->InheritsFrom(c); }
  template <class T> bool Is() const { return InheritsFrom(T::StaticClass()); }
};

namespace orv_detail {
template <class T> TObject* CreateInstance(TComponent* owner) {
  if constexpr (std::is_abstract_v<T>) {
    (void)owner;
    return nullptr;
  } else if constexpr (std::is_constructible_v<T, TComponent*>) {
    return new T(owner);
  } else if constexpr (std::is_default_constructible_v<T>) {
    (void)owner;
    return new T();
  } else {
    (void)owner;
    return nullptr;
  }
}
template <class T> constexpr TObjectFactory FactoryFor() {
  if constexpr (std::is_abstract_v<T> ||
                !(std::is_constructible_v<T, TComponent*> || std::is_default_constructible_v<T>))
    return nullptr;
  else
    return &CreateInstance<T>;
}
}  // namespace orv_detail

// In the class body: ORV_CLASS(TMyClass, TParent)
#define ORV_CLASS(Type, Parent)                                 \
public:                                                         \
  using inherited = Parent;                                     \
  static TClass StaticClass();                                  \
  TClass ClassType() const override { return StaticClass(); }   \
                                                                \
private:

// In one .cpp file: ORV_CLASS_IMPL(TMyClass, TParent)
#define ORV_CLASS_IMPL(Type, Parent)                                                  \
  TClass Type::StaticClass() {                                                        \
    static const TClassInfo info{#Type, Parent::StaticClass(),                        \
                                 orv_detail::FactoryFor<Type>()};                     \
    return &info;                                                                     \
  }
