// TObject, class references and the class registry.
//
// Every class that scripts, the report format, the object inspector or form streaming can see is
// a TObject descendant declared with ORV_CLASS / ORV_CLASS_IMPL. The class reference (TClass) is a
// pointer to one static TClassInfo per class: it carries the class name, the parent class, a
// virtual constructor and the hook that publishes the class's properties (see typinfo.h).
//
// Publishing properties: a class that has published properties declares, in its public part,
//     static void Publish(TPublisher<TMyClass>& P);
// and defines it in its .cpp (including typinfo.h), one line per property:
//     void TMyClass::Publish(TPublisher<TMyClass>& P) {
//       P.Prop("Width", &TMyClass::Width, &TMyClass::SetWidth).Default(100);
//     }
// ORV_CLASS_IMPL finds the function on its own (keep both in the same .cpp, which includes
// typinfo.h); the list is built the first time it is asked.
//
// Enumerations that scripts and files name by value name declare their type information next to
// the enum with ORV_ENUM_TYPEINFO(TAlignment, taLeftJustify, taRightJustify, taCenter) (values
// 0..n-1 in that order), or declare enum and information at once with ORV_ENUM.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>

class TObject;
class TComponent;
struct TClassInfo;
using TClass = const TClassInfo*;

struct TTypeInfo;
using PTypeInfo = const TTypeInfo*;
class TPropListBuilder;
template <class T> class TPublisher;

// Virtual constructor: builds an instance of the class; Owner is used by TComponent descendants
// and ignored by other classes. Null for abstract classes.
using TObjectFactory = TObject* (*)(TComponent* Owner);
// Adds the class's own published properties to the list being built (see typinfo.h).
using TPublishFunc = void (*)(TPropListBuilder& Builder);

struct TClassInfo {
  const char* Name;
  TClass Parent;
  TObjectFactory Factory;
  TPublishFunc Publish = nullptr;

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
  // Drops the object's handle from the handle table (see handletable.h), if it ever got one.
  virtual ~TObject();

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  std::string ClassName() const { return ClassType()->Name; }
  // Case-insensitive comparison with the class's own name.
  bool ClassNameIs(const std::string& Name) const;
  TClass ClassParent() const { return ClassType()->Parent; }
  bool InheritsFrom(TClass c) const { return ClassType()->InheritsFrom(c); }
  template <class T> bool Is() const { return InheritsFrom(T::StaticClass()); }
  // Checked cast: EInvalidCast "Invalid class typecast" when the object is not a T. Null stays
  // null.
  template <class T> T* As() {
    if (!Is<T>()) ThrowInvalidCast();
    return static_cast<T*>(this);
  }

private:
  [[noreturn]] static void ThrowInvalidCast();
  friend class THandleTable;
  uint32_t FHandle = 0;  // this object's value in the handle table, 0 when it has none
};

// Checked cast of a possibly null pointer (null stays null).
template <class T> T* ObjectAs(TObject* Obj) { return Obj ? Obj->As<T>() : nullptr; }

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
// Grants the runtime access to a class's Publish function wherever it is declared.
struct ClassAccess {
  template <class T> static constexpr bool HasOwnPublish() {
    return requires { static_cast<void (*)(TPublisher<T>&)>(&T::Publish); };
  }
  // Defined in typinfo.h; instantiated only for classes that have their own Publish, whose .cpp
  // includes typinfo.h to write it.
  template <class T> static void RunPublish(TPropListBuilder& Builder);
};
template <class T> constexpr TPublishFunc PublishFor() {
  if constexpr (ClassAccess::HasOwnPublish<T>())
    return &ClassAccess::RunPublish<T>;
  else
    return nullptr;
}
}  // namespace orv_detail

// In the class body: ORV_CLASS(TMyClass, TParent)
#define ORV_CLASS(Type, Parent)                                 \
public:                                                         \
  using inherited = Parent;                                     \
  static TClass StaticClass();                                  \
  TClass ClassType() const override { return StaticClass(); }   \
  friend struct orv_detail::ClassAccess;                        \
                                                                \
private:

// In one .cpp file: ORV_CLASS_IMPL(TMyClass, TParent)
#define ORV_CLASS_IMPL(Type, Parent)                                                  \
  TClass Type::StaticClass() {                                                        \
    static const TClassInfo info{#Type, Parent::StaticClass(),                        \
                                 orv_detail::FactoryFor<Type>(),                      \
                                 orv_detail::PublishFor<Type>()};                     \
    return &info;                                                                     \
  }

// Stands for an instance of a class whose constructor has not run yet. Scripts first take "an
// instance" of a class and then call a constructor on it; here the script engine holds a
// pending instance (through its handle) and, when the constructor is called, builds the real
// object with Construct (or a constructor of its own choosing) and uses that from then on.
class TPendingInstance : public TObject {
  ORV_CLASS(TPendingInstance, TObject)
public:
  explicit TPendingInstance(TClass AClass) : FClass(AClass) {}
  TClass InstanceClass() const { return FClass; }
  // The class's virtual constructor with Owner; EAbstractError "Cannot create an instance of
  // the abstract class %s" when the class has none.
  TObject* Construct(TComponent* Owner = nullptr) const;

private:
  TClass FClass;
};

// ---- Class registry (the names report files and scripts use to create objects) ----

// Registers a class under its name so FindClass/GetClass can find it; registering the same class
// again does nothing; another class under a name already taken raises EFilerError
// "A class named %s already exists".
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> Classes);
void UnRegisterClass(TClass AClass);
// Case-insensitive look-up; null when no class of that name is registered.
TClass GetClass(const std::string& ClassName);
// As GetClass, but raises EClassNotFound "Class %s not found".
TClass FindClass(const std::string& ClassName);

// ---- Enumeration type information (the details are in typinfo.h) ----

// Makes (once per name) the type information of an enumeration whose values MinValue, MinValue+1,
// ... are named by the comma-separated Names ("taLeftJustify, taRightJustify, taCenter").
PTypeInfo RegisterEnumTypeInfo(const char* TypeName, const char* Names, int MinValue = 0);

#define ORV_ENUM_TYPEINFO(Type, ...)                                                 \
  inline PTypeInfo OrvTypeInfoOf(const Type*) {                                      \
    static const PTypeInfo info = RegisterEnumTypeInfo(#Type, #__VA_ARGS__);         \
    return info;                                                                     \
  }

// The same for an enum declared inside a class, written in that class's body (a hidden friend,
// found through the enum): ORV_MEMBER_ENUM_TYPEINFO(TKind, kA, kB)
#define ORV_MEMBER_ENUM_TYPEINFO(Type, ...)                                          \
  friend PTypeInfo OrvTypeInfoOf(const Type*) {                                      \
    static const PTypeInfo info = RegisterEnumTypeInfo(#Type, #__VA_ARGS__);         \
    return info;                                                                     \
  }

// Declares a plain enum (values 0..n-1) together with its type information.
#define ORV_ENUM(Type, ...)              \
  enum Type { __VA_ARGS__ };             \
  ORV_ENUM_TYPEINFO(Type, __VA_ARGS__)

// Frees the object and sets the reference to null first, so that code run by the destructor
// already sees it gone. Null stays null.
template <class T> void FreeAndNil(T*& Obj) {
  T* P = Obj;
  Obj = nullptr;
  delete P;
}
