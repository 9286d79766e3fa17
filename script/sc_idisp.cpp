// Late binding: members of automation values called through their dispatch interface.
#include <cstdio>

#include "platform/rtl/automation.h"
#include "platform/rtl/sysutils.h"
#include "script/sc_iinterpreter.h"

namespace {
constexpr uint32_t kMaxOleArgs = 64;
}

Variant TscOLEHelper::GetValue() {
  TscArgs args;
  for (int i = 0; i < ParamCount(); ++i) args.push_back(Param(i)->Value);
  Variant result;
  Invoke(args, result, DISPATCH_METHOD);
  return result;
}

void TscOLEHelper::SetValue(const Variant& V) {
  TscArgs args;
  for (int i = 0; i < ParamCount(); ++i) args.push_back(Param(i)->Value);
  args.push_back(V);
  Variant scratch;
  Invoke(args, scratch, DISPATCH_PROPERTYPUT);
}

void TscOLEHelper::Invoke(const TscArgs& Args, Variant& Result, uint16_t Flags) {
  if (Args.size() > kMaxOleArgs) throw EOleError("Too many arguments for an automation call: " + Name);
  IDispatch* disp = PrevValue.AsDispatch();
  if (!disp) throw EOleError("Automation object required: " + Name);
  DISPID id = DISPID_UNKNOWN;
  disp->GetIDsOfNames(GUID_NULL, &Name, 1, 0, &id);
  // The dispatch convention wants the last argument first.
  Variant area[kMaxOleArgs];
  uint32_t n = static_cast<uint32_t>(Args.size());
  for (uint32_t i = 0; i < n; ++i) area[i] = Args[n - 1 - i];
  DISPPARAMS params;
  params.rgvarg = area;
  params.cArgs = n;
  DISPID named = DISPID_PROPERTYPUT;
  if (Flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  bool wantResult = ResultWanted && Flags != DISPATCH_PROPERTYPUT;
  if (wantResult) Result.Clear();
  if (Flags == DISPATCH_METHOD && wantResult) Flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  EXCEPINFO info;
  HRESULT hr = disp->Invoke(id, GUID_NULL, 0, Flags, &params, wantResult ? &Result : nullptr, &info, nullptr);
  if (hr != S_OK) {
    char code[16];
    std::snprintf(code, sizeof code, "%08X", static_cast<uint32_t>(hr));
    throw Exception(std::string("OLE error ") + code + ": " + Name);
  }
}
