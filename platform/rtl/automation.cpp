// Automation objects: TAutoDispatch's member table and dispatch, the programmatic-id registry,
// CreateOleObject and the late-bound call helper.
#include "platform/rtl/automation.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

// Identifiers private to this runtime (no external component ever sees them); they only have to
// differ from one another.
const TGUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const TGUID IID_IUnknown = {0x4F52560A, 0x0001, 0x0000, {0x4F, 0x52, 0x56, 0x41, 0, 0, 0, 1}};
const TGUID IID_IDispatch = {0x4F52560A, 0x0002, 0x0000, {0x4F, 0x52, 0x56, 0x41, 0, 0, 0, 2}};

// ---------------------------------------------------------------------------------------------
// TAutoDispatch

HRESULT TAutoDispatch::QueryInterface(REFIID IID, void** Obj) {
  if (!Obj) return E_POINTER;
  if (IID == IID_IUnknown || IID == IID_IDispatch) {
    *Obj = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *Obj = nullptr;
  return E_NOINTERFACE;
}

uint32_t TAutoDispatch::AddRef() { return FRefCount.fetch_add(1) + 1; }

uint32_t TAutoDispatch::Release() {
  uint32_t N = FRefCount.fetch_sub(1) - 1;
  if (N == 0) delete this;
  return N;
}

DISPID TAutoDispatch::AddMethod(const std::string& Name, TAutoMethod Method, int ArgCount,
                                int MinArgs) {
  TMember M;
  M.Name = Name;
  M.Method = std::move(Method);
  M.ArgCount = ArgCount;
  M.MinArgs = MinArgs < 0 ? ArgCount : MinArgs;
  FMembers.push_back(std::move(M));
  DISPID Id = DISPID(FMembers.size());
  FNames[UpperCase(Name)] = Id;
  return Id;
}

DISPID TAutoDispatch::AddProperty(const std::string& Name, TAutoGetter Getter,
                                  TAutoSetter Setter) {
  TMember M;
  M.Name = Name;
  M.Getter = std::move(Getter);
  M.Setter = std::move(Setter);
  FMembers.push_back(std::move(M));
  DISPID Id = DISPID(FMembers.size());
  FNames[UpperCase(Name)] = Id;
  return Id;
}

HRESULT TAutoDispatch::GetIDsOfNames(REFIID, const std::string* Names, uint32_t NameCount, LCID,
                                     DISPID* DispIds) {
  if (!Names || !DispIds || NameCount == 0) return E_INVALIDARG;
  for (uint32_t I = 0; I < NameCount; ++I) DispIds[I] = DISPID_UNKNOWN;
  auto It = FNames.find(UpperCase(Names[0]));
  if (It == FNames.end()) return DISP_E_UNKNOWNNAME;
  DispIds[0] = It->second;
  // Parameter names are not supported.
  return NameCount > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT TAutoDispatch::Invoke(DISPID DispId, REFIID, LCID, uint16_t Flags, DISPPARAMS* Params,
                              Variant* Result, EXCEPINFO* ExcepInfo, uint32_t* ArgErr) {
  if (DispId < 1 || DispId > DISPID(FMembers.size())) return DISP_E_MEMBERNOTFOUND;
  const TMember& M = FMembers[size_t(DispId - 1)];
  DISPPARAMS NoParams;
  if (!Params) Params = &NoParams;
  if (Params->cArgs > 0 && !Params->rgvarg) return E_INVALIDARG;

  bool Put = (Flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  // Named arguments: only the assigned value of a property write.
  if (Put) {
    if (Params->cArgs == 0) return DISP_E_BADPARAMCOUNT;
    if (Params->cNamedArgs != 1 || !Params->rgdispidNamedArgs ||
        Params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_NONAMEDARGS;
  } else if (Params->cNamedArgs != 0) {
    return DISP_E_NONAMEDARGS;
  }

  // Arguments back into script order: rgvarg[0] is the last one.
  TAutoArgs Args;
  uint32_t Positional = Put ? Params->cArgs - 1 : Params->cArgs;
  Args.reserve(Positional);
  for (uint32_t I = 0; I < Positional; ++I) Args.push_back(Params->rgvarg[Params->cArgs - 1 - I]);

  try {
    Variant Value;
    if (Put) {
      if (!M.Setter) return DISP_E_MEMBERNOTFOUND;
      M.Setter(Args, Params->rgvarg[0]);
    } else if (M.Method) {
      if (!(Flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
      if ((M.ArgCount >= 0 && int(Args.size()) > M.ArgCount) ||
          (M.MinArgs >= 0 && int(Args.size()) < M.MinArgs)) {
        if (ArgErr) *ArgErr = 0;
        return DISP_E_BADPARAMCOUNT;
      }
      Value = M.Method(Args);
    } else {
      if (!(Flags & DISPATCH_PROPERTYGET) || !M.Getter) return DISP_E_MEMBERNOTFOUND;
      Value = M.Getter(Args);
    }
    if (Result) *Result = std::move(Value);
    return S_OK;
  } catch (const Exception& E) {
    if (ExcepInfo) {
      *ExcepInfo = EXCEPINFO();
      ExcepInfo->bstrSource = E.ClassName();
      ExcepInfo->bstrDescription = E.Message();
      ExcepInfo->scode = DISP_E_EXCEPTION;
    }
    return DISP_E_EXCEPTION;
  } catch (const std::exception& E) {
    if (ExcepInfo) {
      *ExcepInfo = EXCEPINFO();
      ExcepInfo->bstrDescription = E.what();
      ExcepInfo->scode = DISP_E_EXCEPTION;
    }
    return DISP_E_EXCEPTION;
  }
}

// ---------------------------------------------------------------------------------------------
// Programmatic ids.

namespace {
struct TOleRegistry {
  std::mutex Lock;
  std::map<std::string, TOleObjectFactory> Factories;  // upper-case id -> factory
};
TOleRegistry& Registry() {
  static TOleRegistry R;
  return R;
}
}  // namespace

void RegisterOleObject(const std::string& ProgID, TOleObjectFactory Factory) {
  TOleRegistry& R = Registry();
  std::lock_guard<std::mutex> G(R.Lock);
  R.Factories[UpperCase(ProgID)] = std::move(Factory);
}

void UnRegisterOleObject(const std::string& ProgID) {
  TOleRegistry& R = Registry();
  std::lock_guard<std::mutex> G(R.Lock);
  R.Factories.erase(UpperCase(ProgID));
}

bool IsOleObjectRegistered(const std::string& ProgID) {
  TOleRegistry& R = Registry();
  std::lock_guard<std::mutex> G(R.Lock);
  return R.Factories.count(UpperCase(ProgID)) != 0;
}

Variant CreateOleObject(const std::string& ClassName) {
  TOleObjectFactory Factory;
  {
    TOleRegistry& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    auto It = R.Factories.find(UpperCase(ClassName));
    if (It != R.Factories.end()) Factory = It->second;
  }
  if (!Factory) throw EOleSysError("Invalid class string");
  IDispatch* Obj = Factory();  // called outside the lock: a factory may create other objects
  if (!Obj) throw EOleSysError("Class not registered");
  return Variant(Obj);
}

HRESULT OleCheck(HRESULT Result) {
  if (Failed(Result)) throw EOleSysError("OLE error " + IntToHex(uint32_t(Result), 8));
  return Result;
}

Variant DispInvoke(const Variant& Obj, const std::string& Name, uint16_t Flags,
                   const std::vector<Variant>& Args) {
  IDispatch* Disp = Obj.AsDispatch();
  if (!Disp) throw EOleError("Variant does not reference an automation object");
  DISPID Id = DISPID_UNKNOWN;
  if (Failed(Disp->GetIDsOfNames(GUID_NULL, &Name, 1, 0, &Id)))
    throw EOleError("Method '" + Name + "' not supported by automation object");

  std::vector<Variant> Rev(Args.rbegin(), Args.rend());
  DISPID PutId = DISPID_PROPERTYPUT;
  DISPPARAMS P;
  P.rgvarg = Rev.data();
  P.cArgs = uint32_t(Rev.size());
  bool Put = (Flags & DISPATCH_PROPERTYPUT) != 0;
  if (Put) {
    P.rgdispidNamedArgs = &PutId;
    P.cNamedArgs = 1;
  } else if (Flags & DISPATCH_METHOD) {
    Flags |= DISPATCH_PROPERTYGET;
  }
  Variant Result;
  EXCEPINFO Info;
  HRESULT Hr = Disp->Invoke(Id, GUID_NULL, 0, Flags, &P, Put ? nullptr : &Result, &Info, nullptr);
  if (Hr == DISP_E_EXCEPTION)
    throw EOleException(Info.bstrDescription.empty() ? "OLE error " + IntToHex(uint32_t(Hr), 8)
                                                     : Info.bstrDescription);
  if (Hr == DISP_E_MEMBERNOTFOUND || Hr == DISP_E_UNKNOWNNAME)
    throw EOleError("Method '" + Name + "' not supported by automation object");
  OleCheck(Hr);
  return Result;
}

// ---- GUIDs ----

HRESULT CreateGUID(TGUID& Guid) {
  uint8_t B[16];
  size_t Got = 0;
  while (Got < sizeof(B)) {
    ssize_t N = getrandom(B + Got, sizeof(B) - Got, 0);
    if (N < 0) {
      if (errno == EINTR) continue;
      return E_FAIL;
    }
    Got += static_cast<size_t>(N);
  }
  Guid.D1 = uint32_t(B[0]) << 24 | uint32_t(B[1]) << 16 | uint32_t(B[2]) << 8 | B[3];
  Guid.D2 = static_cast<uint16_t>(B[4] << 8 | B[5]);
  // Version 4 (random) in the high nibble of D3, the RFC 4122 variant in the top bits of D4[0].
  Guid.D3 = static_cast<uint16_t>(((B[6] & 0x0F) | 0x40) << 8 | B[7]);
  for (int I = 0; I < 8; ++I) Guid.D4[I] = B[8 + I];
  Guid.D4[0] = static_cast<uint8_t>((Guid.D4[0] & 0x3F) | 0x80);
  return S_OK;
}

HRESULT CoCreateGuid(TGUID* Guid) {
  if (!Guid) return E_POINTER;
  return CreateGUID(*Guid);
}

std::string GUIDToString(const TGUID& G) {
  char Buf[40];
  std::snprintf(Buf, sizeof(Buf), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", G.D1,
                G.D2, G.D3, G.D4[0], G.D4[1], G.D4[2], G.D4[3], G.D4[4], G.D4[5], G.D4[6],
                G.D4[7]);
  return Buf;
}

TGUID StringToGUID(const std::string& S) {
  // Layout of the 38 characters: braces, 32 hex digits, hyphens at 9, 14, 19 and 24.
  auto Bad = [&S]() { return EConvertError("'" + S + "' is not a valid GUID value"); };
  if (S.size() != 38 || S[0] != '{' || S[37] != '}' || S[9] != '-' || S[14] != '-' ||
      S[19] != '-' || S[24] != '-')
    throw Bad();
  uint8_t Bytes[16];
  int N = 0;
  for (size_t I = 1; I < 37; ++I) {
    if (I == 9 || I == 14 || I == 19 || I == 24) continue;
    auto Hex = [](char C) {
      if (C >= '0' && C <= '9') return C - '0';
      if (C >= 'a' && C <= 'f') return C - 'a' + 10;
      if (C >= 'A' && C <= 'F') return C - 'A' + 10;
      return -1;
    };
    int Hi = Hex(S[I]), Lo = Hex(S[I + 1]);
    if (Hi < 0 || Lo < 0) throw Bad();
    Bytes[N++] = static_cast<uint8_t>(Hi * 16 + Lo);
    ++I;
  }
  TGUID G;
  G.D1 = uint32_t(Bytes[0]) << 24 | uint32_t(Bytes[1]) << 16 | uint32_t(Bytes[2]) << 8 | Bytes[3];
  G.D2 = static_cast<uint16_t>(Bytes[4] << 8 | Bytes[5]);
  G.D3 = static_cast<uint16_t>(Bytes[6] << 8 | Bytes[7]);
  for (int I = 0; I < 8; ++I) G.D4[I] = Bytes[8 + I];
  return G;
}

bool IsEqualGUID(const TGUID& A, const TGUID& B) { return A == B; }

// ---- TInterfacedObject ----

ORV_CLASS_IMPL(TInterfacedObject, TObject)

HRESULT TInterfacedObject::QueryInterface(REFIID IID, void** Obj) {
  if (!Obj) return E_POINTER;
  *Obj = nullptr;
  if (IID == IID_IUnknown) {
    *Obj = static_cast<IUnknown*>(this);
  } else if (!GetInterface(IID, Obj) || !*Obj) {
    *Obj = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

uint32_t TInterfacedObject::AddRef() { return ++FRefCount; }

uint32_t TInterfacedObject::Release() {
  uint32_t Left = --FRefCount;
  if (Left == 0) delete this;
  return Left;
}
