// Automation objects: an IDispatch-like interface, a registry of programmatic identifiers and
// CreateOleObject.
//
// Scripts call members of automation objects late-bound: they hold the object in a varDispatch
// variant, look a member name up with GetIDsOfNames (without regard to case) and call it with
// Invoke, passing the arguments in reverse order as the dispatch convention wants (the last
// argument first; a property write passes the assigned value first, named DISPID_PROPERTYPUT).
// There is no COM on this platform: objects are in-process C++ objects that implement IDispatch,
// and programmatic ids ("Word.Application"-style names) map to factories registered at start-up
// with RegisterOleObject. TAutoDispatch makes it easy to write such an object: register named
// methods and properties in the constructor and it does the dispatch.
//
// Reference counting: an object starts with count 0; every holder (a Variant, a
// TComPtr-like owner) calls AddRef and Release; Release deletes the object when the count
// reaches 0. CreateOleObject returns a Variant that holds the only reference.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/rtl/hresult.h"
#include "platform/rtl/object.h"
#include "platform/rtl/variant.h"

using DISPID = int32_t;

struct TGUID {
  uint32_t D1;
  uint16_t D2;
  uint16_t D3;
  uint8_t D4[8];
  bool operator==(const TGUID& O) const = default;
};
using REFIID = const TGUID&;

// The interface identifiers this runtime knows. They only need to be distinct here.
extern const TGUID GUID_NULL;
extern const TGUID IID_IUnknown;
extern const TGUID IID_IDispatch;

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = int32_t(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = int32_t(0x80020003u);
constexpr HRESULT DISP_E_TYPEMISMATCH = int32_t(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = int32_t(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = int32_t(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = int32_t(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = int32_t(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = int32_t(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = int32_t(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = int32_t(0x8002000Eu);
constexpr HRESULT CO_E_CLASSSTRING = int32_t(0x800401F3u);


constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;

constexpr uint16_t DISPATCH_METHOD = 1;
constexpr uint16_t DISPATCH_PROPERTYGET = 2;
constexpr uint16_t DISPATCH_PROPERTYPUT = 4;
constexpr uint16_t DISPATCH_PROPERTYPUTREF = 8;

// The arguments of one Invoke: rgvarg[0] is the LAST argument.
struct DISPPARAMS {
  Variant* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  uint32_t cArgs = 0;
  uint32_t cNamedArgs = 0;
};

// What an object reports when a call fails with DISP_E_EXCEPTION.
struct EXCEPINFO {
  uint16_t wCode = 0;
  std::string bstrSource;
  std::string bstrDescription;
  std::string bstrHelpFile;
  uint32_t dwHelpContext = 0;
  HRESULT scode = 0;
};

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID IID, void** Obj) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

protected:
  virtual ~IUnknown() = default;
};

struct IDispatch : IUnknown {
  // Maps Names[0] (the member) to DispIds[0]; further names are parameter names, which this
  // runtime does not support (they get DISPID_UNKNOWN). Unknown member: DISP_E_UNKNOWNNAME and
  // DISPID_UNKNOWN.
  virtual HRESULT GetIDsOfNames(REFIID IID, const std::string* Names, uint32_t NameCount,
                                LCID Locale, DISPID* DispIds) = 0;
  // Calls a member. Result may be null when the caller wants none; ExcepInfo and ArgErr may be
  // null.
  virtual HRESULT Invoke(DISPID DispId, REFIID IID, LCID Locale, uint16_t Flags,
                         DISPPARAMS* Params, Variant* Result, EXCEPINFO* ExcepInfo,
                         uint32_t* ArgErr) = 0;
};

// Base for automation objects written in C++: a reference count, QueryInterface for IUnknown and
// IDispatch, and a table of named members. In the constructor, register members:
//   AddMethod("Add", [this](TAutoArgs& A) { return Variant(A[0].AsInteger() + A[1].AsInteger()); }, 2);
//   AddProperty("Visible", [this](TAutoArgs&) { return Variant(FVisible); },
//                          [this](TAutoArgs&, const Variant& V) { FVisible = V.AsBoolean(); });
// Arguments arrive in script order (first argument first). An omitted optional argument is
// EmptyParam (VarIsEmptyParam). A property may take index arguments; its setter gets them and
// the assigned value apart. Member names are matched without regard to case; DISPIDs are 1, 2,
// ... in registration order. An exception thrown by a member becomes DISP_E_EXCEPTION with its
// message in EXCEPINFO.bstrDescription and the class name in bstrSource.
using TAutoArgs = std::vector<Variant>;
using TAutoMethod = std::function<Variant(TAutoArgs& Args)>;
using TAutoGetter = std::function<Variant(TAutoArgs& Index)>;
using TAutoSetter = std::function<void(TAutoArgs& Index, const Variant& Value)>;

class TAutoDispatch : public IDispatch {
public:
  TAutoDispatch() = default;
  TAutoDispatch(const TAutoDispatch&) = delete;
  TAutoDispatch& operator=(const TAutoDispatch&) = delete;

  HRESULT QueryInterface(REFIID IID, void** Obj) override;
  uint32_t AddRef() override;
  uint32_t Release() override;
  HRESULT GetIDsOfNames(REFIID IID, const std::string* Names, uint32_t NameCount, LCID Locale,
                        DISPID* DispIds) override;
  HRESULT Invoke(DISPID DispId, REFIID IID, LCID Locale, uint16_t Flags, DISPPARAMS* Params,
                 Variant* Result, EXCEPINFO* ExcepInfo, uint32_t* ArgErr) override;

  uint32_t RefCount() const { return FRefCount.load(); }

protected:
  ~TAutoDispatch() override = default;
  // ArgCount -1 accepts any number of arguments; otherwise a call with more arguments, or with
  // fewer than MinArgs (default: all), gives DISP_E_BADPARAMCOUNT.
  DISPID AddMethod(const std::string& Name, TAutoMethod Method, int ArgCount = -1,
                   int MinArgs = -1);
  // A null setter makes the property read-only (a write gives DISP_E_MEMBERNOTFOUND), a null
  // getter write-only.
  DISPID AddProperty(const std::string& Name, TAutoGetter Getter, TAutoSetter Setter = nullptr);

private:
  struct TMember {
    std::string Name;
    TAutoMethod Method;
    TAutoGetter Getter;
    TAutoSetter Setter;
    int ArgCount = -1;
    int MinArgs = -1;
  };
  std::atomic<uint32_t> FRefCount{0};
  std::vector<TMember> FMembers;                 // DISPID = index + 1
  std::map<std::string, DISPID> FNames;          // upper-case name -> DISPID
};

// Programmatic ids. The factory returns a new object that nobody holds yet (a TAutoDispatch
// starts with reference count 0); CreateOleObject's Variant takes the first reference, so the
// object lives as long as some variant holds it. Ids are matched without regard to case.
// Registering an id again replaces its factory. Thread-safe.
using TOleObjectFactory = std::function<IDispatch*()>;
void RegisterOleObject(const std::string& ProgID, TOleObjectFactory Factory);
void UnRegisterOleObject(const std::string& ProgID);
bool IsOleObjectRegistered(const std::string& ProgID);

// Creates the object registered under ClassName and returns it as a varDispatch variant.
// An id nobody registered raises EOleSysError "Invalid class string"; a factory that returns
// null raises EOleSysError too.
Variant CreateOleObject(const std::string& ClassName);

// Raises EOleSysError for a failed result: its text names the code ("OLE error 80020006");
// returns the result otherwise.
HRESULT OleCheck(HRESULT Result);

// Late-bound call from C++: looks Name up on the object held by Obj (a varDispatch variant;
// anything else raises the variant conversion error) and invokes it with Args in natural order.
// Flags: DISPATCH_METHOD (a result is requested, so it also reads properties),
// DISPATCH_PROPERTYGET, or DISPATCH_PROPERTYPUT (Args end with the assigned value).
// An unknown member raises EOleError "Method '%s' not supported by automation object"; a member
// that failed raises EOleException with the object's description; other failures EOleSysError.
Variant DispInvoke(const Variant& Obj, const std::string& Name, uint16_t Flags,
                   const std::vector<Variant>& Args = {});

// Globally unique identifiers: random (version 4) GUIDs from the system's random source, and
// their text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex; reading accepts
// either case). StringToGUID raises EConvertError "'%s' is not a valid GUID value".
HRESULT CreateGUID(TGUID& Guid);  // S_OK, or E_FAIL when no random bytes could be had
HRESULT CoCreateGuid(TGUID* Guid);
std::string GUIDToString(const TGUID& Guid);
TGUID StringToGUID(const std::string& S);
bool IsEqualGUID(const TGUID& A, const TGUID& B);

// The class library's reference-counted object that implements interfaces: it starts with count
// 0, AddRef and Release count holders (thread-safe), and the last Release deletes it.
// QueryInterface answers IID_IUnknown itself and asks GetInterface for the others, which a
// descendant overrides for the interfaces it implements (setting Obj to the interface pointer,
// AddRef done by QueryInterface). The object must live on the heap once anyone counts it.
class TInterfacedObject : public TObject, public IUnknown {
  ORV_CLASS(TInterfacedObject, TObject)
public:
  TInterfacedObject() = default;
  ~TInterfacedObject() override = default;

  HRESULT QueryInterface(REFIID IID, void** Obj) override;  // E_NOINTERFACE, E_POINTER
  uint32_t AddRef() override;
  uint32_t Release() override;
  uint32_t RefCount() const { return FRefCount.load(); }

protected:
  // The interface IID of this object, or false; the base knows none beyond IUnknown.
  virtual bool GetInterface(REFIID IID, void** Obj) {
    (void)IID, (void)Obj;
    return false;
  }

private:
  std::atomic<uint32_t> FRefCount{0};
};
