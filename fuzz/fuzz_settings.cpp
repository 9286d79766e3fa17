// The settings store: the bytes as the store's file (in a configuration folder of this process's
// own); every key below every root is opened, and every value read as its own type and as each
// other one, as the program's settings code does.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_common.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/strings.h"

namespace {

void Walk(TRegistry& Reg, const std::string& Path, int Depth, int& Budget) {
  if (Depth > 8 || --Budget < 0) return;
  if (!Reg.OpenKeyReadOnly(Path)) return;
  TStringList values, keys;
  Reg.GetValueNames(&values);
  for (int i = 0; i < std::min(values.Count(), 32); ++i) {
    const std::string name = values.Strings(i);
    Reg.GetDataType(name);
    Reg.GetDataSize(name);
    try { Reg.ReadString(name); } catch (const std::exception&) {}
    try { Reg.ReadInteger(name); } catch (const std::exception&) {}
    try { Reg.ReadFloat(name); } catch (const std::exception&) {}
    try {
      unsigned char buffer[64];
      Reg.ReadBinaryData(name, buffer, sizeof buffer);
    } catch (const std::exception&) {}
  }
  Reg.GetKeyNames(&keys);
  for (int i = 0; i < std::min(keys.Count(), 32); ++i)
    Walk(Reg, (Path == "\\" ? Path : Path + "\\") + keys.Strings(i), Depth + 1, Budget);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > 65536) return 0;
  static const bool configured = [] {
    setenv("XDG_CONFIG_HOME", orvfuzz::ScratchFolder().c_str(), 1);
    std::filesystem::create_directories(orvfuzz::ScratchFolder() + "/orvanta");
    return true;
  }();
  (void)configured;
  orvfuzz::WriteScratchFile("orvanta/registry.ini", Data, Size);
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                    HKEY_CURRENT_CONFIG}) {
    try {
      TRegistry reg;
      reg.SetRootKey(root);
      int budget = 64;
      Walk(reg, "\\", 0, budget);
    } catch (const std::exception&) {
    }
  }
  try {
    TRegistryIniFile ini("\\Software");
    TStringList sections;
    ini.ReadSections(&sections);
    for (int i = 0; i < std::min(sections.Count(), 16); ++i) {
      TStringList values;
      ini.ReadSectionValues(sections.Strings(i), &values);
    }
  } catch (const std::exception&) {
  }
  return 0;
}
